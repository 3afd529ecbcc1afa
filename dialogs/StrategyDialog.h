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

    CEdit m_editWonDallar;        // IDC_EDIT_WON_PER_DOLLAR
    CEdit m_editFeeOrg;           // IDC_EDIT_FEE_BASE
    CEdit m_editFeeSale;          // IDC_EDIT_FEE_AGREED
    CEdit m_editCallNumber;       // IDC_EDIT_CALL_NUMBER
    CEdit m_editDayProfitMax;     // IDC_EDIT_DAY_TARGET
    CEdit m_editDayTradeDueCount; // IDC_EDIT_TRADE_COUNT
    CEdit m_editReserveBase;      // IDC_EDIT_RESERVE_BASE
    CEdit m_editReserveTrigger;   // IDC_EDIT_RESERVE_TRIGGER
    CComboBox m_comboTriggerType; // IDC_COMBO_RESERVE_TRIGGER_TYPE
    CEdit m_editReserveRest;      // IDC_EDIT_RESERVE_REST

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
