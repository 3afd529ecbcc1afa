#include "console/VossenDlg.h"

#include <cstring>

#include "console/AboutDlg.h"
#include "console/VossenApp.h"
#include "dialogs/StoreMessages.h"
#include "dialogs/StrategyDialog.h"
#include "store/TradeDataBase.h"
#include "supervision/TraderMessages.h"

CVossenDlg* g_pMainDlg = nullptr;

CVossenDlg::CVossenDlg(CWnd* parent) : CTraderLinkWindow(IDD, parent) {
    RegisterConsoleResources();
    m_hIcon = ::LoadIcon(nullptr, MAKEINTRESOURCE(IDR_MAINFRAME));
    m_nTraderCount = 0;
    m_hTraderMs = nullptr;
    m_hTraderMd = nullptr;
    m_bStopped = 1;
}

CVossenDlg::~CVossenDlg() {
    if (g_pMainDlg == this)
        g_pMainDlg = nullptr;
    if (g_pTraderLink == this)
        g_pTraderLink = nullptr;
}

void CVossenDlg::DoDataExchange(CDataExchange* dx) {
    CDialogEx::DoDataExchange(dx);
    DDX_Control(dx, IDC_COMBO_START_HOUR, m_cbStartHour);
    DDX_Control(dx, IDC_COMBO_START_MINUTE, m_cbStartMinute);
    DDX_Control(dx, IDC_COMBO_END_HOUR, m_cbEndHour);
    DDX_Control(dx, IDC_COMBO_END_MINUTE, m_cbEndMinute);
    DDX_Control(dx, IDC_CHECK_ALWAYS_ON_TOP, m_chkAlwaysOnTop);
    DDX_Control(dx, IDC_COMBO_TRADE_TYPE, m_cbTradeType);
    DDX_Control(dx, IDC_COMBO_KEEP_POSITION, m_cbKeepPosition);
    DDX_Control(dx, IDC_EDIT_TARGET_RATE, m_editTargetRate);
    DDX_Control(dx, IDC_EDIT_TOTAL_PNL, m_editTotalPnl);
    DDX_Control(dx, IDC_EDIT_DAY_PROFIT_MAX, m_editDayProfitMax);
    DDX_Control(dx, IDC_EDIT_DAY_LOSS_MAX, m_editDayLossMax);
    DDX_Control(dx, IDC_LIST_HISTORY, m_listHistory);
    DDX_Control(dx, IDC_LIST_ACCOUNT, m_listAccount);
    DDX_Control(dx, IDC_COMBO_VIEW, m_cbView);
    DDX_Control(dx, IDC_EDIT_IN_TICK_S, m_editInTickS);
    DDX_Control(dx, IDC_EDIT_MACD_TERM1_R, m_editMacdTerm1R);
    DDX_Control(dx, IDC_EDIT_MACD_TERM2_R, m_editMacdTerm2R);
    DDX_Control(dx, IDC_EDIT_MACD_TERM3_R, m_editMacdTerm3R);
    DDX_Control(dx, IDC_EDIT_REVERSE_BONG_COUNT, m_editReverseBongCount);
    DDX_Control(dx, IDC_EDIT_REVERSE_BONG_HEIGHT, m_editReverseBongHeight);
    DDX_Control(dx, IDC_EDIT_REVCLEAR_INCOUNT, m_editRevclearIncount);
    DDX_Control(dx, IDC_EDIT_REVCLEAR_REBACK, m_editRevclearReback);
    DDX_Control(dx, IDC_EDIT_REVCLEAR_SET_PROFIT, m_editRevclearSetProfit);
    DDX_Control(dx, IDC_EDIT_ALLCLEAR_PROFIT, m_editAllclearProfit);
    DDX_Control(dx, IDC_EDIT_ALLCLEAR_LOSS, m_editAllclearLoss);
    DDX_Control(dx, IDC_EDIT_RESERVE_LEVEL, m_editReserveLevel);
    DDX_Control(dx, IDC_EDIT_DMI_TERM_RT, m_editDmiTermRt);
    DDX_Control(dx, IDC_EDIT_DMI_TERM_R, m_editDmiTermR);
    DDX_Control(dx, IDC_EDIT_REVERSE_MAX_BONG_LIMIT, m_editReverseMaxBongLimit);
    DDX_Control(dx, IDC_EDIT_MACD_TERM1_RT, m_editMacdTerm1Rt);
    DDX_Control(dx, IDC_EDIT_MACD_TERM2_RT, m_editMacdTerm2Rt);
    DDX_Control(dx, IDC_EDIT_MACD_TERM3_RT, m_editMacdTerm3Rt);
    DDX_Control(dx, IDC_EDIT_TRENDCLEAR_SET_PROFIT, m_editTrendclearSetProfit);
    DDX_Control(dx, IDC_EDIT_TRENDCLEAR_REBACK, m_editTrendclearReback);
    DDX_Control(dx, IDC_COMBO_COUNT_PAIRING_ADD, m_cbCountPairingAdd);
    DDX_Control(dx, IDC_COMBO_ROUND_PAIRING_ADD, m_cbRoundPairingAdd);
}

