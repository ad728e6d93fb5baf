#include "win32/Wow64Paths.h"

namespace {
using IsWow64ProcessFunction = BOOL WINAPI(HANDLE, PBOOL);
using GetSystemWow64DirectoryAFunction = UINT WINAPI(LPSTR, UINT);

FARPROC Kernel32Function(const char* name)
{
    HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
    return kernel32 != nullptr ? ::GetProcAddress(kernel32, name) : nullptr;
}
}  // namespace

BOOL IsWow64ProcessIfAny(HANDLE process, PBOOL wow64)
{
    auto isWow64Process =
        reinterpret_cast<IsWow64ProcessFunction*>(reinterpret_cast<void*>(Kernel32Function("IsWow64Process")));
    if (isWow64Process != nullptr)
        return isWow64Process(process, wow64);
    *wow64 = FALSE;
    return TRUE;
}

UINT GetSystemWow64DirectoryIfAny(LPSTR buffer, UINT size)
{
    auto getSystemWow64Directory = reinterpret_cast<GetSystemWow64DirectoryAFunction*>(
        reinterpret_cast<void*>(Kernel32Function("GetSystemWow64DirectoryA")));
    if (getSystemWow64Directory != nullptr)
        return getSystemWow64Directory(buffer, size);
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return 0;
}
