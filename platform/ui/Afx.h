// The framework in one include: windows, dialogs, controls, drawing, message boxes.
#pragma once

#include "platform/core/CString.h"
#include "platform/core/Exceptions.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/Gdi.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Shell.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Station.h"
#include "platform/win/WinApp.h"
#include "platform/win/Wnd.h"
