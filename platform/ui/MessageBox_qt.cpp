// Message boxes on screen, laid out as the target lays them out: the icon (if any) at the
// top left, the text left-aligned beside it (or at the margin), the buttons centred as a
// group below, the box as large as its text within a share of the screen. The box is shown
// modal while the platform's own loop runs, so other windows' messages (timers, the station)
// go on being handled.
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/ui/Backend_qt.h"
#include "platform/ui/MessageBox.h"
#include "platform/win/MessageLoop.h"

using namespace zui::detail;

namespace {
// Pixels at 96 dpi.
constexpr int kMargin = 11;        // round the contents
constexpr int kIconSize = 32;      // a system icon
constexpr int kIconGap = 12;       // between the icon and the text
constexpr int kTextToButtons = 14; // between the text (or icon) and the buttons
constexpr int kButtonWidth = 75;   // a dialog's push button, 50 x 14 dialog units
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;        // between buttons of the group
constexpr int kMaxWidthEighths = 5;  // the text wraps at five eighths of the screen's width
constexpr int kMessagePointSize = 9; // the message font
constexpr int kFallbackScreenWidth = 1024;

QStyle::StandardPixmap IconOf(UINT type) {
    switch (type & MB_ICONMASK) {
    case MB_ICONSTOP:
        return QStyle::SP_MessageBoxCritical;
    case MB_ICONQUESTION:
        return QStyle::SP_MessageBoxQuestion;
    case MB_ICONEXCLAMATION:
        return QStyle::SP_MessageBoxWarning;
    case MB_ICONINFORMATION:
        return QStyle::SP_MessageBoxInformation;
    default:
        return QStyle::SP_CustomBase; // none
    }
}

QFont MessageFont() {
    static HFONT font = [] {
        LOGFONTA lf{};
        const int pixels = MulDiv(kMessagePointSize, 96, 72);
        lf.lfHeight = -pixels;
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = HANGUL_CHARSET;
        std::strncpy(lf.lfFaceName, "MS Shell Dlg", LF_FACESIZE - 1);
        return MakeStockFont(lf, pixels);
    }();
    return FontOf(font);
}

class BoxWindow : public QDialog {
public:
    BoxWindow(QWidget* parent, int escapeId) : QDialog(parent), m_escapeId(escapeId) {
        setProperty(kMessageBoxProperty, true);
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       (escapeId ? Qt::WindowCloseButtonHint : Qt::WindowType(0)));
    }
    int Result() const { return m_result; }
    // The box had the keyboard when it was answered (it is hidden by then).
    bool HadKeyboard() const { return m_hadKeyboard; }
    void Choose(int id) {
        m_result = id;
        m_hadKeyboard = isActiveWindow();
        done(id);
    }
    void AddButton(QPushButton* b, int id) {
        m_buttons.push_back({b, id});
        QObject::connect(b, &QPushButton::clicked, this, [this, id] { Choose(id); });
    }

protected:
    // Escape and the close box answer with the cancelling button; a box without one
    // (Yes/No) keeps waiting.
    void reject() override {
        if (m_escapeId)
            Choose(m_escapeId);
    }
    // The underlined letter of a button presses it, with or without Alt.
    void keyPressEvent(QKeyEvent* e) override {
        const QString typed = e->text().toUpper();
        if (typed.size() == 1 && !(e->modifiers() & Qt::ControlModifier)) {
            for (auto& [button, id] : m_buttons) {
                const QKeySequence mnemonic = QKeySequence::mnemonic(button->text());
                if (!mnemonic.isEmpty() && mnemonic.toString().endsWith(typed)) {
                    button->animateClick();
                    return;
                }
            }
        }
        QDialog::keyPressEvent(e);
    }

private:
    int m_escapeId;
    int m_result = 0;
    bool m_hadKeyboard = false;
    std::vector<std::pair<QPushButton*, int>> m_buttons;
};

} // namespace

