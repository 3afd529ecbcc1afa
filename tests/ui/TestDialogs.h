// Dialogs the window tests open: templates registered by the tests, and a dialog class that
// records what reaches its handlers.
#pragma once

#include <vector>

#include "platform/ui/Afx.h"

enum : int {
    IDD_CONTROLS = 9001,
    IDD_LISTS = 9002,
    IDD_DEFBUTTON = 9003,
    IDD_IMAGES = 9004,
    IDD_CANCEL_ZERO = 9005,
    IDD_BUTTONS = 9006,
    IDR_TESTMENU = 9100,
    IDB_TESTIMAGE = 9200,
    ID_MENU_END = 40001,
};

// Colours the test dialog paints with.
constexpr COLORREF kOwnerFill = RGB(255, 0, 0);
constexpr COLORREF kPaintMark = RGB(0, 160, 0);
constexpr COLORREF kStaticText = RGB(0, 0, 255);
constexpr COLORREF kStaticBk = RGB(255, 255, 0);
constexpr COLORREF kEditBrush = RGB(200, 230, 255);
constexpr COLORREF kEditText = RGB(255, 0, 0);

class CControlsDlg : public CDialogEx {
public:
    explicit CControlsDlg(UINT id = IDD_CONTROLS) : CDialogEx(id) {}

    CEdit m_digits;    // 1010: digits only
    CEdit m_swallow;   // 1011: PreTranslateMessage takes its keys
    CEdit m_password;  // 1012
    CEdit m_plain;     // 1013: coloured by OnCtlColor
    CComboBox m_combo; // 1050
    CButton m_check;   // 1030
    int m_radio = 0;   // 1040 / 1041

    bool m_quitInInit = false;
    bool m_throwInDraw = false;
    bool m_destroyed = false;
    int m_drawItems = 0;
    int m_pressedDraws = 0;
    UINT m_lastDrawState = 0; // itemState of the last WM_DRAWITEM of 1001
    int m_count = 0;
    int m_selChanges = 0;
    int m_ticks = 0;
    int m_initFocusResult = TRUE;
    std::vector<UINT> m_functionKeys;
    std::vector<std::pair<int, UINT>> m_colourRequests; // control id, kind

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnPaint();
    void OnDrawItem(int id, LPDRAWITEMSTRUCT dis);
    HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind);
    void OnThrow();
    void OnCount();
    void OnSelChange();
    void OnMenuEnd();
    void OnDestroy() override;
    void OnTimer(UINT_PTR id) override;
    DECLARE_MESSAGE_MAP()

private:
    CBrush m_editBrush{kEditBrush};
};

// The confirmation-dialog pattern: IDCANCEL mapped to EndDialog(0).
class CCancelZeroDlg : public CDialogEx {
public:
    CCancelZeroDlg() : CDialogEx(IDD_CANCEL_ZERO) {}

protected:
    void OnCancelZero() { EndDialog(0); }
    DECLARE_MESSAGE_MAP()
};

// Enter in the edit presses the default push button 1005, which ends with 5.
class CDefButtonDlg : public CDialogEx {
public:
    CDefButtonDlg() : CDialogEx(IDD_DEFBUTTON) {}

protected:
    void OnSave() { EndDialog(5); }
    DECLARE_MESSAGE_MAP()
};

// Records every button click that reaches it and stays open (OK and Cancel do nothing), as the
// main window does.
class CButtonsDlg : public CDialogEx {
public:
    CButtonsDlg() : CDialogEx(IDD_BUTTONS) {}
    std::vector<int> m_clicks;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override {}
    void OnCancel() override {}
};

// A header that paints a flat band (custom draw reflected from its list).
class CBandHeader : public CHeaderCtrl {
public:
    static constexpr COLORREF kBand = RGB(54, 78, 111);

protected:
    void OnCustomDraw(NMHDR* hdr, LRESULT* result);
    DECLARE_MESSAGE_MAP()
};

// A list that subclasses its header and answers the row height from its font.
class CMeasuredList : public CListCtrl {
public:
    CBandHeader m_header;
    int m_measured = 0;

protected:
    void PreSubclassWindow() override;
    void MeasureItem(LPMEASUREITEMSTRUCT mis);
    DECLARE_MESSAGE_MAP()
};

class CListsDlg : public CDialogEx {
public:
    CListsDlg() : CDialogEx(IDD_LISTS) {}
    CMeasuredList m_owner; // 1060: owner-drawn fixed at creation
    CListCtrl m_plain;     // 1061
    static constexpr COLORREF kTint = RGB(223, 244, 255);
    static constexpr COLORREF kLoss = RGB(16, 99, 189);
    int m_prepaints = 0;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void OnCustomDraw(NMHDR* hdr, LRESULT* result);
    DECLARE_MESSAGE_MAP()
};
