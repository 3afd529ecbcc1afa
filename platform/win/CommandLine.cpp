#include "platform/win/CommandLine.h"

#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/core/Text.h"

namespace {

std::once_flag g_takeOnce;

// The argument text in code page 949, as GetCommandLineA hands it out.
std::string& Taken() {
    static std::string text;
    return text;
}

void Take(int argc, char** argv) {
    std::string text;
    if (argc > 1 && argv) {
        for (int i = 1; i < argc && argv[i]; ++i) {
            if (i > 1)
                text += ' ';
            text += argv[i];
        }
    } else if (const char* given = std::getenv(kCommandLineVariable)) {
        text = given;
    }
    // Once taken it is this program's alone: the programs it starts never inherit it.
    ::unsetenv(kCommandLineVariable);
    const CString ansi = HostUtf8ToAnsi(text);
    Taken().assign(ansi.GetString(), static_cast<std::size_t>(ansi.GetLength()));
}

} // namespace

LPSTR GetCommandLineA() {
    zwin::TakeCommandLine(0, nullptr);
    return Taken().data();
}

namespace zwin {

void TakeCommandLine(int argc, char** argv) {
    std::call_once(g_takeOnce, [argc, argv] { Take(argc, argv); });
}

} // namespace zwin
