// The console's main window: the settings form, the account row, the trade history and
// statistics list, and the buttons, keys and menu that command the two trading engines.
#pragma once

#include <memory>
#include <vector>

#include "console/VnListCtrl.h"
#include "platform/ui/Afx.h"
#include "resources/ConsoleResources.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"
#include "supervision/TraderLink.h"

class CVossenDlg : public CTraderLinkWindow<CDialogEx> {
public:
    explicit CVossenDlg(CWnd* parent = nullptr);
    ~CVossenDlg() override;

    enum { IDD = IDD_VOSSEN_DIALOG };

    // Settings form: trading state to controls, controls to state with save and notice,
    // and the read-only day figures.
    void LoadSettingsToControls();
    void ApplySettings();
    void UpdateProfitFields();
    // Account row, target percentage and profit fields; the status intake calls it through
    // the link once both accounts have reported.
    void UpdateAccountSummary() override;

    // History list: the columns of a view mode, the trades of both accounts (which also
    // recomputes trade_count), and the day (0) or month (1) statistics.
    void SetupHistoryColumns(int mode);
    void FillTradeList() override;
    void FillStatisticsList(int kind);

    void TellOperator(const CString& text, bool stop) override;

    HICON m_hIcon;

    // Statistics of both accounts merged by key, of the first and of the second account;
    // made by OnInitDialog, freed by OnDestroy.
    std::unique_ptr<std::vector<StatRow>> m_pStatMerged;
    std::unique_ptr<std::vector<StatRow>> m_pStatFirst;
    std::unique_ptr<std::vector<StatRow>> m_pStatSecond;

    // The login values as the dialog opened, in the order of an account row.
    CString m_strServerType;
    CString m_strId;
    CString m_strPasswd;
    CString m_strCertPasswd;
    CString m_strAccountNumber;
    CString m_strAccountPasswd;
    CString m_strServerType2;
    CString m_strId2;
    CString m_strPasswd2;
    CString m_strCertPasswd2;
    CString m_strAccountNumber2;
    CString m_strAccountPasswd2;
    CString m_strTradeItem;
    CString m_strTradeType;
    CString m_strIdentCode;
    CString m_strSubPassword;

    // The view of list 1221: 0 "당일", 1 "전체", 2 "일별통계", 3 "월별통계".
    int m_nViewMode = 0;
    // The list lacks the rows of a trading log that could not be read at its last fill: it
    // still shows what it had, and the export saves nothing until a fill reads them.
    bool m_bHistoryUnread = false;

    // Controls bound by the data exchange, in its order.
    CComboBox m_cbStartHour;         // 1088
    CComboBox m_cbStartMinute;       // 1086
    CComboBox m_cbEndHour;           // 1087
    CComboBox m_cbEndMinute;         // 1084
    CButton m_chkAlwaysOnTop;        // 1238
    CComboBox m_cbTradeType;         // 1092
    CComboBox m_cbKeepPosition;      // 1095
    CEdit m_editTargetRate;          // 1127, display only
    CEdit m_editTotalPnl;            // 1129, display only
    CEdit m_editDayProfitMax;        // 1121, display only
    CEdit m_editDayLossMax;          // 1123
    CVnListCtrl m_listHistory;       // 1221
    CVnListCtrl m_listAccount;       // 1220
    CComboBox m_cbView;              // 1073
    CEdit m_editInTickS;             // 1131
    CEdit m_editMacdTerm1R;          // 1134
    CEdit m_editMacdTerm2R;          // 1135
    CEdit m_editMacdTerm3R;          // 1136
    CEdit m_editReverseBongCount;    // 1132
    CEdit m_editReverseBongHeight;   // 1133
    CEdit m_editRevclearIncount;     // 1137
    CEdit m_editRevclearReback;      // 1138
    CEdit m_editRevclearSetProfit;   // 1139
    CEdit m_editAllclearProfit;      // 1140
    CEdit m_editAllclearLoss;        // 1141
    CEdit m_editReserveLevel;        // 1130, display only
    CEdit m_editDmiTermRt;           // 1147
    CEdit m_editDmiTermR;            // 1146
    CEdit m_editReverseMaxBongLimit; // 1142
    CEdit m_editMacdTerm1Rt;         // 1143
    CEdit m_editMacdTerm2Rt;         // 1144
    CEdit m_editMacdTerm3Rt;         // 1145
    CEdit m_editTrendclearSetProfit; // 1149
    CEdit m_editTrendclearReback;    // 1148
    CComboBox m_cbCountPairingAdd;   // 1096
    CComboBox m_cbRoundPairingAdd;   // 1097

protected:
    // Where the rows of trade_records were read from: while none of it changes, a reload
    // would read the same rows, and a status record reads nothing again.
    struct TradeListSource {
        CString firstAccount;
        CString secondAccount;
        CString fromDay;
        CString toDay;
        TradingLogStamp stamps[2];
        bool operator==(const TradeListSource&) const = default;
    };
    // How the list shows those rows, once it shows them.
    struct TradeListLook {
        int decimals = 0;
        int tickBase = 0;
        bool operator==(const TradeListLook&) const = default;
    };
    bool m_bTradeRecordsKnown = false;
    TradeListSource m_tradeRecordsSource;
    // The quantities of those rows summed.
    int m_nTradeRecordsCount = 0;
    bool m_bTradeListShown = false;
    TradeListLook m_tradeListLook;
    // A fill that could not read a log keeps what the list shows and says so.
    bool ReadHistoryAgainIfUnread();

    void DoDataExchange(CDataExchange* dx) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnInitDialog() override;
    // Neither Enter nor Escape may end the console and leave the engines unsupervised: the
    // close box and the menu's exit are the ways out, and both tell the engines.
    void OnOK() override;
    void OnCancel() override;
    void CloseLinkWindow() override;

    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnDestroy() override;
    HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT kind);
    void OnDrawItem(int controlId, LPDRAWITEMSTRUCT drawItem);
    void OnAppAbout();
    void OnCommonSettings();
    void OnBnClickedAlwaysOnTop();
    void OnBnClickedQtyLink();
    void OnBnClickedRoundLink();
    void OnBnClickedCancel();
    void OnBnClickedApply();
    void OnBnClickedExcelSave();
    void OnCbnSelchangeView();
    void OnCustomDrawAccountList(NMHDR* notify, LRESULT* result);
    void OnCustomDrawTradeList(NMHDR* notify, LRESULT* result);

    DECLARE_MESSAGE_MAP()

private:
    // Tahoma 15 bold of the title static, alive as long as the dialog.
    CFont m_fontTitle;
};

// The one main dialog, registered when it initialises.
extern CVossenDlg* g_pMainDlg;

// Sort order of statistics rows: by key, byte by byte as unsigned values.
bool StatRowLess(StatRow a, StatRow b);
