// The administrator prompt: answers with an access level instead of a message.
#pragma once

#include "platform/ui/Afx.h"

// The fixed administrator access code.
inline constexpr char kAdminAccessCode[] = "w80412659307718";

class CRootConfirmDlg : public CDialogEx {
    DECLARE_DYNAMIC(CRootConfirmDlg)
public:
    // Results of DoModal.
    enum { kRefused = 0, kCallNumber = 1, kAdministrator = 2 };

    explicit CRootConfirmDlg(CWnd* parent = nullptr);
    ~CRootConfirmDlg() override;

    BOOL PreTranslateMessage(MSG* msg) override;

    CEdit m_editPassword;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnBnClickedOk();
    void OnBnClickedCancel();
    // Ends the dialog with 2, 1 or 0 for the typed text; refreshes the call number first.
    void CheckPassword();

    DECLARE_MESSAGE_MAP()
};
