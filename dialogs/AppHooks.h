// What the dialogs need of the program that runs them. The program installs the hooks before
// it shows a dialog, so that this library needs neither the application object nor the main
// dialog; a hook that is not installed does nothing.
#pragma once

#include "platform/core/CString.h"

struct DialogHooks {
    // Keeps the first field of the command line, as the login read it ("norun" or the name
    // of the program to update).
    void (*keepLaunchField)(const CString& field) = nullptr;
    // Shows the saved common settings in the main window's form, when it is open.
    void (*showSavedSettings)() = nullptr;
};

void SetDialogHooks(const DialogHooks& hooks);
const DialogHooks& GetDialogHooks();
