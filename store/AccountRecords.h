// The fields of the engines' status records, which the trading state parses into its slots.
#pragma once

#include <string_view>
#include <vector>

// The '|'-separated fields of a record: every separator counts, so an empty field between
// two separators is a field; the search steps over double-byte characters.
std::vector<std::string_view> SplitRecordFields(std::string_view record);
