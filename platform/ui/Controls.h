// The dialog controls: buttons, edits, statics, combo boxes, report lists and their header,
// with the control messages and the owner-draw and custom-draw records. Each class is a thin
// front over its messages; the control's behaviour is the window class of the back end, so a
// control keeps it whichever object it is bound to.
#pragma once

#include <functional>
#include <string_view>

#include "platform/ui/Gdi.h"
#include "platform/win/Wnd.h"

// ---------------------------------------------------------------------------------------
// Button messages and states.
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_GETSTATE = 0x00F2;
constexpr UINT BM_SETSTATE = 0x00F3;
constexpr UINT BM_SETSTYLE = 0x00F4; // wParam: the button type (BS_PUSHBUTTON ...), lParam: redraw
constexpr UINT BM_CLICK = 0x00F5;
constexpr UINT BST_UNCHECKED = 0x0000;
constexpr UINT BST_CHECKED = 0x0001;
constexpr UINT BST_INDETERMINATE = 0x0002;
constexpr UINT BST_PUSHED = 0x0004;
constexpr UINT BST_FOCUS = 0x0008;

// Dialog codes: how a control asks the dialog manager to treat it (WM_GETDLGCODE).
constexpr UINT WM_GETDLGCODE = 0x0087;
constexpr UINT DLGC_DEFPUSHBUTTON = 0x0010;   // the default push button
constexpr UINT DLGC_UNDEFPUSHBUTTON = 0x0020; // a push button that is not the default
constexpr UINT DLGC_RADIOBUTTON = 0x0040;
constexpr UINT DLGC_STATIC = 0x0100;
constexpr UINT DLGC_BUTTON = 0x2000;

// Edit messages.
constexpr UINT EM_SETSEL = 0x00B1;
constexpr UINT EM_LIMITTEXT = 0x00C5;
constexpr UINT EM_SETLIMITTEXT = EM_LIMITTEXT;
constexpr UINT EM_GETLIMITTEXT = 0x00D5;

// Combo box messages.
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_DELETESTRING = 0x0144;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_INSERTSTRING = 0x014A;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr int CB_ERR = -1;

// List view messages, records and styles.
constexpr UINT LVM_FIRST = 0x1000;
constexpr UINT LVM_GETITEMCOUNT = LVM_FIRST + 4;
constexpr UINT LVM_INSERTITEMA = LVM_FIRST + 7;
constexpr UINT LVM_DELETEITEM = LVM_FIRST + 8;
constexpr UINT LVM_DELETEALLITEMS = LVM_FIRST + 9;
constexpr UINT LVM_INSERTCOLUMNA = LVM_FIRST + 27;
constexpr UINT LVM_DELETECOLUMN = LVM_FIRST + 28;
constexpr UINT LVM_GETCOLUMNWIDTH = LVM_FIRST + 29;
constexpr UINT LVM_SETCOLUMNWIDTH = LVM_FIRST + 30;
constexpr UINT LVM_GETHEADER = LVM_FIRST + 31;
constexpr UINT LVM_GETITEMTEXTA = LVM_FIRST + 45;
constexpr UINT LVM_SETITEMTEXTA = LVM_FIRST + 46;
constexpr UINT LVM_SETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 54;
constexpr UINT LVM_GETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 55;
// The back end's own: a row's texts in one message (CListCtrl::InsertRow), many rows' texts
// in one message (CListCtrl::ReadRows).
constexpr UINT LVM_INSERTROW_ = LVM_FIRST + 0x200;
constexpr UINT LVM_READROWS_ = LVM_FIRST + 0x201;

constexpr DWORD LVS_EX_GRIDLINES = 0x00000001;
constexpr DWORD LVS_EX_SUBITEMIMAGES = 0x00000002;
constexpr DWORD LVS_EX_FULLROWSELECT = 0x00000020;
constexpr DWORD LVS_EX_FLATSB = 0x00000100;
constexpr DWORD LVS_EX_DOUBLEBUFFER = 0x00010000;

