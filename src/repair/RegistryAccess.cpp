#include "repair/RegistryAccess.h"

#include <algorithm>

#include "log/DebugLog.h"
#include "platform/WinApi.h"

RegValueRead ReadRegValue(HKEY key, const std::string& valueName)
{
    RegValueRead value;
    BYTE buffer[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    value.status = Win().RegQueryValueExA(key, valueName.c_str(), nullptr, &value.type, buffer, &size);
    if (value.status != ERROR_SUCCESS)
        return value;
    value.bytes.assign(reinterpret_cast<const char*>(buffer), std::min<DWORD>(size, MAX_PATH));
    // Bounded by the bytes read: a string stored without its zero byte is not
    // read beyond the buffer.
    value.text = value.bytes.substr(0, value.bytes.find('\0'));
    return value;
}

void LogRegistryError(DebugLog& log, LONG status, const std::string& text)
{
    Win().SetLastError(static_cast<DWORD>(status));
    log.LogLastError(text);
}
