#include "win32/Win32Api.h"

#include "win32/MessagePump.h"
#include "win32/SystemLibrary.h"
#include "win32/Wow64Paths.h"

#include <string>

namespace {
const char kSpoolerDll[] = "winspool.drv";
const char kVersionDll[] = "version.dll";

// Resources live in the executable; a null instance handle stands for it.
HINSTANCE ResourceModule(HINSTANCE hInstance)
{
    return hInstance != nullptr ? hInstance : ::GetModuleHandleA(nullptr);
}
}  // namespace

// Errors and debugger output

DWORD Win32Api::GetLastError() { return ::GetLastError(); }

void Win32Api::SetLastError(DWORD dwErrCode) { ::SetLastError(dwErrCode); }

DWORD Win32Api::FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                               LPSTR lpBuffer, DWORD nSize, va_list* Arguments)
{
    return ::FormatMessageA(dwFlags, lpSource, dwMessageId, dwLanguageId, lpBuffer, nSize, Arguments);
}

HLOCAL Win32Api::LocalFree(HLOCAL hMem) { return ::LocalFree(hMem); }

void Win32Api::OutputDebugStringA(LPCSTR lpOutputString) { ::OutputDebugStringA(lpOutputString); }

// System information, time

BOOL Win32Api::GetVersionExA(LPOSVERSIONINFOA lpVersionInformation)
{
    return ::GetVersionExA(lpVersionInformation);
}

void Win32Api::GetLocalTime(LPSYSTEMTIME lpSystemTime) { ::GetLocalTime(lpSystemTime); }

void Win32Api::Sleep(DWORD dwMilliseconds) { WaitDispatchingMessages(nullptr, dwMilliseconds); }

DWORD Win32Api::GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize)
{
    return ::GetModuleFileNameA(hModule, lpFilename, nSize);
}

DWORD Win32Api::GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) { return ::GetTempPathA(nBufferLength, lpBuffer); }

DWORD Win32Api::GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize)
{
    return ::GetModuleFileNameW(hModule, lpFilename, nSize);
}

DWORD Win32Api::GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer) { return ::GetTempPathW(nBufferLength, lpBuffer); }

DWORD Win32Api::GetShortPathNameW(LPCWSTR lpszLongPath, LPWSTR lpszShortPath, DWORD cchBuffer)
{
    return ::GetShortPathNameW(lpszLongPath, lpszShortPath, cchBuffer);
}

UINT Win32Api::GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) { return ::GetSystemDirectoryA(lpBuffer, uSize); }

UINT Win32Api::GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) { return ::GetWindowsDirectoryA(lpBuffer, uSize); }

BOOL Win32Api::IsWow64Process(HANDLE hProcess, PBOOL Wow64Process) { return IsWow64ProcessIfAny(hProcess, Wow64Process); }

UINT Win32Api::GetSystemWow64DirectoryA(LPSTR lpBuffer, UINT uSize)
{
    return GetSystemWow64DirectoryIfAny(lpBuffer, uSize);
}

HRESULT Win32Api::SHGetFolderPathA(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPSTR pszPath)
{
    // shell32 has it from Windows 2000 on; shfolder.dll brings it to older systems.
    using Function = HRESULT WINAPI(HWND, int, HANDLE, DWORD, LPSTR);
    for (const char* library : {"shell32.dll", "shfolder.dll"}) {
        if (Function* getFolderPath = SystemFunctionOf<Function>(library, "SHGetFolderPathA"))
            return getFolderPath(hwnd, csidl, hToken, dwFlags, pszPath);
    }
    return E_NOTIMPL;
}

const char* Win32Api::wine_get_version()
{
    using Function = const char* CDECL();
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    auto wineVersion = reinterpret_cast<Function*>(
        reinterpret_cast<void*>(ntdll != nullptr ? ::GetProcAddress(ntdll, "wine_get_version") : nullptr));
    return wineVersion != nullptr ? wineVersion() : nullptr;
}

int Win32Api::MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                                  LPWSTR lpWideCharStr, int cchWideChar)
{
    return ::MultiByteToWideChar(CodePage, dwFlags, lpMultiByteStr, cbMultiByte, lpWideCharStr, cchWideChar);
}

int Win32Api::WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                                  LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar)
{
    return ::WideCharToMultiByte(CodePage, dwFlags, lpWideCharStr, cchWideChar, lpMultiByteStr, cbMultiByte,
                                 lpDefaultChar, lpUsedDefaultChar);
}

