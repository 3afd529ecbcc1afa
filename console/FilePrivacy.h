// The console's files that hold passwords and trades, kept from other users at start.
#pragma once

#include "platform/core/CString.h"

// Brings the store, the trading logs, the log folders and the journals beside them to their
// owner only. Returns what the operator must be told, empty when nothing: what could not be
// made private, and a base folder or DataBase folder that other users may write in.
CString KeepStoreFilesPrivate(const CString& basePath);
