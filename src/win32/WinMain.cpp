// The Windows entry point: the real backend, the one application object, one run.
#include "app/Remendo.h"
#include "win32/SystemLibrary.h"
#include "win32/Win32Api.h"

namespace {
Win32Api s_win32;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    NarrowDllSearch();
    SetWin(&s_win32);
    CRemendoApp app;
    app.InitInstance();
    return 0;
}
