// Private to platform/ui and its test driver (tests/uitest), included only by *_qt.cpp
// files: the GDI objects behind the handles, the peers that put windows on screen, and the
// conversions between the two worlds.
#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QStyle>
#include <QWidget>

#include <memory>
#include <vector>

#include "platform/core/CString.h"
#include "platform/ui/Backend.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Gdi.h"
#include "platform/win/Wnd.h"

// ---------------------------------------------------------------------------------------
// GDI objects. Every handle points at one of these; the registry tells live ones apart.

namespace zui::detail {
enum class GdiKind { Font, Brush, Bitmap, Icon };
struct GdiObject {
    explicit GdiObject(GdiKind k) : kind(k) {}
    virtual ~GdiObject();
    GdiKind kind;
    bool stock = false; // owned by the framework, never deleted by DeleteObject
};
GdiObject* LiveObject(const void* handle);
} // namespace zui::detail

struct HFONT__ : zui::detail::GdiObject {
    HFONT__() : GdiObject(zui::detail::GdiKind::Font) {}
    ~HFONT__() override;
    LOGFONTA lf{};
    CFont* temp = nullptr;
    QFont Font() const;
    mutable std::unique_ptr<QFont> cache;
    // Size in pixels for a font without a height (lfHeight 0).
    int defaultPixelSize = 12;
};

struct HBRUSH__ : zui::detail::GdiObject {
    HBRUSH__() : GdiObject(zui::detail::GdiKind::Brush) {}
    COLORREF colour = 0;
};

struct HBITMAP__ : zui::detail::GdiObject {
    HBITMAP__() : GdiObject(zui::detail::GdiKind::Bitmap) {}
    ~HBITMAP__() override;
    QImage image;
    CBitmap* temp = nullptr;
};

struct HICON__ : zui::detail::GdiObject {
    HICON__() : GdiObject(zui::detail::GdiKind::Icon) {}
    QImage image;
};

// A device context: a painter of a window that paints, or a lazily opened painter on an
// image (memory DC: the selected bitmap; window DC: the window's drawing surface).
struct HDC__ {
    QPainter* painter = nullptr;   // not owned (window painting)
    std::unique_ptr<QPainter> own; // opened on `surface`
    QImage* surface = nullptr;
    HBITMAP selectedBitmap = nullptr;
    HFONT font = nullptr;
    HBRUSH brush = nullptr;
    COLORREF textColour = 0x000000;
    COLORREF bkColour = 0xFFFFFF;
    int bkMode = OPAQUE;
    HWND window = nullptr; // window DC (GetDC)
    bool memory = false;
    CDC* temp = nullptr;
    QPainter* Painter();
    void EndSurface();
};