BEGIN_MESSAGE_MAP(CVossenDlg, CDialogEx)
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_WM_TIMER()
ON_WM_DESTROY()
ON_WM_CLOSE()
ON_WM_MEASUREITEM()
ON_WM_CTLCOLOR()
ON_WM_DRAWITEM()
ON_TRADER_LINK_MESSAGES()
ON_COMMAND(ID_MENU_ABOUT, OnAppAbout)
ON_COMMAND(ID_MENU_EXIT, OnAppExit)
ON_BN_CLICKED(IDC_CHECK_ALWAYS_ON_TOP, OnBnClickedAlwaysOnTop)
ON_BN_CLICKED(IDC_BTN_CANCEL, OnBnClickedCancel)
ON_BN_CLICKED(IDC_BTN_APPLY, OnBnClickedApply)
ON_BN_CLICKED(IDC_BTN_EXCEL_SAVE, OnBnClickedExcelSave)
ON_CBN_SELCHANGE(IDC_COMBO_VIEW, OnCbnSelchangeView)
ON_BN_CLICKED(IDC_BTN_START, OnBnClickedStart)
ON_BN_CLICKED(IDC_BTN_LIQUIDATE_ALL, OnBnClickedLiquidateAll)
ON_BN_CLICKED(IDC_BTN_STOP, OnBnClickedStop)
ON_NOTIFY(NM_CUSTOMDRAW, IDC_LIST_ACCOUNT, OnCustomDrawAccountList)
ON_NOTIFY(NM_CUSTOMDRAW, IDC_LIST_HISTORY, OnCustomDrawTradeList)
ON_BN_CLICKED(IDC_CHECK_SOUND_OFF, OnBnClickedSoundOff)
ON_COMMAND(ID_MENU_COMMON_SETTINGS, OnCommonSettings)
ON_BN_CLICKED(IDC_CHECK_COUNT_PAIRING, OnBnClickedQtyLink)
ON_BN_CLICKED(IDC_CHECK_ROUND_PAIRING, OnBnClickedRoundLink)
END_MESSAGE_MAP()

BOOL CVossenDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    // The account row: one row of four sums, drawn by the list itself under custom draw.
    m_listAccount.InsertColumn(0, "매매총손익합", LVCFMT_CENTER, 88);
    m_listAccount.InsertColumn(1, "평가총액합", LVCFMT_CENTER, 115);
    m_listAccount.InsertColumn(2, "평가손익합", LVCFMT_CENTER, 87);
    m_listAccount.InsertColumn(3, "세트손익합", LVCFMT_CENTER, 87);
    m_listAccount.ModifyStyle(LVS_OWNERDRAWFIXED, 0);
    m_listAccount.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES | LVS_EX_FULLROWSELECT |
                                   LVS_EX_FLATSB | LVS_EX_DOUBLEBUFFER);
    m_listAccount.InsertItem(0, "");

    m_cbView.AddString("당일");
    m_cbView.AddString("전체");
    m_cbView.AddString("일별통계");
    m_cbView.AddString("월별통계");
    m_nViewMode = 0;
    m_cbView.SetCurSel(0);
    SetupHistoryColumns(0);

    LOGFONT logFont = {};
    logFont.lfHeight = 15;
    logFont.lfWeight = FW_BOLD;
    std::strcpy(logFont.lfFaceName, "Tahoma");
    m_fontTitle.CreateFontIndirect(&logFont);
    if (CWnd* title = GetDlgItem(IDC_STATIC_TITLE))
        title->SetFont(&m_fontTitle, TRUE);

    CheckDlgButton(IDC_CHECK_SOUND_OFF, BST_UNCHECKED);
    CheckDlgButton(IDC_CHECK_ALWAYS_ON_TOP, BST_UNCHECKED);

    SetWindowPos(nullptr, 750, 28, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);

    g_pMainDlg = this;
    g_pTraderLink = this;

    if (CTradeState* s = g_pTradeState) {
        s->LoadStrategyValues();
        // Told before the form shows the values, which are then not the stored ones.
        if (s->strategy_unread)
            ReportSettingsNotRead();
        LoadSettingsToControls();

        m_strServerType.Format("%d", s->server_type);
        m_strId = s->id;
        m_strPasswd = s->passwd;
        m_strCertPasswd = s->cert_passwd;
        m_strAccountNumber = s->account_number;
        m_strAccountPasswd = s->account_passwd;
        m_strServerType2.Format("%d", s->server_type2);
        m_strId2 = s->id2;
        m_strPasswd2 = s->passwd2;
        m_strCertPasswd2 = s->cert_passwd2;
        m_strAccountNumber2 = s->account_number2;
        m_strAccountPasswd2 = s->account_passwd2;
        m_strTradeItem = s->trade_item;
        m_strTradeType.Format("%d", s->trade_type);
        m_strIdentCode = s->ident_code;
        m_strSubPassword = s->sub_password;

        BuildLaunchArgs();

        // The engines start all the same; only the next start's preload is lost.
        if (!CTradeDataBase::SaveAccount(
                s->server_type, m_strId, m_strPasswd, m_strCertPasswd, m_strAccountNumber, m_strAccountPasswd,
                s->server_type2, m_strId2, m_strPasswd2, m_strCertPasswd2, m_strAccountNumber2,
                m_strAccountPasswd2, m_strTradeItem, m_strIdentCode, m_strSubPassword))
            ReportLoginNotStored();
    }

    m_pStatMerged = std::make_unique<std::vector<StatRow>>();
    m_pStatFirst = std::make_unique<std::vector<StatRow>>();
    m_pStatSecond = std::make_unique<std::vector<StatRow>>();

    StartFirstEngine();
    return TRUE;
}

