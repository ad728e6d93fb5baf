#include "platform/RegistryKey.h"

#include <algorithm>
#include <map>
#include <vector>

#include "platform/WinApi.h"

namespace {
// Open keys by handle, so that a change can be reported under the key's full
// path while callers pass only the handle around.
std::map<HKEY, std::string>& OpenKeyPaths()
{
    static std::map<HKEY, std::string> paths;
    return paths;
}

std::string RootName(HKEY root)
{
    if (root == HKEY_LOCAL_MACHINE)
        return "HKEY_LOCAL_MACHINE";
    if (root == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER";
    if (root == HKEY_CLASSES_ROOT)
        return "HKEY_CLASSES_ROOT";
    if (root == HKEY_USERS)
        return "HKEY_USERS";
    return std::string();
}
}  // namespace

std::string RegistryKey::PathOf(HKEY key)
{
    auto found = OpenKeyPaths().find(key);
    return found == OpenKeyPaths().end() ? std::string() : found->second;
}

LONG RegistryKey::Open(HKEY parent, const std::string& subKey, REGSAM access)
{
    Close();
    LONG status = Win().RegOpenKeyExA(parent, subKey.c_str(), 0, access, m_key.Receive());
    if (status != ERROR_SUCCESS) {
        // A failed open holds no key, whatever it left in its out-parameter.
        m_key.Release();
        return status;
    }
    if (!m_key.IsOpen())
        return ERROR_INVALID_HANDLE;
    std::string parentPath = RootName(parent);
    if (parentPath.empty())
        parentPath = PathOf(parent);
    if (!parentPath.empty())
        OpenKeyPaths()[m_key.Get()] = subKey.empty() ? parentPath : parentPath + "\\" + subKey;
    return ERROR_SUCCESS;
}

LONG RegistryKey::Close()
{
    if (m_key.IsOpen())
        OpenKeyPaths().erase(m_key.Get());
    return m_key.Close();
}

std::string DwordData(DWORD value)
{
    std::string data;
    for (int i = 0; i < 4; ++i)
        data += static_cast<char>((value >> (8 * i)) & 0xFF);
    return data;
}

DWORD DwordOf(const std::string& data)
{
    DWORD number = 0;
    for (std::size_t i = std::min<std::size_t>(data.size(), 4); i-- > 0;)
        number = (number << 8) | static_cast<unsigned char>(data[i]);
    return number;
}

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

LONG ReadRegValueExactly(HKEY key, const std::string& valueName, DWORD& type, std::string& data)
{
    return ReadRegValueExactly(key, AnsiToWide(valueName), type, data);
}

namespace {
// A value however long: `query` asks for its size (no buffer), then for its
// data; the value may grow between the two calls, and is then asked again
// with its new size.
template <typename Query>
LONG ReadWhole(Query query, std::string& data)
{
    DWORD size = 0;
    LONG status = query(nullptr, &size);
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        std::vector<BYTE> buffer(size + 1);
        DWORD read = size;
        status = query(buffer.data(), &read);
        if (status == ERROR_SUCCESS) {
            data.assign(reinterpret_cast<const char*>(buffer.data()), std::min(read, size));
            return status;
        }
        size = read;
    }
    return status;
}

bool IsTextType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}
}  // namespace

LONG ReadRegValueExactly(HKEY key, const std::basic_string<WCHAR>& name, DWORD& type, std::string& data)
{
    LONG status = ReadWhole(
        [&](BYTE* buffer, DWORD* size) { return Win().RegQueryValueExW(key, name.c_str(), nullptr, &type, buffer, size); },
        data);
    if (status != ERROR_CALL_NOT_IMPLEMENTED)
        return status;
    // The 9x family only stubs the wide call; its registry holds text of the
    // ANSI code page, which the ANSI call gives as it is.
    std::string ansiName;
    if (!WideToAnsi(name, ansiName))
        return ERROR_FILE_NOT_FOUND;
    status = ReadWhole(
        [&](BYTE* buffer, DWORD* size) {
            return Win().RegQueryValueExA(key, ansiName.c_str(), nullptr, &type, buffer, size);
        },
        data);
    if (status == ERROR_SUCCESS && IsTextType(type))
        data = AnsiToUtf16(data);
    return status;
}

LONG RegistryKey::QueryString(const std::string& valueName, std::string& text) const
{
    RegValueRead value = ReadRegValue(m_key.Get(), valueName);
    if (value.status != ERROR_SUCCESS)
        return value.status;
    // A number or binary data is no text: read as such it would put raw bytes
    // into the run state and the log.
    if (!value.IsString())
        return ERROR_UNSUPPORTED_TYPE;
    text = value.text;
    return ERROR_SUCCESS;
}

LONG RegistryKey::EnumSubkey(DWORD index, std::string& name) const
{
    char buffer[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    LONG status = Win().RegEnumKeyExA(m_key.Get(), index, buffer, &size, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS)
        name.assign(buffer, std::find(buffer, buffer + MAX_PATH, '\0'));
    return status;
}
