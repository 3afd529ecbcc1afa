#include "platform/ui/MessageBox.h"

#include <cstring>

#include "platform/core/Exceptions.h"
#include "platform/core/Text.h"
#include "platform/ui/Backend.h"
#include "platform/win/WinApp.h"
#include "platform/win/Wnd.h"

using namespace zui::detail;

namespace {
MessageBoxResponder& Responder() {
    static MessageBoxResponder responder;
    return responder;
}

// The application's name: CWinApp::m_strAppName, else the program's file name.
CString AppCaption() {
    if (CWinApp* app = AfxGetApp(); app && !app->m_strAppName.IsEmpty())
        return app->m_strAppName;
    char** argv = zwin::ProcessArgv();
    if (argv && argv[0]) {
        const char* name = std::strrchr(argv[0], '/');
        CString file = HostUtf8ToAnsi(name ? name + 1 : argv[0]);
        int dot = file.ReverseFind('.');
        return dot > 0 ? file.Left(dot) : file;
    }
    return CString("zorvik");
}

void ReportText(const CString& text) {
    AfxMessageBox(text, MB_OK | MB_ICONSTOP);
}
} // namespace

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
    // Exceptions of handlers are reported by boxes from now on.
    SetExceptionReporter(ReportText);
    CString body = text ? text : "";
    CString title = caption ? CString(caption) : CString("오류");
    MessageBoxResponder responder = Responder();
    if (responder)
        return responder(body, title, type);
    EnsureApplication();
    BoxButtons labels{"확인", "취소", "예(&Y)", "아니요(&N)"};
    return ShowMessageBox(owner, body, title, type, labels);
}

int AfxMessageBox(const char* text, UINT type, UINT) {
    CWnd* owner = ActiveModal();
    return MessageBoxA(owner ? owner->m_hWnd : nullptr, text, AppCaption(), type);
}

int CWnd::MessageBox(const char* text, const char* caption, UINT type) {
    return ::MessageBoxA(m_hWnd, text, caption ? caption : AppCaption().GetString(), type);
}

MessageBoxResponder SetMessageBoxResponder(MessageBoxResponder responder) {
    SetExceptionReporter(ReportText);
    MessageBoxResponder previous = std::move(Responder());
    Responder() = std::move(responder);
    return previous;
}

void AfxReportException(const CException& e) {
    AfxMessageBox(e.GetErrorMessage(), MB_OK | MB_ICONSTOP);
}