// Security

HANDLE Win32Api::GetCurrentThread() { return ::GetCurrentThread(); }

HANDLE Win32Api::GetCurrentProcess() { return ::GetCurrentProcess(); }

BOOL Win32Api::OpenThreadToken(HANDLE ThreadHandle, DWORD DesiredAccess, BOOL OpenAsSelf, PHANDLE TokenHandle)
{
    return ::OpenThreadToken(ThreadHandle, DesiredAccess, OpenAsSelf, TokenHandle);
}

BOOL Win32Api::OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle)
{
    return ::OpenProcessToken(ProcessHandle, DesiredAccess, TokenHandle);
}

BOOL Win32Api::GetTokenInformation(HANDLE TokenHandle, TOKEN_INFORMATION_CLASS TokenInformationClass,
                                   LPVOID TokenInformation, DWORD TokenInformationLength, PDWORD ReturnLength)
{
    return ::GetTokenInformation(TokenHandle, TokenInformationClass, TokenInformation, TokenInformationLength,
                                 ReturnLength);
}

BOOL Win32Api::AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY pIdentifierAuthority, BYTE nSubAuthorityCount,
                                        DWORD nSubAuthority0, DWORD nSubAuthority1, DWORD nSubAuthority2,
                                        DWORD nSubAuthority3, DWORD nSubAuthority4, DWORD nSubAuthority5,
                                        DWORD nSubAuthority6, DWORD nSubAuthority7, PSID* pSid)
{
    return ::AllocateAndInitializeSid(pIdentifierAuthority, nSubAuthorityCount, nSubAuthority0, nSubAuthority1,
                                      nSubAuthority2, nSubAuthority3, nSubAuthority4, nSubAuthority5,
                                      nSubAuthority6, nSubAuthority7, pSid);
}

BOOL Win32Api::EqualSid(PSID pSid1, PSID pSid2) { return ::EqualSid(pSid1, pSid2); }

LPVOID Win32Api::FreeSid(PSID pSid) { return ::FreeSid(pSid); }

BOOL Win32Api::GetKernelObjectSecurity(HANDLE Handle, SECURITY_INFORMATION RequestedInformation,
                                       PSECURITY_DESCRIPTOR pSecurityDescriptor, DWORD nLength,
                                       LPDWORD lpnLengthNeeded)
{
    return ::GetKernelObjectSecurity(Handle, RequestedInformation, pSecurityDescriptor, nLength, lpnLengthNeeded);
}


// Kernel objects and files

HANDLE Win32Api::CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES lpAttributes, DWORD flProtect,
                                    DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCSTR lpName)
{
    return ::CreateFileMappingA(hFile, lpAttributes, flProtect, dwMaximumSizeHigh, dwMaximumSizeLow, lpName);
}

BOOL Win32Api::CloseHandle(HANDLE hObject) { return ::CloseHandle(hObject); }

HANDLE Win32Api::CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                             LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                             DWORD dwFlagsAndAttributes, HANDLE hTemplateFile)
{
    return ::CreateFileA(lpFileName, dwDesiredAccess, dwShareMode, lpSecurityAttributes, dwCreationDisposition,
                         dwFlagsAndAttributes, hTemplateFile);
}

BOOL Win32Api::WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                         LPOVERLAPPED lpOverlapped)
{
    return ::WriteFile(hFile, lpBuffer, nNumberOfBytesToWrite, lpNumberOfBytesWritten, lpOverlapped);
}

BOOL Win32Api::FlushFileBuffers(HANDLE hFile) { return ::FlushFileBuffers(hFile); }

BOOL Win32Api::ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                        LPOVERLAPPED lpOverlapped)
{
    return ::ReadFile(hFile, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead, lpOverlapped);
}

BOOL Win32Api::GetFileInformationByHandle(HANDLE hFile, LPBY_HANDLE_FILE_INFORMATION lpFileInformation)
{
    return ::GetFileInformationByHandle(hFile, lpFileInformation);
}

BOOL Win32Api::CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes)
{
    return ::CreateDirectoryA(lpPathName, lpSecurityAttributes);
}

BOOL Win32Api::DeleteFileA(LPCSTR lpFileName) { return ::DeleteFileA(lpFileName); }

