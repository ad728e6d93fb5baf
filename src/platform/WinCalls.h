// Every platform call, declared once: the interface (WinApi.h) and both
// backends (win32/Win32Api.h, sim/SimApi.h) expand this list, the simulated
// machine takes the names its faults can give from it, and the fault sweep
// the errors it injects.
//
//   PLATFORM_CALL(result type, name, (parameters), faults)
//
// faults says what the simulated machine can do with the call:
//   FAULTABLE(errors)          a machine's fault can make it fail ("faults" in
//                              machine.json), and its calls are counted;
//   FAULTABLE_RELEASE(errors)  the same, for a call that releases what another
//                              opened: destructors make it, so a run cut off
//                              there stops at the next call;
//   NOT_FAULTABLE              it never fails and is not counted.
// errors are the errors Windows really gives for this call (names of
// WinTypes.h), which the fault sweep injects one by one, in this order;
// where nothing more particular is known, access denied and out of memory,
// which any call can meet.
//
// Each heading names the file where the simulated machine answers its calls.
// Adding a call: a line here, its forward in win32/Win32Api.cpp, its answer in
// that sim file, and, for a function remendo.exe did not import yet, its line
// in win32/imports.table.
//
// No include guard: each includer defines PLATFORM_CALL, includes this file
// and undefines it again.

// Errors and debugger output: sim/SimApiErrors.cpp
PLATFORM_CALL(DWORD, GetLastError, (), NOT_FAULTABLE)
PLATFORM_CALL(void, SetLastError, (DWORD dwErrCode), NOT_FAULTABLE)
PLATFORM_CALL(DWORD, FormatMessageA,
              (DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPSTR lpBuffer, DWORD nSize,
               va_list* Arguments),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY))
PLATFORM_CALL(HLOCAL, LocalFree, (HLOCAL hMem), NOT_FAULTABLE)
PLATFORM_CALL(void, OutputDebugStringA, (LPCSTR lpOutputString), NOT_FAULTABLE)

// System information, time: sim/SimApiSystem.cpp
PLATFORM_CALL(BOOL, GetVersionExA, (LPOSVERSIONINFOA lpVersionInformation),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY))
PLATFORM_CALL(void, GetLocalTime, (LPSYSTEMTIME lpSystemTime), NOT_FAULTABLE)
PLATFORM_CALL(void, Sleep, (DWORD dwMilliseconds), NOT_FAULTABLE)
PLATFORM_CALL(DWORD, GetModuleFileNameA, (HMODULE hModule, LPSTR lpFilename, DWORD nSize),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY))
PLATFORM_CALL(DWORD, GetTempPathA, (DWORD nBufferLength, LPSTR lpBuffer),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY))
// The wide forms name a folder the ANSI code page cannot (AnsiPathOf).
PLATFORM_CALL(DWORD, GetModuleFileNameW, (HMODULE hModule, LPWSTR lpFilename, DWORD nSize),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY))
PLATFORM_CALL(DWORD, GetTempPathW, (DWORD nBufferLength, LPWSTR lpBuffer),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY))
PLATFORM_CALL(DWORD, GetShortPathNameW, (LPCWSTR lpszLongPath, LPWSTR lpszShortPath, DWORD cchBuffer),
              FAULTABLE(ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED))
PLATFORM_CALL(UINT, GetSystemDirectoryA, (LPSTR lpBuffer, UINT uSize),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY))
PLATFORM_CALL(UINT, GetWindowsDirectoryA, (LPSTR lpBuffer, UINT uSize),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY))
// A 32-bit program on 64-bit Windows (WoW64). Looked up at run time, and
// answered as by a system without WoW64 where it is missing.
PLATFORM_CALL(BOOL, IsWow64Process, (HANDLE hProcess, PBOOL Wow64Process), NOT_FAULTABLE)
PLATFORM_CALL(UINT, GetSystemWow64DirectoryA, (LPSTR lpBuffer, UINT uSize), NOT_FAULTABLE)
// The machine's common application data folder (ProgramData, or All Users'
// Application Data). Looked up at run time, in shell32 or shfolder; E_NOTIMPL
// where the system has neither.
PLATFORM_CALL(HRESULT, SHGetFolderPathA, (HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPSTR pszPath),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_PATH_NOT_FOUND))
// Wine's version text, where the program runs under Wine (ntdll's export,
// looked up at run time); null on Windows.
PLATFORM_CALL(const char*, wine_get_version, (), NOT_FAULTABLE)
PLATFORM_CALL(int, MultiByteToWideChar,
              (UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr,
               int cchWideChar),
              NOT_FAULTABLE)
