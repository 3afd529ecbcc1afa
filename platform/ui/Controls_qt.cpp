// Buttons, edits, statics and combo boxes as Qt widgets with the behaviour of their window
// classes: notifications to the parent go through the message queue as input, painting asks
// the parent (WM_DRAWITEM, WM_CTLCOLOR) at once.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QItemDelegate>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QTimer>

#include <algorithm>
#include <cstring>

#include "platform/core/Text.h"
#include "platform/ui/Backend_qt.h"
#include "platform/ui/Dialog.h"
#include "platform/win/MessageLoop.h"

using namespace zui::detail;

namespace {

bool IsFrameType(DWORD type) {
    return type >= SS_BLACKRECT && type <= SS_WHITEFRAME;
}

void ApplyTextColours(QWidget* w, COLORREF text) {
    QPalette pal = w->palette();
    QColor c = ToQColor(text);
    bool changed = false;
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
            if (pal.color(group, role) != c) {
                pal.setColor(group, role, c);
                changed = true;
            }
        }
    }
    if (changed)
        w->setPalette(pal);
}

// ---------------------------------------------------------------------------------------
// Buttons.

class ButtonPeer : public WidgetPeer {
public:
    ButtonPeer(CWnd* wnd, QWidget* button) : WidgetPeer(wnd, button) {}
    const char* ClassName() const override { return WC_BUTTON; }
    DWORD Type() const { return Style() & BS_TYPEMASK; }
    bool IsAuto() const {
        DWORD t = Type();
        return t == BS_AUTOCHECKBOX || t == BS_AUTO3STATE || t == BS_AUTORADIOBUTTON;
    }
    // Null for a group box.
    QAbstractButton* Button() const { return qobject_cast<QAbstractButton*>(m_widget.data()); }

    // An auto radio button that is clicked unchecks the others of its group (WS_GROUP to WS_GROUP).
    void UncheckGroup() {
        CWnd* self = Wnd();
        CWnd* parent = self ? self->GetParent() : nullptr;
        if (!parent)
            return;
        const auto& kids = parent->GetChildren();
        auto it = std::find(kids.begin(), kids.end(), self);
        if (it == kids.end())
            return;
        size_t i = static_cast<size_t>(it - kids.begin());
        size_t start = i;
        while (start > 0 && !(kids[start]->GetStyle() & WS_GROUP))
            --start;
        for (size_t j = start; j < kids.size(); ++j) {
            if (j > start && (kids[j]->GetStyle() & WS_GROUP))
                break;
            if (j != i && IsRadioButton(kids[j]))
                kids[j]->SendMessage(BM_SETCHECK, BST_UNCHECKED, 0);
        }
    }

    bool ClassProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        QAbstractButton* b = Button();
        switch (message) {
        case BM_GETCHECK:
            *result = CheckState();
            return true;
        case BM_SETCHECK:
            SetCheckState(static_cast<UINT>(wParam));
            *result = 0;
            return true;
        case BM_GETSTATE:
            *result =
                CheckState() | (b && b->isDown() ? BST_PUSHED : 0) | (b && b->hasFocus() ? BST_FOCUS : 0);
            return true;
        case BM_SETSTATE:
            if (b)
                b->setDown(wParam != 0);
            *result = 0;
            return true;
        case BM_CLICK:
            if (b && b->isEnabled())
                b->click();
            *result = 0;
            return true;
        case WM_GETDLGCODE:
            *result = DialogCode();
            return true;
        case BM_SETSTYLE:
            if (CWnd* w = Wnd())
                w->ModifyStyle(BS_TYPEMASK, static_cast<DWORD>(wParam) & BS_TYPEMASK);
            if (lParam && m_widget)
                m_widget->update();
            *result = 0;
            return true;
        default:
            return WidgetPeer::ClassProc(message, wParam, lParam, result);
        }
    }

protected:
    void ApplyText() override {
        CWnd* w = Wnd();
        if (!w || !m_widget)
            return;
        if (auto* g = qobject_cast<QGroupBox*>(m_widget.data()))
            g->setTitle(ToQ(w->StoredText()));
        else if (QAbstractButton* b = Button())
            b->setText(ToQ(w->StoredText()));
    }

private:
    // As the target's buttons answer: an owner-drawn button is a button alone, never a push
    // button the dialog manager would press on Enter.
    LRESULT DialogCode() const {
        switch (Type()) {
        case BS_PUSHBUTTON:
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case BS_DEFPUSHBUTTON:
            return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            return DLGC_BUTTON | DLGC_RADIOBUTTON;
        case BS_GROUPBOX:
            return DLGC_STATIC;
        default:
            return DLGC_BUTTON;
        }
    }
    LRESULT CheckState() const {
        if (auto* c = qobject_cast<QCheckBox*>(m_widget.data())) {
            switch (c->checkState()) {
            case Qt::Checked:
                return BST_CHECKED;
            case Qt::PartiallyChecked:
                return BST_INDETERMINATE;
            default:
                return BST_UNCHECKED;
            }
        }
        if (auto* r = qobject_cast<QRadioButton*>(m_widget.data()))
            return r->isChecked() ? BST_CHECKED : BST_UNCHECKED;
        return BST_UNCHECKED;
    }
    void SetCheckState(UINT state) {
        if (auto* c = qobject_cast<QCheckBox*>(m_widget.data())) {
            c->setCheckState(state == BST_CHECKED ? Qt::Checked
                             : state == BST_INDETERMINATE
                                 ? (c->isTristate() ? Qt::PartiallyChecked : Qt::Checked)
                                 : Qt::Unchecked);
        } else if (auto* r = qobject_cast<QRadioButton*>(m_widget.data())) {
            r->setChecked(state == BST_CHECKED);
        }
    }
};