BOOL Win32Api::CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists)
{
    return ::CopyFileA(lpExistingFileName, lpNewFileName, bFailIfExists);
}

BOOL Win32Api::MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName)
{
    return ::MoveFileA(lpExistingFileName, lpNewFileName);
}

BOOL Win32Api::MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags)
{
    if ((dwFlags & MOVEFILE_DELAY_UNTIL_REBOOT) == 0)
        return ::MoveFileExA(lpExistingFileName, lpNewFileName, dwFlags);
    std::string from = PathOutsideRedirection(lpExistingFileName);
    std::string to = lpNewFileName != nullptr ? PathOutsideRedirection(lpNewFileName) : std::string();
    return ::MoveFileExA(from.c_str(), lpNewFileName != nullptr ? to.c_str() : nullptr, dwFlags);
}

DWORD Win32Api::GetFileAttributesA(LPCSTR lpFileName) { return ::GetFileAttributesA(lpFileName); }

BOOL Win32Api::SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes)
{
    return ::SetFileAttributesA(lpFileName, dwFileAttributes);
}

HANDLE Win32Api::FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData)
{
    return ::FindFirstFileA(lpFileName, lpFindFileData);
}

BOOL Win32Api::FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData)
{
    return ::FindNextFileA(hFindFile, lpFindFileData);
}

BOOL Win32Api::FindClose(HANDLE hFindFile) { return ::FindClose(hFindFile); }

// C runtime file streams

FILE* Win32Api::fopen(const char* filename, const char* mode) { return ::fopen(filename, mode); }

int Win32Api::fgetc(FILE* stream) { return ::fgetc(stream); }

size_t Win32Api::fread(void* buffer, size_t size, size_t count, FILE* stream)
{
    return ::fread(buffer, size, count, stream);
}

size_t Win32Api::fwrite(const void* buffer, size_t size, size_t count, FILE* stream)
{
    return ::fwrite(buffer, size, count, stream);
}

int Win32Api::ferror(FILE* stream) { return ::ferror(stream); }

int Win32Api::fclose(FILE* stream) { return ::fclose(stream); }

int Win32Api::_stat(const char* path, struct _stat* buffer) { return ::_stat(path, buffer); }

// Processes

BOOL Win32Api::CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES lpProcessAttributes,
                              LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles, DWORD dwCreationFlags,
                              LPVOID lpEnvironment, LPCSTR lpCurrentDirectory, LPSTARTUPINFOA lpStartupInfo,
                              LPPROCESS_INFORMATION lpProcessInformation)
{
    return ::CreateProcessA(lpApplicationName, lpCommandLine, lpProcessAttributes, lpThreadAttributes,
                            bInheritHandles, dwCreationFlags, lpEnvironment, lpCurrentDirectory, lpStartupInfo,
                            lpProcessInformation);
}

DWORD Win32Api::WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    return WaitDispatchingMessages(hHandle, dwMilliseconds);
}

// Registry

LONG Win32Api::RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult)
{
    return ::RegOpenKeyExA(hKey, lpSubKey, ulOptions, samDesired, phkResult);
}

LONG Win32Api::RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                             LPSTR lpClass, LPDWORD lpcchClass, FILETIME* lpftLastWriteTime)
{
    return ::RegEnumKeyExA(hKey, dwIndex, lpName, lpcchName, lpReserved, lpClass, lpcchClass, lpftLastWriteTime);
}

LONG Win32Api::RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                             LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    return ::RegEnumValueA(hKey, dwIndex, lpValueName, lpcchValueName, lpReserved, lpType, lpData, lpcbData);
}

LONG Win32Api::RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult)
{
    return ::RegOpenKeyExW(hKey, lpSubKey, ulOptions, samDesired, phkResult);
}

LONG Win32Api::RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                             LPWSTR lpClass, LPDWORD lpcchClass, FILETIME* lpftLastWriteTime)
{
    return ::RegEnumKeyExW(hKey, dwIndex, lpName, lpcchName, lpReserved, lpClass, lpcchClass, lpftLastWriteTime);
}

LONG Win32Api::RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                             LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    return ::RegEnumValueW(hKey, dwIndex, lpValueName, lpcchValueName, lpReserved, lpType, lpData, lpcbData);
}

LONG Win32Api::RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                                LPDWORD lpcbData)
{
    return ::RegQueryValueExA(hKey, lpValueName, lpReserved, lpType, lpData, lpcbData);
}