namespace zui::detail {

// Conversions.
QString ToQ(const char* ansi);
QString ToQ(const CString& ansi);
CString FromQ(const QString& text);
QColor ToQColor(COLORREF c);
COLORREF FromQColor(const QColor& c);
QRect ToQRect(const RECT& r);
RECT FromQRect(const QRect& r);
int MulDiv(int value, int numerator, int denominator);

// DCs made by the back end around a painter; DeleteDC frees them.
HDC MakePaintDC(QPainter* painter, HFONT font);
void FreeDC(HDC dc);
// A font handle the framework owns (dialog fonts).
HFONT MakeStockFont(const LOGFONTA& lf, int defaultPixelSize);
QFont FontOf(HFONT font);
// Height in pixels of a line of Hangul in `font` (the Hangul face's ascent and descent, which
// may exceed the Latin face's): what a line of Korean text needs to show whole.
int HangulLineHeight(const QFont& font);
// System colours the controls use (and kFace, kWindow, kWindowText of Backend.h).
constexpr COLORREF kGrayText = 0x6D6D6D;
constexpr COLORREF kHighlight = 0xD77800;
constexpr COLORREF kHighlightText = 0xFFFFFF;
constexpr COLORREF kGrid = 0xF0F0F0;
HBRUSH StockBrush(COLORREF colour);
// The fonts behind a face name: a Latin face, then the Hangul one.
inline const QString kHangulFamily = QStringLiteral("NanumGothic");
QStringList FamiliesFor(const QString& face);

// What is painting now: windows push their DC while they send WM_PAINT, so that CPaintDC
// finds it; GetDC drawing during an ancestor's paint needs no extra update.
struct PaintScope {
    PaintScope(HWND wnd, HDC dc, QWidget* widget);
    ~PaintScope();
};
HDC CurrentPaintDC(HWND wnd);
bool PaintingAncestorOf(QWidget* widget);

// Sends a message to a window procedure from Qt code (painting): an exception a handler
// throws is reported, never passed through Qt.
LRESULT SafeSend(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
// Shows the reports of exceptions thrown while painting (called when the loop is idle).
void ReportPendingExceptions();

// ---------------------------------------------------------------------------------------
// Peers.

class WidgetPeer : public CWndPeer {
public:
    WidgetPeer(CWnd* wnd, QWidget* widget);
    ~WidgetPeer() override;

    HWND Handle() const { return m_hWnd; }
    CWnd* Wnd() const { return CWnd::FromHandlePermanent(m_hWnd); }
    QWidget* Widget() const { return m_widget; }
    // The widget that takes keys and the focus (an inner widget for some controls).
    virtual QWidget* FocusWidget() const { return m_widget; }
    DWORD Style() const;
    DWORD ExStyle() const;
    HFONT Font() const { return m_font; }
    void SetFontHandle(HFONT font, bool redraw);
    // The rectangle CWnd keeps (parent client coordinates for a child, screen for a window).
    RECT StoredRect() const;

    // The window's drawing surface for GetDC (drawn over the widget's own painting).
    QImage* Surface();
    void PaintSurface(QPainter& p);

    // CWndPeer
    void TextChanged() override;
    void StyleChanged(DWORD oldStyle, DWORD oldExStyle) override;
    void Invalidate(const RECT* rect, bool erase) override;
    void PositionChanged() override;
    bool QueryWindowRect(RECT& rect) const override;
    bool QueryClientRect(RECT& rect) const override;
    void FocusRequested() override;
    void Destroyed() override;
    bool ClassProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    static WidgetPeer* Of(CWnd* wnd);
    static WidgetPeer* Of(HWND wnd);
    // The window class (WC_BUTTON ...).
    virtual const char* ClassName() const { return ""; }
    // Sends WM_COMMAND with `code` from this control to its parent.
    void NotifyParent(UINT code);
    // Sends WM_CTLCOLOR<kind> to the parent with a DC on `painter` (or a measuring DC) and
    // gives the colours and brush the handler chose.
    struct Colours {
        COLORREF text;
        COLORREF bk;
        int bkMode;
        COLORREF brush;
        bool hasBrush;
    };
    Colours AskCtlColor(UINT kind, QPainter* painter);

protected:
    virtual void ApplyText() {}
    // After WM_SETFONT (and at creation): the window may place itself for its new font.
    virtual void FontChanged() {}
    virtual void ApplyStyle(DWORD oldStyle, DWORD oldExStyle);
    virtual QRect ClientArea() const { return m_widget ? m_widget->rect() : QRect(); }

    HWND m_hWnd;
    QPointer<QWidget> m_widget;
    HFONT m_font = nullptr;
    std::unique_ptr<QImage> m_surface;
    bool m_queryingStored = false;
    friend void zui::detail::FreeDC(HDC);
};

// Marks a widget as a window's own (keys to it go through the message queue).
void TagWidget(QWidget* widget, HWND wnd);
HWND WindowOfWidget(const QWidget* widget);

// Creation of the controls of a dialog (Controls_qt.cpp, ListView_qt.cpp).
WidgetPeer* CreateControlPeer(CWnd* wnd, const DialogItemTemplate& item, QWidget* parent);
WidgetPeer* CreateListViewPeer(CWnd* wnd, QWidget* parent);
// The client widget of a dialog (parent of its controls).
QWidget* ClientWidgetOf(CWnd* dlg);
QWidget* FrameWidgetOf(CWnd* wnd);
// Base units of a dialog's font (dialog units to pixels).
SIZE BaseUnitsOf(CWnd* dlg);
QRect MapDialogUnits(const SIZE& base, int x, int y, int cx, int cy);

// Height of a report list's rows in pixels (0 for other windows).
int ListRowHeightOf(CWnd* list);
std::size_t ListTextBytesOf(CWnd* list);
// A report list cell's text as drawn (cut with an ellipsis where it does not fit).
QString ShownCellOf(CWnd* list, int row, int column);

// The one instance of a proxy style the controls of a kind share, freed with the application.
template <typename Style> QStyle* SharedStyle() {
    static QPointer<QStyle> style;
    if (!style) {
        style = new Style();
        style->setParent(QCoreApplication::instance());
    }
    return style;
}

// Keyboard cues: a window shows focus rectangles once the keyboard has been used in it (Tab,
// the arrows, Alt); until then they stay hidden, as the target hides them for mouse users.
void ShowKeyboardCues(QWidget* inWindow);
bool KeyboardCuesShown(const QWidget* inWindow);
// The dotted focus rectangle of the target, drawn on `r`'s outline.
void DrawFocusRectangle(QPainter& p, const QRect& r);

// Marks the window of a message box on screen (the test aids find it by it).
inline const char* const kMessageBoxProperty = "zwinMessageBox";

// Redelivers the key event behind a WM_KEYDOWN taken from the queue (EventLoop_qt.cpp).
void DeliverQueuedKey(HWND wnd, LPARAM lParam);

} // namespace zui::detail
