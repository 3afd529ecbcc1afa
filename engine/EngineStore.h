// What the engine keeps in SQLite: its closed trades in its account's trading log, and the
// strategy values it reads from the console's main store.
#pragma once

#include <map>
#include <string>

#include "engine/Market.h"
#include "platform/core/CString.h"

// "<base>\DataBase\db_Velmora_<account>.db", the table made when missing. The console may be
// reading the file at the same moment: the write waits for it briefly. False on failure.
bool WriteClosedTrade(const CString& account, const ClosedTrade& trade);

// Every row of VnStrategy in "<base>\DataBase\db_Velmora.db"; the number of values, or -1
// when the store cannot be read.
int LoadStrategyValues(std::map<std::string, int>* values);