LONG Win32Api::RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                                LPDWORD lpcbData)
{
    return ::RegQueryValueExW(hKey, lpValueName, lpReserved, lpType, lpData, lpcbData);
}

LONG Win32Api::RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                              DWORD cbData)
{
    return ::RegSetValueExA(hKey, lpValueName, Reserved, dwType, lpData, cbData);
}

LONG Win32Api::RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                              DWORD cbData)
{
    return ::RegSetValueExW(hKey, lpValueName, Reserved, dwType, lpData, cbData);
}

LONG Win32Api::RegCloseKey(HKEY hKey) { return ::RegCloseKey(hKey); }

// Service control manager

SC_HANDLE Win32Api::OpenSCManagerA(LPCSTR lpMachineName, LPCSTR lpDatabaseName, DWORD dwDesiredAccess)
{
    return ::OpenSCManagerA(lpMachineName, lpDatabaseName, dwDesiredAccess);
}

SC_HANDLE Win32Api::OpenServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, DWORD dwDesiredAccess)
{
    return ::OpenServiceA(hSCManager, lpServiceName, dwDesiredAccess);
}

BOOL Win32Api::QueryServiceStatus(SC_HANDLE hService, LPSERVICE_STATUS lpServiceStatus)
{
    return ::QueryServiceStatus(hService, lpServiceStatus);
}

BOOL Win32Api::QueryServiceConfigA(SC_HANDLE hService, LPQUERY_SERVICE_CONFIGA lpServiceConfig, DWORD cbBufSize,
                                   LPDWORD pcbBytesNeeded)
{
    return ::QueryServiceConfigA(hService, lpServiceConfig, cbBufSize, pcbBytesNeeded);
}

BOOL Win32Api::StartServiceA(SC_HANDLE hService, DWORD dwNumServiceArgs, LPCSTR* lpServiceArgVectors)
{
    return ::StartServiceA(hService, dwNumServiceArgs, lpServiceArgVectors);
}

BOOL Win32Api::ControlService(SC_HANDLE hService, DWORD dwControl, LPSERVICE_STATUS lpServiceStatus)
{
    return ::ControlService(hService, dwControl, lpServiceStatus);
}

BOOL Win32Api::ChangeServiceConfigA(SC_HANDLE hService, DWORD dwServiceType, DWORD dwStartType, DWORD dwErrorControl,
                                    LPCSTR lpBinaryPathName, LPCSTR lpLoadOrderGroup, LPDWORD lpdwTagId,
                                    LPCSTR lpDependencies, LPCSTR lpServiceStartName, LPCSTR lpPassword,
                                    LPCSTR lpDisplayName)
{
    return ::ChangeServiceConfigA(hService, dwServiceType, dwStartType, dwErrorControl, lpBinaryPathName,
                                  lpLoadOrderGroup, lpdwTagId, lpDependencies, lpServiceStartName, lpPassword,
                                  lpDisplayName);
}

BOOL Win32Api::CloseServiceHandle(SC_HANDLE hSCObject) { return ::CloseServiceHandle(hSCObject); }
// Print spooler (loaded from the system directory)

BOOL Win32Api::EnumPrintersA(DWORD Flags, LPSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf,
                             LPDWORD pcbNeeded, LPDWORD pcReturned)
{
    auto enumPrinters = SystemFunctionOf<decltype(::EnumPrintersA)>(kSpoolerDll, "EnumPrintersA");
    return enumPrinters != nullptr ? enumPrinters(Flags, Name, Level, pPrinterEnum, cbBuf, pcbNeeded, pcReturned)
                                   : FALSE;
}

BOOL Win32Api::EnumPortsA(LPSTR pName, DWORD Level, LPBYTE pPort, DWORD cbBuf, LPDWORD pcbNeeded,
                          LPDWORD pcReturned)
{
    auto enumPorts = SystemFunctionOf<decltype(::EnumPortsA)>(kSpoolerDll, "EnumPortsA");
    return enumPorts != nullptr ? enumPorts(pName, Level, pPort, cbBuf, pcbNeeded, pcReturned) : FALSE;
}

// Windows Sockets

int Win32Api::WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData)
{
    return ::WSAStartup(wVersionRequested, lpWSAData);
}

ULONG Win32Api::inet_addr(const char* cp) { return ::inet_addr(cp); }

