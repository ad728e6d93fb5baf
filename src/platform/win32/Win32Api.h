// The real backend: every WinApi operation forwards to the Windows call of
// the same name, so the core runs against the machine it is started on.
#pragma once

#include "platform/WinApi.h"

class Win32Api : public WinApi {
public:
    // Errors and debugger output
    DWORD GetLastError() override;
    void SetLastError(DWORD dwErrCode) override;
    DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPSTR lpBuffer,
                         DWORD nSize, va_list* Arguments) override;
    HLOCAL LocalFree(HLOCAL hMem) override;
    void OutputDebugStringA(LPCSTR lpOutputString) override;

    // System information, time
    BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) override;
    void GetLocalTime(LPSYSTEMTIME lpSystemTime) override;
    void Sleep(DWORD dwMilliseconds) override;
    DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) override;
    DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) override;
    UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) override;
    UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) override;

    // Security
    HANDLE GetCurrentThread() override;
    HANDLE GetCurrentProcess() override;
    BOOL OpenThreadToken(HANDLE ThreadHandle, DWORD DesiredAccess, BOOL OpenAsSelf, PHANDLE TokenHandle) override;
    BOOL OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle) override;
    BOOL GetTokenInformation(HANDLE TokenHandle, TOKEN_INFORMATION_CLASS TokenInformationClass,
                             LPVOID TokenInformation, DWORD TokenInformationLength, PDWORD ReturnLength) override;
    BOOL AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY pIdentifierAuthority, BYTE nSubAuthorityCount,
                                  DWORD nSubAuthority0, DWORD nSubAuthority1, DWORD nSubAuthority2,
                                  DWORD nSubAuthority3, DWORD nSubAuthority4, DWORD nSubAuthority5,
                                  DWORD nSubAuthority6, DWORD nSubAuthority7, PSID* pSid) override;
    BOOL EqualSid(PSID pSid1, PSID pSid2) override;
    LPVOID FreeSid(PSID pSid) override;

    // Kernel objects and files
    HANDLE CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES lpAttributes, DWORD flProtect,
                              DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCSTR lpName) override;
    BOOL CloseHandle(HANDLE hObject) override;
    HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                       LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                       DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) override;
    BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                   LPOVERLAPPED lpOverlapped) override;
    BOOL FlushFileBuffers(HANDLE hFile) override;
    BOOL DeleteFileA(LPCSTR lpFileName) override;
    BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) override;
    BOOL MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName) override;
    BOOL MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) override;
    DWORD GetFileAttributesA(LPCSTR lpFileName) override;
    BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) override;

    // C runtime file streams
    FILE* fopen(const char* filename, const char* mode) override;
    int fgetc(FILE* stream) override;
    size_t fread(void* buffer, size_t size, size_t count, FILE* stream) override;
    size_t fwrite(const void* buffer, size_t size, size_t count, FILE* stream) override;
    int ferror(FILE* stream) override;
    int fclose(FILE* stream) override;
    int _stat(const char* path, struct _stat* buffer) override;
    BOOL CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES lpProcessAttributes,
                        LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles, DWORD dwCreationFlags,
                        LPVOID lpEnvironment, LPCSTR lpCurrentDirectory, LPSTARTUPINFOA lpStartupInfo,
                        LPPROCESS_INFORMATION lpProcessInformation) override;
    DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) override;

    // Registry
    LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult) override;
    LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPSTR lpClass,
                       LPDWORD lpcchClass, FILETIME* lpftLastWriteTime) override;
    LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                       LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) override;
    LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                          LPDWORD lpcbData) override;
    LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                        DWORD cbData) override;
    LONG RegCloseKey(HKEY hKey) override;
    SC_HANDLE OpenSCManagerA(LPCSTR lpMachineName, LPCSTR lpDatabaseName, DWORD dwDesiredAccess) override;
    SC_HANDLE OpenServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, DWORD dwDesiredAccess) override;
    BOOL QueryServiceStatus(SC_HANDLE hService, LPSERVICE_STATUS lpServiceStatus) override;
    BOOL QueryServiceConfigA(SC_HANDLE hService, LPQUERY_SERVICE_CONFIGA lpServiceConfig, DWORD cbBufSize,
                             LPDWORD pcbBytesNeeded) override;
    BOOL StartServiceA(SC_HANDLE hService, DWORD dwNumServiceArgs, LPCSTR* lpServiceArgVectors) override;
    BOOL ControlService(SC_HANDLE hService, DWORD dwControl, LPSERVICE_STATUS lpServiceStatus) override;
    BOOL CloseServiceHandle(SC_HANDLE hSCObject) override;

    // Print spooler
    BOOL EnumPrintersA(DWORD Flags, LPSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf, LPDWORD pcbNeeded,
                       LPDWORD pcReturned) override;
    BOOL EnumPortsA(LPSTR pName, DWORD Level, LPBYTE pPort, DWORD cbBuf, LPDWORD pcbNeeded,
                    LPDWORD pcReturned) override;

    // Windows Sockets
    int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) override;
    ULONG inet_addr(const char* cp) override;
    hostent* gethostbyaddr(const char* addr, int len, int type) override;
    int WSACleanup() override;

    // Version resources
    DWORD GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle) override;
    BOOL GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData) override;
    BOOL VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, PUINT puLen) override;

    // Windows, dialogs, resources
    BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce) override;
    int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) override;
    int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) override;
    HWND CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                            LPARAM dwInitParam) override;
    BOOL ShowWindow(HWND hWnd, int nCmdShow) override;
    BOOL UpdateWindow(HWND hWnd) override;
    BOOL DestroyWindow(HWND hWnd) override;
    HWND GetDlgItem(HWND hDlg, int nIDDlgItem) override;
    BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) override;
    UINT GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax) override;
    LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) override;
    BOOL EnableWindow(HWND hWnd, BOOL bEnable) override;
    INT_PTR DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                            LPARAM dwInitParam) override;
    BOOL EndDialog(HWND hDlg, INT_PTR nResult) override;
    HWND SetFocus(HWND hWnd) override;
    HWND GetFocus() override;
    HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) override;
    DWORD CharUpperBuffA(LPSTR lpsz, DWORD cchLength) override;
};
