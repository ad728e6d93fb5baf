#include "platform/win32/Wow64Paths.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

namespace {
using IsWow64ProcessFunction = BOOL WINAPI(HANDLE, PBOOL);
using GetSystemWow64DirectoryAFunction = UINT WINAPI(LPSTR, UINT);

// Folders of the system directory the redirector leaves alone.
const char* const kNotRedirected[] = {"catroot\\", "catroot2\\", "drivers\\etc\\", "logfiles\\", "spool\\"};

FARPROC Kernel32Function(const char* name)
{
    HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
    return kernel32 != nullptr ? ::GetProcAddress(kernel32, name) : nullptr;
}

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](unsigned char a, unsigned char b) {
               return std::tolower(a) == std::tolower(b);
           });
}

bool RunsUnderWow64()
{
    auto isWow64Process =
        reinterpret_cast<IsWow64ProcessFunction*>(reinterpret_cast<void*>(Kernel32Function("IsWow64Process")));
    BOOL wow64 = FALSE;
    return isWow64Process != nullptr && isWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

std::string Directory(UINT (*query)(LPSTR, UINT))
{
    char directory[MAX_PATH];
    UINT length = query(directory, sizeof directory);
    return length > 0 && length < sizeof directory ? std::string(directory, length) + "\\" : std::string();
}

UINT SystemDirectory(LPSTR buffer, UINT size) { return ::GetSystemDirectoryA(buffer, size); }

UINT Wow64Directory(LPSTR buffer, UINT size)
{
    auto getSystemWow64Directory = reinterpret_cast<GetSystemWow64DirectoryAFunction*>(
        reinterpret_cast<void*>(Kernel32Function("GetSystemWow64DirectoryA")));
    return getSystemWow64Directory != nullptr ? getSystemWow64Directory(buffer, size) : 0;
}
}  // namespace

std::string PathOutsideRedirection(const std::string& path)
{
    std::string system = Directory(&SystemDirectory);
    if (system.empty() || !StartsWithIgnoringCase(path, system) || !RunsUnderWow64())
        return path;
    std::string rest = path.substr(system.size());
    for (const char* folder : kNotRedirected)
        if (StartsWithIgnoringCase(rest, folder))
            return path;
    std::string wow64 = Directory(&Wow64Directory);
    return wow64.empty() ? path : wow64 + rest;
}
