// What the operator is told when the main store cannot keep or give back the settings.
#pragma once

// The strategy values could not be read: the file is named, and the values shown are not
// the stored ones.
void ReportSettingsNotRead();
// A save failed: nothing was stored and the engines were not told to reload.
void ReportSettingsNotStored();
void ReportCallNumberNotStored();
// Before a save while the strategy values are unread: true when the operator agrees to store
// the values shown over the ones that could not be read (or when they were read).
bool ConfirmSaveOverUnreadSettings();