PLATFORM_CALL(int, WideCharToMultiByte,
              (UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
               int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar),
              NOT_FAULTABLE)

// Security: sim/SimApiSecurity.cpp
PLATFORM_CALL(HANDLE, GetCurrentThread, (), NOT_FAULTABLE)
PLATFORM_CALL(HANDLE, GetCurrentProcess, (), NOT_FAULTABLE)
PLATFORM_CALL(BOOL, OpenThreadToken, (HANDLE ThreadHandle, DWORD DesiredAccess, BOOL OpenAsSelf, PHANDLE TokenHandle),
              FAULTABLE(ERROR_NO_TOKEN, ERROR_ACCESS_DENIED))
PLATFORM_CALL(BOOL, OpenProcessToken, (HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle),
              FAULTABLE(ERROR_ACCESS_DENIED))
PLATFORM_CALL(BOOL, GetTokenInformation,
              (HANDLE TokenHandle, TOKEN_INFORMATION_CLASS TokenInformationClass, LPVOID TokenInformation,
               DWORD TokenInformationLength, PDWORD ReturnLength),
              FAULTABLE(ERROR_INSUFFICIENT_BUFFER, ERROR_ACCESS_DENIED))
PLATFORM_CALL(BOOL, AllocateAndInitializeSid,
              (PSID_IDENTIFIER_AUTHORITY pIdentifierAuthority, BYTE nSubAuthorityCount, DWORD nSubAuthority0,
               DWORD nSubAuthority1, DWORD nSubAuthority2, DWORD nSubAuthority3, DWORD nSubAuthority4,
               DWORD nSubAuthority5, DWORD nSubAuthority6, DWORD nSubAuthority7, PSID* pSid),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY))
PLATFORM_CALL(BOOL, EqualSid, (PSID pSid1, PSID pSid2), NOT_FAULTABLE)
PLATFORM_CALL(LPVOID, FreeSid, (PSID pSid), NOT_FAULTABLE)
// A file's or folder's owner and access list, as a self-relative security
// descriptor, read through an open handle.
PLATFORM_CALL(BOOL, GetKernelObjectSecurity,
              (HANDLE Handle, SECURITY_INFORMATION RequestedInformation, PSECURITY_DESCRIPTOR pSecurityDescriptor,
               DWORD nLength, LPDWORD lpnLengthNeeded),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY))

// Kernel objects and files: sim/SimApiFiles.cpp
PLATFORM_CALL(HANDLE, CreateFileMappingA,
              (HANDLE hFile, LPSECURITY_ATTRIBUTES lpAttributes, DWORD flProtect, DWORD dwMaximumSizeHigh,
               DWORD dwMaximumSizeLow, LPCSTR lpName),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY))
PLATFORM_CALL(BOOL, CloseHandle, (HANDLE hObject), NOT_FAULTABLE)
PLATFORM_CALL(HANDLE, CreateFileA,
              (LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
               LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
               HANDLE hTemplateFile),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_SHARING_VIOLATION, ERROR_DISK_FULL))
PLATFORM_CALL(BOOL, WriteFile,
              (HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED lpOverlapped),
              FAULTABLE(ERROR_DISK_FULL, ERROR_ACCESS_DENIED))
PLATFORM_CALL(BOOL, ReadFile,
              (HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
               LPOVERLAPPED lpOverlapped),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY))
// What an open file or folder is: its attributes (a reparse point, a
// folder), size and links.
PLATFORM_CALL(BOOL, GetFileInformationByHandle,
              (HANDLE hFile, LPBY_HANDLE_FILE_INFORMATION lpFileInformation),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE))
