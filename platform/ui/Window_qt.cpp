// Peers of windows, and dialogs built from their templates: a top-level frame with the menu
// bar, a client widget that paints through WM_PAINT, and one widget per control.
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleOptionMenuItem>
#include <QTimer>

#include <cstring>

#include "platform/ui/Backend_qt.h"
#include "platform/ui/Dialog.h"
#include "platform/win/MessageLoop.h"

using namespace zui::detail;

namespace {
const char* const kHandleProperty = "zwinHandle";
const char* const kCuesProperty = "zwinKeyboardCues";
constexpr UINT WM_GETICON_ = 0x007F;
constexpr WPARAM ICON_SMALL_ = 0;
constexpr WPARAM ICON_BIG_ = 1;
} // namespace

namespace zui::detail {

void TagWidget(QWidget* widget, HWND wnd) {
    if (widget)
        widget->setProperty(kHandleProperty,
                            QVariant::fromValue<qulonglong>(reinterpret_cast<quintptr>(wnd)));
}

void ShowKeyboardCues(QWidget* inWindow) {
    QWidget* window = inWindow ? inWindow->window() : nullptr;
    if (!window || window->property(kCuesProperty).toBool())
        return;
    window->setProperty(kCuesProperty, true);
    window->update();
    for (QWidget* child : window->findChildren<QWidget*>())
        child->update();
}

bool KeyboardCuesShown(const QWidget* inWindow) {
    return inWindow && inWindow->window()->property(kCuesProperty).toBool();
}

void DrawFocusRectangle(QPainter& p, const QRect& r) {
    // Every other pixel of the outline, in the text colour of the face.
    p.save();
    p.setPen(Qt::NoPen);
    const QColor dot = ToQColor(kWindowText);
    for (int x = r.left(); x <= r.right(); x += 2) {
        p.fillRect(x, r.top(), 1, 1, dot);
        p.fillRect(x, r.bottom(), 1, 1, dot);
    }
    for (int y = r.top(); y <= r.bottom(); y += 2) {
        p.fillRect(r.left(), y, 1, 1, dot);
        p.fillRect(r.right(), y, 1, 1, dot);
    }
    p.restore();
}

HWND WindowOfWidget(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        QVariant v = w->property(kHandleProperty);
        if (v.isValid()) {
            auto h = reinterpret_cast<HWND>(static_cast<quintptr>(v.toULongLong()));
            if (CWnd::FromHandlePermanent(h))
                return h;
        }
        if (w->isWindow())
            break;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------
// WidgetPeer

WidgetPeer::WidgetPeer(CWnd* wnd, QWidget* widget) : m_hWnd(wnd->m_hWnd), m_widget(widget) {
    wnd->SetPeer(this);
    TagWidget(widget, m_hWnd);
}

WidgetPeer::~WidgetPeer() = default;

WidgetPeer* WidgetPeer::Of(CWnd* wnd) {
    return wnd ? dynamic_cast<WidgetPeer*>(wnd->GetPeer()) : nullptr;
}

WidgetPeer* WidgetPeer::Of(HWND wnd) {
    return Of(CWnd::FromHandlePermanent(wnd));
}

DWORD WidgetPeer::Style() const {
    CWnd* w = Wnd();
    return w ? w->GetStyle() : 0;
}

DWORD WidgetPeer::ExStyle() const {
    CWnd* w = Wnd();
    return w ? w->GetExStyle() : 0;
}

void WidgetPeer::SetFontHandle(HFONT font, bool redraw) {
    m_font = font;
    if (m_widget) {
        m_widget->setFont(FontOf(font));
        FontChanged();
        if (redraw)
            m_widget->update();
    }
}

RECT WidgetPeer::StoredRect() const {
    RECT r{0, 0, 0, 0};
    if (CWnd* w = Wnd()) {
        auto* self = const_cast<WidgetPeer*>(this);
        self->m_queryingStored = true;
        w->GetWindowRect(&r);
        self->m_queryingStored = false;
    }
    return r;
}

QImage* WidgetPeer::Surface() {
    if (!m_widget)
        return nullptr;
    QSize size = m_widget->size();
    if (!m_surface || m_surface->size() != size) {
        auto image = std::make_unique<QImage>(size, QImage::Format_ARGB32_Premultiplied);
        image->fill(Qt::transparent);
        if (m_surface) {
            QPainter p(image.get());
            p.drawImage(0, 0, *m_surface);
        }
        m_surface = std::move(image);
    }
    return m_surface.get();
}

void WidgetPeer::PaintSurface(QPainter& p) {
    if (m_surface)
        p.drawImage(0, 0, *m_surface);
}

void WidgetPeer::TextChanged() {
    ApplyText();
}

void WidgetPeer::StyleChanged(DWORD oldStyle, DWORD oldExStyle) {
    ApplyStyle(oldStyle, oldExStyle);
}

void WidgetPeer::ApplyStyle(DWORD, DWORD) {
    if (!m_widget)
        return;
    DWORD style = Style();
    m_widget->setEnabled(!(style & WS_DISABLED));
    m_widget->setVisible((style & WS_VISIBLE) != 0);
}

void WidgetPeer::Invalidate(const RECT* rect, bool) {
    if (!m_widget)
        return;
    if (rect)
        m_widget->update(ToQRect(*rect));
    else
        m_widget->update();
}

void WidgetPeer::PositionChanged() {
    if (m_widget)
        m_widget->setGeometry(ToQRect(StoredRect()));
}

bool WidgetPeer::QueryWindowRect(RECT& rect) const {
    if (m_queryingStored || !m_widget)
        return false;
    QPoint origin = m_widget->mapToGlobal(QPoint(0, 0));
    rect = FromQRect(QRect(origin, m_widget->size()));
    return true;
}

bool WidgetPeer::QueryClientRect(RECT& rect) const {
    if (!m_widget)
        return false;
    QRect c = ClientArea();
    rect = RECT{0, 0, c.width(), c.height()};
    return true;
}

void WidgetPeer::FocusRequested() {
    if (QWidget* w = FocusWidget())
        w->setFocus(Qt::OtherFocusReason);
    // Also while the window is not active, when Qt tells nobody of the change.
    if (CWnd* self = Wnd())
        MoveDefaultButton(dynamic_cast<CDialog*>(self->GetParent()), self);
}

void WidgetPeer::Destroyed() {
    if (CWnd* w = Wnd())
        w->SetPeer(nullptr);
    delete m_widget.data();
    delete this;
}

bool WidgetPeer::ClassProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (message) {
    case WM_SETFONT:
        SetFontHandle(reinterpret_cast<HFONT>(wParam), LOWORD(lParam) != 0);
        *result = 0;
        return true;
    case WM_GETFONT:
        *result = reinterpret_cast<LRESULT>(m_font);
        return true;
    case WM_KEYDOWN:
        DeliverQueuedKey(m_hWnd, lParam);
        *result = 0;
        return true;
    case ZM_CLICKED:
        NotifyParent(BN_CLICKED);
        *result = 0;
        return true;
    case ZM_NOTIFYPARENT:
        NotifyParent(static_cast<UINT>(wParam));
        *result = 0;
        return true;
    default:
        return false;
    }
}

void WidgetPeer::NotifyParent(UINT code) {
    CWnd* self = Wnd();
    CWnd* parent = self ? self->GetParent() : nullptr;
    if (parent)
        parent->SendMessage(WM_COMMAND, MAKEWPARAM(self->GetDlgCtrlID(), code),
                            reinterpret_cast<LPARAM>(m_hWnd));
}

const char* ClassNameOf(const CWnd* wnd) {
    WidgetPeer* p = wnd ? dynamic_cast<WidgetPeer*>(wnd->GetPeer()) : nullptr;
    return p ? p->ClassName() : "";
}

WidgetPeer::Colours WidgetPeer::AskCtlColor(UINT kind, QPainter* painter) {
    HDC dc = MakePaintDC(painter, m_font);
    Colours c{kWindowText, kind == CTLCOLOR_EDIT ? kWindow : kFace, OPAQUE,
              kind == CTLCOLOR_EDIT ? kWindow : kFace, true};
    dc->bkColour = c.bk;
    CWnd* self = Wnd();
    CWnd* parent = self ? self->GetParent() : nullptr;
    if (parent) {
        UINT message = kind == CTLCOLOR_EDIT ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC;
        auto brush = reinterpret_cast<HBRUSH>(SafeSend(parent->m_hWnd, message, reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(m_hWnd)));
        c.text = dc->textColour;
        c.bk = dc->bkColour;
        c.bkMode = dc->bkMode;
        GdiObject* o = LiveObject(brush);
        c.hasBrush = o && o->kind == GdiKind::Brush;
        if (c.hasBrush)
            c.brush = static_cast<HBRUSH__*>(o)->colour;
    }
    FreeDC(dc);
    return c;
}

// ---------------------------------------------------------------------------------------
// Dialog windows.

namespace {

class DialogPeer;

// The menu bar of the target: Alt pressed and released alone enters menu mode (the first title
// selected, no popup open), as F10 does.
class MenuBarStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
    // In menu mode (the bar has the keyboard) the selected title is highlighted as an open one
    // is; the style would show it only while its popup is open.
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        if (element == CE_MenuBarItem && (option->state & State_Selected) && widget &&
            widget->window()->focusWidget() == widget) {
            if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
                QStyleOptionMenuItem selected = *item;
                selected.state |= State_Sunken;
                QProxyStyle::drawControl(element, &selected, painter, widget);
                return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

// F10 enters menu mode, or leaves it. Qt's menu bar takes its keyboard mode from Alt or from a
// popup closed by Escape; the popup is opened and closed in the same moment, never painted.
void ToggleMenuMode(QMenuBar* bar) {
    if (!bar || bar->actions().isEmpty())
        return;
    if (bar->window()->focusWidget() == bar || bar->activeAction()) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &escape);
        return;
    }
    bar->setActiveAction(bar->actions().first());
    if (QWidget* popup = QApplication::activePopupWidget()) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(popup, &escape);
    }
}

