#include "console/AboutDlg.h"

CAboutDlg::CAboutDlg() : CDialogEx(IDD) {
    RegisterConsoleResources();
}

BEGIN_MESSAGE_MAP(CAboutDlg, CDialogEx)
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()
