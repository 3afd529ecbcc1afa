// The argument text of this process.
//
// A program that this platform starts (CreateProcessA, ShellExecuteExA) finds its argument
// text in its environment as ZORVIK_COMMAND_LINE, which only its own user may read, never on
// its command line, which every local user may read: its argv holds its path alone. The
// text is taken out of the environment as the program starts, so that its own children do
// not inherit it. A program started otherwise, from a shell with arguments, reads its argv.
#pragma once

#include "platform/core/WinTypes.h"

// The variable that carries a started program's argument text (UTF-8, as the host's
// environment is).
inline constexpr char kCommandLineVariable[] = "ZORVIK_COMMAND_LINE";

// The argument text (code page 949): the text that followed the program's name when it was
// started. The first call takes it, if main has not.
LPSTR GetCommandLineA();

namespace zwin {
// Takes the argument text once, at the start of main: argv[1..] joined by blanks when the
// program was given arguments, else the text its starter left in the environment (nothing
// when there is none). The variable is removed either way. Later calls change nothing.
void TakeCommandLine(int argc, char** argv);
} // namespace zwin
