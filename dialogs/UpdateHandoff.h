// The update hand-off of the console's command line: a new build of a program waits as
// "<name>.tmp" in the current folder and takes the place of "<name>.exe".
#pragma once

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

// Replaces "<name>.exe" by "<name>.tmp" in the current folder and starts it without
// arguments; the new file takes the old one's permissions. Touches nothing unless the ".tmp"
// file exists; a link in its place is refused. The old program is kept aside as "<name>.old"
// until the new one has started, and put back when it does not start: the operator is told
// what was kept. TRUE when the new program was started. The caller ends the program whatever
// the result.
BOOL RunUpdateHandoff(const CString& name);