class FrameWidget : public QWidget {
public:
    FrameWidget(QWidget* owner, HWND wnd) : QWidget(owner, owner ? Qt::Dialog : Qt::Window), m_hWnd(wnd) {
        m_deferred.setSingleShot(true);
        QObject::connect(&m_deferred, &QTimer::timeout, this, [this] {
            QCoreApplication::postEvent(this, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
        });
    }
    bool m_allowClose = false;

protected:
    // Invalidations are gathered: the window is painted at most once a frame of the display,
    // and what was invalidated meanwhile is painted when that frame is due.
    bool event(QEvent* e) override {
        if (e->type() == QEvent::UpdateRequest) {
            const qint64 frame = FrameMs();
            if (m_painted.isValid() && m_painted.elapsed() < frame) {
                if (!m_deferred.isActive())
                    m_deferred.start(static_cast<int>(frame - m_painted.elapsed()));
                return true;
            }
            m_deferred.stop();
            m_painted.start();
        }
        return QWidget::event(e);
    }

    qint64 FrameMs() const {
        QScreen* s = screen();
        const qreal hz = s && s->refreshRate() >= 1 ? s->refreshRate() : 60.0;
        return std::max<qint64>(1, static_cast<qint64>(1000.0 / hz));
    }

    // Keys no control took travel up to the frame.
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_F10 && !(e->modifiers() & ~Qt::KeypadModifier)) {
            if (auto* bar = findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly)) {
                ToggleMenuMode(bar);
                e->accept();
                return;
            }
        }
        QWidget::keyPressEvent(e);
    }

    void closeEvent(QCloseEvent* e) override {
        if (m_allowClose) {
            e->accept();
            return;
        }
        // The close box is input: WM_SYSCOMMAND SC_CLOSE through the queue, like a click.
        e->ignore();
        if (CWnd::FromHandlePermanent(m_hWnd))
            zwin::PostInputMessage(m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    }

private:
    HWND m_hWnd;
    QElapsedTimer m_painted;
    QTimer m_deferred;
};

