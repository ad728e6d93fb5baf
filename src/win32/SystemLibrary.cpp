#include "win32/SystemLibrary.h"

#include <map>
#include <string>

namespace {
// Not in the headers for the oldest systems the program is for.
const DWORD kLoadLibrarySearchSystem32 = 0x00000800;

using SetDllDirectoryAFunction = BOOL WINAPI(LPCSTR);
using SetDefaultDllDirectoriesFunction = BOOL WINAPI(DWORD);

FARPROC Kernel32Function(const char* name)
{
    HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
    return kernel32 != nullptr ? ::GetProcAddress(kernel32, name) : nullptr;
}

HMODULE LoadFromSystemDirectory(const char* fileName)
{
    char directory[MAX_PATH];
    UINT length = ::GetSystemDirectoryA(directory, sizeof directory);
    if (length == 0 || length >= sizeof directory) {
        ::SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    std::string path = std::string(directory, length) + "\\" + fileName;
    return ::LoadLibraryA(path.c_str());
}

HMODULE SystemModule(const char* fileName)
{
    static std::map<std::string, HMODULE> s_loaded;
    auto found = s_loaded.find(fileName);
    if (found == s_loaded.end()) {
        HMODULE module = LoadFromSystemDirectory(fileName);
        if (module == nullptr)
            return nullptr;
        found = s_loaded.emplace(fileName, module).first;
    }
    return found->second;
}

// The DLLs loaded at run time, each before the ones that import it: a DLL's
// imports are first looked for among the modules already loaded, so the
// spooler's DLL never goes looking for a version.dll in the program's folder
// (which the oldest systems cannot take out of the search).
const char* const kSystemDlls[] = {"version.dll", "winspool.drv"};
}  // namespace

void NarrowDllSearch()
{
    // XP SP1 and later.
    if (auto setDllDirectory = reinterpret_cast<SetDllDirectoryAFunction*>(
            reinterpret_cast<void*>(Kernel32Function("SetDllDirectoryA"))))
        setDllDirectory("");
    // Windows 8 and later, and Vista and 7 with their security update.
    if (auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction*>(
            reinterpret_cast<void*>(Kernel32Function("SetDefaultDllDirectories"))))
        setDefaultDllDirectories(kLoadLibrarySearchSystem32);
    for (const char* fileName : kSystemDlls)
        SystemModule(fileName);
}

FARPROC SystemFunction(const char* fileName, const char* name)
{
    HMODULE module = SystemModule(fileName);
    return module != nullptr ? ::GetProcAddress(module, name) : nullptr;
}