hostent* Win32Api::gethostbyaddr(const char* addr, int len, int type) { return ::gethostbyaddr(addr, len, type); }

int Win32Api::WSACleanup() { return ::WSACleanup(); }

// Version resources (loaded from the system directory)

DWORD Win32Api::GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle)
{
    auto getSize = SystemFunctionOf<decltype(::GetFileVersionInfoSizeA)>(kVersionDll, "GetFileVersionInfoSizeA");
    return getSize != nullptr ? getSize(lptstrFilename, lpdwHandle) : 0;
}

BOOL Win32Api::GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData)
{
    auto getInfo = SystemFunctionOf<decltype(::GetFileVersionInfoA)>(kVersionDll, "GetFileVersionInfoA");
    return getInfo != nullptr ? getInfo(lptstrFilename, dwHandle, dwLen, lpData) : FALSE;
}

BOOL Win32Api::VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, PUINT puLen)
{
    auto queryValue = SystemFunctionOf<decltype(::VerQueryValueA)>(kVersionDll, "VerQueryValueA");
    return queryValue != nullptr ? queryValue(pBlock, lpSubBlock, lplpBuffer, puLen) : FALSE;
}

// Windows, dialogs, resources

// InitCommonControlsEx came with the common controls of Internet Explorer 3
// (4.70), which a plain NT 4.0 or 95 lacks: looked up in the common controls
// this program runs with (those of its manifest where the system has them),
// which InitCommonControls loads; that one alone where it is missing.
BOOL Win32Api::InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce)
{
    using InitCommonControlsExFunction = BOOL WINAPI(const INITCOMMONCONTROLSEX*);
    ::InitCommonControls();
    HMODULE commonControls = ::GetModuleHandleA("comctl32.dll");
    auto initEx = reinterpret_cast<InitCommonControlsExFunction*>(reinterpret_cast<void*>(
        commonControls != nullptr ? ::GetProcAddress(commonControls, "InitCommonControlsEx") : nullptr));
    return initEx != nullptr ? initEx(picce) : TRUE;
}

int Win32Api::LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax)
{
    return ::LoadStringA(ResourceModule(hInstance), uID, lpBuffer, cchBufferMax);
}

int Win32Api::MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    return ::MessageBoxA(hWnd, lpText, lpCaption, uType);
}

HWND Win32Api::CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                                  LPARAM dwInitParam)
{
    return ::CreateDialogParamA(ResourceModule(hInstance), lpTemplateName, hWndParent, lpDialogFunc, dwInitParam);
}

BOOL Win32Api::ShowWindow(HWND hWnd, int nCmdShow) { return ::ShowWindow(hWnd, nCmdShow); }

BOOL Win32Api::UpdateWindow(HWND hWnd) { return ::UpdateWindow(hWnd); }

BOOL Win32Api::DestroyWindow(HWND hWnd) { return ::DestroyWindow(hWnd); }

HWND Win32Api::GetDlgItem(HWND hDlg, int nIDDlgItem) { return ::GetDlgItem(hDlg, nIDDlgItem); }

BOOL Win32Api::SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString)
{
    return ::SetDlgItemTextA(hDlg, nIDDlgItem, lpString);
}

UINT Win32Api::GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax)
{
    return ::GetDlgItemTextA(hDlg, nIDDlgItem, lpString, cchMax);
}

LRESULT Win32Api::SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageA(hWnd, Msg, wParam, lParam);
}

BOOL Win32Api::EnableWindow(HWND hWnd, BOOL bEnable) { return ::EnableWindow(hWnd, bEnable); }

INT_PTR Win32Api::DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                                  LPARAM dwInitParam)
{
    return ::DialogBoxParamA(ResourceModule(hInstance), lpTemplateName, hWndParent, lpDialogFunc, dwInitParam);
}

BOOL Win32Api::EndDialog(HWND hDlg, INT_PTR nResult) { return ::EndDialog(hDlg, nResult); }

HWND Win32Api::SetFocus(HWND hWnd) { return ::SetFocus(hWnd); }

HWND Win32Api::GetFocus() { return ::GetFocus(); }

DWORD Win32Api::CharUpperBuffA(LPSTR lpsz, DWORD cchLength) { return ::CharUpperBuffA(lpsz, cchLength); }

HICON Win32Api::LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName)
{
    return ::LoadIconA(ResourceModule(hInstance), lpIconName);
}
