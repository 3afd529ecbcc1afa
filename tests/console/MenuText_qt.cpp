#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include "MenuText.h"
#include "platform/ui/Backend_qt.h"

namespace {

// An action's icon text is its text as shown: "&" marks dropped, "&&" shown as "&".
void Collect(const QList<QAction*>& actions, std::vector<CString>& texts) {
    for (QAction* action : actions) {
        if (action->isSeparator())
            continue;
        texts.push_back(zui::detail::FromQ(action->iconText()));
        if (action->menu())
            Collect(action->menu()->actions(), texts);
    }
}

} // namespace

std::vector<CString> ShownMenuTexts(CWnd* wnd) {
    std::vector<CString> texts;
    QWidget* frame = zui::detail::FrameWidgetOf(wnd);
    if (auto* bar = frame ? frame->findChild<QMenuBar*>() : nullptr)
        Collect(bar->actions(), texts);
    return texts;
}
