// Reading the fields of the engines' status records.
#pragma once

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"
#include "store/AccountRecords.h"

// The text of a record that arrived as `size` bytes: up to its first NUL, and never past
// its bytes (a record without a NUL is all of them).
CString CopyDataRecord(const void* data, DWORD size);
