// Message boxes on screen: a QMessageBox shown modal while the platform's own loop runs, so
// other windows' messages (timers, the station) go on being handled.
#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

#include <map>

#include "platform/ui/Backend_qt.h"
#include "platform/ui/MessageBox.h"
#include "platform/win/MessageLoop.h"

namespace zui::detail {

int ShowMessageBox(HWND owner, const CString& text, const CString& caption, UINT type,
                   const BoxButtons& labels) {
    CWnd* ownerWnd = CWnd::FromHandlePermanent(owner);
    if (!ownerWnd)
        ownerWnd = ActiveModal();
    QWidget* parent = ownerWnd ? FrameWidgetOf(ownerWnd) : nullptr;
    QPointer<QMessageBox> box = new QMessageBox(parent);
    // The window system is given the program's name for a title left empty: a blank keeps an
    // empty caption empty.
    box->setWindowTitle(caption.IsEmpty() ? QStringLiteral(" ") : ToQ(caption));
    box->setText(ToQ(text));
    switch (type & MB_ICONMASK) {
    case MB_ICONSTOP:
        box->setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box->setIcon(QMessageBox::Question);
        break;
    case MB_ICONEXCLAMATION:
        box->setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box->setIcon(QMessageBox::Information);
        break;
    default:
        box->setIcon(QMessageBox::NoIcon);
        break;
    }
    std::map<QAbstractButton*, int> ids;
    std::vector<QPushButton*> order;
    auto add = [&](const CString& label, QMessageBox::ButtonRole role, int id) {
        QPushButton* b = box->addButton(ToQ(label), role);
        b->setProperty("zwinId", id);
        ids[b] = id;
        order.push_back(b);
        return b;
    };
    QPushButton* escape = nullptr;
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        add(labels.ok, QMessageBox::AcceptRole, IDOK);
        escape = add(labels.cancel, QMessageBox::RejectRole, IDCANCEL);
        break;
    case MB_YESNOCANCEL:
        add(labels.yes, QMessageBox::YesRole, IDYES);
        add(labels.no, QMessageBox::NoRole, IDNO);
        escape = add(labels.cancel, QMessageBox::RejectRole, IDCANCEL);
        break;
    case MB_YESNO:
        add(labels.yes, QMessageBox::YesRole, IDYES);
        add(labels.no, QMessageBox::NoRole, IDNO);
        break;
    default:
        escape = add(labels.ok, QMessageBox::AcceptRole, IDOK);
        break;
    }
    size_t def = (type & MB_DEFBUTTON2) && order.size() > 1 ? 1 : 0;
    box->setDefaultButton(order[def]);
    if (escape)
        box->setEscapeButton(escape);
    box->setWindowModality(Qt::ApplicationModal);

    int result = 0;
    bool done = false;
    QObject::connect(box.data(), &QMessageBox::buttonClicked, [&](QAbstractButton* b) {
        auto it = ids.find(b);
        if (it != ids.end())
            result = it->second;
    });
    QObject::connect(box.data(), &QMessageBox::finished, [&](int) {
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
    delete box.data();
    if (result == 0)
        result = escape ? ids[escape] : ((type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK);
    return result;
}

} // namespace zui::detail
