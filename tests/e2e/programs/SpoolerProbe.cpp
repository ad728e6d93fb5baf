// A winspool.drv to plant beside remendo.exe: loaded, it writes
// "<its own path>.loaded", and it answers the spooler calls by passing them
// to the system's own winspool.drv, so a program that does load it still runs.
#include <windows.h>

#include <string>

namespace {
HMODULE s_self = nullptr;

std::string OwnPath()
{
    char path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameA(s_self, path, MAX_PATH);
    return std::string(path, length);
}

FARPROC SystemSpoolerFunction(const char* name)
{
    static HMODULE s_system = nullptr;
    if (s_system == nullptr) {
        char directory[MAX_PATH] = {};
        UINT length = ::GetSystemDirectoryA(directory, MAX_PATH);
        s_system = ::LoadLibraryA((std::string(directory, length) + "\\winspool.drv").c_str());
    }
    return s_system != nullptr ? ::GetProcAddress(s_system, name) : nullptr;
}

template <typename Function>
Function* System(const char* name)
{
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(SystemSpoolerFunction(name)));
}
}  // namespace

extern "C" {
__declspec(dllexport) BOOL WINAPI EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE printers, DWORD size,
                                                LPDWORD needed, LPDWORD returned)
{
    auto call = System<BOOL WINAPI(DWORD, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD)>("EnumPrintersA");
    return call != nullptr ? call(flags, name, level, printers, size, needed, returned) : FALSE;
}

__declspec(dllexport) BOOL WINAPI EnumPortsA(LPSTR name, DWORD level, LPBYTE ports, DWORD size, LPDWORD needed,
                                             LPDWORD returned)
{
    auto call = System<BOOL WINAPI(LPSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD)>("EnumPortsA");
    return call != nullptr ? call(name, level, ports, size, needed, returned) : FALSE;
}
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        s_self = instance;
        HANDLE marker = ::CreateFileA((OwnPath() + ".loaded").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
        if (marker != INVALID_HANDLE_VALUE)
            ::CloseHandle(marker);
    }
    return TRUE;
}