class ClientWidget : public QWidget {
public:
    ClientWidget(QWidget* parent, HWND wnd) : QWidget(parent), m_hWnd(wnd) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    HWND m_hWnd;
};

class DialogPeer : public WidgetPeer {
public:
    DialogPeer(CWnd* wnd, FrameWidget* frame, ClientWidget* client, HFONT font, SIZE baseUnits)
        : WidgetPeer(wnd, frame), m_client(client), m_dialogFont(font), m_base(baseUnits) {
        TagWidget(client, Handle());
        m_font = font;
    }
    ~DialogPeer() override { delete static_cast<HFONT__*>(m_dialogFont); }

    QWidget* FocusWidget() const override { return m_client; }
    const char* ClassName() const override { return "#32770"; }
    QWidget* Client() const { return m_client; }
    SIZE BaseUnits() const { return m_base; }
    void Own(CWnd* control) { m_owned.emplace_back(control); }

    bool IsIconic() const override { return m_widget && m_widget->isMinimized(); }

    bool QueryWindowRect(RECT& rect) const override {
        if (m_queryingStored || !m_widget)
            return false;
        rect = FromQRect(m_widget->frameGeometry());
        return true;
    }
    bool QueryClientRect(RECT& rect) const override {
        if (!m_client)
            return false;
        rect = RECT{0, 0, m_client->width(), m_client->height()};
        return true;
    }
    void PositionChanged() override {
        if (!m_widget)
            return;
        RECT r = StoredRect();
        m_widget->move(r.left, r.top);
    }
    void Invalidate(const RECT* rect, bool) override {
        if (!m_client)
            return;
        if (rect)
            m_client->update(ToQRect(*rect));
        else
            m_client->update();
    }
    void Destroyed() override {
        if (m_widget)
            static_cast<FrameWidget*>(m_widget.data())->m_allowClose = true;
        // The control objects the dialog made for its controls go with it; their windows are
        // gone already (children are destroyed first).
        m_owned.clear();
        WidgetPeer::Destroyed();
    }

