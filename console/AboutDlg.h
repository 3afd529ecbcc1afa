// The about box: program name, version and release date.
#pragma once

#include "platform/ui/Afx.h"
#include "resources/ConsoleResources.h"

class CAboutDlg : public CDialogEx {
public:
    CAboutDlg();

    enum { IDD = IDD_ABOUTBOX };

protected:
    DECLARE_MESSAGE_MAP()
};