constexpr int LVCFMT_LEFT = 0x0000;
constexpr int LVCFMT_RIGHT = 0x0001;
constexpr int LVCFMT_CENTER = 0x0002;
constexpr UINT LVCF_FMT = 0x0001;
constexpr UINT LVCF_WIDTH = 0x0002;
constexpr UINT LVCF_TEXT = 0x0004;
constexpr UINT LVCF_SUBITEM = 0x0008;
constexpr UINT LVIF_TEXT = 0x0001;

struct LVCOLUMNA {
    UINT mask;
    int fmt;
    int cx;
    char* pszText;
    int cchTextMax;
    int iSubItem;
};
using LVCOLUMN = LVCOLUMNA;

struct LVITEMA {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    char* pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
};
using LVITEM = LVITEMA;

// One row's cells as the list holds them, valid during the call only; `count` covers at least
// every column.
using ListRowReader = std::function<void(const std::string_view* cells, int count)>;
struct LVINSERTROW_ {
    int count;
    const char* const* texts;
};
struct LVREADROWS_ {
    int count;
    const ListRowReader* reader;
};

// Header messages and records.
constexpr UINT HDM_FIRST = 0x1200;
constexpr UINT HDM_GETITEMCOUNT = HDM_FIRST + 0;
constexpr UINT HDM_GETITEMA = HDM_FIRST + 3;
constexpr UINT HDM_GETITEMRECT = HDM_FIRST + 7;
constexpr UINT HDM_GETITEM = HDM_GETITEMA;
constexpr UINT HDI_WIDTH = 0x0001;
constexpr UINT HDI_TEXT = 0x0002;
constexpr UINT HDI_FORMAT = 0x0004;

struct HDITEMA {
    UINT mask;
    int cxy;
    char* pszText;
    HBITMAP hbm;
    int cchTextMax;
    int fmt;
    LPARAM lParam;
    int iImage;
    int iOrder;
};
using HDITEM = HDITEMA;
using LPHDITEM = HDITEM*;

// ---------------------------------------------------------------------------------------
// Owner draw: WM_DRAWITEM (wParam control id, lParam DRAWITEMSTRUCT*) and WM_MEASUREITEM
// (wParam control id, lParam MEASUREITEMSTRUCT*) go to the control's parent.
constexpr UINT ODT_MENU = 1;
constexpr UINT ODT_LISTBOX = 2;
constexpr UINT ODT_COMBOBOX = 3;
constexpr UINT ODT_BUTTON = 4;
constexpr UINT ODT_STATIC = 5;
constexpr UINT ODT_LISTVIEW = 102;
constexpr UINT ODA_DRAWENTIRE = 0x0001;
constexpr UINT ODA_SELECT = 0x0002;
constexpr UINT ODA_FOCUS = 0x0004;
constexpr UINT ODS_SELECTED = 0x0001;
constexpr UINT ODS_GRAYED = 0x0002;
constexpr UINT ODS_DISABLED = 0x0004;
constexpr UINT ODS_CHECKED = 0x0008;
constexpr UINT ODS_FOCUS = 0x0010;
constexpr UINT ODS_NOFOCUSRECT = 0x0200; // keyboard cues hidden: the focus is not drawn

struct DRAWITEMSTRUCT {
    UINT CtlType;
    UINT CtlID;
    UINT itemID;
    UINT itemAction;
    UINT itemState;
    HWND hwndItem;
    HDC hDC;
    RECT rcItem;
    ULONG_PTR itemData;
};
using LPDRAWITEMSTRUCT = DRAWITEMSTRUCT*;

struct MEASUREITEMSTRUCT {
    UINT CtlType;
    UINT CtlID;
    UINT itemID;
    UINT itemWidth;
    UINT itemHeight;
    ULONG_PTR itemData;
};
using LPMEASUREITEMSTRUCT = MEASUREITEMSTRUCT*;

