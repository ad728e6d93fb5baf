#include "platform/RegistryKey.h"

#include <algorithm>

#include "platform/WinApi.h"

LONG RegistryKey::Open(HKEY parent, const std::string& subKey, REGSAM access)
{
    Close();
    HKEY opened = nullptr;
    LONG status = Win().RegOpenKeyExA(parent, subKey.c_str(), 0, access, &opened);
    if (status != ERROR_SUCCESS)
        return status;
    if (opened == nullptr)
        return ERROR_INVALID_HANDLE;
    m_hKey = opened;
    return ERROR_SUCCESS;
}

void RegistryKey::Close()
{
    if (m_hKey != nullptr)
        Win().RegCloseKey(m_hKey);
    m_hKey = nullptr;
}

LONG RegistryKey::QueryString(const std::string& valueName, std::string& text) const
{
    char buffer[kBufferSize] = {};
    DWORD size = kBufferSize;
    LONG status = Win().RegQueryValueExA(m_hKey, valueName.c_str(), nullptr, nullptr,
                                         reinterpret_cast<LPBYTE>(buffer), &size);
    if (status == ERROR_SUCCESS)
        text.assign(buffer, std::find(buffer, buffer + kBufferSize, '\0'));
    return status;
}

LONG RegistryKey::EnumSubkey(DWORD index, std::string& name) const
{
    char buffer[kBufferSize] = {};
    DWORD size = kBufferSize;
    LONG status = Win().RegEnumKeyExA(m_hKey, index, buffer, &size, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS)
        name.assign(buffer, std::find(buffer, buffer + kBufferSize, '\0'));
    return status;
}
