// The simulated backend: the Windows version, the virtual clock, and the
// program's, temp, system and Windows directories.
#include <cstring>

#include "sim/SimApi.h"
#include "sim/Time.h"

namespace sim {

namespace {
const char kWow64Folder[] = "\\SysWOW64";

// GetVersionExA takes either structure, told apart by the size it is given.
const DWORD kVersionInfoSize = sizeof(OSVERSIONINFOA);
const DWORD kVersionInfoExSize = sizeof(OSVERSIONINFOEXA);
static_assert(kVersionInfoSize == 148 && kVersionInfoExSize == 156, "the version structures as Windows lays them out");
}  // namespace

template <typename Char>
DWORD SimApi::CopyWholePath(const std::basic_string<Char>& path, Char* buffer, std::size_t size)
{
    if (buffer == nullptr || size <= path.size())
        return static_cast<DWORD>(path.size() + 1);
    return static_cast<DWORD>(CopyText(path, buffer, size));
}

BOOL SimApi::GetVersionExA(LPOSVERSIONINFOA info)
{
    if (Fails(__func__))
        return FALSE;
    if (info == nullptr ||
        (info->dwOSVersionInfoSize != kVersionInfoSize && info->dwOSVersionInfoSize != kVersionInfoExSize)) {
        m_lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    if (m_machine.os.queryFails) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    info->dwMajorVersion = m_machine.os.major;
    info->dwMinorVersion = m_machine.os.minor;
    info->dwBuildNumber = m_machine.os.build;
    info->dwPlatformId = m_machine.os.platform;
    CopyText(AnsiText(m_machine.os.servicePack), info->szCSDVersion, sizeof info->szCSDVersion);
    return TRUE;
}

void SimApi::GetLocalTime(LPSYSTEMTIME lpSystemTime)
{
    *lpSystemTime = AddMilliseconds(m_machine.startTime, m_elapsedMs);
}

void SimApi::Sleep(DWORD dwMilliseconds)
{
    m_sleeps.push_back(dwMilliseconds);
    m_elapsedMs += dwMilliseconds;
}

template <typename Char>
DWORD SimApi::ModuleFileName(const char* operation, Char* buffer, DWORD size)
{
    if (Fails(operation)) {
        CopyText(std::basic_string<Char>(), buffer, size);
        return 0;
    }
    std::basic_string<Char> path = CallerText<Char>(m_machine.paths.executable);
    std::size_t copied = CopyText(path, buffer, size);
    if (copied < path.size()) {
        m_lastError = ERROR_INSUFFICIENT_BUFFER;
        return size;
    }
    return static_cast<DWORD>(copied);
}

template <typename Char>
DWORD SimApi::TempPath(const char* operation, DWORD size, Char* buffer)
{
    if (Fails(operation))
        return 0;
    std::basic_string<Char> path = CallerText<Char>(m_machine.paths.temp);
    if (path.empty() || path.back() != Char('\\'))
        path += Char('\\');
    return CopyWholePath(path, buffer, size);
}

// Windows 2000 and later keep it under All Users, Vista and later in
// ProgramData; older systems have no such folder.
HRESULT SimApi::SHGetFolderPathA(HWND, int csidl, HANDLE, DWORD, LPSTR pszPath)
{
    if (Fails(__func__))
        return HRESULT_FROM_WIN32(m_lastError);
    const machine::OsVersion& os = m_machine.os;
    std::string folder = m_machine.paths.commonAppData;
    if (folder.empty() && os.platform == VER_PLATFORM_WIN32_NT && os.major >= 5) {
        std::string drive = m_machine.paths.windows.substr(0, 2);
        folder = os.major >= 6 ? drive + "\\ProgramData" : drive + "\\Documents and Settings\\All Users\\Application Data";
    }
    if (csidl != CSIDL_COMMON_APPDATA || folder.empty())
        return E_NOTIMPL;
    // The system makes it when it is installed: it is there whenever it is asked for.
    if (!m_machine.files.DirectoryExists(folder))
        m_machine.files.MakeDirectory(folder);
    CopyText(AnsiText(folder), pszPath, MAX_PATH);
    return S_OK;
}

const char* SimApi::wine_get_version()
{
    return nullptr;
}

DWORD SimApi::GetModuleFileNameA(HMODULE, LPSTR lpFilename, DWORD nSize)
{
    return ModuleFileName(__func__, lpFilename, nSize);
}

DWORD SimApi::GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer)
{
    return TempPath(__func__, nBufferLength, lpBuffer);
}

DWORD SimApi::GetModuleFileNameW(HMODULE, LPWSTR lpFilename, DWORD nSize)
{
    return ModuleFileName(__func__, lpFilename, nSize);
}

DWORD SimApi::GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer)
{
    return TempPath(__func__, nBufferLength, lpBuffer);
}