ButtonPeer* ButtonPeerOf(HWND h) {
    return dynamic_cast<ButtonPeer*>(WidgetPeer::Of(h));
}

// The control the dialog manager counts as focused: its window's focus widget (as Enter and
// Tab count it).
bool IsFocused(const QWidget* w) {
    return w->window()->focusWidget() == w;
}

// The control shows where the focus is: it has it, and the keyboard has been used.
bool ShowsFocus(const QWidget* w) {
    return IsFocused(w) && KeyboardCuesShown(w);
}

// The push button Enter would press: the default push button.
bool IsDefaultNow(CWnd* button) {
    return button && (button->GetStyle() & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

// The default moves with the focus, and the default frame and the focus rectangle with it: every
// push button of the windows the focus leaves and enters is drawn again.
void FollowFocusWithTheDefault() {
    static bool connected = false;
    if (connected)
        return;
    connected = true;
    QObject::connect(qApp, &QApplication::focusChanged, [](QWidget* from, QWidget* to) {
        // At once: Enter typed next must find the default where the focus put it.
        if (CWnd* control = CWnd::FromHandlePermanent(to ? WindowOfWidget(to) : nullptr))
            MoveDefaultButton(dynamic_cast<CDialog*>(control->GetParent()), control);
        for (QWidget* w : {from, to}) {
            // Later, out of the change: the focus also moves while windows are destroyed.
            if (QWidget* window = w ? w->window() : nullptr)
                QTimer::singleShot(0, window, [window] {
                    for (QPushButton* b : window->findChildren<QPushButton*>())
                        b->update();
                });
        }
    });
}

// Inset of a push button's focus rectangle (inside its 3-D edge).
constexpr int kButtonFocusInset = 3;

class PushButton : public QPushButton {
public:
    PushButton(QWidget* parent, HWND wnd, bool ownerDraw)
        : QPushButton(parent), m_hWnd(wnd), m_ownerDraw(ownerDraw) {
        setAutoDefault(false);
        setDefault(false);
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        ButtonPeer* peer = ButtonPeerOf(m_hWnd);
        if (!m_ownerDraw || !peer) {
            QPushButton::paintEvent(e);
            if (peer) {
                QPainter p(this);
                // The default push button's heavier frame; the focus rectangle inside the edge.
                if (IsDefaultNow(peer->Wnd())) {
                    p.setPen(ToQColor(kWindowText));
                    p.setBrush(Qt::NoBrush);
                    p.drawRect(rect().adjusted(0, 0, -1, -1));
                }
                if (ShowsFocus(this))
                    DrawFocusRectangle(p, rect().adjusted(kButtonFocusInset, kButtonFocusInset,
                                                          -kButtonFocusInset - 1, -kButtonFocusInset - 1));
                peer->PaintSurface(p);
            }
            return;
        }
        // Owner draw: the parent paints the whole button through WM_DRAWITEM.
        QPainter p(this);
        HDC dc = MakePaintDC(&p, peer->Font());
        CWnd* self = peer->Wnd();
        CWnd* parent = self ? self->GetParent() : nullptr;
        if (parent) {
            UINT state = 0;
            if (isDown())
                state |= ODS_SELECTED;
            if (IsFocused(this))
                state |= ODS_FOCUS;
            if (!KeyboardCuesShown(this))
                state |= ODS_NOFOCUSRECT;
            if (!isEnabled())
                state |= ODS_DISABLED;
            DRAWITEMSTRUCT dis{
                ODT_BUTTON, static_cast<UINT>(self->GetDlgCtrlID()), 0, ODA_DRAWENTIRE, state, m_hWnd,
                dc,         RECT{0, 0, width(), height()},           0};
            PaintScope scope(m_hWnd, dc, this);
            SafeSend(parent->m_hWnd, WM_DRAWITEM, static_cast<WPARAM>(self->GetDlgCtrlID()),
                     reinterpret_cast<LPARAM>(&dis));
        }
        FreeDC(dc);
        peer->PaintSurface(p);
    }

private:
    HWND m_hWnd;
    bool m_ownerDraw;
};

class CheckBox : public QCheckBox {
public:
    CheckBox(QWidget* parent, HWND wnd) : QCheckBox(parent), m_hWnd(wnd) {}

protected:
    // The whole control takes the click, not only the box and its text.
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
    void nextCheckState() override {
        ButtonPeer* peer = ButtonPeerOf(m_hWnd);
        if (peer && peer->IsAuto())
            QCheckBox::nextCheckState();
    }
    void paintEvent(QPaintEvent* e) override;

private:
    HWND m_hWnd;
};

class RadioButton : public QRadioButton {
public:
    RadioButton(QWidget* parent, HWND wnd) : QRadioButton(parent), m_hWnd(wnd) { setAutoExclusive(false); }

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
    void nextCheckState() override {
        ButtonPeer* peer = ButtonPeerOf(m_hWnd);
        if (peer && peer->IsAuto()) {
            setChecked(true);
            peer->UncheckGroup();
        }
    }
    void paintEvent(QPaintEvent* e) override;

private:
    HWND m_hWnd;
};

class GroupBox : public QGroupBox {
public:
    GroupBox(QWidget* parent, HWND wnd) : QGroupBox(parent), m_hWnd(wnd) {}

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    HWND m_hWnd;
};

// Check boxes, radio buttons and group boxes ask WM_CTLCOLORSTATIC before they paint: the
// brush fills their background, the DC's text colour colours their text.
class ColourAsker : public ButtonPeer {
public:
    using ButtonPeer::ButtonPeer;
    void BeforePaint(QWidget* w) {
        Colours c = AskCtlColor(CTLCOLOR_STATIC, nullptr);
        ApplyTextColours(w, c.text);
        if (c.hasBrush && !qobject_cast<QGroupBox*>(w)) {
            QPainter p(w);
            p.fillRect(w->rect(), ToQColor(c.brush));
        }
    }
    void AfterPaint(QWidget* w) {
        if (m_surface) {
            QPainter p(w);
            PaintSurface(p);
        }
    }
};

ColourAsker* AskerOf(HWND h) {
    return dynamic_cast<ColourAsker*>(WidgetPeer::Of(h));
}

// The dotted focus rectangle round the text of a focused check box or radio button; round
// its box when it has no text (the agreement box, labelled by a static of its own).
void DrawTextFocus(QAbstractButton* b, QStyle::SubElement contents, QStyle::SubElement indicator) {
    if (!ShowsFocus(b))
        return;
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    QRect around;
    if (b->text().isEmpty()) {
        around = b->style()->subElementRect(indicator, &opt, b);
    } else {
        QRect area = b->style()->subElementRect(contents, &opt, b);
        around = b->fontMetrics().boundingRect(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                                               b->text());
    }
    QPainter p(b);
    DrawFocusRectangle(p, around.adjusted(-1, -1, 1, 1) & b->rect());
}

void CheckBox::paintEvent(QPaintEvent* e) {
    ColourAsker* peer = AskerOf(m_hWnd);
    if (peer)
        peer->BeforePaint(this);
    QCheckBox::paintEvent(e);
    DrawTextFocus(this, QStyle::SE_CheckBoxContents, QStyle::SE_CheckBoxIndicator);
    if (peer)
        peer->AfterPaint(this);
}

void RadioButton::paintEvent(QPaintEvent* e) {
    ColourAsker* peer = AskerOf(m_hWnd);
    if (peer)
        peer->BeforePaint(this);
    QRadioButton::paintEvent(e);
    DrawTextFocus(this, QStyle::SE_RadioButtonContents, QStyle::SE_RadioButtonIndicator);
    if (peer)
        peer->AfterPaint(this);
}

// Drawn as the system draws a group box: an etched frame and its title, nothing filled, so
// the dialog's face shows through (the style's own group box fills a panel).
void GroupBox::paintEvent(QPaintEvent*) {
    ColourAsker* peer = AskerOf(m_hWnd);
    if (peer)
        peer->BeforePaint(this);
    {
        QPainter p(this);
        QFontMetrics fm(font());
        // The title's band holds a whole line of the Hangul face.
        const int line = std::max(fm.height(), HangulLineHeight(font()));
        QRect frame = rect().adjusted(0, line / 2, -1, -1);
        p.setPen(QColor(0xA0, 0xA0, 0xA0));
        p.drawRect(frame.adjusted(0, 0, -1, -1));
        p.setPen(QColor(0xFF, 0xFF, 0xFF));
        p.drawRect(frame.adjusted(1, 1, 0, 0));
        const QString text = title();
        if (!text.isEmpty()) {
            QRect band(fm.averageCharWidth(), 0, fm.horizontalAdvance(text) + 4, line);
            p.fillRect(band, ToQColor(kFace));
            p.setPen(
                palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
            p.drawText(band, Qt::AlignCenter | Qt::TextSingleLine, text);
        }
    }
    if (peer)
        peer->AfterPaint(this);
}

WidgetPeer* CreateButton(CWnd* wnd, QWidget* parent) {
    FollowFocusWithTheDefault();
    DWORD style = wnd->GetStyle();
    DWORD type = style & BS_TYPEMASK;
    HWND h = wnd->m_hWnd;
    QString text = ToQ(wnd->StoredText());
    switch (type) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE: {
        auto* c = new CheckBox(parent, h);
        c->setTristate(type == BS_3STATE || type == BS_AUTO3STATE);
        c->setText(text);
        if (style & BS_LEFTTEXT)
            c->setLayoutDirection(Qt::RightToLeft);
        auto* peer = new ColourAsker(wnd, c);
        QObject::connect(c, &QAbstractButton::clicked, [h] { zwin::PostInputMessage(h, ZM_CLICKED, 0, 0); });
        return peer;
    }
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: {
        auto* r = new RadioButton(parent, h);
        r->setText(text);
        auto* peer = new ColourAsker(wnd, r);
        QObject::connect(r, &QAbstractButton::clicked, [h] { zwin::PostInputMessage(h, ZM_CLICKED, 0, 0); });
        return peer;
    }
    case BS_GROUPBOX: {
        auto* g = new GroupBox(parent, h);
        g->setTitle(text);
        g->setAttribute(Qt::WA_TransparentForMouseEvents);
        g->setFocusPolicy(Qt::NoFocus);
        g->lower();
        return new ColourAsker(wnd, g);
    }
    default: {
        auto* b = new PushButton(parent, h, type == BS_OWNERDRAW);
        b->setText(text);
        auto* peer = new ButtonPeer(wnd, b);
        QObject::connect(b, &QAbstractButton::clicked, [h] { zwin::PostInputMessage(h, ZM_CLICKED, 0, 0); });
        return peer;
    }
    }
}

// ---------------------------------------------------------------------------------------
// Edits.

constexpr UINT kDefaultEditLimit = 30000;

class EditPeer : public WidgetPeer {
public:
    EditPeer(CWnd* wnd, QLineEdit* edit) : WidgetPeer(wnd, edit) {}
    const char* ClassName() const override { return WC_EDIT; }
    QLineEdit* Edit() const { return static_cast<QLineEdit*>(m_widget.data()); }
    bool DigitsOnly() const { return (Style() & ES_NUMBER) != 0; }
    UINT Limit() const { return m_limit; }

    bool QueryText(CString& text) const override {
        if (!m_widget)
            return false;
        text = FromQ(Edit()->text());
        return true;
    }

    bool ClassProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        switch (message) {
        case EM_LIMITTEXT:
            m_limit = wParam ? static_cast<UINT>(wParam) : 0x7FFFFFFE;
            *result = 0;
            return true;
        case EM_GETLIMITTEXT:
            *result = m_limit;
            return true;
        case EM_SETSEL:
            if (QLineEdit* e = Edit()) {
                int start = static_cast<int>(static_cast<INT_PTR>(wParam));
                int end = static_cast<int>(lParam);
                int n = static_cast<int>(e->text().size());
                if (start < 0) {
                    e->deselect();
                } else {
                    if (end < 0 || end > n)
                        end = n;
                    start = std::min(start, n);
                    e->setSelection(start, end - start);
                }
            }
            *result = 0;
            return true;
        default:
            return WidgetPeer::ClassProc(message, wParam, lParam, result);
        }
    }

    Colours PaintColours(bool editable) {
        return AskCtlColor(editable ? CTLCOLOR_EDIT : CTLCOLOR_STATIC, nullptr);
    }

protected:
    // A text set by the program is shown from its start, the caret before its first character.
    void ApplyText() override {
        if (CWnd* w = Wnd(); w && m_widget) {
            Edit()->setText(ToQ(w->StoredText()));
            Edit()->setCursorPosition(0);
        }
    }
    void ApplyStyle(DWORD oldStyle, DWORD oldEx) override {
        WidgetPeer::ApplyStyle(oldStyle, oldEx);
        if (QLineEdit* e = Edit()) {
            DWORD s = Style();
            e->setReadOnly((s & ES_READONLY) != 0);
            e->setEchoMode((s & ES_PASSWORD) ? QLineEdit::Password : QLineEdit::Normal);
        }
    }

private:
    UINT m_limit = kDefaultEditLimit;
};

class LineEdit : public QLineEdit {
public:
    LineEdit(QWidget* parent, HWND wnd) : QLineEdit(parent), m_hWnd(wnd) {}

protected:
    EditPeer* Peer() const { return dynamic_cast<EditPeer*>(WidgetPeer::Of(m_hWnd)); }

    // Digits-only edits refuse other typed characters; the limit counts bytes of code page 949.
    bool Refused(const QString& typed) const {
        EditPeer* p = Peer();
        if (!p || typed.isEmpty())
            return false;
        if (p->DigitsOnly()) {
            for (QChar ch : typed)
                if (ch.isPrint() && !(ch >= QLatin1Char('0') && ch <= QLatin1Char('9')))
                    return true;
        }
        return false;
    }
    bool OverLimit() const {
        EditPeer* p = Peer();
        return p && static_cast<UINT>(FromQ(text()).GetLength()) > p->Limit();
    }

    // A single-line edit takes the first line of what is pasted, as much of it as the limit
    // leaves room for, never half of a double-byte character.
    void PasteFirstLine(QClipboard::Mode mode = QClipboard::Clipboard) {
        if (isReadOnly())
            return;
        QString pasted = QGuiApplication::clipboard()->text(mode);
        for (int i = 0; i < pasted.size(); ++i) {
            if (pasted[i] == QLatin1Char('\r') || pasted[i] == QLatin1Char('\n')) {
                pasted.truncate(i);
                break;
            }
        }
        // A digits-only edit takes no pasted text with other characters.
        if (Refused(pasted))
            return;
        if (EditPeer* p = Peer()) {
            const long used = FromQ(text()).GetLength() - FromQ(selectedText()).GetLength();
            const long room = static_cast<long>(p->Limit()) - used;
            QString kept;
            long bytes = 0;
            for (int i = 0; i < pasted.size();) {
                const int n = pasted[i].isHighSurrogate() && i + 1 < pasted.size() ? 2 : 1;
                const QString piece = pasted.mid(i, n);
                const long size = FromQ(piece).GetLength();
                if (bytes + size > room)
                    break;
                kept += piece;
                bytes += size;
                i += n;
            }
            pasted = kept;
        }
        if (!pasted.isEmpty())
            insert(pasted);
    }

    // The X selection pasted with the middle button follows the same rule.
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
            PasteFirstLine(QClipboard::Selection);
            e->accept();
            return;
        }
        QLineEdit::mouseReleaseEvent(e);
    }

    // The edit menu of the target, in Korean, each item enabled as the target enables it; its
    // paste is the edit's own (limit, digits, one line). It opens without a loop of its own, so
    // the program's messages go on being handled.
    void contextMenuEvent(QContextMenuEvent* e) override {
        EditPeer* p = Peer();
        if (!p)
            return;
        const bool password = echoMode() != QLineEdit::Normal;
        const bool writable = !isReadOnly() && isEnabled();
        const bool selection = hasSelectedText();
        auto* menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->setFont(font());
        auto add = [&](const char* label, bool enabled, auto act) {
            QAction* a = menu->addAction(ToQ(label));
            a->setEnabled(enabled);
            QObject::connect(a, &QAction::triggered, this, act);
        };
        add(kEditMenuTexts.undo, writable && isUndoAvailable(), [this] { undo(); });
        menu->addSeparator();
        add(kEditMenuTexts.cut, writable && selection && !password, [this] { cut(); });
        add(kEditMenuTexts.copy, selection && !password, [this] { copy(); });
        add(kEditMenuTexts.paste, writable && !QGuiApplication::clipboard()->text().isEmpty(),
            [this] { PasteFirstLine(); });
        add(kEditMenuTexts.clear, writable && selection, [this] { del(); });
        menu->addSeparator();
        add(kEditMenuTexts.selectAll, !text().isEmpty() && selectedText() != text(), [this] { selectAll(); });
        setFocus(Qt::PopupFocusReason);
        menu->popup(e->reason() == QContextMenuEvent::Mouse ? e->globalPos()
                                                            : mapToGlobal(cursorRect().bottomLeft()));
        e->accept();
    }

    void keyPressEvent(QKeyEvent* e) override {
        if (e->matches(QKeySequence::Paste)) {
            PasteFirstLine();
            e->accept();
            return;
        }
        // The menu key and Shift+F10 open the edit menu.
        if (e->key() == Qt::Key_Menu || (e->key() == Qt::Key_F10 && e->modifiers() == Qt::ShiftModifier)) {
            QContextMenuEvent menu(QContextMenuEvent::Keyboard, cursorRect().bottomLeft(),
                                   mapToGlobal(cursorRect().bottomLeft()));
            contextMenuEvent(&menu);
            return;
        }
        if (Refused(e->text())) {
            e->accept();
            return;
        }
        QString before = text();
        int cursor = cursorPosition();
        QLineEdit::keyPressEvent(e);
        if (text() != before && OverLimit()) {
            setText(before);
            setCursorPosition(cursor);
        }
    }
    void inputMethodEvent(QInputMethodEvent* e) override {
        if (Refused(e->commitString())) {
            e->accept();
            return;
        }
        QString before = text();
        int cursor = cursorPosition();
        QLineEdit::inputMethodEvent(e);
        if (text() != before && OverLimit()) {
            setText(before);
            setCursorPosition(cursor);
        }
    }
    void paintEvent(QPaintEvent* e) override {
        if (EditPeer* p = Peer()) {
            WidgetPeer::Colours c = p->PaintColours(isEnabled() && !isReadOnly());
            QPalette pal = palette();
            QPalette wanted = pal;
            for (auto group : {QPalette::Active, QPalette::Inactive}) {
                wanted.setColor(group, QPalette::Text, ToQColor(c.text));
                if (c.hasBrush)
                    wanted.setColor(group, QPalette::Base, ToQColor(c.brush));
            }
            if (wanted != pal)
                setPalette(wanted);
        }
        // The edit paints all of its rectangle, so a caret blink repaints the edit alone, never
        // the dialog beneath; outside its frame it shows the dialog's face as before.
        {
            QPainter under(this);
            under.fillRect(e->rect(), ToQColor(kFace));
        }
        QLineEdit::paintEvent(e);
        if (EditPeer* p = Peer()) {
            QPainter painter(this);
            p->PaintSurface(painter);
        }
    }

