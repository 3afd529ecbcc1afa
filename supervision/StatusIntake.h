// The intake of the engines' status records.
#pragma once

#include "store/AccountRecords.h"

// The engines' status records, given their text: parse into the trading state, sum, then
// refresh the dialog and apply the daily risk rules.
void ProcessAccountInfo(const char* record);
void ProcessAccountUpdate(const char* record);
