// Stands in for the family's scan DLL in the tests: a DLL with a version
// resource (ScanDll.rc) that registers itself as the real one does. Its
// registration appends the DLL's own path as one line to
// "<its own path>.registered", so a test sees that regsvr32 really called it.
#include <windows.h>

#include <string>

namespace {
const char kRegisteredSuffix[] = ".registered";
HMODULE s_module = nullptr;
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        s_module = instance;
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer()
{
    char path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameA(s_module, path, MAX_PATH);
    std::string line = std::string(path, length) + "\r\n";
    HANDLE file = ::CreateFileA((std::string(path, length) + kRegisteredSuffix).c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return E_FAIL;
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok ? S_OK : E_FAIL;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    return S_OK;
}