private:
    HWND m_hWnd;
};

WidgetPeer* CreateEdit(CWnd* wnd, QWidget* parent) {
    DWORD style = wnd->GetStyle();
    HWND h = wnd->m_hWnd;
    auto* e = new LineEdit(parent, h);
    e->setAttribute(Qt::WA_OpaquePaintEvent);
    // Text is typed or pasted, never dropped in.
    e->setAcceptDrops(false);
    e->setText(ToQ(wnd->StoredText()));
    e->setCursorPosition(0);
    e->setFrame((style & WS_BORDER) || (wnd->GetExStyle() & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)));
    e->setEchoMode((style & ES_PASSWORD) ? QLineEdit::Password : QLineEdit::Normal);
    e->setReadOnly((style & ES_READONLY) != 0);
    if (style & ES_CENTER)
        e->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    else if (style & ES_RIGHT)
        e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* peer = new EditPeer(wnd, e);
    QObject::connect(e, &QLineEdit::textEdited,
                     [h] { zwin::PostInputMessage(h, ZM_NOTIFYPARENT, EN_CHANGE, 0); });
    return peer;
}

// ---------------------------------------------------------------------------------------
// Statics.

class StaticPeer : public WidgetPeer {
public:
    StaticPeer(CWnd* wnd, QWidget* w, int imageId) : WidgetPeer(wnd, w) {
        DWORD type = Style() & SS_TYPEMASK;
        if (type == SS_ICON)
            m_icon = LoadIconA(nullptr, MAKEINTRESOURCE(imageId));
        else if (type == SS_BITMAP)
            m_bitmap = LoadBitmapA(nullptr, MAKEINTRESOURCE(imageId));
    }
    ~StaticPeer() override { DeleteObject(m_bitmap); }
    const char* ClassName() const override { return WC_STATIC; }
    QSize ImageSize() const {
        if (m_icon)
            return QSize(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
        if (auto* b = static_cast<HBITMAP__*>(LiveObject(m_bitmap)))
            return b->image.size();
        return QSize();
    }

    void Paint(QWidget* w) {
        QPainter p(w);
        DWORD style = Style();
        DWORD type = style & SS_TYPEMASK;
        QRect r = w->rect();
        if (IsFrameType(type)) {
            COLORREF colour = (type == SS_BLACKRECT || type == SS_BLACKFRAME)   ? 0x000000
                              : (type == SS_GRAYRECT_ || type == SS_GRAYFRAME_) ? 0xA0A0A0
                                                                                : 0xFFFFFF;
            if (type <= SS_WHITERECT_) {
                p.fillRect(r, ToQColor(colour));
            } else {
                p.setPen(ToQColor(colour));
                p.drawRect(r.adjusted(0, 0, -1, -1));
            }
            PaintSurface(p);
            return;
        }
        HDC dc = MakePaintDC(&p, m_font);
        dc->bkColour = kFace;
        CWnd* self = Wnd();
        CWnd* parent = self ? self->GetParent() : nullptr;
        if (parent) {
            auto brush = reinterpret_cast<HBRUSH>(SafeSend(parent->m_hWnd, WM_CTLCOLORSTATIC,
                                                           reinterpret_cast<WPARAM>(dc),
                                                           reinterpret_cast<LPARAM>(m_hWnd)));
            GdiObject* o = LiveObject(brush);
            if (o && o->kind == GdiKind::Brush)
                p.fillRect(r, ToQColor(static_cast<HBRUSH__*>(o)->colour));
        } else {
            p.fillRect(r, ToQColor(kFace));
        }
        if (type == SS_ICON) {
            DrawIcon(dc, 0, 0, m_icon);
        } else if (type == SS_BITMAP) {
            if (auto* b = static_cast<HBITMAP__*>(LiveObject(m_bitmap)))
                p.drawImage(0, 0, b->image);
        } else if (self) {
            UINT format = DT_WORDBREAK;
            if (type == SS_CENTER)
                format |= DT_CENTER;
            else if (type == SS_RIGHT)
                format |= DT_RIGHT;
            else if (type == SS_SIMPLE_ || type == SS_LEFTNOWORDWRAP_)
                format = DT_SINGLELINE;
            if (style & SS_CENTERIMAGE)
                format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
            if (style & SS_NOPREFIX)
                format |= DT_NOPREFIX;
            if (!w->isEnabled())
                dc->textColour = kGrayText;
            RECT rc{0, 0, r.width(), r.height()};
            const CString& text = self->StoredText();
            DrawTextA(dc, text.GetString(), text.GetLength(), &rc, format);
        }
        FreeDC(dc);
        PaintSurface(p);
    }

    static constexpr DWORD SS_GRAYRECT_ = 0x5;
    static constexpr DWORD SS_WHITERECT_ = 0x6;
    static constexpr DWORD SS_GRAYFRAME_ = 0x8;
    static constexpr DWORD SS_SIMPLE_ = 0xB;
    static constexpr DWORD SS_LEFTNOWORDWRAP_ = 0xC;

protected:
    void ApplyText() override {
        if (m_widget)
            m_widget->update();
    }
    // A text static holds at least one whole line of its font's Hangul face: a label 8 dialog
    // units high (the dialog font's height) keeps the descenders of a taller font, which the
    // Hangul face carries lower than the Latin one. It grows downwards (both ways when its
    // text is centred vertically).
    void FontChanged() override {
        const DWORD style = Style();
        const DWORD type = style & SS_TYPEMASK;
        const bool text = type <= SS_RIGHT || type == SS_SIMPLE_ || type == SS_LEFTNOWORDWRAP_;
        if (!m_widget || !text)
            return;
        QRect r = ToQRect(StoredRect());
        const int missing = HangulLineHeight(m_widget->font()) - r.height();
        if (missing > 0) {
            if (style & SS_CENTERIMAGE)
                r.moveTop(r.top() - missing / 2);
            r.setHeight(r.height() + missing);
        }
        m_widget->setGeometry(r);
    }

private:
    HICON m_icon = nullptr;
    HBITMAP m_bitmap = nullptr;
};

class StaticWidget : public QWidget {
public:
    StaticWidget(QWidget* parent, HWND wnd) : QWidget(parent), m_hWnd(wnd) {}

protected:
    void paintEvent(QPaintEvent*) override {
        if (auto* peer = dynamic_cast<StaticPeer*>(WidgetPeer::Of(m_hWnd)))
            peer->Paint(this);
    }

private:
    HWND m_hWnd;
};

WidgetPeer* CreateStatic(CWnd* wnd, const DialogItemTemplate& item, QWidget* parent) {
    auto* w = new StaticWidget(parent, wnd->m_hWnd);
    w->setAttribute(Qt::WA_TransparentForMouseEvents);
    w->setFocusPolicy(Qt::NoFocus);
    auto* peer = new StaticPeer(wnd, w, item.imageId);
    DWORD type = wnd->GetStyle() & SS_TYPEMASK;
    if (IsFrameType(type))
        w->lower();
    return peer;
}

// ---------------------------------------------------------------------------------------
// Combo boxes (drop-down lists).

class ComboPeer : public WidgetPeer {
public:
    ComboPeer(CWnd* wnd, QComboBox* combo) : WidgetPeer(wnd, combo) {}
    const char* ClassName() const override { return WC_COMBOBOX; }
    QComboBox* Combo() const { return static_cast<QComboBox*>(m_widget.data()); }

