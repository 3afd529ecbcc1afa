// Test aids: real Qt input events on the widgets behind windows, and images of windows.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTextLayout>

#include <cmath>
#include <cstring>

#include <algorithm>
#include <functional>
#include <map>

#include "platform/ui/Backend_qt.h"
#include "uitest/UiTest.h"

using namespace zui::detail;

namespace {

WidgetPeer* PeerOf(CWnd* wnd) {
    return WidgetPeer::Of(wnd);
}

QWidget* WidgetOf(CWnd* wnd) {
    WidgetPeer* p = PeerOf(wnd);
    return p ? p->Widget() : nullptr;
}

bool IsDialog(CWnd* wnd) {
    return wnd && ClientWidgetOf(wnd) != nullptr;
}

void SendMouse(QWidget* w, QEvent::Type type, const QPoint& at, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

struct KeySpec {
    int key;
    QString text;
};

KeySpec QtKey(UINT vk) {
    if (vk >= VK_F1 && vk <= VK_F12)
        return {Qt::Key_F1 + static_cast<int>(vk - VK_F1), QString()};
    if (vk >= 'A' && vk <= 'Z')
        return {Qt::Key_A + static_cast<int>(vk - 'A'),
                QString(QChar(static_cast<char16_t>(vk - 'A' + 'a')))};
    if (vk >= '0' && vk <= '9')
        return {Qt::Key_0 + static_cast<int>(vk - '0'), QString(QChar(static_cast<char16_t>(vk)))};
    switch (vk) {
    case VK_RETURN:
        return {Qt::Key_Return, QStringLiteral("\r")};
    case VK_ESCAPE:
        return {Qt::Key_Escape, QString(QChar(0x1B))};
    case VK_TAB:
        return {Qt::Key_Tab, QStringLiteral("\t")};
    case VK_BACK:
        return {Qt::Key_Backspace, QString(QChar(0x08))};
    case VK_DELETE:
        return {Qt::Key_Delete, QString()};
    case VK_SPACE:
        return {Qt::Key_Space, QStringLiteral(" ")};
    case VK_LEFT:
        return {Qt::Key_Left, QString()};
    case VK_RIGHT:
        return {Qt::Key_Right, QString()};
    case VK_UP:
        return {Qt::Key_Up, QString()};
    case VK_DOWN:
        return {Qt::Key_Down, QString()};
    default:
        return {Qt::Key_unknown, QString()};
    }
}

void SendKey(QWidget* target, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &release);
}

QWidget* KeyTarget(CWnd* wnd) {
    WidgetPeer* p = PeerOf(wnd);
    QWidget* w = p ? p->FocusWidget() : nullptr;
    if (w)
        w->setFocus(Qt::OtherFocusReason);
    return w;
}

bool SaveImage(QWidget* w, const char* path) {
    QString file = QString::fromUtf8(path);
    QDir().mkpath(QFileInfo(file).absolutePath());
    return w->grab().save(file, "PNG");
}

QWidget* ShownBox() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->property(kMessageBoxProperty).toBool())
            return w;
    return nullptr;
}

} // namespace

namespace zui {

void Click(CWnd* wnd) {
    Press(wnd);
    Release(wnd);
}

void Press(CWnd* wnd) {
    if (QWidget* w = WidgetOf(wnd))
        SendMouse(w, QEvent::MouseButtonPress, w->rect().center(), Qt::LeftButton);
}

void Release(CWnd* wnd) {
    if (QWidget* w = WidgetOf(wnd))
        SendMouse(w, QEvent::MouseButtonRelease, w->rect().center(), Qt::NoButton);
}

void PressKey(CWnd* wnd, UINT vk) {
    if (QWidget* target = KeyTarget(wnd)) {
        KeySpec k = QtKey(vk);
        SendKey(target, k.key, k.text);
    }
}

bool PressKeyAtFocus(UINT vk) {
    // The window system has told the program which window is active by the time a key comes.
    QCoreApplication::processEvents();
    QWidget* target = QApplication::focusWidget();
    if (!target)
        return false;
    KeySpec k = QtKey(vk);
    SendKey(target, k.key, k.text);
    return true;
}

void PressAltKey(CWnd* wnd, UINT vk) {
    QWidget* target = KeyTarget(wnd);
    if (!target)
        return;
    if (vk == 0) {
        QKeyEvent check(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::AltModifier);
        QCoreApplication::sendEvent(target, &check);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
        QCoreApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &release);
        return;
    }
    KeySpec k = QtKey(vk);
    QKeyEvent press(QEvent::KeyPress, k.key, Qt::AltModifier, k.text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, k.key, Qt::AltModifier, k.text);
    QCoreApplication::sendEvent(target, &release);
}

