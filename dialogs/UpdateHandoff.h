// The update hand-off of the console's command line: a new build of a program waits as
// "<name>.tmp" in the current folder and takes the place of "<name>.exe".
#pragma once

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

// Replaces "<name>.exe" by "<name>.tmp" in the current folder and starts it without
// arguments; the new file takes the old one's permissions. Touches nothing unless the ".tmp"
// file exists, and replaces nothing when the new file would not be a program that starts: the
// operator is told instead. TRUE when the new program was started. The caller ends the
// program whatever the result.
BOOL RunUpdateHandoff(const CString& name);
