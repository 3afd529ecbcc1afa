// Templates of the login dialog and its settings dialogs, and the login logo.
#pragma once

constexpr int IDD_LOGIN_DIALOG = 132;
constexpr int IDD_ROOT_CONFIRM = 148;
constexpr int IDD_ITEM_SET = 167;
constexpr int IDB_LOGIN_LOGO = 169;
constexpr int IDD_STRATEGY_DIALOG = 170;

// Control ids; one number may name different controls in different dialogs.

// Login (132): the two accounts' fields, the server choice, the notice and the agreement.
constexpr int IDC_STATIC_LOGO1 = 1216;
constexpr int IDC_STATIC_ID1 = 1059;
constexpr int IDC_EDIT_ID1 = 1064;
constexpr int IDC_STATIC_PASSWD1 = 1060;
constexpr int IDC_EDIT_PASSWD1 = 1065;
constexpr int IDC_STATIC_CERT_PASSWD1 = 1061;
constexpr int IDC_EDIT_CERT_PASSWD1 = 1066;
constexpr int IDC_STATIC_ACCOUNT1 = 1062;
constexpr int IDC_EDIT_ACCOUNT1 = 1057;
constexpr int IDC_STATIC_ACCOUNT_PASSWD1 = 1063;
constexpr int IDC_EDIT_ACCOUNT_PASSWD1 = 1068;
constexpr int IDC_RADIO_REAL_SERVER1 = 1103;
constexpr int IDC_RADIO_MOCK_SERVER1 = 1104;
constexpr int IDC_STATIC_LOGO2 = 1218;
constexpr int IDC_STATIC_ID2 = 1067;
constexpr int IDC_EDIT_ID2 = 1072;
constexpr int IDC_STATIC_PASSWD2 = 1073;
constexpr int IDC_EDIT_PASSWD2 = 1074;
constexpr int IDC_STATIC_CERT_PASSWD2 = 1075;
constexpr int IDC_EDIT_CERT_PASSWD2 = 1076;
constexpr int IDC_STATIC_ACCOUNT2 = 1069;
constexpr int IDC_EDIT_ACCOUNT2 = 1058;
constexpr int IDC_STATIC_ACCOUNT_PASSWD2 = 1070;
constexpr int IDC_EDIT_ACCOUNT_PASSWD2 = 1071;
constexpr int IDC_RADIO_REAL_SERVER2 = 1105;
constexpr int IDC_RADIO_MOCK_SERVER2 = 1106;
// Each account's two radio buttons are one group and one command range, in this order.
static_assert(IDC_RADIO_MOCK_SERVER1 == IDC_RADIO_REAL_SERVER1 + 1);
static_assert(IDC_RADIO_MOCK_SERVER2 == IDC_RADIO_REAL_SERVER2 + 1);
constexpr int IDC_STATIC_TRADE_ITEM = 1160;
constexpr int IDC_COMBO_TRADE_ITEM = 1077;
constexpr int IDC_BTN_ITEM_SET = 1243;
constexpr int IDC_STATIC_NOTICE_FRAME = 1217;
constexpr int IDC_STATIC_NOTICE_TITLE = 1110;
constexpr int IDC_STATIC_CAUTION = 1203;
constexpr int IDC_STATIC_CAUTION_LINE1 = 1195;
constexpr int IDC_STATIC_CAUTION_LINE2 = 1200;
constexpr int IDC_CHECK_AGREE = 1234;
constexpr int IDC_STATIC_AGREE = 1201;

// Administrator confirmation (148).
constexpr int IDC_EDIT_ROOT_PASSWORD = 1100;

// Item settings (167): five rows of name and code.
constexpr int IDC_EDIT_ITEM_NAME1 = 1100;
constexpr int IDC_EDIT_ITEM_CODE1 = 1101;
constexpr int IDC_EDIT_ITEM_NAME2 = 1102;
constexpr int IDC_EDIT_ITEM_CODE2 = 1103;
constexpr int IDC_EDIT_ITEM_NAME3 = 1104;
constexpr int IDC_EDIT_ITEM_CODE3 = 1105;
constexpr int IDC_EDIT_ITEM_NAME4 = 1106;
constexpr int IDC_EDIT_ITEM_CODE4 = 1107;
constexpr int IDC_EDIT_ITEM_NAME5 = 1108;
constexpr int IDC_EDIT_ITEM_CODE5 = 1109;
constexpr int IDC_BTN_ITEM_SAVE = 1244;
constexpr int IDC_BTN_ITEM_REVERT = 1245;

// Common settings (170).
constexpr int IDC_CHECK_PROFIT_RESERVE = 1251;
constexpr int IDC_EDIT_RESERVE_BASE = 1105;
constexpr int IDC_EDIT_RESERVE_TRIGGER = 1104;
constexpr int IDC_COMBO_RESERVE_TRIGGER_TYPE = 1073;
constexpr int IDC_EDIT_RESERVE_REST = 1106;
constexpr int IDC_CHECK_DAY_TARGET = 1248;
constexpr int IDC_EDIT_DAY_TARGET = 1101;
constexpr int IDC_CHECK_TRADE_COUNT = 1249;
constexpr int IDC_EDIT_TRADE_COUNT = 1102;
constexpr int IDC_EDIT_WON_PER_DOLLAR = 1100;
constexpr int IDC_EDIT_FEE_BASE = 1128;
constexpr int IDC_EDIT_FEE_AGREED = 1130;
constexpr int IDC_EDIT_CALL_NUMBER = 1103;
constexpr int IDC_BTN_ADMIN_MODE = 1250;
constexpr int IDC_BTN_STRATEGY_APPLY = 1246;
constexpr int IDC_BTN_STRATEGY_CANCEL = 1247;

// Registers templates 132, 148, 167, 170 and bitmap 169; calling it again changes nothing.
void RegisterLoginDialogResources();
