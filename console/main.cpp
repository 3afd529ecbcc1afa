// The console's start: the framework runs the application object.
#include "platform/win/WinApp.h"

int main(int argc, char** argv) {
    return AfxWinMain(argc, argv);
}