PLATFORM_CALL(BOOL, CreateDirectoryA, (LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_PATH_NOT_FOUND, ERROR_DISK_FULL))
PLATFORM_CALL(BOOL, FlushFileBuffers, (HANDLE hFile), FAULTABLE(ERROR_DISK_FULL, ERROR_ACCESS_DENIED))
PLATFORM_CALL(BOOL, DeleteFileA, (LPCSTR lpFileName),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_FILE_NOT_FOUND))
PLATFORM_CALL(BOOL, CopyFileA, (LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_DISK_FULL, ERROR_FILE_NOT_FOUND))
PLATFORM_CALL(BOOL, MoveFileA, (LPCSTR lpExistingFileName, LPCSTR lpNewFileName),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_ALREADY_EXISTS))
PLATFORM_CALL(BOOL, MoveFileExA, (LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_DISK_FULL))
PLATFORM_CALL(DWORD, GetFileAttributesA, (LPCSTR lpFileName), FAULTABLE(ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED))
PLATFORM_CALL(BOOL, SetFileAttributesA, (LPCSTR lpFileName, DWORD dwFileAttributes),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION))
// The files of a folder whose names fit a pattern with one '*'.
PLATFORM_CALL(HANDLE, FindFirstFileA, (LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData),
              FAULTABLE(ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED))
PLATFORM_CALL(BOOL, FindNextFileA, (HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData),
              FAULTABLE(ERROR_NO_MORE_FILES, ERROR_ACCESS_DENIED))
PLATFORM_CALL(BOOL, FindClose, (HANDLE hFindFile), NOT_FAULTABLE)

// C runtime file streams: sim/SimApiStreams.cpp
// Text mode ("r", "w") reads a CR LF pair as one line feed, stops reading at a
// Ctrl+Z, and writes each line feed as CR LF; a failed open leaves the system's
// last-error code as the CreateFile beneath it set it.
PLATFORM_CALL(FILE*, fopen, (const char* filename, const char* mode),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_FILE_NOT_FOUND))
PLATFORM_CALL(int, fgetc, (FILE* stream), FAULTABLE(ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY))
PLATFORM_CALL(size_t, fread, (void* buffer, size_t size, size_t count, FILE* stream), FAULTABLE(ERROR_ACCESS_DENIED))
PLATFORM_CALL(size_t, fwrite, (const void* buffer, size_t size, size_t count, FILE* stream), FAULTABLE(ERROR_DISK_FULL))
PLATFORM_CALL(int, ferror, (FILE* stream), NOT_FAULTABLE)
PLATFORM_CALL(int, fclose, (FILE* stream), FAULTABLE_RELEASE(ERROR_DISK_FULL))
PLATFORM_CALL(int, _stat, (const char* path, struct _stat* buffer), FAULTABLE(ERROR_FILE_NOT_FOUND))

// Processes: sim/SimApiProcesses.cpp
PLATFORM_CALL(BOOL, CreateProcessA,
              (LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES lpProcessAttributes,
               LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles, DWORD dwCreationFlags,
               LPVOID lpEnvironment, LPCSTR lpCurrentDirectory, LPSTARTUPINFOA lpStartupInfo,
               LPPROCESS_INFORMATION lpProcessInformation),
              FAULTABLE(ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_BAD_EXE_FORMAT))
PLATFORM_CALL(DWORD, WaitForSingleObject, (HANDLE hHandle, DWORD dwMilliseconds),
              FAULTABLE(WAIT_TIMEOUT, ERROR_INVALID_HANDLE))

// Registry: sim/SimApiRegistry.cpp
PLATFORM_CALL(LONG, RegOpenKeyExA, (HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND))
PLATFORM_CALL(LONG, RegEnumKeyExA,
              (HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPSTR lpClass,
               LPDWORD lpcchClass, FILETIME* lpftLastWriteTime),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_MORE_DATA, ERROR_NO_MORE_ITEMS))
PLATFORM_CALL(LONG, RegEnumValueA,
              (HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
               LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY))
