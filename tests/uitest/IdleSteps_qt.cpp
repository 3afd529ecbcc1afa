// Scripted steps that run while a modal loop waits, and a drain of the queue outside loops.
#include <QCoreApplication>

#include <deque>
#include <functional>

#include "platform/ui/Backend_qt.h"
#include "uitest/UiTest.h"
#include "platform/win/MessageLoop.h"

using namespace zui::detail;

namespace {

std::deque<std::function<void()>>& IdleSteps() {
    static std::deque<std::function<void()>> steps;
    return steps;
}

// One step per idle moment, so the loop handles what the step caused before the next one.
bool RunOneIdleStep() {
    if (IdleSteps().empty())
        return false;
    auto step = std::move(IdleSteps().front());
    IdleSteps().pop_front();
    step();
    return true;
}

} // namespace

namespace zui {

void WhenIdle(std::function<void()> step) {
    SetIdleHook(RunOneIdleStep);
    IdleSteps().push_back(std::move(step));
}

int PendingIdleSteps() {
    return static_cast<int>(IdleSteps().size());
}

void ProcessEvents() {
    EnsureApplication();
    for (int round = 0; round < 100; ++round) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        ReportPendingExceptions();
        int handled = 0;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
            PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
            TranslateAndDispatch(msg, ActiveModal());
            ++handled;
        }
        if (handled == 0) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) || msg.message == WM_QUIT)
                return;
        }
    }
}

} // namespace zui