bool PressMenuKey(CWnd* dlg, UINT vk) {
    QWidget* frame = FrameWidgetOf(dlg);
    auto* bar = frame ? frame->findChild<QMenuBar*>() : nullptr;
    QWidget* target = QApplication::activePopupWidget();
    if (!target && bar && bar->window()->focusWidget() == bar)
        target = bar;
    if (!target)
        return false;
    KeySpec k = QtKey(vk);
    SendKey(target, k.key, k.text);
    return true;
}

MenuBarState MenuState(CWnd* dlg) {
    MenuBarState state;
    QWidget* frame = FrameWidgetOf(dlg);
    auto* bar = frame ? frame->findChild<QMenuBar*>() : nullptr;
    if (!bar)
        return state;
    const QList<QAction*> titles = bar->actions();
    state.selected = static_cast<int>(titles.indexOf(bar->activeAction()));
    for (int i = 0; i < titles.size(); ++i)
        if (titles[i]->menu() && titles[i]->menu()->isVisible())
            state.open = i;
    return state;
}

COLORREF MenuTitleColour(CWnd* dlg, int title) {
    QWidget* frame = FrameWidgetOf(dlg);
    auto* bar = frame ? frame->findChild<QMenuBar*>() : nullptr;
    const QList<QAction*> titles = bar ? bar->actions() : QList<QAction*>();
    if (title < 0 || title >= titles.size())
        return CLR_INVALID;
    const QRect r = bar->actionGeometry(titles[title]);
    const QImage image = bar->grab(r).toImage();
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    auto most = std::max_element(counts.begin(), counts.end(),
                                 [](const auto& a, const auto& b) { return a.second < b.second; });
    return most == counts.end() ? CLR_INVALID : FromQColor(QColor::fromRgb(most->first));
}

void OpenContextMenu(CWnd* wnd, bool byKeyboard) {
    QWidget* target = KeyTarget(wnd);
    if (!target)
        return;
    if (byKeyboard) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier);
        QCoreApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_F10, Qt::ShiftModifier);
        QCoreApplication::sendEvent(target, &release);
        return;
    }
    // What the window system delivers for a right click.
    const QPoint at = target->rect().center();
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
    QCoreApplication::sendEvent(target, &menu);
}

std::vector<ShownMenuItem> ShownPopupMenu() {
    std::vector<ShownMenuItem> items;
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    for (QAction* a : menu ? menu->actions() : QList<QAction*>())
        if (!a->isSeparator())
            items.push_back({FromQ(a->text()), a->isEnabled()});
    return items;
}

void TypeText(CWnd* wnd, const char* text) {
    QWidget* target = KeyTarget(wnd);
    if (!target)
        return;
    for (QChar ch : ToQ(text)) {
        int key = Qt::Key_unknown;
        if (ch >= QLatin1Char('a') && ch <= QLatin1Char('z'))
            key = Qt::Key_A + (ch.unicode() - 'a');
        else if (ch >= QLatin1Char('A') && ch <= QLatin1Char('Z'))
            key = Qt::Key_A + (ch.unicode() - 'A');
        else if (ch >= QLatin1Char('0') && ch <= QLatin1Char('9'))
            key = Qt::Key_0 + (ch.unicode() - '0');
        else if (ch == QLatin1Char(' '))
            key = Qt::Key_Space;
        SendKey(target, key, QString(ch));
    }
}

void PasteText(CWnd* wnd, const char* text) {
    QWidget* target = KeyTarget(wnd);
    if (!target)
        return;
    QGuiApplication::clipboard()->setText(ToQ(text));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"));
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"));
    QCoreApplication::sendEvent(target, &release);
}

int CaretPosition(CWnd* edit) {
    auto* e = qobject_cast<QLineEdit*>(WidgetOf(edit));
    return e ? e->cursorPosition() : -1;
}

void ClickCloseBox(CWnd* wnd) {
    if (QWidget* frame = FrameWidgetOf(wnd))
        frame->close();
}

void ChooseComboItem(CWnd* combo, int index) {
    if (auto* c = qobject_cast<QComboBox*>(WidgetOf(combo))) {
        c->setCurrentIndex(index);
        emit c->activated(index);
    }
}

