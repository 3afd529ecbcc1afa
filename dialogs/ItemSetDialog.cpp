#include "dialogs/ItemSetDialog.h"

#include "dialogs/DialogDrawing.h"
#include "platform/core/Text.h"
#include "resources/LoginDialogs.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"

IMPLEMENT_DYNAMIC(ItemSetDialog, CDialogEx)

ItemSetDialog::ItemSetDialog(CWnd* parent) : CDialogEx(IDD_ITEM_SET, parent) {}

ItemSetDialog::~ItemSetDialog() = default;

void ItemSetDialog::DoDataExchange(CDataExchange* dx) {
    CDialogEx::DoDataExchange(dx);
    DDX_Control(dx, 1100, m_editName1);
    DDX_Control(dx, 1102, m_editName2);
    DDX_Control(dx, 1104, m_editName3);
    DDX_Control(dx, 1106, m_editName4);
    DDX_Control(dx, 1108, m_editName5);
    DDX_Control(dx, 1101, m_editCode1);
    DDX_Control(dx, 1103, m_editCode2);
    DDX_Control(dx, 1105, m_editCode3);
    DDX_Control(dx, 1107, m_editCode4);
    DDX_Control(dx, 1109, m_editCode5);
}

BEGIN_MESSAGE_MAP(ItemSetDialog, CDialogEx)
ON_BN_CLICKED(1244, OnBnClickedSave)
ON_BN_CLICKED(1245, OnBnClickedRevert)
END_MESSAGE_MAP()

CEdit* ItemSetDialog::NameEdit(int row) {
    CEdit* edits[] = {&m_editName1, &m_editName2, &m_editName3, &m_editName4, &m_editName5};
    return edits[row];
}

CEdit* ItemSetDialog::CodeEdit(int row) {
    CEdit* edits[] = {&m_editCode1, &m_editCode2, &m_editCode3, &m_editCode4, &m_editCode5};
    return edits[row];
}

BOOL ItemSetDialog::OnInitDialog() {
    CDialogEx::OnInitDialog();
    LoadItemsToControls();
    return TRUE;
}

void ItemSetDialog::LoadItemsToControls() {
    for (int k = 0; k < 5; ++k) {
        const TradeItem& item = g_pTradeState->items[k];
        NameEdit(k)->SetWindowText(SlotText(item.name, sizeof item.name));
        CodeEdit(k)->SetWindowText(SlotText(item.code, sizeof item.code));
    }
}

void ItemSetDialog::OnBnClickedSave() {
    for (int k = 0; k < 5; ++k) {
        TradeItem& item = g_pTradeState->items[k];
        CString name, code;
        NameEdit(k)->GetWindowText(name);
        name.TrimRight();
        name.TrimLeft();
        // Texts longer than a slot are cut there, never inside a double-byte character.
        CopyBounded(item.name, sizeof item.name, name);
        CodeEdit(k)->GetWindowText(code);
        code.TrimRight();
        code.TrimLeft();
        CopyBounded(item.code, sizeof item.code, code);
    }
    CTradeDataBase::SaveItems(g_pTradeState->items);
}

void ItemSetDialog::OnBnClickedRevert() {
    LoadItemsToControls();
}
