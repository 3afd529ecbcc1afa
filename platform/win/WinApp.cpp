#include "platform/win/WinApp.h"

#include "platform/win/CommandLine.h"

namespace {
CWinApp* g_app = nullptr;
int g_argc = 0;
char** g_argv = nullptr;
} // namespace

namespace zwin {
int& ProcessArgc() {
    return g_argc;
}
char** ProcessArgv() {
    return g_argv;
}
} // namespace zwin

const CRuntimeClass CWinApp::classCWinApp = {"CWinApp", &CCmdTarget::classCCmdTarget};

const AFX_MSGMAP* CWinApp::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {&CCmdTarget::GetThisMessageMap, &entries[0]};
    return &map;
}

CWinApp::CWinApp(const char* appName) : m_strAppName(appName) {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this)
        g_app = nullptr;
}

void CWinApp::SetCommandLine(const CString& tail) {
    m_cmdLineStorage = tail;
    m_lpCmdLine = m_cmdLineStorage.GetString();
}

CWinApp* AfxGetApp() {
    return g_app;
}

int AfxWinMain(int argc, char** argv) {
    zwin::TakeCommandLine(argc, argv);
    CWinApp* app = AfxGetApp();
    g_argc = argc;
    g_argv = argv;
    if (!app)
        return 1;
    app->SetCommandLine(GetCommandLineA());
    if (!app->InitInstance())
        return app->ExitInstance();
    return app->ExitInstance();
}