namespace zui::detail {

int ShowMessageBox(HWND owner, const CString& text, const CString& caption, UINT type,
                   const BoxButtons& labels) {
    CWnd* ownerWnd = CWnd::FromHandlePermanent(owner);
    if (!ownerWnd)
        ownerWnd = ActiveModal();
    QWidget* parent = ownerWnd ? FrameWidgetOf(ownerWnd) : nullptr;
    // By handle: the owner may go while the box is shown.
    const HWND ownerHandle = parent ? ownerWnd->GetTopLevelParent()->m_hWnd : nullptr;

    struct Choice {
        const CString* label;
        int id;
    };
    std::vector<Choice> choices;
    int escapeId = 0;
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        choices = {{&labels.ok, IDOK}, {&labels.cancel, IDCANCEL}};
        escapeId = IDCANCEL;
        break;
    case MB_YESNOCANCEL:
        choices = {{&labels.yes, IDYES}, {&labels.no, IDNO}, {&labels.cancel, IDCANCEL}};
        escapeId = IDCANCEL;
        break;
    case MB_YESNO:
        choices = {{&labels.yes, IDYES}, {&labels.no, IDNO}};
        break;
    default:
        choices = {{&labels.ok, IDOK}};
        escapeId = IDOK;
        break;
    }

    QPointer<BoxWindow> box = new BoxWindow(parent, escapeId);
    box->setFont(MessageFont());
    // The window system is given the program's name for a title left empty: a blank keeps an
    // empty caption empty.
    box->setWindowTitle(caption.IsEmpty() ? QStringLiteral(" ") : ToQ(caption));

    const QFontMetrics fm(box->font());
    QScreen* screen = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->availableGeometry().width() : kFallbackScreenWidth;
    const int maxText = screenWidth * kMaxWidthEighths / 8;
    const QString body = ToQ(text);
    const QRect textSize =
        fm.boundingRect(QRect(0, 0, maxText, 1 << 20), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, body);

    const QStyle::StandardPixmap icon = IconOf(type);
    const bool hasIcon = icon != QStyle::SP_CustomBase;
    const int textLeft = kMargin + (hasIcon ? kIconSize + kIconGap : 0);
    const int count = static_cast<int>(choices.size());
    const int group = count * kButtonWidth + (count - 1) * kButtonGap;
    const int width = std::max(textLeft + textSize.width() + kMargin, group + 2 * kMargin);
    const int contents = std::max(hasIcon ? kIconSize : 0, textSize.height());
    // A text shorter than the icon stands at the icon's middle.
    const int textTop = kMargin + (contents - textSize.height()) / 2;
    const int buttonsTop = kMargin + contents + kTextToButtons;
    const int height = buttonsTop + kButtonHeight + kMargin;

    if (hasIcon) {
        auto* iconLabel = new QLabel(box);
        iconLabel->setObjectName(QStringLiteral("icon"));
        iconLabel->setPixmap(box->style()->standardIcon(icon).pixmap(kIconSize, kIconSize));
        iconLabel->setGeometry(kMargin, kMargin, kIconSize, kIconSize);
    }
    auto* textLabel = new QLabel(box);
    textLabel->setObjectName(QStringLiteral("text"));
    textLabel->setTextFormat(Qt::PlainText);
    textLabel->setText(body);
    textLabel->setWordWrap(true);
    textLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    textLabel->setGeometry(textLeft, textTop, textSize.width() + 1, textSize.height());

    const size_t def = (type & MB_DEFBUTTON2) && choices.size() > 1 ? 1 : 0;
    int x = (width - group) / 2;
    QPushButton* defaultButton = nullptr;
    for (size_t i = 0; i < choices.size(); ++i) {
        auto* b = new QPushButton(ToQ(*choices[i].label), box);
        b->setProperty("zwinId", choices[i].id);
        b->setGeometry(x, buttonsTop, kButtonWidth, kButtonHeight);
        b->setAutoDefault(true);
        box->AddButton(b, choices[i].id);
        if (i == def)
            defaultButton = b;
        x += kButtonWidth + kButtonGap;
    }
    box->setFixedSize(width, height);
    defaultButton->setDefault(true);
    defaultButton->setFocus(Qt::OtherFocusReason);
    box->setWindowModality(Qt::ApplicationModal);

    bool done = false;
    QObject::connect(box.data(), &QDialog::finished, [&](int) {
        done = true;
        PostMessageA(nullptr, WM_NULL, 0, 0);
    });
    box->show();
    while (!done && box) {
        MSG msg;
        if (!GetMessageA(&msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateAndDispatch(msg, ActiveModal());
    }
    int result = box ? box->Result() : 0;
    const bool hadKeyboard = box && box->HadKeyboard();
    delete box.data();
    // The owner takes the keyboard back, with the focus where it was.
    if (CWnd* stillThere = CWnd::FromHandlePermanent(ownerHandle); hadKeyboard && stillThere)
        GiveKeyboardTo(stillThere);
    if (result == 0)
        result = escapeId ? escapeId : IDNO;
    return result;
}

} // namespace zui::detail
