#include "system/SystemDirectory.h"

#include "platform/WinApi.h"

std::string SystemDirectory()
{
    char buffer[MAX_PATH] = {};
    UINT length = Win().GetSystemDirectoryA(buffer, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::string() : std::string(buffer, length);
}
