// The Qt application under the platform's message queue: Qt's event loop is what the queue
// does while it waits, keys typed into our windows become queued WM_KEYDOWN input, and the
// modal loops dispatch with the framework's PreTranslateMessage walk and exception report.
#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QSocketNotifier>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>

#include "platform/core/Exceptions.h"
#include "platform/ui/Backend_qt.h"
#include "platform/ui/MessageBox.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/WinApp.h"

using namespace zui::detail;

namespace {

bool (*g_idleHook)() = nullptr;

std::vector<CWnd*>& ModalStack() {
    static std::vector<CWnd*> stack;
    return stack;
}

// ---------------------------------------------------------------------------------------
// Keys. A key pressed in one of our windows is held back and queued as WM_KEYDOWN; when the
// loop dispatches that message (PreTranslateMessage did not take it) the held event goes to
// the widget it was meant for. Its release, when it comes before, is held with it and follows
// it, so that a button pressed by Space is let go and clicks.

struct HeldKey {
    unsigned seq;
    HWND wnd;
    QPointer<QObject> receiver;
    QEvent::Type type;
    int key;
    Qt::KeyboardModifiers modifiers;
    QString text;
    bool autoRepeat;
    bool released = false;
    Qt::KeyboardModifiers releaseModifiers = Qt::NoModifier;
};

std::deque<HeldKey>& HeldKeys() {
    static std::deque<HeldKey> keys;
    return keys;
}

unsigned g_keySeq = 0;
QObject* g_redelivering = nullptr;

UINT VirtualKey(const QKeyEvent* e) {
    int k = e->key();
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        return VK_F1 + static_cast<UINT>(k - Qt::Key_F1);
    if (k >= Qt::Key_A && k <= Qt::Key_Z)
        return 'A' + static_cast<UINT>(k - Qt::Key_A);
    if (k >= Qt::Key_0 && k <= Qt::Key_9)
        return '0' + static_cast<UINT>(k - Qt::Key_0);
    switch (k) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_Insert:
        return 0x2D;
    case Qt::Key_Home:
        return 0x24;
    case Qt::Key_End:
        return 0x23;
    case Qt::Key_PageUp:
        return 0x21;
    case Qt::Key_PageDown:
        return 0x22;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_Shift:
        return 0x10;
    case Qt::Key_Control:
        return 0x11;
    case Qt::Key_Alt:
        return 0x12;
    case Qt::Key_Minus:
        return 0xBD;
    case Qt::Key_Period:
        return 0xBE;
    case Qt::Key_Comma:
        return 0xBC;
    case Qt::Key_Slash:
        return 0xBF;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return 0xBB;
    default:
        // Characters without a key of their own (input through the input method).
        return 0xE5;
    }
}

// The keys after which a window shows its keyboard cues.
bool IsNavigationKey(int key) {
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Alt:
        return true;
    default:
        return false;
    }
}

class KeyFilter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A redelivered key that its widget ignores travels up to the parents: still the same key.
        if (g_redelivering)
            return false;
        if (event->type() == QEvent::KeyRelease)
            return HoldRelease(watched, static_cast<QKeyEvent*>(event));
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        // Menu mode runs as a loop of its own: its keys never reach the dialog manager.
        if (qobject_cast<QMenuBar*>(widget))
            return false;
        HWND wnd = widget ? WindowOfWidget(widget) : nullptr;
        if (!wnd)
            return false;
        auto* e = static_cast<QKeyEvent*>(event);
        if (IsNavigationKey(e->key()))
            ShowKeyboardCues(widget);
        unsigned seq = ++g_keySeq & 0xFF;
        HeldKeys().push_back(
            HeldKey{seq, wnd, watched, e->type(), e->key(), e->modifiers(), e->text(), e->isAutoRepeat()});
        // lParam: repeat count 1; the scan-code byte tells the held events apart.
        LPARAM lParam = 1 | (static_cast<LPARAM>(seq) << 16) | (e->isAutoRepeat() ? (1L << 30) : 0);
        zwin::PostInputMessage(wnd, WM_KEYDOWN, VirtualKey(e), lParam);
        return true;
    }

private:
    // The release of a key whose press still waits in the queue waits with it.
    static bool HoldRelease(QObject* watched, const QKeyEvent* e) {
        for (HeldKey& k : HeldKeys()) {
            if (k.receiver == watched && k.key == e->key() && !k.released) {
                k.released = true;
                k.releaseModifiers = e->modifiers();
                return true;
            }
        }
        return false;
    }
};

HeldKey* FindHeld(HWND wnd, LPARAM lParam) {
    unsigned seq = static_cast<unsigned>((lParam >> 16) & 0xFF);
    for (HeldKey& k : HeldKeys())
        if (k.seq == seq && k.wnd == wnd)
            return &k;
    return nullptr;
}

void DropHeld(HWND wnd, LPARAM lParam, bool alsoOlder) {
    auto& keys = HeldKeys();
    unsigned seq = static_cast<unsigned>((lParam >> 16) & 0xFF);
    for (auto it = keys.begin(); it != keys.end(); ++it) {
        if (it->seq == seq && it->wnd == wnd) {
            keys.erase(alsoOlder ? keys.begin() : it, it + 1);
            return;
        }
    }
}

