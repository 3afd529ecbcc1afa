// zorvik_zuzidi.exe: the trading engine stand-in. Its argument text is nine '|'-separated
// fields ending in "Ms" or "Md"; see ZuzidiWnd.h. With --base-folder alone it prints the host
// folder it belongs in, so that the install step maps drive C: as the programs do.
#include <cstdio>

#include "engine/EngineArgs.h"
#include "engine/ZuzidiWnd.h"
#include "platform/core/Path.h"
#include "platform/win/CommandLine.h"
#include "platform/win/MessageLoop.h"
#include "store/BaseFolder.h"

namespace {
constexpr char kBaseFolderOption[] = "--base-folder";
}

int main(int argc, char** argv) {
    zwin::TakeCommandLine(argc, argv);
    const CString text = GetCommandLineA();
    if (text == kBaseFolderOption) {
        std::printf("%s\n", HostPath(kBaseFolder).c_str());
        return 0;
    }
    CEngineArgs args;
    if (!ParseEngineArgs(text, &args)) {
        // The values are credentials: never echoed.
        const std::size_t fields = SplitFields(text).size();
        if (fields != 9)
            std::fprintf(stderr, "zorvik_zuzidi.exe: argument refused: %zu fields, 9 expected\n", fields);
        else
            std::fprintf(stderr, "zorvik_zuzidi.exe: argument refused: the last field is not Ms or Md\n");
        std::fprintf(stderr,
                     "usage: zorvik_zuzidi.exe id|passwd|cert_passwd|account|account_passwd|server_type|"
                     "trade_item|trade_type|Ms\n       zorvik_zuzidi.exe %s\n",
                     kBaseFolderOption);
        return 2;
    }
    CZuzidiWnd engine(args, CEngineOptions::FromEnvironment(args.Mode()));
    if (!engine.Start())
        return 3;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