bool ChooseMenuItem(CWnd* dlg, UINT id) {
    QWidget* frame = FrameWidgetOf(dlg);
    auto* bar = frame ? frame->findChild<QMenuBar*>() : nullptr;
    if (!bar)
        return false;
    // Menu items carry their command in the order of the template; find it by walking.
    std::function<QAction*(const QList<QAction*>&)> find = [&](const QList<QAction*>& actions) -> QAction* {
        for (QAction* a : actions) {
            if (a->menu()) {
                if (QAction* hit = find(a->menu()->actions()))
                    return hit;
            } else if (a->data().toUInt() == id) {
                return a;
            }
        }
        return nullptr;
    };
    QAction* action = find(bar->actions());
    if (!action)
        return false;
    action->trigger();
    return true;
}

bool AnswerShownMessageBox(int id) {
    QWidget* box = ShownBox();
    for (QAbstractButton* b : box ? box->findChildren<QAbstractButton*>() : QList<QAbstractButton*>()) {
        if (b->property("zwinId").toInt() == id) {
            b->click();
            return true;
        }
    }
    return false;
}

bool ShownMessageBox(MessageBoxLayout* layout) {
    QWidget* box = ShownBox();
    if (!box || !layout)
        return false;
    *layout = MessageBoxLayout{};
    layout->caption = FromQ(box->windowTitle());
    layout->client = RECT{0, 0, box->width(), box->height()};
    if (auto* icon = box->findChild<QLabel*>(QStringLiteral("icon")))
        layout->icon = FromQRect(icon->geometry());
    if (auto* text = box->findChild<QLabel*>(QStringLiteral("text"))) {
        layout->text = FromQRect(text->geometry());
        layout->textAlignedLeft = (text->alignment() & Qt::AlignHorizontal_Mask) == Qt::AlignLeft;
    }
    for (QAbstractButton* b : box->findChildren<QAbstractButton*>()) {
        layout->buttons.push_back(FromQRect(b->geometry()));
        layout->labels.push_back(FromQ(b->text()));
        if (b->hasFocus())
            layout->focused = b->property("zwinId").toInt();
    }
    return true;
}

bool SaveShownMessageBoxImage(const char* path) {
    QWidget* box = ShownBox();
    return box && path && SaveImage(box, path);
}

bool PressKeyInMessageBox(UINT vk) {
    QWidget* box = ShownBox();
    QWidget* target = box ? (box->focusWidget() ? box->focusWidget() : box) : nullptr;
    if (!target)
        return false;
    KeySpec k = QtKey(vk);
    SendKey(target, k.key, k.text);
    return true;
}

void DragHeaderDivider(CWnd* list, int column, int dx) {
    if (!list)
        return;
    auto header = reinterpret_cast<HWND>(list->SendMessage(LVM_GETHEADER));
    QWidget* w = WidgetOf(CWnd::FromHandlePermanent(header));
    RECT r{};
    if (!w ||
        !::SendMessageA(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&r)))
        return;
    QPoint from(r.right, w->height() / 2);
    SendMouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton);
    SendMouse(w, QEvent::MouseMove, from + QPoint(dx, 0), Qt::LeftButton);
    SendMouse(w, QEvent::MouseButtonRelease, from + QPoint(dx, 0), Qt::NoButton);
}

CString ShownText(CWnd* wnd) {
    QWidget* w = WidgetOf(wnd);
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return FromQ(e->displayText());
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        QStyleOptionComboBox opt;
        opt.initFrom(c);
        opt.rect = c->rect();
        QRect field = c->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c);
        return FromQ(c->fontMetrics().elidedText(c->currentText(), Qt::ElideRight, field.width()));
    }
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return FromQ(b->text());
    CString stored = wnd ? wnd->StoredText() : CString();
    if (w && !stored.IsEmpty() && std::strcmp(ClassNameOf(wnd), WC_STATIC) == 0) {
        // A static breaks its text at words; a line whose baseline is below its height is not seen.
        QTextLayout layout(ToQ(stored), PeerOf(wnd)->Widget()->font());
        QTextOption option;
        option.setWrapMode(QTextOption::WordWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        QString shown;
        qreal y = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(w->width());
            if (y + line.ascent() > w->height() + 0.5)
                break;
            shown += layout.text().mid(line.textStart(), line.textLength());
            y += line.height();
        }
        layout.endLayout();
        return FromQ(shown.trimmed());
    }
    return stored;
}

bool DropDownRect(CWnd* combo, RECT* list) {
    auto* c = qobject_cast<QComboBox*>(WidgetOf(combo));
    QWidget* client = combo ? ClientWidgetOf(combo->GetTopLevelParent()) : nullptr;
    if (!c || !client || !list)
        return false;
    c->showPopup();
    QCoreApplication::processEvents();
    QWidget* popup = c->view() ? c->view()->window() : nullptr;
    const bool shown = popup && popup != c->window() && popup->isVisible();
    if (shown) {
        QRect r = popup->geometry();
        *list = FromQRect(QRect(client->mapFromGlobal(r.topLeft()), r.size()));
    }
    c->hidePopup();
    QCoreApplication::processEvents();
    return shown;
}