// ---------------------------------------------------------------------------------------
// The waiter: Qt's events while the queue has nothing, bounded by the next timer.

std::map<int, QSocketNotifier*>& Notifiers() {
    static std::map<int, QSocketNotifier*> notifiers;
    return notifiers;
}

void SyncNotifiers() {
    std::vector<int> fds = zwin::WatchedFds();
    auto& n = Notifiers();
    for (auto it = n.begin(); it != n.end();) {
        if (std::find(fds.begin(), fds.end(), it->first) == fds.end()) {
            delete it->second;
            it = n.erase(it);
        } else {
            ++it;
        }
    }
    for (int fd : fds) {
        if (!n.count(fd)) {
            // Readable data wakes the wait; the queue's next retrieval runs the fd's callback.
            auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
            QObject::connect(notifier, &QSocketNotifier::activated, [] {});
            n[fd] = notifier;
        }
    }
}

void QtWaiter(int timeoutMs) {
    ReportPendingExceptions();
    if (g_idleHook && g_idleHook())
        return;
    SyncNotifiers();
    if (timeoutMs == 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    int wait = timeoutMs;
    // With the test clock, time moves only when the test advances it.
    if (CClock::IsManual() && (wait < 0 || wait > 50))
        wait = 50;
    QTimer timer;
    if (wait > 0) {
        timer.setSingleShot(true);
        timer.start(wait);
    }
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void ReportToBox(const CString& text) {
    AfxMessageBox(text, MB_OK | MB_ICONSTOP);
}

} // namespace

namespace zui::detail {

void EnsureApplication() {
    static bool ready = false;
    if (ready)
        return;
    if (!QApplication::instance()) {
        if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
            std::fprintf(stderr,
                         "zorvik: no display; run under X (DISPLAY) or with QT_QPA_PLATFORM=offscreen\n");
            std::exit(1);
        }
        static int argc = 0;
        static char arg0[] = "zorvik";
        static char* fallback[] = {arg0, nullptr};
        char** argv = zwin::ProcessArgv();
        argc = argv ? zwin::ProcessArgc() : 1;
        new QApplication(argc, argv ? argv : fallback);
        // Qt takes the locale from the environment; numbers are read and written with atof
        // and printf formats, which must keep '.' as the decimal point.
        std::setlocale(LC_NUMERIC, "C");
    }
    ready = true;
    QApplication::setQuitOnLastWindowClosed(false);
    qApp->installEventFilter(new KeyFilter());
    zwin::SetWaiter(QtWaiter);
    SetExceptionReporter(ReportToBox);
}

void DeliverQueuedKey(HWND wnd, LPARAM lParam) {
    HeldKey* k = FindHeld(wnd, lParam);
    if (!k)
        return;
    HeldKey key = *k;
    DropHeld(wnd, lParam, true);
    if (!key.receiver)
        return;
    QKeyEvent event(key.type, key.key, key.modifiers, key.text, key.autoRepeat);
    QObject* saved = g_redelivering;
    g_redelivering = key.receiver;
    QCoreApplication::sendEvent(key.receiver, &event);
    if (key.released && key.receiver) {
        QKeyEvent release(QEvent::KeyRelease, key.key, key.releaseModifiers, key.text, key.autoRepeat);
        QCoreApplication::sendEvent(key.receiver, &release);
    }
    g_redelivering = saved;
}

bool ShiftHeldFor(const MSG& msg) {
    HeldKey* k = FindHeld(msg.hwnd, msg.lParam);
    return k && (k->modifiers & Qt::ShiftModifier);
}

bool AltHeldFor(const MSG& msg) {
    HeldKey* k = FindHeld(msg.hwnd, msg.lParam);
    return k && (k->modifiers & Qt::AltModifier);
}

void PushModal(CWnd* wnd) {
    ModalStack().push_back(wnd);
}

void PopModal(CWnd* wnd) {
    auto& s = ModalStack();
    auto it = std::find(s.rbegin(), s.rend(), wnd);
    if (it != s.rend())
        s.erase(std::next(it).base());
}

CWnd* ActiveModal() {
    auto& s = ModalStack();
    for (auto it = s.rbegin(); it != s.rend(); ++it)
        if ((*it)->m_hWnd)
            return *it;
    return nullptr;
}

void TranslateAndDispatch(MSG& msg, CWnd* modal) {
    try {
        if (!msg.hwnd && msg.message == WM_NULL)
            return; // a wake-up
        bool consumed = false;
        // The target and each window above it may take the message first.
        for (CWnd* w = CWnd::FromHandlePermanent(msg.hwnd); w && !consumed; w = w->GetParent())
            consumed = w->PreTranslateMessage(&msg) != FALSE;
        if (!msg.hwnd && modal && modal->m_hWnd)
            consumed = modal->PreTranslateMessage(&msg) != FALSE;
        if (consumed) {
            // A consumed key never reaches its widget.
            if (msg.message == WM_KEYDOWN)
                DropHeld(msg.hwnd, msg.lParam, false);
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    } catch (CException* e) {
        AfxReportException(*e);
        e->Delete();
    }
}

void SetIdleHook(bool (*hook)()) {
    g_idleHook = hook;
}

} // namespace zui::detail
