// A version.dll to plant beside remendo.exe: loaded, it writes
// "<its own path>.loaded", and it answers the version calls by passing them
// to the system's own version.dll, so a program that does load it still runs.
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

FARPROC SystemVersionFunction(const char* name)
{
    static HMODULE s_system = nullptr;
    if (s_system == nullptr) {
        char directory[MAX_PATH] = {};
        UINT length = ::GetSystemDirectoryA(directory, MAX_PATH);
        s_system = ::LoadLibraryA((std::string(directory, length) + "\\version.dll").c_str());
    }
    return s_system != nullptr ? ::GetProcAddress(s_system, name) : nullptr;
}

template <typename Function>
Function* System(const char* name)
{
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(SystemVersionFunction(name)));
}
}  // namespace

extern "C" {
__declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR file, LPDWORD handle)
{
    auto call = System<DWORD WINAPI(LPCSTR, LPDWORD)>("GetFileVersionInfoSizeA");
    return call != nullptr ? call(file, handle) : 0;
}

__declspec(dllexport) BOOL WINAPI GetFileVersionInfoA(LPCSTR file, DWORD handle, DWORD length, LPVOID data)
{
    auto call = System<BOOL WINAPI(LPCSTR, DWORD, DWORD, LPVOID)>("GetFileVersionInfoA");
    return call != nullptr ? call(file, handle, length, data) : FALSE;
}

__declspec(dllexport) BOOL WINAPI VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length)
{
    auto call = System<BOOL WINAPI(LPCVOID, LPCSTR, LPVOID*, PUINT)>("VerQueryValueA");
    return call != nullptr ? call(block, subBlock, buffer, length) : FALSE;
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
