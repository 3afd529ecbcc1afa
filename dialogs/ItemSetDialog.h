// Editor of the first five trading items (name and code), working on the trading state.
#pragma once

#include "platform/ui/Afx.h"

class ItemSetDialog : public CDialogEx {
    DECLARE_DYNAMIC(ItemSetDialog)
public:
    explicit ItemSetDialog(CWnd* parent = nullptr);
    ~ItemSetDialog() override;

    CEdit m_editName1, m_editName2, m_editName3, m_editName4, m_editName5;
    CEdit m_editCode1, m_editCode2, m_editCode3, m_editCode4, m_editCode5;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    // Slots 0 to 4 of the trading state into the edits.
    void LoadItemsToControls();
    // The trimmed edits into slots 0 to 4, then all ten slots into the store.
    void OnBnClickedSave();
    void OnBnClickedRevert();

    DECLARE_MESSAGE_MAP()

private:
    CEdit* NameEdit(int row);
    CEdit* CodeEdit(int row);
};
