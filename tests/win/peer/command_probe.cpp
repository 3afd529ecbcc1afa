// A program for the process-start tests. It writes what it was started with to a file beside
// itself, "args-<the last '|'-separated field of its argument text>":
//
//   <its argument text as GetCommandLineA gives it, in UTF-8>
//   argc=<its argc>
//   left=<ZORVIK_COMMAND_LINE as its environment holds it afterwards, "-" when it is gone>
//   cmdline=</proc/self/cmdline, what every local user may read, each NUL shown as a blank>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/core/Text.h"
#include "platform/win/CommandLine.h"

int main(int argc, char** argv) {
    zwin::TakeCommandLine(argc, argv);
    const std::string text = AnsiToHostUtf8(GetCommandLineA());
    const char* left = std::getenv(kCommandLineVariable);

    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string cmdline((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    while (!cmdline.empty() && cmdline.back() == '\0')
        cmdline.pop_back();
    for (char& c : cmdline)
        if (c == '\0')
            c = ' ';

    const std::string self = argv[0];
    const std::string folder = self.substr(0, self.rfind('/'));
    const std::string path = folder + "/args-" + text.substr(text.rfind('|') + 1);
    {
        std::ofstream out(path + ".tmp");
        out << text << "\nargc=" << argc << "\nleft=" << (left ? left : "-") << "\ncmdline=" << cmdline
            << "\n";
    }
    return std::rename((path + ".tmp").c_str(), path.c_str()) == 0 ? 0 : 1;
}
