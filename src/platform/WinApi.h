// The one interface between the core and the machine it runs on.
//
// Every operation keeps the Windows call's name, arguments, results and
// last-error codes, so the core reads like a Windows program and the real
// backend is a set of one-line forwards. The simulated backend answers the
// same calls from a machine model held in memory.
#pragma once

#include <cstdarg>
#include <cstdio>

#include "platform/WinTypes.h"

class WinApi {
public:
    virtual ~WinApi() = default;

    // Errors and debugger output
    virtual DWORD GetLastError() = 0;
    virtual void SetLastError(DWORD dwErrCode) = 0;
    virtual DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                                 LPSTR lpBuffer, DWORD nSize, va_list* Arguments) = 0;
    virtual HLOCAL LocalFree(HLOCAL hMem) = 0;
    virtual void OutputDebugStringA(LPCSTR lpOutputString) = 0;

    // System information, time
    virtual BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) = 0;
    virtual void GetLocalTime(LPSYSTEMTIME lpSystemTime) = 0;
    virtual void Sleep(DWORD dwMilliseconds) = 0;
    virtual DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) = 0;
    virtual DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) = 0;
    virtual UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) = 0;
    virtual UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) = 0;

    // Security
    virtual HANDLE GetCurrentThread() = 0;
    virtual HANDLE GetCurrentProcess() = 0;
    virtual BOOL OpenThreadToken(HANDLE ThreadHandle, DWORD DesiredAccess, BOOL OpenAsSelf, PHANDLE TokenHandle) = 0;
    virtual BOOL OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle) = 0;
    virtual BOOL GetTokenInformation(HANDLE TokenHandle, TOKEN_INFORMATION_CLASS TokenInformationClass,
                                     LPVOID TokenInformation, DWORD TokenInformationLength, PDWORD ReturnLength) = 0;
    virtual BOOL AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY pIdentifierAuthority, BYTE nSubAuthorityCount,
                                          DWORD nSubAuthority0, DWORD nSubAuthority1, DWORD nSubAuthority2,
                                          DWORD nSubAuthority3, DWORD nSubAuthority4, DWORD nSubAuthority5,
                                          DWORD nSubAuthority6, DWORD nSubAuthority7, PSID* pSid) = 0;
    virtual BOOL EqualSid(PSID pSid1, PSID pSid2) = 0;
    virtual LPVOID FreeSid(PSID pSid) = 0;

    // Kernel objects and files
    virtual HANDLE CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES lpAttributes, DWORD flProtect,
                                      DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCSTR lpName) = 0;
    virtual BOOL CloseHandle(HANDLE hObject) = 0;
    virtual HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                               LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                               DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) = 0;
    virtual BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                           LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) = 0;
    virtual BOOL FlushFileBuffers(HANDLE hFile) = 0;
    virtual BOOL DeleteFileA(LPCSTR lpFileName) = 0;
    virtual BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) = 0;
    virtual BOOL MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName) = 0;
    virtual BOOL MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) = 0;
    virtual DWORD GetFileAttributesA(LPCSTR lpFileName) = 0;
    virtual BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) = 0;

    // C runtime file streams. Text mode ("r", "w") reads a CR LF pair as one
    // line feed, stops reading at a Ctrl+Z, and writes each line feed as CR LF;
    // a failed open leaves the system's last-error code as the CreateFile
    // beneath it set it.
    virtual FILE* fopen(const char* filename, const char* mode) = 0;
    virtual int fgetc(FILE* stream) = 0;
    virtual size_t fread(void* buffer, size_t size, size_t count, FILE* stream) = 0;
    virtual size_t fwrite(const void* buffer, size_t size, size_t count, FILE* stream) = 0;
    virtual int ferror(FILE* stream) = 0;
    virtual int fclose(FILE* stream) = 0;
    virtual int _stat(const char* path, struct _stat* buffer) = 0;

    // Processes
    virtual BOOL CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine,
                                LPSECURITY_ATTRIBUTES lpProcessAttributes, LPSECURITY_ATTRIBUTES lpThreadAttributes,
                                BOOL bInheritHandles, DWORD dwCreationFlags, LPVOID lpEnvironment,
                                LPCSTR lpCurrentDirectory, LPSTARTUPINFOA lpStartupInfo,
                                LPPROCESS_INFORMATION lpProcessInformation) = 0;
    virtual DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) = 0;

    // Registry
    virtual LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult) = 0;
    virtual LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                               LPSTR lpClass, LPDWORD lpcchClass, FILETIME* lpftLastWriteTime) = 0;
    virtual LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                               LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) = 0;
    virtual LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                                  LPDWORD lpcbData) = 0;
    virtual LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                                DWORD cbData) = 0;
    virtual LONG RegCloseKey(HKEY hKey) = 0;

    // Service control manager
    virtual SC_HANDLE OpenSCManagerA(LPCSTR lpMachineName, LPCSTR lpDatabaseName, DWORD dwDesiredAccess) = 0;
    virtual SC_HANDLE OpenServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, DWORD dwDesiredAccess) = 0;
    virtual BOOL QueryServiceStatus(SC_HANDLE hService, LPSERVICE_STATUS lpServiceStatus) = 0;
    virtual BOOL QueryServiceConfigA(SC_HANDLE hService, LPQUERY_SERVICE_CONFIGA lpServiceConfig, DWORD cbBufSize,
                                     LPDWORD pcbBytesNeeded) = 0;
    virtual BOOL StartServiceA(SC_HANDLE hService, DWORD dwNumServiceArgs, LPCSTR* lpServiceArgVectors) = 0;
    virtual BOOL ControlService(SC_HANDLE hService, DWORD dwControl, LPSERVICE_STATUS lpServiceStatus) = 0;
    virtual BOOL CloseServiceHandle(SC_HANDLE hSCObject) = 0;
    // Print spooler
    virtual BOOL EnumPrintersA(DWORD Flags, LPSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf,
                               LPDWORD pcbNeeded, LPDWORD pcReturned) = 0;
    virtual BOOL EnumPortsA(LPSTR pName, DWORD Level, LPBYTE pPort, DWORD cbBuf, LPDWORD pcbNeeded,
                            LPDWORD pcReturned) = 0;

    // Windows Sockets
    virtual int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) = 0;
    virtual ULONG inet_addr(const char* cp) = 0;
    virtual hostent* gethostbyaddr(const char* addr, int len, int type) = 0;
    virtual int WSACleanup() = 0;

    // Version resources
    virtual DWORD GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle) = 0;
    virtual BOOL GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData) = 0;
    virtual BOOL VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, PUINT puLen) = 0;

    // Windows, dialogs, resources
    virtual BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce) = 0;
    virtual int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) = 0;
    virtual int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) = 0;
    virtual HWND CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent,
                                    DLGPROC lpDialogFunc, LPARAM dwInitParam) = 0;
    virtual BOOL ShowWindow(HWND hWnd, int nCmdShow) = 0;
    virtual BOOL UpdateWindow(HWND hWnd) = 0;
    virtual BOOL DestroyWindow(HWND hWnd) = 0;
    virtual HWND GetDlgItem(HWND hDlg, int nIDDlgItem) = 0;
    virtual BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) = 0;
    virtual UINT GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax) = 0;
    virtual LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) = 0;
    virtual BOOL EnableWindow(HWND hWnd, BOOL bEnable) = 0;
    virtual INT_PTR DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent,
                                    DLGPROC lpDialogFunc, LPARAM dwInitParam) = 0;
    virtual BOOL EndDialog(HWND hDlg, INT_PTR nResult) = 0;
    virtual HWND SetFocus(HWND hWnd) = 0;
    virtual HWND GetFocus() = 0;
    virtual HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) = 0;
    // Upper-cases the letters of the ANSI code page in place; the count converted.
    virtual DWORD CharUpperBuffA(LPSTR lpsz, DWORD cchLength) = 0;
};

// The backend in force for this process (the real system or a simulated machine).
WinApi& Win();
void SetWin(WinApi* api);
