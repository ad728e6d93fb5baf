#include "sim/SystemMessages.h"

#include <map>

namespace sim {

const char* SystemMessageText(DWORD code)
{
    static const std::map<DWORD, const char*> texts = {
        {ERROR_SUCCESS, "The operation completed successfully.\r\n"},
        {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n"},
        {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified.\r\n"},
        {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
        {ERROR_ACCESS_DENIED, "Access is denied.\r\n"},
        {ERROR_INVALID_HANDLE, "The handle is invalid.\r\n"},
        {ERROR_NOT_ENOUGH_MEMORY, "Not enough storage is available to process this command.\r\n"},
        {ERROR_BAD_FORMAT, "An attempt was made to load a program with an incorrect format.\r\n"},
        {ERROR_SHARING_VIOLATION,
         "The process cannot access the file because it is being used by another process.\r\n"},
        {ERROR_HANDLE_DISK_FULL, "The disk is full.\r\n"},
        {ERROR_FILE_EXISTS, "The file exists.\r\n"},
        {ERROR_INVALID_PARAMETER, "The parameter is incorrect.\r\n"},
        {ERROR_CALL_NOT_IMPLEMENTED, "This function is not supported on this system.\r\n"},
        {ERROR_INVALID_FLAGS, "Invalid flags.\r\n"},
        {ERROR_DISK_FULL, "There is not enough space on the disk.\r\n"},
        {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small.\r\n"},
        {ERROR_BAD_EXE_FORMAT, "%1 is not a valid Win32 application.\r\n"},
        {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists.\r\n"},
        {ERROR_MORE_DATA, "More data is available.\r\n"},
        {WAIT_TIMEOUT, "The wait operation timed out.\r\n"},
        {ERROR_NO_MORE_ITEMS, "No more data is available.\r\n"},
        {ERROR_NO_TOKEN, "An attempt was made to reference a token that does not exist.\r\n"},
        {ERROR_BADKEY, "The configuration registry key is invalid.\r\n"},
        {ERROR_INVALID_SERVICE_CONTROL, "The requested control is not valid for this service.\r\n"},
        {ERROR_SERVICE_REQUEST_TIMEOUT,
         "The service did not respond to the start or control request in a timely fashion.\r\n"},
        {ERROR_SERVICE_ALREADY_RUNNING, "An instance of the service is already running.\r\n"},
        {ERROR_SERVICE_DISABLED,
         "The service cannot be started, either because it is disabled or because it has no enabled devices "
         "associated with it.\r\n"},
        {ERROR_SERVICE_DOES_NOT_EXIST, "The specified service does not exist as an installed service.\r\n"},
        {ERROR_SERVICE_CANNOT_ACCEPT_CTRL, "The service cannot accept control messages at this time.\r\n"},
        {ERROR_SERVICE_NOT_ACTIVE, "The service has not been started.\r\n"},
        {ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle.\r\n"},
        {ERROR_UNSUPPORTED_TYPE, "Data of this type is not supported.\r\n"},
        {ERROR_RESOURCE_TYPE_NOT_FOUND, "The specified resource type cannot be found in the image file.\r\n"},
        {ERROR_RESOURCE_NAME_NOT_FOUND, "The specified resource name cannot be found in the image file.\r\n"},
        {WSAHOST_NOT_FOUND, "No such host is known.\r\n"},
    };
    auto found = texts.find(code);
    return found == texts.end() ? nullptr : found->second;
}

}  // namespace sim
