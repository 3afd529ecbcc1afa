// The common settings: the profit-preservation rule, the daily end conditions, the exchange
// rate, the fees and the call number; the end conditions and the call number stay locked
// until the administrator confirmation passes.
#pragma once

#include "platform/ui/Afx.h"

class CStrategyDialog : public CDialogEx {
    DECLARE_DYNAMIC(CStrategyDialog)
public:
    explicit CStrategyDialog(CWnd* parent = nullptr);
    ~CStrategyDialog() override;

    // Trading state and stored call number to the controls.
    void LoadSettingsToControls();
    // Controls to the trading state; saves, refreshes the main dialog, tells the engines.
    void ApplySettings();
    // The administrator confirmation; level 1 or 2 unlocks the five locked controls.
    void EnterAdminMode();

    CEdit m_editWonDallar;        // 1100
    CEdit m_editFeeOrg;           // 1128
    CEdit m_editFeeSale;          // 1130
    CEdit m_editCallNumber;       // 1103
    CEdit m_editDayProfitMax;     // 1101
    CEdit m_editDayTradeDueCount; // 1102
    CEdit m_editReserveBase;      // 1105
    CEdit m_editReserveTrigger;   // 1104
    CComboBox m_comboTriggerType; // 1073
    CEdit m_editReserveRest;      // 1106

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnBnClickedApply();
    void OnBnClickedCancel();
    void OnBnClickedAdminMode();
    void OnDrawItem(int controlId, LPDRAWITEMSTRUCT drawItem);

    DECLARE_MESSAGE_MAP()

private:
    void EnableAdminControls(BOOL enable);

    // The stored call number was read when the controls were filled.
    bool m_bCallNumberRead = false;
};
