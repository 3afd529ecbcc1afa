// CPU the login window takes while it waits for the operator (the caret blinking in its first
// edit), beside a plain Qt dialog with a line edit waiting the same time in the same run, the
// two alternated.
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTimer>

#include <time.h>

#include <cstdio>
#include <cstdlib>

#include "RatioReporter.h"
#include "console/VossenApp.h"
#include "dialogs/LoginDialog.h"
#include "platform/core/Sys.h"
#include "resources/LoginDialogs.h"
#include "support/TempDrive.h"
#include "uitest/UiTest.h"

namespace {

constexpr int kWaitMs = 10000;
// Each pair waits twice kWaitMs: fewer pairs than a figure usually takes.
constexpr int kIdlePairs = 3;

// The login dialog shown and left alone for kWaitMs in its own modal loop.
double LoginIdleCpu() {
    CLoginDialog dlg;
    double start = 0;
    double end = 0;
    // Measured once the window is up and painted, until the wait is over (closing the window
    // is not waiting).
    zui::WhenIdle([&] { zui::ProcessEvents(); });
    zui::WhenIdle([&] {
        start = ClockSeconds(CLOCK_PROCESS_CPUTIME_ID);
        QTimer::singleShot(kWaitMs, [&] {
            end = ClockSeconds(CLOCK_PROCESS_CPUTIME_ID);
            dlg.EndDialog(IDCANCEL);
        });
    });
    dlg.DoModal();
    return end - start;
}

// A plain Qt dialog of the same size with the focus in a line edit.
double PlainIdleCpu(QSize size) {
    QDialog dialog;
    dialog.resize(size);
    auto* edit = new QLineEdit(&dialog);
    edit->setGeometry(20, 20, 120, 20);
    dialog.show();
    edit->setFocus();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    const double start = ClockSeconds(CLOCK_PROCESS_CPUTIME_ID);
    double end = 0;
    QTimer::singleShot(kWaitMs, &dialog, [&] {
        end = ClockSeconds(CLOCK_PROCESS_CPUTIME_ID);
        dialog.accept();
    });
    dialog.exec();
    return end - start;
}

} // namespace

int main() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TempDrive drive;
    drive.MakeBaseFolder();
    Sys().sleepMs = [](unsigned) {};
    RegisterLoginDialogResources();
    theApp.InitEnvironment();
    double login = 0, plain = 0;
    AlternatedRatio(
        "login_idle", kIdlePairs,
        [&] {
            login = LoginIdleCpu();
            return login;
        },
        [&] {
            plain = PlainIdleCpu(QSize(960, 460));
            return plain;
        });
    std::printf("login_idle cpu_ms=%.1f plain_dialog_cpu_ms=%.1f over %d ms (the last pair)\n", login * 1000,
                plain * 1000, kWaitMs);
    ShutdownCleanup();
    return 0;
}