// The wide calls read names beyond the ANSI code page as they are.
PLATFORM_CALL(LONG, RegOpenKeyExW, (HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND))
PLATFORM_CALL(LONG, RegEnumKeyExW,
              (HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPWSTR lpClass,
               LPDWORD lpcchClass, FILETIME* lpftLastWriteTime),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_MORE_DATA, ERROR_NO_MORE_ITEMS))
PLATFORM_CALL(LONG, RegEnumValueW,
              (HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
               LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY))
PLATFORM_CALL(LONG, RegQueryValueExA,
              (HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA))
PLATFORM_CALL(LONG, RegQueryValueExW,
              (HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY))
PLATFORM_CALL(LONG, RegSetValueExA,
              (HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData, DWORD cbData),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY))
// The undo writes a value back exactly: its type and its bytes, text as UTF-16LE.
PLATFORM_CALL(LONG, RegSetValueExW,
              (HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData, DWORD cbData),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY))
PLATFORM_CALL(LONG, RegCloseKey, (HKEY hKey), NOT_FAULTABLE)

// Service control manager: sim/SimApiServices.cpp
PLATFORM_CALL(SC_HANDLE, OpenSCManagerA, (LPCSTR lpMachineName, LPCSTR lpDatabaseName, DWORD dwDesiredAccess),
              FAULTABLE(ERROR_ACCESS_DENIED))
PLATFORM_CALL(SC_HANDLE, OpenServiceA, (SC_HANDLE hSCManager, LPCSTR lpServiceName, DWORD dwDesiredAccess),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_SERVICE_DOES_NOT_EXIST))
PLATFORM_CALL(BOOL, QueryServiceStatus, (SC_HANDLE hService, LPSERVICE_STATUS lpServiceStatus),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE))
PLATFORM_CALL(BOOL, QueryServiceConfigA,
              (SC_HANDLE hService, LPQUERY_SERVICE_CONFIGA lpServiceConfig, DWORD cbBufSize, LPDWORD pcbBytesNeeded),
              FAULTABLE(ERROR_INSUFFICIENT_BUFFER, ERROR_ACCESS_DENIED))
PLATFORM_CALL(BOOL, StartServiceA, (SC_HANDLE hService, DWORD dwNumServiceArgs, LPCSTR* lpServiceArgVectors),
              FAULTABLE(ERROR_SERVICE_ALREADY_RUNNING, ERROR_ACCESS_DENIED, ERROR_SERVICE_REQUEST_TIMEOUT))
PLATFORM_CALL(BOOL, ControlService, (SC_HANDLE hService, DWORD dwControl, LPSERVICE_STATUS lpServiceStatus),
              FAULTABLE(ERROR_SERVICE_NOT_ACTIVE, ERROR_ACCESS_DENIED, ERROR_SERVICE_REQUEST_TIMEOUT))
PLATFORM_CALL(BOOL, ChangeServiceConfigA,
              (SC_HANDLE hService, DWORD dwServiceType, DWORD dwStartType, DWORD dwErrorControl,
               LPCSTR lpBinaryPathName, LPCSTR lpLoadOrderGroup, LPDWORD lpdwTagId, LPCSTR lpDependencies,
               LPCSTR lpServiceStartName, LPCSTR lpPassword, LPCSTR lpDisplayName),
              FAULTABLE(ERROR_ACCESS_DENIED, ERROR_SERVICE_MARKED_FOR_DELETE))
PLATFORM_CALL(BOOL, CloseServiceHandle, (SC_HANDLE hSCObject), FAULTABLE_RELEASE(ERROR_INVALID_HANDLE))

// Print spooler: sim/SimApiSpooler.cpp
PLATFORM_CALL(BOOL, EnumPrintersA,
              (DWORD Flags, LPSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf, LPDWORD pcbNeeded,
               LPDWORD pcReturned),
              FAULTABLE(ERROR_INVALID_PARAMETER, ERROR_INSUFFICIENT_BUFFER, RPC_S_SERVER_UNAVAILABLE))
PLATFORM_CALL(BOOL, EnumPortsA,
              (LPSTR pName, DWORD Level, LPBYTE pPort, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned),
              FAULTABLE(ERROR_INSUFFICIENT_BUFFER, RPC_S_SERVER_UNAVAILABLE))

