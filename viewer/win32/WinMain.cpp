#include <windows.h>

#include "ReplayApp.h"

// The command line is ignored.
int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    kelvista::win32::ReplayApp& app = kelvista::win32::TheApp();
    if (!app.InitInstance()) {
        return 1;
    }
    return app.Run();
}