    bool ClassProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        switch (message) {
        case WM_SETICON: {
            HICON& slot = wParam == ICON_BIG_ ? m_bigIcon : m_smallIcon;
            *result = reinterpret_cast<LRESULT>(slot);
            slot = reinterpret_cast<HICON>(lParam);
            UpdateIcon();
            return true;
        }
        case WM_GETICON_:
            *result = reinterpret_cast<LRESULT>(wParam == ICON_BIG_ ? m_bigIcon : m_smallIcon);
            return true;
        case WM_SETFONT:
            // A dialog's font is its template's; the controls keep theirs.
            m_font = reinterpret_cast<HFONT>(wParam);
            *result = 0;
            return true;
        default:
            return WidgetPeer::ClassProc(message, wParam, lParam, result);
        }
    }

protected:
    void ApplyText() override {
        if (CWnd* w = Wnd(); w && m_widget)
            m_widget->setWindowTitle(ToQ(w->StoredText()));
    }
    void ApplyStyle(DWORD oldStyle, DWORD oldExStyle) override {
        if (!m_widget)
            return;
        DWORD style = Style(), ex = ExStyle();
        bool topmost = (ex & WS_EX_TOPMOST) != 0;
        if (topmost != ((oldExStyle & WS_EX_TOPMOST) != 0)) {
            bool visible = m_widget->isVisible();
            m_widget->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
            if (visible)
                m_widget->show();
        }
        m_widget->setEnabled(!(style & WS_DISABLED));
        if ((style & WS_VISIBLE) && (style & WS_MINIMIZE)) {
            m_widget->showMinimized();
        } else if (style & WS_VISIBLE) {
            if (!m_widget->isVisible() || m_widget->isMinimized()) {
                m_widget->showNormal();
                if (QGuiApplication::platformName() != QLatin1String("offscreen"))
                    m_widget->raise();
                m_widget->activateWindow();
            }
        } else if (oldStyle & WS_VISIBLE) {
            m_widget->hide();
        }
    }

private:
    void UpdateIcon() {
        HICON icon = m_bigIcon ? m_bigIcon : m_smallIcon;
        auto* i = static_cast<HICON__*>(LiveObject(icon));
        if (m_widget)
            m_widget->setWindowIcon(i && i->kind == GdiKind::Icon ? QIcon(QPixmap::fromImage(i->image))
                                                                  : QIcon());
    }

    QPointer<ClientWidget> m_client;
    HFONT m_dialogFont;
    SIZE m_base;
    HICON m_bigIcon = nullptr;
    HICON m_smallIcon = nullptr;
    std::vector<std::unique_ptr<CWnd>> m_owned;
};

void ClientWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ToQColor(kFace));
    auto* peer = dynamic_cast<DialogPeer*>(WidgetPeer::Of(m_hWnd));
    HDC dc = MakePaintDC(&p, peer ? peer->Font() : nullptr);
    {
        PaintScope scope(m_hWnd, dc, this);
        SafeSend(m_hWnd, WM_PAINT, 0, 0);
    }
    FreeDC(dc);
    if (peer)
        peer->PaintSurface(p);
}

DialogPeer* DialogPeerOf(CWnd* wnd) {
    return dynamic_cast<DialogPeer*>(WidgetPeer::Of(wnd));
}

CWnd* NewControlObject(const char* className) {
    if (std::strcmp(className, WC_BUTTON) == 0)
        return new CButton();
    if (std::strcmp(className, WC_EDIT) == 0)
        return new CEdit();
    if (std::strcmp(className, WC_STATIC) == 0)
        return new CStatic();
    if (std::strcmp(className, WC_COMBOBOX) == 0)
        return new CComboBox();
    if (std::strcmp(className, WC_LISTVIEW) == 0)
        return new CListCtrl();
    return new CWnd();
}