// Windows Sockets: sim/SimApiSockets.cpp
PLATFORM_CALL(int, WSAStartup, (WORD wVersionRequested, LPWSADATA lpWSAData),
              FAULTABLE(WSASYSNOTREADY, WSAVERNOTSUPPORTED))
PLATFORM_CALL(ULONG, inet_addr, (const char* cp), NOT_FAULTABLE)
PLATFORM_CALL(hostent*, gethostbyaddr, (const char* addr, int len, int type),
              FAULTABLE(WSAHOST_NOT_FOUND, WSATRY_AGAIN))
PLATFORM_CALL(int, WSACleanup, (), FAULTABLE_RELEASE(WSANOTINITIALISED))

// Version resources: sim/SimApiVersion.cpp
PLATFORM_CALL(DWORD, GetFileVersionInfoSizeA, (LPCSTR lptstrFilename, LPDWORD lpdwHandle),
              FAULTABLE(ERROR_RESOURCE_TYPE_NOT_FOUND, ERROR_FILE_NOT_FOUND))
PLATFORM_CALL(BOOL, GetFileVersionInfoA, (LPCSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData),
              FAULTABLE(ERROR_RESOURCE_TYPE_NOT_FOUND, ERROR_ACCESS_DENIED))
PLATFORM_CALL(BOOL, VerQueryValueA, (LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, PUINT puLen),
              FAULTABLE(ERROR_RESOURCE_TYPE_NOT_FOUND))

// Windows, dialogs, resources: sim/SimApiWindows.cpp
PLATFORM_CALL(BOOL, InitCommonControlsEx, (const INITCOMMONCONTROLSEX* picce), NOT_FAULTABLE)
PLATFORM_CALL(int, LoadStringA, (HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax), NOT_FAULTABLE)
PLATFORM_CALL(int, MessageBoxA, (HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType), NOT_FAULTABLE)
PLATFORM_CALL(HWND, CreateDialogParamA,
              (HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
               LPARAM dwInitParam),
              FAULTABLE(ERROR_RESOURCE_NAME_NOT_FOUND))
PLATFORM_CALL(BOOL, ShowWindow, (HWND hWnd, int nCmdShow), NOT_FAULTABLE)
PLATFORM_CALL(BOOL, UpdateWindow, (HWND hWnd), NOT_FAULTABLE)
PLATFORM_CALL(BOOL, DestroyWindow, (HWND hWnd), NOT_FAULTABLE)
PLATFORM_CALL(HWND, GetDlgItem, (HWND hDlg, int nIDDlgItem), NOT_FAULTABLE)
PLATFORM_CALL(BOOL, SetDlgItemTextA, (HWND hDlg, int nIDDlgItem, LPCSTR lpString), NOT_FAULTABLE)
PLATFORM_CALL(UINT, GetDlgItemTextA, (HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax), NOT_FAULTABLE)
PLATFORM_CALL(LRESULT, SendMessageA, (HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam), NOT_FAULTABLE)
PLATFORM_CALL(BOOL, EnableWindow, (HWND hWnd, BOOL bEnable), NOT_FAULTABLE)
PLATFORM_CALL(INT_PTR, DialogBoxParamA,
              (HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
               LPARAM dwInitParam),
              FAULTABLE(ERROR_RESOURCE_NAME_NOT_FOUND))
PLATFORM_CALL(BOOL, EndDialog, (HWND hDlg, INT_PTR nResult), NOT_FAULTABLE)
PLATFORM_CALL(HWND, SetFocus, (HWND hWnd), NOT_FAULTABLE)
PLATFORM_CALL(HWND, GetFocus, (), NOT_FAULTABLE)
PLATFORM_CALL(HICON, LoadIconA, (HINSTANCE hInstance, LPCSTR lpIconName), NOT_FAULTABLE)
// Upper-cases the letters of the ANSI code page in place; the count converted.
PLATFORM_CALL(DWORD, CharUpperBuffA, (LPSTR lpsz, DWORD cchLength), NOT_FAULTABLE)