    bool QueryText(CString& text) const override {
        int i = Combo() ? Combo()->currentIndex() : -1;
        text = i >= 0 && i < static_cast<int>(m_items.size()) ? m_items[static_cast<size_t>(i)] : CString();
        return true;
    }

    bool ClassProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        QComboBox* c = Combo();
        int count = static_cast<int>(m_items.size());
        int index = static_cast<int>(static_cast<INT_PTR>(wParam));
        switch (message) {
        case CB_ADDSTRING: {
            CString text = reinterpret_cast<const char*>(lParam);
            int at = count;
            if (Style() & CBS_SORT) {
                auto it = std::upper_bound(m_items.begin(), m_items.end(), text,
                                           [](const CString& a, const CString& b) {
                                               return std::strcmp(a.GetString(), b.GetString()) < 0;
                                           });
                at = static_cast<int>(it - m_items.begin());
            }
            *result = Insert(at, text);
            return true;
        }
        case CB_INSERTSTRING:
            if (index > count) {
                *result = CB_ERR;
                return true;
            }
            *result = Insert(index < 0 ? count : index, reinterpret_cast<const char*>(lParam));
            return true;
        case CB_DELETESTRING:
            if (index < 0 || index >= count) {
                *result = CB_ERR;
                return true;
            }
            m_items.erase(m_items.begin() + index);
            if (c)
                c->removeItem(index);
            *result = count - 1;
            return true;
        case CB_RESETCONTENT:
            m_items.clear();
            if (c)
                c->clear();
            *result = 0;
            return true;
        case CB_GETCOUNT:
            *result = count;
            return true;
        case CB_GETCURSEL:
            *result = c && c->currentIndex() >= 0 ? c->currentIndex() : CB_ERR;
            return true;
        case CB_SETCURSEL:
            if (index < 0 || index >= count) {
                if (c)
                    c->setCurrentIndex(-1);
                *result = CB_ERR;
            } else {
                if (c)
                    c->setCurrentIndex(index);
                *result = index;
            }
            return true;
        case CB_GETLBTEXT:
            if (index < 0 || index >= count || !lParam) {
                *result = CB_ERR;
            } else {
                const CString& s = m_items[static_cast<size_t>(index)];
                std::memcpy(reinterpret_cast<char*>(lParam), s.GetString(),
                            static_cast<size_t>(s.GetLength()) + 1);
                *result = s.GetLength();
            }
            return true;
        case CB_GETLBTEXTLEN:
            *result = index < 0 || index >= count ? CB_ERR : m_items[static_cast<size_t>(index)].GetLength();
            return true;
        default:
            return WidgetPeer::ClassProc(message, wParam, lParam, result);
        }
    }

private:
    int Insert(int at, const CString& text) {
        m_items.insert(m_items.begin() + at, text);
        if (QComboBox* c = Combo()) {
            int current = c->currentIndex();
            c->insertItem(at, ToQ(text));
            // A drop-down list keeps no selection until one is made.
            if (current < 0)
                c->setCurrentIndex(-1);
        }
        return at;
    }
    std::vector<CString> m_items;
};

