// The first window: the command line (a plain start or the update hand-off), the two
// brokerage logins, the trading item and the agreement to the risk notice.
#pragma once

#include "platform/ui/Afx.h"

// The fixed account password handed on for a login on the mock server.
inline constexpr char kMockAccountPassword[] = "0472";

class CLoginDialog : public CDialogEx {
    DECLARE_DYNAMIC(CLoginDialog)
public:
    explicit CLoginDialog(CWnd* parent = nullptr);
    ~CLoginDialog() override;

    int m_nAdminState;
    char m_szIdentCode[64];
    char m_szSubPassword[64];
    CEdit m_editId;
    CEdit m_editPasswd;
    CEdit m_editCertPasswd;
    CEdit m_editAccountNumber;
    CEdit m_editAccountPasswd;
    int m_nServerType;
    int m_nServerType2;
    CStatic m_staticLogo1;
    CButton m_checkAgree;
    CEdit m_editAccountNumber2;
    CEdit m_editAccountPasswd2;
    CEdit m_editId2;
    CEdit m_editPasswd2;
    CEdit m_editCertPasswd2;
    CStatic m_staticLogo2;
    CComboBox m_comboItem;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnBnClickedOk();
    void OnBnClickedCancel();
    void OnBnClickedServerType1(UINT id);
    void OnBnClickedServerType2(UINT id);
    void OnBnClickedItemSet();
    void OnPaint();
    HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT kind);
    void OnDrawItem(int controlId, LPDRAWITEMSTRUCT drawItem);

    DECLARE_MESSAGE_MAP()

private:
    // Both logins from the newest account row into the edits, the item combo and the
    // trading state.
    void PreloadAccount();
    // The hidden texts of the newest row (ident code, sub password), read again when the
    // preload could not read the store, so that the row written after OK keeps them.
    void RereadHiddenTexts();
    // Edit k of the first (0) or second (1) login: id, password, certificate password,
    // account number, account password.
    CEdit* LoginEdit(int login, int k);
    // Bold Tahoma of the notice title and the warning title, alive as long as the dialog.
    CFont m_fontBold;
    // The preload could not read the account row (a lock outlasted the wait, or no store).
    bool m_bAccountUnread = false;
};