// The machine's disks hold no short (8.3) names: the path given is its own
// short form, as on a volume that makes none.
DWORD SimApi::GetShortPathNameW(LPCWSTR lpszLongPath, LPWSTR lpszShortPath, DWORD cchBuffer)
{
    if (Fails(__func__))
        return 0;
    std::string path = MachineText(lpszLongPath);
    if (m_machine.files.Find(path) == nullptr && !m_machine.files.DirectoryExists(path)) {
        m_lastError = ERROR_FILE_NOT_FOUND;
        return 0;
    }
    return CopyWholePath(CallerText<WCHAR>(path), lpszShortPath, cchBuffer);
}

UINT SimApi::GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize)
{
    if (Fails(__func__))
        return 0;
    return CopyWholePath(AnsiText(m_machine.paths.system), lpBuffer, uSize);
}

UINT SimApi::GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize)
{
    if (Fails(__func__))
        return 0;
    return CopyWholePath(AnsiText(m_machine.paths.windows), lpBuffer, uSize);
}

BOOL SimApi::IsWow64Process(HANDLE, PBOOL Wow64Process)
{
    *Wow64Process = wow64 ? TRUE : FALSE;
    return TRUE;
}

UINT SimApi::GetSystemWow64DirectoryA(LPSTR lpBuffer, UINT uSize)
{
    if (!wow64) {
        m_lastError = ERROR_CALL_NOT_IMPLEMENTED;
        return 0;
    }
    return CopyWholePath(AnsiText(m_machine.paths.windows + kWow64Folder), lpBuffer, uSize);
}

// Every code page asked for is taken as the machine's ANSI one, the only one
// the program asks for; each of its bytes is one character, one UTF-16 unit.
int SimApi::MultiByteToWideChar(UINT, DWORD, LPCSTR lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr,
                                int cchWideChar)
{
    if (lpMultiByteStr == nullptr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    std::size_t count = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<std::size_t>(cbMultiByte);
    if (cchWideChar == 0)
        return static_cast<int>(count);
    if (lpWideCharStr == nullptr || static_cast<std::size_t>(cchWideChar) < count) {
        m_lastError = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    std::basic_string<WCHAR> wide = CallerText<WCHAR>(MachineText(std::string(lpMultiByteStr, count)));
    std::copy(wide.begin(), wide.end(), lpWideCharStr);
    return static_cast<int>(count);
}

// Characters beyond the machine's code page have no byte: they become the
// default character, as Windows converts them (no look-alikes: its best-fit
// conversions are not modelled).
int SimApi::WideCharToMultiByte(UINT, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                                int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar)
{
    if (lpWideCharStr == nullptr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    // WC_NO_BEST_FIT_CHARS came with Windows 2000.
    if ((dwFlags & WC_NO_BEST_FIT_CHARS) != 0 &&
        (m_machine.os.platform != VER_PLATFORM_WIN32_NT || m_machine.os.major < 5)) {
        m_lastError = ERROR_INVALID_FLAGS;
        return 0;
    }
    std::size_t count = static_cast<std::size_t>(cchWideChar);
    if (cchWideChar == -1)
        count = std::char_traits<WCHAR>::length(lpWideCharStr) + 1;
    bool usedDefault = false;
    std::string ansi = machine::ToCodePage(MachineText(std::basic_string<WCHAR>(lpWideCharStr, count)),
                                           m_machine.ansiCodePage, lpDefaultChar != nullptr ? *lpDefaultChar : '?',
                                           &usedDefault);
    if (cbMultiByte == 0)
        return static_cast<int>(ansi.size());
    if (lpMultiByteStr == nullptr || static_cast<std::size_t>(cbMultiByte) < ansi.size()) {
        m_lastError = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    std::copy(ansi.begin(), ansi.end(), lpMultiByteStr);
    if (lpUsedDefaultChar != nullptr)
        *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    return static_cast<int>(ansi.size());
}


}  // namespace sim
