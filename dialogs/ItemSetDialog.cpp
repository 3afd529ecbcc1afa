#include "dialogs/ItemSetDialog.h"

#include "dialogs/DialogDrawing.h"
#include "dialogs/StoreMessages.h"
#include "platform/core/Text.h"
#include "resources/LoginDialogs.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"

IMPLEMENT_DYNAMIC(ItemSetDialog, CDialogEx)

ItemSetDialog::ItemSetDialog(CWnd* parent) : CDialogEx(IDD_ITEM_SET, parent) {}

ItemSetDialog::~ItemSetDialog() = default;

void ItemSetDialog::DoDataExchange(CDataExchange* dx) {
    CDialogEx::DoDataExchange(dx);
    DDX_Control(dx, IDC_EDIT_ITEM_NAME1, m_editName1);
    DDX_Control(dx, IDC_EDIT_ITEM_NAME2, m_editName2);
    DDX_Control(dx, IDC_EDIT_ITEM_NAME3, m_editName3);
    DDX_Control(dx, IDC_EDIT_ITEM_NAME4, m_editName4);
    DDX_Control(dx, IDC_EDIT_ITEM_NAME5, m_editName5);
    DDX_Control(dx, IDC_EDIT_ITEM_CODE1, m_editCode1);
    DDX_Control(dx, IDC_EDIT_ITEM_CODE2, m_editCode2);
    DDX_Control(dx, IDC_EDIT_ITEM_CODE3, m_editCode3);
    DDX_Control(dx, IDC_EDIT_ITEM_CODE4, m_editCode4);
    DDX_Control(dx, IDC_EDIT_ITEM_CODE5, m_editCode5);
}

BEGIN_MESSAGE_MAP(ItemSetDialog, CDialogEx)
ON_BN_CLICKED(IDC_BTN_ITEM_SAVE, OnBnClickedSave)
ON_BN_CLICKED(IDC_BTN_ITEM_REVERT, OnBnClickedRevert)
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
    // What is typed is what a slot keeps.
    for (int k = 0; k < 5; ++k) {
        NameEdit(k)->SetLimitText(sizeof(TradeItem::name) - 1);
        CodeEdit(k)->SetLimitText(sizeof(TradeItem::code) - 1);
    }
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
    if (CTradeDataBase::SaveItems(g_pTradeState->items) != 0)
        ReportItemsNotStored();
}

void ItemSetDialog::OnBnClickedRevert() {
    LoadItemsToControls();
}