BOOL CVossenDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN) {
        // The three day figures are display only: no key reaches them, function keys included.
        if (msg->hwnd &&
            (msg->hwnd == m_editTargetRate.GetSafeHwnd() || msg->hwnd == m_editTotalPnl.GetSafeHwnd() ||
             msg->hwnd == m_editReserveLevel.GetSafeHwnd()))
            return TRUE;
        const UINT key = static_cast<UINT>(msg->wParam);
        if (key == VK_F12)
            ApplySettings();
        else
            HandleTraderKey(key);
    }
    return CDialogEx::PreTranslateMessage(msg);
}

void CVossenDlg::OnOK() {}

void CVossenDlg::OnCancel() {}

void CVossenDlg::TellOperator(const CString& text, bool stop) {
    ::TellOperator(text, stop ? MB_ICONSTOP : MB_ICONWARNING);
}

void CVossenDlg::OnPaint() {
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
        const int cxIcon = GetSystemMetrics(SM_CXICON);
        const int cyIcon = GetSystemMetrics(SM_CYICON);
        CRect rect;
        GetClientRect(&rect);
        const int x = (rect.Width() - cxIcon + 1) / 2;
        const int y = (rect.Height() - cyIcon + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
    } else {
        // The daily target is changed in the common settings only.
        m_editDayProfitMax.EnableWindow(FALSE);
        CDialogEx::OnPaint();
    }
}

HCURSOR CVossenDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

void CVossenDlg::CloseLinkWindow() {
    // Cancel no longer ends the dialog (Escape must not), so the close ends it itself.
    EndDialog(IDCANCEL);
}

void CVossenDlg::OnDestroy() {
    if (g_pTradeState)
        CTradeDataBase::ResetLogin(g_pTradeState->id);
    m_pStatMerged.reset();
    m_pStatFirst.reset();
    m_pStatSecond.reset();
    CDialogEx::OnDestroy();
    // Nothing may reach the dialog through the globals once its window is gone.
    if (g_pMainDlg == this)
        g_pMainDlg = nullptr;
    if (g_pTraderLink == this)
        g_pTraderLink = nullptr;
}

void CVossenDlg::OnAppAbout() {
    CAboutDlg about;
    about.DoModal();
}

void CVossenDlg::OnCommonSettings() {
    CStrategyDialog dlg;
    dlg.DoModal();
}

void CVossenDlg::OnBnClickedAlwaysOnTop() {
    const int check = m_chkAlwaysOnTop.GetCheck();
    const HWND after = check ? HWND_TOPMOST : HWND_NOTOPMOST;
    SetWindowPos(reinterpret_cast<const CWnd*>(after), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    m_chkAlwaysOnTop.SetCheck(check);
}

// At most one of the two links is on; both may be off.
void CVossenDlg::OnBnClickedQtyLink() {
    if (IsDlgButtonChecked(IDC_CHECK_COUNT_PAIRING))
        CheckDlgButton(IDC_CHECK_ROUND_PAIRING, BST_UNCHECKED);
}

void CVossenDlg::OnBnClickedRoundLink() {
    if (IsDlgButtonChecked(IDC_CHECK_ROUND_PAIRING))
        CheckDlgButton(IDC_CHECK_COUNT_PAIRING, BST_UNCHECKED);
}
