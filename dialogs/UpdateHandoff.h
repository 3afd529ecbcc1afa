// The update hand-off of the console's command line: a new build of a program waits as
// "<name>.tmp" in the current folder and takes the place of "<name>.exe".
#pragma once

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

// Replaces "<name>.exe" by "<name>.tmp" in the current folder and starts it without
// arguments; the new file takes the old one's permissions. Touches nothing unless the ".tmp"
// file exists; a ".tmp" or ".exe" that is not the user's own regular, singly linked file (a
// link, another user's file, a second name of a file) is refused, and so is the update while
// a "<name>.old" is there. The old program is kept aside as "<name>.old" until the new one has
// started, which it has when it still runs about 2 s after its start; otherwise the old one is
// put back and the operator is told what was kept. TRUE when the new program was started. The
// caller ends the program whatever the result.
BOOL RunUpdateHandoff(const CString& name);
