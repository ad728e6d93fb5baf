// remendo-undo's Windows entry point: the real backend, one undo.
#include "UndoProgram.h"
#include "win32/Win32Api.h"
// After the platform's headers, which bring in <windows.h> in the order Windows Sockets needs.
#include "win32/SystemLibrary.h"

namespace {
Win32Api s_win32;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    NarrowDllSearch();
    SetWin(&s_win32);
    return undo::RunUndoProgram();
}