void AddMenu(QMenu* menu, const std::vector<MenuItemTemplate>& items, HWND wnd) {
    for (const MenuItemTemplate& item : items) {
        if (!item.popup.empty()) {
            AddMenu(menu->addMenu(ToQ(item.text)), item.popup, wnd);
        } else if (!item.text || !*item.text) {
            menu->addSeparator();
        } else {
            QAction* action = menu->addAction(ToQ(item.text));
            UINT id = item.id;
            action->setData(id);
            QObject::connect(action, &QAction::triggered, [wnd, id] {
                if (CWnd::FromHandlePermanent(wnd))
                    zwin::PostInputMessage(wnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
            });
        }
    }
}

} // namespace

QWidget* ClientWidgetOf(CWnd* dlg) {
    DialogPeer* p = DialogPeerOf(dlg);
    return p ? p->Client() : nullptr;
}

QWidget* FrameWidgetOf(CWnd* wnd) {
    if (!wnd)
        return nullptr;
    DialogPeer* p = DialogPeerOf(wnd->GetTopLevelParent());
    return p ? p->Widget() : nullptr;
}

SIZE BaseUnitsOf(CWnd* dlg) {
    DialogPeer* p = DialogPeerOf(dlg);
    return p ? p->BaseUnits() : SIZE{0, 0};
}

QRect MapDialogUnits(const SIZE& base, int x, int y, int cx, int cy) {
    int left = MulDiv(x, base.cx, 4), top = MulDiv(y, base.cy, 8);
    int right = MulDiv(x + cx, base.cx, 4), bottom = MulDiv(y + cy, base.cy, 8);
    return QRect(left, top, right - left, bottom - top);
}

namespace {
// Base units as the dialog manager computes them: the average width of the 52 Latin letters
// (rounded) and the font's height. They are taken from the Hangul face, which sizes the
// windows' Korean texts; the narrower Latin face only draws Latin text.
SIZE ComputeBaseUnits(const QFont& dialogFont) {
    QFont font = dialogFont;
    font.setFamilies({kHangulFamily});
    // The layout keeps the face's own widths; hinting only places the strokes.
    font.setHintingPreference(QFont::PreferDefaultHinting);
    QFontMetrics fm(font);
    int width = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return SIZE{(width / 26 + 1) / 2, fm.height()};
}
} // namespace