int DropDownItemHeight(CWnd* combo) {
    auto* c = qobject_cast<QComboBox*>(WidgetOf(combo));
    if (!c || c->count() == 0)
        return 0;
    c->showPopup();
    QCoreApplication::processEvents();
    const int height = c->view()->visualRect(c->model()->index(0, 0)).height();
    c->hidePopup();
    QCoreApplication::processEvents();
    return height;
}

bool SaveDropDownImage(CWnd* combo, const char* path) {
    auto* c = qobject_cast<QComboBox*>(WidgetOf(combo));
    if (!c || !path)
        return false;
    c->showPopup();
    QCoreApplication::processEvents();
    QWidget* popup = c->view() ? c->view()->window() : nullptr;
    const bool saved = popup && popup != c->window() && SaveImage(popup, path);
    c->hidePopup();
    QCoreApplication::processEvents();
    return saved;
}

CString ShownCellText(CWnd* list, int row, int column) {
    return FromQ(ShownCellOf(list, row, column));
}

RECT WidgetRect(CWnd* wnd) {
    if (IsDialog(wnd)) {
        QWidget* c = ClientWidgetOf(wnd);
        return RECT{0, 0, c->width(), c->height()};
    }
    QWidget* w = WidgetOf(wnd);
    QWidget* client = wnd ? ClientWidgetOf(wnd->GetTopLevelParent()) : nullptr;
    if (!w)
        return RECT{0, 0, 0, 0};
    QPoint origin = client ? w->mapTo(client, QPoint(0, 0)) : w->pos();
    return FromQRect(QRect(origin, w->size()));
}

int TextOverflow(CWnd* wnd) {
    QWidget* w = WidgetOf(wnd);
    if (!w || !w->isVisible() || !wnd)
        return 0;
    QString text;
    bool wrap = false;
    if (std::strcmp(ClassNameOf(wnd), WC_STATIC) == 0) {
        const DWORD type = wnd->GetStyle() & SS_TYPEMASK;
        constexpr DWORD kLastTextType = 0xC; // SS_LEFTNOWORDWRAP
        if (type > SS_RIGHT && type != 0xB && type != kLastTextType)
            return 0; // frames and images
        text = ToQ(wnd->StoredText());
        wrap = type <= SS_RIGHT && !(wnd->GetStyle() & SS_CENTERIMAGE);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        text = b->text();
    }
    text.remove(QLatin1Char('&'));
    if (text.trimmed().isEmpty())
        return 0;
    QTextLayout layout(text, w->font());
    QTextOption option;
    option.setWrapMode(wrap ? QTextOption::WordWrap : QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(w->width());
        height += line.height();
    }
    layout.endLayout();
    return std::max(0, static_cast<int>(std::ceil(height - 0.01)) - w->height());
}

bool HasFocus(CWnd* wnd) {
    WidgetPeer* p = PeerOf(wnd);
    QWidget* w = p ? p->FocusWidget() : nullptr;
    return w && w->window()->focusWidget() == w;
}

bool IsShown(CWnd* wnd) {
    if (IsDialog(wnd))
        return FrameWidgetOf(wnd) && FrameWidgetOf(wnd)->isVisible();
    QWidget* w = WidgetOf(wnd);
    return w && w->isVisible();
}

int ListRowHeight(CWnd* list) {
    return ListRowHeightOf(list);
}

std::size_t ListTextBytes(CWnd* list) {
    return ListTextBytesOf(list);
}

SIZE DialogBaseUnits(CWnd* dlg) {
    return BaseUnitsOf(dlg);
}

RECT MapDialogRect(CWnd* dlg, const RECT& du) {
    return FromQRect(
        MapDialogUnits(BaseUnitsOf(dlg), du.left, du.top, du.right - du.left, du.bottom - du.top));
}

COLORREF GetWindowPixel(CWnd* wnd, int x, int y) {
    QWidget* w = IsDialog(wnd) ? ClientWidgetOf(wnd) : WidgetOf(wnd);
    if (!w)
        return CLR_INVALID;
    QImage image = w->grab().toImage();
    if (!image.valid(x, y))
        return CLR_INVALID;
    return FromQColor(image.pixelColor(x, y));
}

bool SaveWindowImage(CWnd* wnd, const char* path) {
    QWidget* w = IsDialog(wnd) ? FrameWidgetOf(wnd) : WidgetOf(wnd);
    return w && path && SaveImage(w, path);
}

} // namespace zui
