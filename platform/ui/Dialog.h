// Modal dialogs built from dialog templates, the dialog manager's keys, data exchange, and
// the message-map entries of the messages this layer owns.
#pragma once

#include "platform/ui/Controls.h"
#include "platform/ui/Gdi.h"
#include "platform/win/Wnd.h"

// WM_CTLCOLOR carries this record in lParam: the control, its DC, the kind (CTLCOLOR_*).
// Controls send WM_CTLCOLOREDIT / WM_CTLCOLORSTATIC (wParam DC, lParam control) to their
// parent as on Windows; the dialog hands them to its map as WM_CTLCOLOR.
struct AFX_CTLCOLOR {
    HWND hWnd;
    HDC hDC;
    UINT nCtlType;
};

// HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT kind)
#define ON_WM_CTLCOLOR()                                                                                     \
    AFX_ENTRY(WM_CTLCOLOR, 0, 0, 0,                                                                          \
              *_r = reinterpret_cast<LRESULT>(                                                               \
                  _t->OnCtlColor(CDC::FromHandle(reinterpret_cast<AFX_CTLCOLOR*>(_l)->hDC),                  \
                                 CWnd::FromHandle(reinterpret_cast<AFX_CTLCOLOR*>(_l)->hWnd),                \
                                 reinterpret_cast<AFX_CTLCOLOR*>(_l)->nCtlType)))
// void OnPaint()
#define ON_WM_PAINT() AFX_ENTRY(WM_PAINT, 0, 0, 0, _t->OnPaint(); *_r = 0)
// HCURSOR OnQueryDragIcon()
#define ON_WM_QUERYDRAGICON()                                                                                \
    AFX_ENTRY(WM_QUERYDRAGICON, 0, 0, 0, *_r = reinterpret_cast<LRESULT>(_t->OnQueryDragIcon()))
// void OnDrawItem(int controlId, LPDRAWITEMSTRUCT)
#define ON_WM_DRAWITEM()                                                                                     \
    AFX_ENTRY(WM_DRAWITEM, 0, 0, 0,                                                                          \
              _t->OnDrawItem(static_cast<int>(_w), reinterpret_cast<LPDRAWITEMSTRUCT>(_l));                  \
              *_r = TRUE)
// void OnMeasureItem(int controlId, LPMEASUREITEMSTRUCT)
#define ON_WM_MEASUREITEM()                                                                                  \
    AFX_ENTRY(WM_MEASUREITEM, 0, 0, 0,                                                                       \
              _t->OnMeasureItem(static_cast<int>(_w), reinterpret_cast<LPMEASUREITEMSTRUCT>(_l));            \
              *_r = TRUE)
// In a control: void MeasureItem(LPMEASUREITEMSTRUCT), the parent's WM_MEASUREITEM reflected.
#define ON_WM_MEASUREITEM_REFLECT()                                                                          \
    AFX_ENTRY(WM_REFLECT_BASE + WM_MEASUREITEM, 0, 0, 0,                                                     \
              _t->MeasureItem(reinterpret_cast<LPMEASUREITEMSTRUCT>(_l));                                    \
              *_r = TRUE)
// void OnLButtonUp(UINT flags, CPoint point)
#define ON_WM_LBUTTONUP()                                                                                    \
    AFX_ENTRY(WM_LBUTTONUP, 0, 0, 0,                                                                         \
              _t->OnLButtonUp(static_cast<UINT>(_w),                                                         \
                              CPoint(static_cast<short>(LOWORD(_l)), static_cast<short>(HIWORD(_l))));       \
              *_r = 0)
// void OnSysCommand(UINT id, LPARAM lParam)
#define ON_WM_SYSCOMMAND()                                                                                   \
    AFX_ENTRY(WM_SYSCOMMAND, 0, 0, 0, _t->OnSysCommand(static_cast<UINT>(_w), _l); *_r = 0)

// The dialog's default push button: DM_GETDEFID answers MAKELONG(id, DC_HASDEFID), 0 when the
// dialog has none.
constexpr UINT DM_GETDEFID = WM_USER + 0;
constexpr WORD DC_HASDEFID = 0x534B;

class CDialog;
namespace zui::detail {
void MoveDefaultButton(CDialog* dlg, CWnd* focus);
}

// Dialog data exchange: DoDataExchange runs with m_bSaveAndValidate FALSE to show values
// and bind controls, TRUE to read them back (UpdateData).
class CDataExchange {
public:
    CDataExchange(CDialog* dlg, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dlg) {}
    BOOL m_bSaveAndValidate;
    CDialog* m_pDlgWnd;
    // Ends the exchange as failed (UpdateData gives FALSE).
    [[noreturn]] void Fail();
};

// Binds `control` to the dialog's control `id` (once): the object then receives its messages
// and PreSubclassWindow runs.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
// The radio group that starts at `id` (up to the next WS_GROUP) as the index of its checked
// button, -1 when none is checked.
void DDX_Radio(CDataExchange* dx, int id, int& value);
// On saving, a value outside [min, max] is reported to the operator and fails the exchange.
void DDV_MinMaxInt(CDataExchange* dx, int value, int min, int max);

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
    DECLARE_MESSAGE_MAP()
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Builds the window from the template, runs OnInitDialog, shows the window when the
    // queue first runs idle and dispatches messages until EndDialog. Returns the EndDialog
    // value, or -1 when the template is missing or the quit message ended the loop (the
    // window is then never shown). The window is destroyed before it returns.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // The dialog manager: Escape gives IDCANCEL; Enter clicks the focused control when it
    // answers DLGC_DEFPUSHBUTTON, else the default push button (when enabled), else IDOK; Tab
    // moves the focus. Called for every message the modal loop takes, with the target's own
    // PreTranslateMessage first.
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    HICON SetIcon(HICON icon, BOOL big);
    HICON GetIcon(BOOL big) const;
    // DM_GETDEFID: MAKELONG(id, DC_HASDEFID) of the default push button, 0 without one.
    DWORD GetDefID() const;

    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

protected:
    virtual void DoDataExchange(CDataExchange* dx);

    // Base handlers for the map entries above.
    void OnPaint();
    HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT kind);
    // Reflects the request to the control's own object (ODT_BUTTON: CButton owner draw).
    void OnDrawItem(int controlId, LPDRAWITEMSTRUCT drawItem);
    // Reflects the request to the bound control with that id (ON_WM_MEASUREITEM_REFLECT).
    void OnMeasureItem(int controlId, LPMEASUREITEMSTRUCT measureItem);
    HCURSOR OnQueryDragIcon();
    void OnLButtonUp(UINT flags, CPoint point);
    void OnSysCommand(UINT id, LPARAM lParam);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    friend class CDialogBuilder;
    friend void zui::detail::MoveDefaultButton(CDialog* dlg, CWnd* focus);
    int RunDialogLoop();
    // The template's default push button; the default look moves from it to a push button with
    // the focus and back.
    int m_nDefID = 0;
    bool m_bEnded = false;
    int m_nEndResult = 0;
};

class CDialogEx : public CDialog {
    DECLARE_DYNAMIC(CDialogEx)
public:
    explicit CDialogEx(UINT templateId, CWnd* parent = nullptr) : CDialog(templateId, parent) {}
};