bool BuildDialog(CDialog* dlg, const DialogTemplate* t, CWnd* owner) {
    EnsureApplication();
    LOGFONTA lf{};
    int pointSize = t->pointSize > 0 ? t->pointSize : 9;
    int pixels = MulDiv(pointSize, 96, 72);
    lf.lfHeight = -pixels;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = HANGUL_CHARSET;
    std::strncpy(lf.lfFaceName, t->fontFace ? t->fontFace : "MS Shell Dlg", LF_FACESIZE - 1);
    HFONT font = MakeStockFont(lf, pixels);
    QFont qfont = FontOf(font);
    SIZE base = ComputeBaseUnits(qfont);

    QWidget* ownerFrame = owner ? FrameWidgetOf(owner) : nullptr;
    // The frame's handle is known only after CreateEx; the frame learns it below.
    QRect clientRect = MapDialogUnits(base, 0, 0, t->cx, t->cy);
    RECT windowRect{0, 0, clientRect.width(), clientRect.height()};
    if (!dlg->CreateEx(t->exStyle, t->caption, t->style & ~WS_VISIBLE, windowRect, nullptr, 0)) {
        delete static_cast<HFONT__*>(font);
        return false;
    }
    HWND hwnd = dlg->m_hWnd;
    auto* frame = new FrameWidget(ownerFrame, hwnd);
    frame->setFont(qfont);
    Qt::WindowFlags flags = frame->windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (t->style & WS_SYSMENU)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (t->style & WS_MINIMIZEBOX)
        flags |= Qt::WindowMinimizeButtonHint;
    frame->setWindowFlags(flags & ~Qt::WindowMaximizeButtonHint);
    frame->setWindowModality(Qt::ApplicationModal);
    frame->setWindowTitle(ToQ(t->caption));

    int menuHeight = 0;
    if (const MenuTemplate* m = t->menuId ? FindMenuTemplate(t->menuId) : nullptr) {
        auto* bar = new QMenuBar(frame);
        bar->setStyle(SharedStyle<MenuBarStyle>());
        bar->setFont(qfont);
        QPalette titles = bar->palette();
        titles.setColor(QPalette::Highlight, ToQColor(kHighlight));
        titles.setColor(QPalette::HighlightedText, ToQColor(kHighlightText));
        bar->setPalette(titles);
        for (const MenuItemTemplate& item : m->items) {
            if (!item.popup.empty()) {
                AddMenu(bar->addMenu(ToQ(item.text)), item.popup, hwnd);
            } else {
                QAction* action = bar->addAction(ToQ(item.text));
                UINT id = item.id;
                action->setData(id);
                QObject::connect(action, &QAction::triggered, [hwnd, id] {
                    if (CWnd::FromHandlePermanent(hwnd))
                        zwin::PostInputMessage(hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
                });
            }
        }
        menuHeight = bar->sizeHint().height();
        bar->setGeometry(0, 0, clientRect.width(), menuHeight);
    }
    auto* client = new ClientWidget(frame, hwnd);
    client->setGeometry(0, menuHeight, clientRect.width(), clientRect.height());
    client->setFocusPolicy(Qt::NoFocus);
    frame->setFixedSize(clientRect.width(), clientRect.height() + menuHeight);

    // Centred over the owner, else on the screen; OnInitDialog may move it.
    QRect area =
        ownerFrame ? ownerFrame->frameGeometry()
                   : (QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                       : QRect(0, 0, 1024, 768));
    QPoint topLeft = area.center() - QPoint(frame->width() / 2, frame->height() / 2);
    frame->move(topLeft);

    auto* peer = new DialogPeer(dlg, frame, client, font, base);
    // The stored window rectangle follows the frame (SetWindowPos keeps its size).
    dlg->SetWindowPos(nullptr, topLeft.x(), topLeft.y(), frame->width(), frame->height(),
                      SWP_NOZORDER | SWP_NOACTIVATE);

    for (const DialogItemTemplate& item : t->items) {
        CWnd* control = NewControlObject(item.className);
        peer->Own(control);
        QRect r = MapDialogUnits(base, item.x, item.y, item.cx, item.cy);
        DWORD style = item.style | WS_CHILD | WS_VISIBLE;
        control->CreateEx(item.exStyle, item.text ? item.text : "", style, FromQRect(r), dlg,
                          static_cast<UINT>(item.id));
        WidgetPeer* cp = CreateControlPeer(control, item, client);
        if (!cp)
            continue;
        cp->SetFontHandle(font, false);
        if (cp->Widget())
            cp->Widget()->show();
    }
    return true;
}

void ShowDialog(CDialog* dlg) {
    dlg->ShowWindow(SW_SHOW);
}

void HideWindow(CWnd* wnd) {
    if (wnd && wnd->m_hWnd)
        wnd->ShowWindow(SW_HIDE);
}

bool HasKeyboard(CWnd* wnd) {
    QWidget* frame = FrameWidgetOf(wnd);
    return frame && frame->isActiveWindow();
}

void GiveKeyboardTo(CWnd* wnd) {
    // Without a window manager nobody else would: the keyboard would stay with the root window.
    QWidget* frame = FrameWidgetOf(wnd);
    if (frame && frame->isVisible())
        frame->activateWindow();
}

void FocusFirstTabStop(CDialog* dlg) {
    for (CWnd* child : dlg->GetChildren()) {
        DWORD s = child->GetStyle();
        if ((s & WS_TABSTOP) && (s & WS_VISIBLE) && !(s & WS_DISABLED)) {
            child->SetFocus();
            return;
        }
    }
}

bool OpenMenuWithLetter(CDialog* dlg, UINT vk) {
    QWidget* frame = FrameWidgetOf(dlg);
    auto* bar = frame ? frame->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!bar)
        return false;
    const QKeySequence wanted(QKeyCombination(Qt::AltModifier, static_cast<Qt::Key>(vk)));
    for (QAction* title : bar->actions()) {
        if (title->isEnabled() && QKeySequence::mnemonic(title->text()) == wanted) {
            bar->setActiveAction(title);
            return true;
        }
    }
    return false;
}

CWnd* FocusedControl(CDialog* dlg) {
    DialogPeer* p = DialogPeerOf(dlg);
    if (!p || !p->Widget())
        return nullptr;
    QWidget* f = p->Widget()->focusWidget();
    HWND h = f ? WindowOfWidget(f) : nullptr;
    CWnd* w = CWnd::FromHandlePermanent(h);
    return w && w != dlg ? w : nullptr;
}

} // namespace zui::detail
