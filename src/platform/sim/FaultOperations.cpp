#include "platform/sim/FaultOperations.h"

#include <algorithm>
#include <iterator>

namespace sim {

namespace {
// Every name SimApi counts its calls under, in byte order.
const char* const kOperations[] = {
    "AllocateAndInitializeSid", "CloseServiceHandle", "ControlService", "CopyFileA", "CreateDialogParamA",
    "CreateFileA", "CreateFileMappingA", "CreateProcessA", "DeleteFileA", "DialogBoxParamA", "EnumPortsA",
    "EnumPrintersA", "FlushFileBuffers", "FormatMessageA", "GetFileAttributesA", "GetFileVersionInfoA",
    "GetFileVersionInfoSizeA", "GetModuleFileNameA", "GetSystemDirectoryA", "GetTempPathA", "GetTokenInformation",
    "GetVersionExA", "GetWindowsDirectoryA", "MoveFileA", "MoveFileExA", "OpenProcessToken", "OpenSCManagerA",
    "OpenServiceA", "OpenThreadToken", "QueryServiceConfigA", "QueryServiceStatus", "RegEnumKeyExA", "RegOpenKeyExA",
    "RegQueryValueExA", "RegSetValueExA", "SetFileAttributesA", "StartServiceA", "VerQueryValueA", "WSACleanup",
    "WSAStartup", "WaitForSingleObject", "WriteFile", "_stat", "fclose", "fgetc", "fopen", "fread", "fwrite",
    "gethostbyaddr",
};
}  // namespace

bool IsFaultableOperation(const std::string& name)
{
    return std::find(std::begin(kOperations), std::end(kOperations), name) != std::end(kOperations);
}

}  // namespace sim
