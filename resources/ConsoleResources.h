// Resources of the console's main window: the main dialog with its menu, the about box and
// the application icon, with the ids the console's code addresses.
#pragma once

#include "supervision/TraderMessages.h" // IDC_CHECK_SOUND_OFF, which the engine link reads

constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_VOSSEN_DIALOG = 102;
constexpr int IDR_MAINFRAME = 128; // the application icon
constexpr int IDR_MAIN_MENU = 139;

// Menu 139.
constexpr unsigned ID_MENU_EXIT = 32775;
constexpr unsigned ID_MENU_ABOUT = 32776;
constexpr unsigned ID_MENU_COMMON_SETTINGS = 32777;

// Title box and header rows.
constexpr int IDC_STATIC_TITLE = 1239;
constexpr int IDC_CHECK_ALWAYS_ON_TOP = 1238;
constexpr int IDC_EDIT_TARGET_RATE = 1127;
constexpr int IDC_CHECK_MARKET_OFF_HOLD = 1228;
constexpr int IDC_LIST_ACCOUNT = 1220;
constexpr int IDC_BTN_EXCEL_SAVE = 1226;
constexpr int IDC_COMBO_VIEW = 1073;
constexpr int IDC_LIST_HISTORY = 1221;
constexpr int IDC_EDIT_RESERVE_LEVEL = 1130;
constexpr int IDC_EDIT_TOTAL_PNL = 1129;

// "일괄청산"
constexpr int IDC_EDIT_DAY_PROFIT_MAX = 1121;
constexpr int IDC_CHECK_DAY_LOSS_MAX = 1124;
constexpr int IDC_EDIT_DAY_LOSS_MAX = 1123;
constexpr int IDC_CHECK_ALLCLEAR_PROFIT = 1235;
constexpr int IDC_EDIT_ALLCLEAR_PROFIT = 1140;
constexpr int IDC_CHECK_ALLCLEAR_LOSS = 1237;
constexpr int IDC_EDIT_ALLCLEAR_LOSS = 1141;

// "추세청산"
constexpr int IDC_CHECK_TRENDCLEAR_SET_PROFIT = 1245;
constexpr int IDC_EDIT_TRENDCLEAR_SET_PROFIT = 1149;
constexpr int IDC_CHECK_TRENDCLEAR_REBACK = 1244;
constexpr int IDC_EDIT_TRENDCLEAR_REBACK = 1148;

// "역진입 설정"
constexpr int IDC_EDIT_IN_TICK_S = 1131;
constexpr int IDC_CHECK_REVERSE_BONG = 1229;
constexpr int IDC_EDIT_REVERSE_BONG_COUNT = 1132;
constexpr int IDC_EDIT_REVERSE_BONG_HEIGHT = 1133;
constexpr int IDC_CHECK_REVERSE_MAX_BONG = 1230;
constexpr int IDC_EDIT_REVERSE_MAX_BONG_LIMIT = 1142;
constexpr int IDC_CHECK_MACD_R = 1231;
constexpr int IDC_EDIT_MACD_TERM1_R = 1134;
constexpr int IDC_EDIT_MACD_TERM2_R = 1135;
constexpr int IDC_EDIT_MACD_TERM3_R = 1136;
constexpr int IDC_CHECK_DMI_R = 1243;
constexpr int IDC_EDIT_DMI_TERM_R = 1146;

// "역진입 청산"
constexpr int IDC_CHECK_REVCLEAR_INCOUNT = 1232;
constexpr int IDC_EDIT_REVCLEAR_INCOUNT = 1137;
constexpr int IDC_CHECK_REVCLEAR_TREND_LINK = 1236;
constexpr int IDC_CHECK_REVCLEAR_SET_PROFIT = 1234;
constexpr int IDC_EDIT_REVCLEAR_SET_PROFIT = 1139;
constexpr int IDC_CHECK_REVCLEAR_REBACK = 1233;
constexpr int IDC_EDIT_REVCLEAR_REBACK = 1138;

// "추세진입 연동"
constexpr int IDC_CHECK_MACD_RT = 1242;
constexpr int IDC_EDIT_MACD_TERM1_RT = 1143;
constexpr int IDC_EDIT_MACD_TERM2_RT = 1144;
constexpr int IDC_EDIT_MACD_TERM3_RT = 1145;
constexpr int IDC_CHECK_DMI_RT = 1241;
constexpr int IDC_EDIT_DMI_TERM_RT = 1147;

// Trade type, holding and the two links.
constexpr int IDC_COMBO_TRADE_TYPE = 1092;
constexpr int IDC_COMBO_KEEP_POSITION = 1095;
constexpr int IDC_CHECK_COUNT_PAIRING = 1259;
constexpr int IDC_COMBO_COUNT_PAIRING_ADD = 1096;
constexpr int IDC_CHECK_ROUND_PAIRING = 1260;
constexpr int IDC_COMBO_ROUND_PAIRING_ADD = 1097;

// "타이머 (한국시간기준)"
constexpr int IDC_COMBO_START_HOUR = 1088;
constexpr int IDC_COMBO_START_MINUTE = 1086;
constexpr int IDC_COMBO_END_HOUR = 1087;
constexpr int IDC_COMBO_END_MINUTE = 1084;

// The owner-drawn command buttons.
constexpr int IDC_BTN_START = 1177;
constexpr int IDC_BTN_LIQUIDATE_ALL = 1055;
constexpr int IDC_BTN_STOP = 1178;
constexpr int IDC_BTN_APPLY = 1225;
constexpr int IDC_BTN_CANCEL = 1224;

// Registers templates 100 and 102, menu 139 and icon 128; calling it again changes nothing.
void RegisterConsoleResources();