// Drop-down lists laid out as the target draws them: a thin border, the arrow button as wide
// as a scroll bar, the text close to the left edge; the list opens below the box (never over
// it, centred on the current item).
class DropListStyle : public QProxyStyle {
public:
    static constexpr int kArrowWidth = 17; // a vertical scroll bar's width
    static constexpr int kBorder = 2;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override {
        if (hint == SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override {
        if (control == CC_ComboBox) {
            QRect r = option->rect;
            switch (sub) {
            case SC_ComboBoxArrow:
                return QRect(r.right() - kBorder - kArrowWidth + 1, r.top() + kBorder, kArrowWidth,
                             r.height() - 2 * kBorder);
            case SC_ComboBoxEditField:
                return QRect(r.left() + kBorder + 1, r.top() + kBorder,
                             std::max(0, r.width() - 2 * kBorder - kArrowWidth - 1),
                             r.height() - 2 * kBorder);
            default:
                break;
            }
        }
        return QProxyStyle::subControlRect(control, option, sub, widget);
    }
};

// The items a drop-down list shows at most before it scrolls (CB_SETMINVISIBLE's default).
constexpr int kDropDownVisibleItems = 30;

// Rows of a drop-down list as high as the target makes them for the font: a line of the
// Hangul face and a pixel above and below.
constexpr int kItemMargin = 1;
int DropItemHeight(const QFont& font) {
    return HangulLineHeight(font) + 2 * kItemMargin;
}

class DropItemDelegate : public QItemDelegate {
public:
    using QItemDelegate::QItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QSize(QItemDelegate::sizeHint(option, index).width(), DropItemHeight(option.font));
    }
};

// A focused drop-down list shows its selection highlighted, with the focus rectangle round it
// once the keyboard has been used; the style's own focus frame is not the target's.
class DropList : public QComboBox {
public:
    using QComboBox::QComboBox;

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter p(this);
        QStyleOptionComboBox opt;
        initStyleOption(&opt);
        opt.state &= ~QStyle::State_HasFocus;
        p.setPen(palette().color(QPalette::Text));
        p.drawComplexControl(QStyle::CC_ComboBox, opt);
        const bool focused = IsFocused(this);
        if (focused) {
            const QRect field =
                style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
            p.fillRect(field, ToQColor(kHighlight));
            const QColor text = ToQColor(kHighlightText);
            p.setPen(text);
            for (auto role : {QPalette::ButtonText, QPalette::Text, QPalette::WindowText})
                opt.palette.setColor(role, text);
            p.drawControl(QStyle::CE_ComboBoxLabel, opt);
            if (KeyboardCuesShown(this))
                DrawFocusRectangle(p, field.adjusted(0, 0, -1, -1));
            return;
        }
        p.drawControl(QStyle::CE_ComboBoxLabel, opt);
    }
};

