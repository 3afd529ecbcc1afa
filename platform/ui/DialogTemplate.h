// Dialog and menu templates as data, as a resource compiler would leave them: sizes and
// positions in dialog units of the template's font. The resources folder defines the
// program's templates; the window back end builds windows from them.
#pragma once

#include <functional>
#include <vector>

#include "platform/win/Messages.h"

// Control classes of the dialog manager.
#define WC_BUTTON "Button"
#define WC_EDIT "Edit"
#define WC_STATIC "Static"
#define WC_COMBOBOX "ComboBox"
#define WC_LISTVIEW "SysListView32"
#define WC_HEADER "SysHeader32"

// Dialog styles.
constexpr DWORD DS_SETFONT = 0x40;
constexpr DWORD DS_MODALFRAME = 0x80;
constexpr DWORD DS_SHELLFONT = 0x48;
constexpr DWORD DS_CENTER = 0x0800;

// Button styles.
constexpr DWORD BS_PUSHBUTTON = 0x0;
constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
constexpr DWORD BS_CHECKBOX = 0x2;
constexpr DWORD BS_AUTOCHECKBOX = 0x3;
constexpr DWORD BS_RADIOBUTTON = 0x4;
constexpr DWORD BS_3STATE = 0x5;
constexpr DWORD BS_AUTO3STATE = 0x6;
constexpr DWORD BS_GROUPBOX = 0x7;
constexpr DWORD BS_AUTORADIOBUTTON = 0x9;
constexpr DWORD BS_OWNERDRAW = 0xB;
constexpr DWORD BS_TYPEMASK = 0xF;
constexpr DWORD BS_LEFTTEXT = 0x20;
constexpr DWORD BS_MULTILINE = 0x2000;

// Edit styles.
constexpr DWORD ES_LEFT = 0x0;
constexpr DWORD ES_CENTER = 0x1;
constexpr DWORD ES_RIGHT = 0x2;
constexpr DWORD ES_MULTILINE = 0x4;
constexpr DWORD ES_PASSWORD = 0x20;
constexpr DWORD ES_AUTOHSCROLL = 0x80;
constexpr DWORD ES_READONLY = 0x800;
constexpr DWORD ES_NUMBER = 0x2000;

// Static styles.
constexpr DWORD SS_LEFT = 0x0;
constexpr DWORD SS_CENTER = 0x1;
constexpr DWORD SS_RIGHT = 0x2;
constexpr DWORD SS_ICON = 0x3;
constexpr DWORD SS_BLACKRECT = 0x4;
constexpr DWORD SS_BLACKFRAME = 0x7;
constexpr DWORD SS_WHITEFRAME = 0x9;
constexpr DWORD SS_BITMAP = 0xE;
constexpr DWORD SS_TYPEMASK = 0x1F;
constexpr DWORD SS_NOPREFIX = 0x80;
constexpr DWORD SS_NOTIFY = 0x100;
constexpr DWORD SS_CENTERIMAGE = 0x200;
constexpr DWORD SS_SUNKEN = 0x1000;

// Combo box styles.
constexpr DWORD CBS_SIMPLE = 0x1;
constexpr DWORD CBS_DROPDOWN = 0x2;
constexpr DWORD CBS_DROPDOWNLIST = 0x3;
constexpr DWORD CBS_SORT = 0x100;
constexpr DWORD CBS_HASSTRINGS = 0x200;

// List view styles.
constexpr DWORD LVS_ICON = 0x0;
constexpr DWORD LVS_REPORT = 0x1;
constexpr DWORD LVS_SINGLESEL = 0x4;
constexpr DWORD LVS_SHOWSELALWAYS = 0x8;
constexpr DWORD LVS_ALIGNLEFT = 0x800;
constexpr DWORD LVS_OWNERDRAWFIXED = 0x400;
constexpr DWORD LVS_NOSORTHEADER = 0x8000;

struct DialogItemTemplate {
    const char* className; // one of the WC_ names
    const char* text;      // window text (code page 949); for SS_ICON / SS_BITMAP statics unused
    int id;                // -1 for controls nobody addresses
    short x, y, cx, cy;    // dialog units
    DWORD style;           // WS_ and class styles; WS_CHILD | WS_VISIBLE are implied
    DWORD exStyle = 0;
    int imageId = 0; // icon or bitmap resource of an image static
};

struct DialogTemplate {
    int id;
    const char* caption;
    short cx, cy; // dialog units
    const char* fontFace;
    int pointSize;
    DWORD style;
    DWORD exStyle;
    int menuId; // 0: none
    std::vector<DialogItemTemplate> items;
};

struct MenuItemTemplate {
    const char* text; // "&" marks the mnemonic as on Windows
    UINT id;          // 0 for a popup
    std::vector<MenuItemTemplate> popup;
};

struct MenuTemplate {
    int id;
    std::vector<MenuItemTemplate> items;
};

// Images are drawn by code: a function that gives the 0x00RRGGBB pixel at (x, y).
struct ImageTemplate {
    int id;
    int width;
    int height;
    std::function<DWORD(int x, int y)> pixel;
};

// The program's resources register themselves at static initialisation; lookups give null
// for an unknown id.
void RegisterDialogTemplate(const DialogTemplate* t);
void RegisterMenuTemplate(const MenuTemplate* t);
void RegisterImage(const ImageTemplate* t);
const DialogTemplate* FindDialogTemplate(int id);
const MenuTemplate* FindMenuTemplate(int id);
const ImageTemplate* FindImage(int id);
