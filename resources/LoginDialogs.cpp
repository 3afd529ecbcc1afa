#include "resources/LoginDialogs.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/DialogTemplate.h"

namespace {

constexpr DWORD kDialogStyle = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kEdit = WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;
constexpr DWORD kPasswordEdit = kEdit | ES_PASSWORD;
constexpr DWORD kLabel = SS_LEFT;
constexpr DWORD kOwnerDrawButton = BS_OWNERDRAW | WS_TABSTOP;
constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kDefaultButton = BS_DEFPUSHBUTTON | WS_TABSTOP;
constexpr DWORD kCheck = BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kDropList = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;

// Login: two accounts on the left, the risk notice on the right, the item row below.
const DialogTemplate kLoginDialog = {
    IDD_LOGIN_DIALOG,
    "Zorvik 마스터 - [Korvex금융투자 로그인]",
    565,
    278,
    "MS Shell Dlg",
    8,
    kDialogStyle,
    0,
    0,
    {
        {WC_STATIC, "", -1, 6, 6, 212, 117, SS_BLACKFRAME},
        {WC_STATIC, "", IDC_STATIC_LOGO1, 16, 15, 35, 35, SS_WHITEFRAME},
        {WC_STATIC, "아이디", IDC_STATIC_ID1, 59, 16, 28, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_ID1, 98, 14, 110, 12, kEdit},
        {WC_STATIC, "비밀번호", IDC_STATIC_PASSWD1, 59, 36, 35, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_PASSWD1, 98, 34, 110, 12, kPasswordEdit},
        {WC_STATIC, "공인인증 비밀번호", IDC_STATIC_CERT_PASSWD1, 13, 56, 69, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_CERT_PASSWD1, 98, 54, 110, 12, kPasswordEdit},
        {WC_STATIC, "계좌번호 1", IDC_STATIC_ACCOUNT1, 13, 80, 68, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_ACCOUNT1, 98, 78, 51, 12, kEdit},
        {WC_STATIC, "계좌비밀번호 1", IDC_STATIC_ACCOUNT_PASSWD1, 13, 101, 83, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_ACCOUNT_PASSWD1, 98, 98, 51, 12, kPasswordEdit},
        {WC_STATIC, "계좌번호 2", IDC_STATIC_ACCOUNT2, 13, 199, 68, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_ACCOUNT2, 98, 197, 51, 12, kEdit},
        {WC_STATIC, "계좌비밀번호 2", IDC_STATIC_ACCOUNT_PASSWD2, 13, 220, 82, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_ACCOUNT_PASSWD2, 98, 217, 51, 12, kPasswordEdit},
        {WC_BUTTON, "", -1, 154, 73, 59, 39, BS_GROUPBOX},
        {WC_BUTTON, "실서버", IDC_RADIO_REAL_SERVER1, 165, 79, 36, 15,
         BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP},
        {WC_BUTTON, "모의서버", IDC_RADIO_MOCK_SERVER1, 165, 95, 43, 15, BS_AUTORADIOBUTTON},
        {WC_BUTTON, "", -1, 154, 191, 59, 39, BS_GROUPBOX | WS_GROUP},
        {WC_BUTTON, "실서버", IDC_RADIO_REAL_SERVER2, 166, 197, 36, 15,
         BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP},
        {WC_BUTTON, "모의서버", IDC_RADIO_MOCK_SERVER2, 166, 213, 43, 15, BS_AUTORADIOBUTTON},
        // WS_GROUP ends the second radio group here.
        {WC_STATIC, "매매종목", IDC_STATIC_TRADE_ITEM, 17, 257, 40, 8, kLabel | WS_GROUP},
        {WC_BUTTON, "확인", IDOK, 454, 250, 50, 21, kOwnerDrawButton},
        {WC_BUTTON, "취소", IDCANCEL, 509, 250, 50, 20, kOwnerDrawButton},
        {WC_STATIC, "", IDC_STATIC_NOTICE_FRAME, 223, 6, 336, 237, SS_BLACKFRAME},
        {WC_STATIC, "【자동매매시스템 사용자 위험 고지사항 안내】", IDC_STATIC_NOTICE_TITLE, 229, 16, 187, 8,
         kLabel},
        {WC_STATIC, "● 본 자동매매 시스템을 사용하려는 투자자는 반드시 사용설명을 충분히 듣고 사용결정을", -1,
         229, 32, 323, 8, kLabel},
        {WC_STATIC, "내리시기 바랍니다.", -1, 236, 43, 83, 8, kLabel},
        {WC_STATIC, "● 본 자동매매 시스템은 반드시 수익을 내주는 만능은 아닙니다. 사용에 따라서는 손실이", -1,
         229, 61, 323, 8, kLabel},
        {WC_STATIC, "발생할 수도 있으며 손실에 대한 책임은 투자자 본인에게 있습니다.", -1, 236, 71, 316, 8,
         kLabel},
        {WC_STATIC, "● 본 프로그램 설치시 기본으로 적용된 설정은 하나의 예시로 반드시 각 설정사항의 기능을 ",
         -1, 229, 94, 323, 8, kLabel},
        {WC_STATIC, "숙지 후 설정값을 자신의 전략에 맞게 조정하신 후 매매하시기 바랍니다. ", -1, 236, 105,
         315, 8, kLabel},
        {WC_STATIC, "※주의※ ", IDC_STATIC_CAUTION, 229, 134, 55, 8, kLabel},
        {WC_STATIC, "본 자동시스템은 네트워크 장애, 시세, 천재지변 기타 등 다양한 요인으로 정상적 작동을",
         IDC_STATIC_CAUTION_LINE1, 231, 150, 321, 8, kLabel},
        {WC_STATIC, "하지 않을 수 도 있으므로  반드시 HTS등을 통해서 최종결과를 확인하시기 바랍니다.",
         IDC_STATIC_CAUTION_LINE2, 231, 161, 321, 8, kLabel},
        {WC_BUTTON, "", IDC_CHECK_AGREE, 381, 225, 8, 13, kCheck},
        {WC_STATIC, "위의 내용을 확인하고 동의합니다.", IDC_STATIC_AGREE, 391, 227, 162, 8, kLabel},
        {WC_STATIC, "", -1, 6, 247, 212, 28, SS_BLACKFRAME},
        {WC_STATIC, "", -1, 6, 127, 212, 116, SS_BLACKFRAME},
        {WC_STATIC, "", IDC_STATIC_LOGO2, 16, 136, 35, 35, SS_WHITEFRAME},
        {WC_STATIC, "아이디", IDC_STATIC_ID2, 60, 137, 28, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_ID2, 98, 135, 110, 12, kEdit},
        {WC_STATIC, "비밀번호", IDC_STATIC_PASSWD2, 60, 157, 35, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_PASSWD2, 98, 154, 110, 12, kPasswordEdit},
        {WC_STATIC, "공인인증 비밀번호", IDC_STATIC_CERT_PASSWD2, 14, 177, 69, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_CERT_PASSWD2, 98, 175, 110, 12, kPasswordEdit},
        {WC_BUTTON, "종목설정", IDC_BTN_ITEM_SET, 164, 253, 46, 16, kButton},
        {WC_COMBOBOX, "", IDC_COMBO_TRADE_ITEM, 98, 254, 61, 15, kDropList},
    },
};

// Administrator confirmation: one password, OK first in the tab order.
const DialogTemplate kRootConfirmDialog = {
    IDD_ROOT_CONFIRM,
    "관리자 인증",
    151,
    50,
    "MS Shell Dlg",
    8,
    kDialogStyle,
    0,
    0,
    {
        {WC_BUTTON, "확인", IDOK, 25, 29, 50, 14, kDefaultButton},
        {WC_BUTTON, "취소", IDCANCEL, 79, 29, 50, 14, kButton},
        {WC_EDIT, "", IDC_EDIT_ROOT_PASSWORD, 54, 10, 88, 12, kPasswordEdit},
        {WC_STATIC, "PASSWORD :", -1, 7, 11, 44, 9, kLabel},
    },
};

// Item settings: names on the left, codes on the right, five rows.
const DialogTemplate kItemSetDialog = {
    IDD_ITEM_SET,
    "종목설정",
    157,
    140,
    "MS Shell Dlg",
    8,
    kDialogStyle,
    0,
    0,
    {
        {WC_BUTTON, "확인", IDC_BTN_ITEM_SAVE, 26, 119, 50, 14, kDefaultButton},
        {WC_BUTTON, "취소", IDC_BTN_ITEM_REVERT, 82, 119, 50, 14, kButton},
        {WC_EDIT, "", IDC_EDIT_ITEM_NAME1, 8, 17, 66, 15, kEdit},
        {WC_STATIC, "종목명", -1, 11, 7, 33, 8, kLabel},
        {WC_STATIC, "종목코드", -1, 85, 7, 33, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_ITEM_CODE1, 81, 17, 66, 15, kEdit},
        {WC_EDIT, "", IDC_EDIT_ITEM_NAME2, 8, 36, 66, 15, kEdit},
        {WC_EDIT, "", IDC_EDIT_ITEM_CODE2, 82, 36, 66, 15, kEdit},
        {WC_EDIT, "", IDC_EDIT_ITEM_NAME3, 8, 56, 66, 15, kEdit},
        {WC_EDIT, "", IDC_EDIT_ITEM_CODE3, 81, 56, 66, 15, kEdit},
        {WC_EDIT, "", IDC_EDIT_ITEM_NAME4, 8, 76, 66, 15, kEdit},
        {WC_EDIT, "", IDC_EDIT_ITEM_CODE4, 82, 76, 66, 15, kEdit},
        {WC_EDIT, "", IDC_EDIT_ITEM_NAME5, 8, 96, 66, 15, kEdit},
        {WC_EDIT, "", IDC_EDIT_ITEM_CODE5, 82, 96, 66, 15, kEdit},
    },
};

// Common settings: three rows of groups, the call number and the buttons along the bottom.
const DialogTemplate kStrategyDialog = {
    IDD_STRATEGY_DIALOG,
    "공통사항 설정",
    311,
    208,
    "MS Shell Dlg",
    8,
    kDialogStyle,
    0,
    0,
    {
        {WC_BUTTON, "수익보전 손절조건 설정", -1, 7, 6, 297, 62, BS_GROUPBOX},
        {WC_BUTTON, "순익", IDC_CHECK_PROFIT_RESERVE, 16, 23, 32, 10, kCheck},
        {WC_EDIT, "", IDC_EDIT_RESERVE_BASE, 52, 22, 36, 12, kEdit},
        {WC_STATIC, "만원 이상부터", -1, 92, 24, 56, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_RESERVE_TRIGGER, 152, 22, 32, 12, kEdit | ES_NUMBER},
        {WC_COMBOBOX, "", IDC_COMBO_RESERVE_TRIGGER_TYPE, 188, 22, 44, 48, kDropList},
        {WC_STATIC, "손실시 청산", -1, 236, 24, 56, 8, kLabel},
        {WC_STATIC, "대기", -1, 28, 46, 20, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_RESERVE_REST, 52, 44, 36, 12, kEdit | ES_NUMBER},
        {WC_STATIC, "초 후 작동", -1, 92, 46, 48, 8, kLabel},
        {WC_BUTTON, "매매종료조건 설정", -1, 7, 74, 297, 40, BS_GROUPBOX},
        {WC_BUTTON, "일목표수익", IDC_CHECK_DAY_TARGET, 16, 91, 56, 10, kCheck},
        {WC_EDIT, "", IDC_EDIT_DAY_TARGET, 76, 90, 40, 12, kEdit | ES_NUMBER},
        {WC_STATIC, "만원", -1, 120, 92, 22, 8, kLabel},
        {WC_BUTTON, "거래횟수", IDC_CHECK_TRADE_COUNT, 160, 91, 48, 10, kCheck},
        {WC_EDIT, "", IDC_EDIT_TRADE_COUNT, 212, 90, 32, 12, kEdit | ES_NUMBER},
        {WC_STATIC, "회 이상", -1, 248, 92, 36, 8, kLabel},
        {WC_BUTTON, "환율 설정", -1, 7, 120, 118, 40, BS_GROUPBOX},
        {WC_STATIC, "1달러  /", -1, 16, 138, 34, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_WON_PER_DOLLAR, 52, 136, 44, 12, kEdit | ES_NUMBER},
        {WC_STATIC, "원", -1, 100, 138, 12, 8, kLabel},
        {WC_BUTTON, "수수료 설정", -1, 131, 120, 173, 40, BS_GROUPBOX},
        {WC_STATIC, "편도기본", -1, 140, 138, 36, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_FEE_BASE, 178, 136, 34, 12, kEdit},
        {WC_STATIC, "협의", -1, 218, 138, 18, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_FEE_AGREED, 238, 136, 34, 12, kEdit},
        {WC_STATIC, "달러", -1, 276, 138, 20, 8, kLabel},
        {WC_STATIC, "호출번호", -1, 12, 187, 36, 8, kLabel},
        {WC_EDIT, "", IDC_EDIT_CALL_NUMBER, 50, 185, 60, 12, kPasswordEdit | ES_NUMBER},
        {WC_BUTTON, "관리자모드", IDC_BTN_ADMIN_MODE, 116, 184, 56, 14, kButton},
        {WC_BUTTON, "적용", IDC_BTN_STRATEGY_APPLY, 196, 182, 50, 18, kOwnerDrawButton},
        {WC_BUTTON, "취소", IDC_BTN_STRATEGY_CANCEL, 254, 182, 50, 18, kOwnerDrawButton},
    },
};

// The logo: a gold ring on a deep purple field holding a white "Z" above a rising green
// line. Each pixel averages 4 x 4 samples so the edges stay smooth at any stretch.
struct Rgb {
    double r, g, b;
};

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double t = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

Rgb LogoSample(double x, double y) {
    const double cx = 64, cy = 64;
    const double r = std::hypot(x - cx, y - cy);
    // Field: purple at the top darkening downwards, a soft glow in the middle.
    const double fade = y / 128.0;
    const double glow = std::max(0.0, 1.0 - r / 64.0) * 0.35;
    Rgb c{40 * (1 - 0.65 * fade) + 60 * glow, 0 + 20 * glow, 59 * (1 - 0.6 * fade) + 80 * glow};
    // The letter: two bars and the diagonal between them.
    const bool bar = (y >= 28 && y < 39 && x >= 36 && x < 92) || (y >= 78 && y < 89 && x >= 36 && x < 92);
    const bool diagonal =
        y >= 36 && y < 81 && x >= 36 && x < 92 && SegmentDistance(x, y, 89, 38, 39, 79) < 6.5;
    if (bar || diagonal)
        c = {250, 250, 250};
    // A rising line of a chart below it.
    const double line[][2] = {{38, 108}, {54, 100}, {68, 105}, {90, 95}};
    for (int i = 0; i + 1 < 4; ++i)
        if (SegmentDistance(x, y, line[i][0], line[i][1], line[i + 1][0], line[i + 1][1]) < 2.5)
            c = {19, 178, 93};
    // The ring.
    if (r >= 56 && r < 61)
        c = {232, 186, 72};
    if (r >= 61)
        c = {20, 0, 30};
    return c;
}

DWORD LogoPixel(int x, int y) {
    Rgb sum{0, 0, 0};
    for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) {
            Rgb s = LogoSample(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
            sum.r += s.r;
            sum.g += s.g;
            sum.b += s.b;
        }
    auto channel = [](double v) { return static_cast<DWORD>(std::clamp(v / 16 + 0.5, 0.0, 255.0)); };
    return (channel(sum.r) << 16) | (channel(sum.g) << 8) | channel(sum.b);
}

const ImageTemplate kLoginLogo = {IDB_LOGIN_LOGO, 128, 128, LogoPixel};

} // namespace

void RegisterLoginDialogResources() {
    RegisterDialogTemplate(&kLoginDialog);
    RegisterDialogTemplate(&kRootConfirmDialog);
    RegisterDialogTemplate(&kItemSetDialog);
    RegisterDialogTemplate(&kStrategyDialog);
    RegisterImage(&kLoginLogo);
}