WidgetPeer* CreateCombo(CWnd* wnd, QWidget* parent) {
    HWND h = wnd->m_hWnd;
    auto* c = new DropList(parent);
    c->setStyle(SharedStyle<DropListStyle>());
    c->setItemDelegate(new DropItemDelegate(c));
    c->setEditable(false);
    auto* peer = new ComboPeer(wnd, c);
    QObject::connect(c, QOverload<int>::of(&QComboBox::activated),
                     [h] { zwin::PostInputMessage(h, ZM_NOTIFYPARENT, CBN_SELCHANGE, 0); });
    return peer;
}

} // namespace

namespace zui::detail {

bool IsRadioButton(const CWnd* wnd) {
    if (!wnd || std::strcmp(ClassNameOf(wnd), WC_BUTTON) != 0)
        return false;
    DWORD t = wnd->GetStyle() & BS_TYPEMASK;
    return t == BS_RADIOBUTTON || t == BS_AUTORADIOBUTTON;
}

WidgetPeer* CreateControlPeer(CWnd* wnd, const DialogItemTemplate& item, QWidget* parent) {
    WidgetPeer* peer = nullptr;
    const char* cls = item.className ? item.className : "";
    if (std::strcmp(cls, WC_BUTTON) == 0)
        peer = CreateButton(wnd, parent);
    else if (std::strcmp(cls, WC_EDIT) == 0)
        peer = CreateEdit(wnd, parent);
    else if (std::strcmp(cls, WC_STATIC) == 0)
        peer = CreateStatic(wnd, item, parent);
    else if (std::strcmp(cls, WC_COMBOBOX) == 0)
        peer = CreateCombo(wnd, parent);
    else if (std::strcmp(cls, WC_LISTVIEW) == 0)
        peer = CreateListViewPeer(wnd, parent);
    if (!peer)
        return nullptr;
    QWidget* w = peer->Widget();
    DWORD style = wnd->GetStyle();
    QRect geometry = ToQRect(peer->StoredRect()); // in the dialog's client area
    if (std::strcmp(cls, WC_COMBOBOX) == 0) {
        // The field is as high as its font needs. The list drops down as many items as fit, up
        // to the common controls' default, whatever the template's height.
        auto* c = static_cast<QComboBox*>(w);
        c->setMaxVisibleItems(kDropDownVisibleItems);
        geometry.setHeight(std::min(geometry.height(), c->sizeHint().height()));
    } else if (std::strcmp(cls, WC_STATIC) == 0) {
        auto* sp = static_cast<StaticPeer*>(peer);
        QSize image = sp->ImageSize();
        if (image.isValid() && !(style & SS_CENTERIMAGE))
            geometry.setSize(image);
    }
    w->setGeometry(geometry);
    if (w->focusPolicy() != Qt::NoFocus)
        w->setFocusPolicy((style & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
    w->setEnabled(!(style & WS_DISABLED));
    return peer;
}

} // namespace zui::detail
