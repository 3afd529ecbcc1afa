// What the operator is told when the main store cannot keep or give back the settings.
#pragma once

#include "platform/core/CString.h"

class CTradeDataBase;

// The main store could not be opened by `store`: the file is named with the reason; a file
// that is not the user's own is to be removed, as nothing is stored in it.
CString StoreNotOpenedText(const CTradeDataBase& store);

// The strategy values could not be read: the file is named, and the values shown are not
// the stored ones.
void ReportSettingsNotRead();
// A save failed: nothing was stored and the engines were not told to reload.
void ReportSettingsNotStored();
void ReportCallNumberNotStored();
// The trading items could not be stored: the trading state keeps them for this run only.
void ReportItemsNotStored();
// The item chosen at the login could not be stored: the next start does not offer it.
void ReportItemChoiceNotStored();
// The login's accounts could not be stored: the next start does not offer them.
void ReportLoginNotStored();
// Before a save while the strategy values are unread: true when the operator agrees to store
// the values shown over the ones that could not be read (or when they were read).
bool ConfirmSaveOverUnreadSettings();
