// The fields of the engines' status records, which the trading state parses into its slots.
#pragma once

#include <string_view>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

// The text of a record that arrived as `size` bytes: up to its first NUL, and never past
// its bytes (a record without a NUL is all of them).
CString CopyDataRecord(const void* data, DWORD size);

// The '|'-separated fields of a record: every separator counts, so an empty field between
// two separators is a field; the search steps over double-byte characters.
std::vector<std::string_view> SplitRecordFields(std::string_view record);
