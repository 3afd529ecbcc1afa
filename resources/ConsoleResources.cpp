#include "resources/ConsoleResources.h"

#include <cstdlib>

#include "platform/ui/DialogTemplate.h"

namespace {

constexpr DWORD kEdit = WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;
constexpr DWORD kDigitsEdit = kEdit | ES_NUMBER;
constexpr DWORD kLabel = SS_LEFT;
constexpr DWORD kCheck = BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kDropList = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kBox = BS_GROUPBOX;
constexpr DWORD kReportList = LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_ALIGNLEFT | WS_BORDER | WS_TABSTOP;
constexpr DWORD kOwnerDrawButton = BS_OWNERDRAW | WS_TABSTOP;

// The main window, top to bottom. Each titled box is a group box without text with its
// title static on the top edge; the boxes of the settings form share their edges. Labels
// sit 2 units below their edits, check boxes 1 unit, so that texts line up on a row.
const DialogTemplate kMainDialog = {
    IDD_VOSSEN_DIALOG,
    "Zorvik-Master",
    232,
    536,
    "MS Shell Dlg",
    9,
    DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
    WS_EX_APPWINDOW,
    IDR_MAIN_MENU,
    {
        // Title box.
        {WC_BUTTON, "", -1, 7, 2, 218, 26, kBox},
        {WC_STATIC, "Zorvik 마스터", IDC_STATIC_TITLE, 14, 11, 110, 12, kLabel},
        {WC_BUTTON, "Sound Off", IDC_CHECK_SOUND_OFF, 170, 8, 48, 9, kCheck},
        {WC_BUTTON, "항상위로", IDC_CHECK_ALWAYS_ON_TOP, 170, 17, 48, 9, kCheck},

        // Account status.
        {WC_STATIC, "[계좌현황]", -1, 7, 32, 40, 8, kLabel},
        {WC_STATIC, "목표달성률", -1, 98, 32, 32, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_TARGET_RATE, 132, 30, 40, 12, kDigitsEdit},
        {WC_BUTTON, "오버(홀딩)", IDC_CHECK_MARKET_OFF_HOLD, 178, 31, 46, 10, kCheck},
        {WC_LISTVIEW, "", IDC_LIST_ACCOUNT, 6, 45, 219, 28, kReportList},

        // Trade history.
        {WC_STATIC, "[매매내역]", -1, 7, 81, 40, 8, kLabel},
        {WC_BUTTON, "엑셀저장", IDC_BTN_EXCEL_SAVE, 120, 79, 48, 13, BS_PUSHBUTTON | WS_TABSTOP},
        {WC_COMBOBOX, "", IDC_COMBO_VIEW, 172, 79, 53, 80, kDropList},
        {WC_LISTVIEW, "", IDC_LIST_HISTORY, 6, 94, 219, 109, kReportList},

        // Totals.
        {WC_STATIC, "수익보전 기준손익", -1, 7, 211, 56, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_RESERVE_LEVEL, 65, 209, 58, 12, kDigitsEdit},
        {WC_STATIC, "총손익", -1, 131, 211, 22, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_TOTAL_PNL, 155, 209, 70, 12, kDigitsEdit},

        // "일괄청산"
        {WC_BUTTON, "", -1, 7, 225, 218, 50, kBox},
        {WC_STATIC, "일괄청산", -1, 12, 225, 28, 8, kLabel},
        {WC_STATIC, "일목표수익", -1, 14, 238, 40, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_DAY_PROFIT_MAX, 70, 236, 24, 12, kDigitsEdit},
        {WC_STATIC, "만원", -1, 97, 238, 16, 8, kLabel},
        {WC_BUTTON, "일손절범위", IDC_CHECK_DAY_LOSS_MAX, 118, 237, 46, 10, kCheck},
        {WC_EDIT, "", IDC_EDIT_DAY_LOSS_MAX, 168, 236, 32, 12, kDigitsEdit},
        {WC_STATIC, "만원", -1, 203, 238, 16, 8, kLabel},
        {WC_BUTTON, "양세트합순익", IDC_CHECK_ALLCLEAR_PROFIT, 14, 254, 54, 10, kCheck},
        {WC_EDIT, "", IDC_EDIT_ALLCLEAR_PROFIT, 70, 253, 24, 12, kEdit},
        {WC_STATIC, "달러", -1, 97, 255, 16, 8, kLabel},
        {WC_BUTTON, "양합손실", IDC_CHECK_ALLCLEAR_LOSS, 118, 254, 46, 10, kCheck},
        {WC_EDIT, "", IDC_EDIT_ALLCLEAR_LOSS, 168, 253, 32, 12, kEdit},
        {WC_STATIC, "달러", -1, 203, 255, 16, 8, kLabel},

        // "추세청산"
        {WC_BUTTON, "", -1, 7, 270, 218, 35, kBox},
        {WC_STATIC, "추세청산", -1, 12, 270, 28, 8, kLabel},
        {WC_BUTTON, "세트총순익", IDC_CHECK_TRENDCLEAR_SET_PROFIT, 14, 285, 54, 10, kCheck},
        {WC_EDIT, "", IDC_EDIT_TRENDCLEAR_SET_PROFIT, 70, 284, 24, 12, kEdit},
        {WC_STATIC, "달러", -1, 97, 286, 16, 8, kLabel},
        {WC_BUTTON, "되돌림", IDC_CHECK_TRENDCLEAR_REBACK, 118, 285, 46, 10, kCheck},
        {WC_EDIT, "", IDC_EDIT_TRENDCLEAR_REBACK, 168, 284, 32, 12, kEdit},
        {WC_STATIC, "%", -1, 203, 286, 16, 8, kLabel},

        // "역진입 설정": the entry window in its own small box at the left, the candle rules
        // beside it, the indicator row below.
        {WC_BUTTON, "", -1, 7, 300, 218, 70, kBox},
        {WC_STATIC, "역진입 설정", -1, 12, 300, 34, 8, kLabel},
        {WC_BUTTON, "", -1, 15, 308, 42, 37, kBox},
        {WC_STATIC, "역진입구간", -1, 19, 317, 34, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_IN_TICK_S, 19, 328, 22, 12, kEdit},
        {WC_STATIC, "분", -1, 44, 330, 9, 8, kLabel},
        {WC_BUTTON, "생성캔들", IDC_CHECK_REVERSE_BONG, 62, 313, 40, 10, kCheck},
        {WC_EDIT, "", IDC_EDIT_REVERSE_BONG_COUNT, 104, 312, 16, 12, kEdit},
        {WC_STATIC, "개 이상 or ", -1, 122, 314, 34, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_REVERSE_BONG_HEIGHT, 157, 312, 16, 12, kEdit},
        {WC_STATIC, "틱 이상 진입", -1, 175, 314, 42, 8, kLabel},
        {WC_BUTTON, "최대캔들", IDC_CHECK_REVERSE_MAX_BONG, 62, 330, 40, 10, kCheck},
        {WC_EDIT, "", IDC_EDIT_REVERSE_MAX_BONG_LIMIT, 104, 329, 16, 12, kEdit},
        {WC_STATIC, "틱 이상 진입금지", -1, 122, 331, 56, 8, kLabel},
        {WC_BUTTON, "D 마크", IDC_CHECK_MACD_R, 14, 349, 36, 10, kCheck},
        {WC_EDIT, "", IDC_EDIT_MACD_TERM1_R, 52, 348, 18, 12, kEdit},
        {WC_EDIT, "", IDC_EDIT_MACD_TERM2_R, 73, 348, 18, 12, kEdit},
        {WC_EDIT, "", IDC_EDIT_MACD_TERM3_R, 94, 348, 18, 12, kEdit},
        {WC_BUTTON, "매매강도", IDC_CHECK_DMI_R, 118, 349, 46, 10, kCheck},
        {WC_EDIT, "", IDC_EDIT_DMI_TERM_R, 168, 348, 32, 12, kEdit},

        // "역진입 청산"
        {WC_BUTTON, "", -1, 7, 365, 218, 52, kBox},
        {WC_STATIC, "역진입 청산", -1, 12, 365, 34, 8, kLabel},
        {WC_BUTTON, "진입회차", IDC_CHECK_REVCLEAR_INCOUNT, 14, 379, 54, 10, kCheck},
        {WC_EDIT, "", IDC_EDIT_REVCLEAR_INCOUNT, 70, 378, 24, 12, kEdit},
        {WC_STATIC, "회이상", -1, 97, 380, 20, 8, kLabel},
        {WC_BUTTON, "일괄손절", IDC_CHECK_REVCLEAR_TREND_LINK, 118, 379, 46, 10, kCheck},
        {WC_BUTTON, "역세트총순익", IDC_CHECK_REVCLEAR_SET_PROFIT, 14, 396, 54, 10, kCheck},
        {WC_EDIT, "", IDC_EDIT_REVCLEAR_SET_PROFIT, 70, 395, 24, 12, kEdit},
        {WC_STATIC, "달러", -1, 97, 397, 16, 8, kLabel},
        {WC_BUTTON, "되돌림", IDC_CHECK_REVCLEAR_REBACK, 118, 396, 46, 10, kCheck},
        {WC_EDIT, "", IDC_EDIT_REVCLEAR_REBACK, 168, 395, 32, 12, kEdit},
        {WC_STATIC, "%", -1, 203, 397, 16, 8, kLabel},

        // "추세진입 연동"
        {WC_BUTTON, "", -1, 7, 412, 218, 33, kBox},
        {WC_STATIC, "추세진입 연동", -1, 12, 412, 41, 8, kLabel},
        {WC_BUTTON, "D 마크", IDC_CHECK_MACD_RT, 14, 427, 36, 10, kCheck},
        {WC_EDIT, "", IDC_EDIT_MACD_TERM1_RT, 52, 426, 18, 12, kEdit},
        {WC_EDIT, "", IDC_EDIT_MACD_TERM2_RT, 73, 426, 18, 12, kEdit},
        {WC_EDIT, "", IDC_EDIT_MACD_TERM3_RT, 94, 426, 18, 12, kEdit},
        {WC_BUTTON, "매매강도", IDC_CHECK_DMI_RT, 118, 427, 46, 10, kCheck},
        {WC_EDIT, "", IDC_EDIT_DMI_TERM_RT, 168, 426, 32, 12, kEdit},

        // Trade type, holding and the two links, two by two.
        {WC_BUTTON, "", -1, 6, 448, 129, 49, kBox},
        {WC_STATIC, "매매타입", -1, 10, 460, 27, 8, kLabel},
        {WC_COMBOBOX, "", IDC_COMBO_TRADE_TYPE, 38, 458, 32, 80, kDropList},
        {WC_STATIC, "누적보유", -1, 73, 460, 27, 8, kLabel},
        {WC_COMBOBOX, "", IDC_COMBO_KEEP_POSITION, 101, 458, 31, 80, kDropList},
        {WC_BUTTON, "수량연동", IDC_CHECK_COUNT_PAIRING, 10, 479, 39, 10, kCheck},
        {WC_COMBOBOX, "", IDC_COMBO_COUNT_PAIRING_ADD, 49, 477, 21, 80, kDropList},
        {WC_BUTTON, "회차연동", IDC_CHECK_ROUND_PAIRING, 73, 479, 39, 10, kCheck},
        {WC_COMBOBOX, "", IDC_COMBO_ROUND_PAIRING_ADD, 112, 477, 20, 80, kDropList},

        // Trading window in Korean time.
        {WC_BUTTON, "타이머 (한국시간기준)", -1, 141, 448, 84, 49, kBox},
        {WC_STATIC, "시작", -1, 147, 462, 13, 8, kLabel},
        {WC_COMBOBOX, "", IDC_COMBO_START_HOUR, 161, 460, 26, 100, kDropList},
        {WC_STATIC, ":", -1, 189, 462, 4, 8, kLabel},
        {WC_COMBOBOX, "", IDC_COMBO_START_MINUTE, 194, 460, 26, 100, kDropList},
        {WC_STATIC, "종료", -1, 147, 480, 13, 8, kLabel},
        {WC_COMBOBOX, "", IDC_COMBO_END_HOUR, 161, 478, 26, 100, kDropList},
        {WC_STATIC, ":", -1, 189, 480, 4, 8, kLabel},
        {WC_COMBOBOX, "", IDC_COMBO_END_MINUTE, 194, 478, 26, 100, kDropList},

        // Command buttons.
        {WC_BUTTON, "시작", IDC_BTN_START, 6, 505, 39, 25, kOwnerDrawButton},
        {WC_BUTTON, "일괄청산", IDC_BTN_LIQUIDATE_ALL, 51, 505, 39, 25, kOwnerDrawButton},
        {WC_BUTTON, "종료", IDC_BTN_STOP, 96, 505, 39, 25, kOwnerDrawButton},
        {WC_BUTTON, "적용", IDC_BTN_APPLY, 149, 505, 36, 25, kOwnerDrawButton},
        {WC_BUTTON, "취소", IDC_BTN_CANCEL, 189, 505, 36, 25, kOwnerDrawButton},
    },
};

const DialogTemplate kAboutDialog = {
    IDD_ABOUTBOX,
    "Zorvik 마스터 정보",
    189,
    63,
    "MS Shell Dlg",
    9,
    DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU,
    0,
    0,
    {
        {WC_STATIC, "", -1, 14, 14, 20, 20, SS_ICON, 0, IDR_MAINFRAME},
        {WC_STATIC, "Zorvik 마스터 버전 2.5.0", -1, 42, 13, 137, 8, SS_LEFT | SS_NOPREFIX},
        {WC_STATIC, "2020-11-21", -1, 42, 25, 114, 8, SS_LEFT},
        {WC_BUTTON, "확인", IDOK, 132, 42, 50, 14, BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP},
    },
};

const MenuTemplate kMainMenu = {
    IDR_MAIN_MENU,
    {
        {"프로그램", 0, {{"끝내기(&X)", ID_MENU_EXIT, {}}}},
        {"설정", 0, {{"공통사항 설정", ID_MENU_COMMON_SETTINGS, {}}}},
        {"정보", 0, {{"Zorvik 마스터 버전(&A)", ID_MENU_ABOUT, {}}}},
    },
};

// The application icon: a white Z on the navy of the stop button, over a green rising line.
DWORD IconPixel(int x, int y) {
    constexpr DWORD kNavy = 0x142940;
    constexpr DWORD kWhite = 0xFFFFFF;
    constexpr DWORD kGreen = 0x13B25D;
    constexpr DWORD kEdge = 0x0A1520;
    if (x == 0 || y == 0 || x == 31 || y == 31)
        return kEdge;
    bool bar = x >= 8 && x <= 23 && ((y >= 6 && y <= 9) || (y >= 20 && y <= 23));
    bool stroke = y >= 9 && y <= 20 && std::abs(x + y - 31) <= 2;
    if (bar || stroke)
        return kWhite;
    if (y >= 26 && y <= 27 && x >= 6 && x <= 25)
        return kGreen;
    return kNavy;
}

const ImageTemplate kAppIcon = {IDR_MAINFRAME, 32, 32, IconPixel};

} // namespace

void RegisterConsoleResources() {
    RegisterDialogTemplate(&kMainDialog);
    RegisterDialogTemplate(&kAboutDialog);
    RegisterMenuTemplate(&kMainMenu);
    RegisterImage(&kAppIcon);
}
