// Templates of the login dialog and its settings dialogs, and the login logo.
#pragma once

constexpr int IDD_LOGIN_DIALOG = 132;
constexpr int IDD_ROOT_CONFIRM = 148;
constexpr int IDD_ITEM_SET = 167;
constexpr int IDB_LOGIN_LOGO = 169;
constexpr int IDD_STRATEGY_DIALOG = 170;

// Registers templates 132, 148, 167, 170 and bitmap 169; calling it again changes nothing.
void RegisterLoginDialogResources();