// Custom draw: NM_CUSTOMDRAW (WM_NOTIFY) to the control's parent; the handler's result says
// what follows.
constexpr DWORD CDDS_PREPAINT = 0x00000001;
constexpr DWORD CDDS_POSTPAINT = 0x00000002;
constexpr DWORD CDDS_ITEM = 0x00010000;
constexpr DWORD CDDS_ITEMPREPAINT = CDDS_ITEM | CDDS_PREPAINT;
constexpr DWORD CDDS_ITEMPOSTPAINT = CDDS_ITEM | CDDS_POSTPAINT;
constexpr DWORD CDDS_SUBITEM = 0x00020000;
constexpr LRESULT CDRF_DODEFAULT = 0x00000000;
constexpr LRESULT CDRF_NEWFONT = 0x00000002;
constexpr LRESULT CDRF_SKIPDEFAULT = 0x00000004;
constexpr LRESULT CDRF_NOTIFYPOSTPAINT = 0x00000010;
constexpr LRESULT CDRF_NOTIFYITEMDRAW = 0x00000020;
constexpr LRESULT CDRF_NOTIFYSUBITEMDRAW = 0x00000020;
constexpr UINT CDIS_SELECTED = 0x0001;
constexpr UINT CDIS_FOCUS = 0x0010;
constexpr COLORREF CLR_DEFAULT = 0xFF000000;

struct NMCUSTOMDRAW {
    NMHDR hdr;
    DWORD dwDrawStage;
    HDC hdc;
    RECT rc;
    DWORD_PTR dwItemSpec; // row (list) or column (header)
    UINT uItemState;
    LPARAM lItemlParam;
};
using LPNMCUSTOMDRAW = NMCUSTOMDRAW*;

struct NMLVCUSTOMDRAW {
    NMCUSTOMDRAW nmcd;
    COLORREF clrText;
    COLORREF clrTextBk;
    int iSubItem;
};
using LPNMLVCUSTOMDRAW = NMLVCUSTOMDRAW*;

// ---------------------------------------------------------------------------------------
// Control classes.

class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)
public:
    int GetCheck() const;
    void SetCheck(int check);
};

class CEdit : public CWnd {
    DECLARE_DYNAMIC(CEdit)
public:
    // Limits what the operator can type, in bytes of code page 949 (0: the default limit).
    void SetLimitText(UINT max);
};

class CStatic : public CWnd {
    DECLARE_DYNAMIC(CStatic)
};

class CComboBox : public CWnd {
    DECLARE_DYNAMIC(CComboBox)
public:
    int AddString(const char* text);
    int GetCount() const;
    // The selected index, CB_ERR (-1) when none.
    int GetCurSel() const;
    // Selects the item; an index without an item clears the selection (and gives CB_ERR).
    int SetCurSel(int index);
    int GetLBText(int index, char* buffer) const;
    void GetLBText(int index, CString& text) const;
    int GetLBTextLen(int index) const;
};

class CHeaderCtrl : public CWnd {
    DECLARE_DYNAMIC(CHeaderCtrl)
public:
    int GetItemCount() const;
    BOOL GetItem(int index, HDITEM* item) const;
};

class CListCtrl : public CWnd {
    DECLARE_DYNAMIC(CListCtrl)
public:
    int InsertColumn(int column, const char* heading, int format = LVCFMT_LEFT, int width = -1,
                     int subItem = -1);
    // Deleting a column that does not exist does nothing.
    BOOL DeleteColumn(int column);
    int GetColumnWidth(int column) const;
    // Inserts a row before `item` (at the end when beyond it); returns its index, -1 on failure.
    int InsertItem(int item, const char* text);
    // Inserts a row with its first `count` cells in one message rather than one per cell, as
    // InsertItem and SetItemText would; returns its index, -1 on failure.
    int InsertRow(int item, const char* const* texts, int count);
    BOOL DeleteAllItems();
    int GetItemCount() const;
    BOOL SetItemText(int item, int subItem, const char* text);
    CString GetItemText(int item, int subItem) const;
    int GetItemText(int item, int subItem, char* buffer, int length) const;
    // Hands `reader` the cells of up to `count` rows from `first` on, in one message rather
    // than one per cell; the reader must leave the list as it is. Returns the rows read.
    int ReadRows(int first, int count, const ListRowReader& reader) const;
    // Replaces all extended styles (LVS_EX_*); returns the previous ones.
    DWORD SetExtendedStyle(DWORD exStyle);
    DWORD GetExtendedStyle() const;
    CHeaderCtrl* GetHeaderCtrl() const;
};
