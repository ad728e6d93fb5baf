// The WoW64 calls, which only newer systems have: looked up at run time, and
// answered as by a system without WoW64 where they are missing.
#pragma once

#include <windows.h>

BOOL IsWow64ProcessIfAny(HANDLE process, PBOOL wow64);
UINT GetSystemWow64DirectoryIfAny(LPSTR buffer, UINT size);
