#include "platform/WinApi.h"

#include <algorithm>
#include <cctype>

namespace {
WinApi* s_pApi = nullptr;

// Folders of the system directory the redirector leaves alone.
const char* const kNotRedirected[] = {"catroot\\", "catroot2\\", "drivers\\etc\\", "logfiles\\", "spool\\"};

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](unsigned char a, unsigned char b) {
               return std::tolower(a) == std::tolower(b);
           });
}

}  // namespace

std::string Directory(UINT (WinApi::*query)(LPSTR, UINT))
{
    char directory[MAX_PATH];
    UINT length = (Win().*query)(directory, sizeof directory);
    return length > 0 && length < sizeof directory ? std::string(directory, length) + "\\" : std::string();
}

WinApi& Win()
{
    return *s_pApi;
}

void SetWin(WinApi* api)
{
    s_pApi = api;
}

std::basic_string<WCHAR> AnsiToWide(const std::string& text)
{
    if (text.empty())
        return {};
    int length = static_cast<int>(text.size());
    int units = Win().MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::basic_string<WCHAR> wide(units > 0 ? static_cast<std::size_t>(units) : 0, WCHAR{});
    if (units > 0)
        Win().MultiByteToWideChar(CP_ACP, 0, text.data(), length, &wide[0], units);
    return wide;
}

std::string AnsiToUtf16(const std::string& text)
{
    return Utf16Bytes(AnsiToWide(text));
}

std::string Utf16Bytes(const std::basic_string<WCHAR>& units)
{
    std::string bytes;
    for (WCHAR unit : units) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>((unit >> 8) & 0xFF);
    }
    return bytes;
}

std::basic_string<WCHAR> Utf16Units(const std::string& bytes)
{
    std::basic_string<WCHAR> units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        units += static_cast<WCHAR>(static_cast<unsigned char>(bytes[i]) |
                                    (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return units;
}

namespace {
// One conversion of `wide` into `ansi`: false when a character has no place in
// the ANSI code page, or when the system does not take `flags`.
bool ConvertToAnsi(const std::basic_string<WCHAR>& wide, DWORD flags, std::string& ansi)
{
    int length = static_cast<int>(wide.size());
    int bytes = Win().WideCharToMultiByte(CP_ACP, flags, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return false;
    ansi.assign(static_cast<std::size_t>(bytes), '\0');
    BOOL usedDefault = FALSE;
    return Win().WideCharToMultiByte(CP_ACP, flags, wide.data(), length, &ansi[0], bytes, nullptr, &usedDefault) ==
               bytes &&
           !usedDefault;
}
}  // namespace

bool WideToAnsi(const std::basic_string<WCHAR>& wide, std::string& ansi)
{
    ansi.clear();
    if (wide.empty())
        return true;
    if (ConvertToAnsi(wide, WC_NO_BEST_FIT_CHARS, ansi))
        return true;
    if (Win().GetLastError() != ERROR_INVALID_FLAGS)
        return false;
    // Before Windows 2000 the system knows no WC_NO_BEST_FIT_CHARS and may put
    // a look-alike for a character the code page lacks: only a text that
    // converts back to itself is the same text.
    return ConvertToAnsi(wide, 0, ansi) && AnsiToWide(ansi) == wide;
}

std::string AnsiPathOf(const std::basic_string<WCHAR>& widePath)
{
    std::string ansi;
    if (WideToAnsi(widePath, ansi))
        return ansi;
    WCHAR shortPath[MAX_PATH] = {};
    DWORD length = Win().GetShortPathNameW(widePath.c_str(), shortPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !WideToAnsi(std::basic_string<WCHAR>(shortPath, length), ansi))
        return std::string();
    return ansi;
}

namespace {
// The wide calls of the 9x family are stubs that answer this.
bool IsOnlyAStub(DWORD result)
{
    return result == 0 && Win().GetLastError() == ERROR_CALL_NOT_IMPLEMENTED;
}
}  // namespace

std::string TempDirectory()
{
    WCHAR temp[MAX_PATH] = {};
    DWORD length = Win().GetTempPathW(MAX_PATH, temp);
    if (IsOnlyAStub(length)) {
        char ansiTemp[MAX_PATH] = {};
        length = Win().GetTempPathA(MAX_PATH, ansiTemp);
        return length == 0 || length >= MAX_PATH ? std::string() : std::string(ansiTemp, length);
    }
    return length == 0 || length >= MAX_PATH ? std::string() : AnsiPathOf(std::basic_string<WCHAR>(temp, length));
}

std::string ProgramDirectory()
{
    // By its length: a truncated path is not terminated on older systems.
    WCHAR buffer[MAX_PATH] = {};
    DWORD length = Win().GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::string path;
    if (IsOnlyAStub(length)) {
        char ansiBuffer[MAX_PATH] = {};
        length = Win().GetModuleFileNameA(nullptr, ansiBuffer, MAX_PATH);
        path.assign(ansiBuffer, std::min<DWORD>(length, MAX_PATH));
    } else {
        path = AnsiPathOf(std::basic_string<WCHAR>(buffer, std::min<DWORD>(length, MAX_PATH)));
    }
    std::string::size_type slash = path.rfind('\\');
    if (path.empty() || slash == std::string::npos)
        return TempDirectory();
    return path.substr(0, slash + 1);
}

BOOL RenameFile(const std::string& from, const std::string& to, DWORD flags)
{
    if (Win().MoveFileExA(from.c_str(), to.c_str(), flags))
        return TRUE;
    if (Win().GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
        return FALSE;
    if ((flags & MOVEFILE_REPLACE_EXISTING) == 0 || Win().GetFileAttributesA(to.c_str()) == INVALID_FILE_ATTRIBUTES)
        return Win().MoveFileA(from.c_str(), to.c_str());
    const std::string aside = to + kAsideSuffix;
    Win().DeleteFileA(aside.c_str());
    if (!Win().MoveFileA(to.c_str(), aside.c_str()))
        return FALSE;
    if (!Win().MoveFileA(from.c_str(), to.c_str())) {
        DWORD error = Win().GetLastError();
        Win().MoveFileA(aside.c_str(), to.c_str());
        Win().SetLastError(error);
        return FALSE;
    }
    Win().DeleteFileA(aside.c_str());
    return TRUE;
}

bool RunsUnderWow64()
{
    BOOL wow64 = FALSE;
    return Win().IsWow64Process(Win().GetCurrentProcess(), &wow64) && wow64;
}

std::string PathInsideRedirection(const std::string& path)
{
    std::string wow64 = RunsUnderWow64() ? Directory(&WinApi::GetSystemWow64DirectoryA) : std::string();
    if (wow64.empty() || !StartsWithIgnoringCase(path, wow64))
        return path;
    std::string system = Directory(&WinApi::GetSystemDirectoryA);
    return system.empty() ? path : system + path.substr(wow64.size());
}

std::string PathOutsideRedirection(const std::string& path)
{
    std::string system = Directory(&WinApi::GetSystemDirectoryA);
    if (system.empty() || !StartsWithIgnoringCase(path, system) || !RunsUnderWow64())
        return path;
    std::string rest = path.substr(system.size());
    for (const char* folder : kNotRedirected)
        if (StartsWithIgnoringCase(rest, folder))
            return path;
    std::string wow64 = Directory(&WinApi::GetSystemWow64DirectoryA);
    return wow64.empty() ? path : wow64 + rest;
}
