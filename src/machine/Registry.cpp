#include "machine/Registry.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <stdexcept>

#include "machine/WindowsNames.h"

namespace machine {

namespace {
const char* const kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                  "HKEY_CURRENT_CONFIG"};
}

std::string UpperCase(std::string text)
{
    for (char& c : text) {
        // Beyond ASCII, by the table a Windows volume compares names by.
        if (static_cast<unsigned char>(c) >= 0x80)
            return WindowsUpper(text);
        // ASCII as the C library's toupper has it, without a call for each letter.
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

bool EqualIgnoringCase(const std::string& first, const std::string& second)
{
    auto ascii = [](const std::string& text) {
        return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    };
    if (!ascii(first) || !ascii(second))
        return UpperCase(first) == UpperCase(second);
    return first.size() == second.size() &&
           std::equal(first.begin(), first.end(), second.begin(), [](char a, char b) {
               return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
           });
}

RegKey* RegKey::FindSubkey(const std::string& subkeyName) const
{
    auto found = subkeys.find(UpperCase(subkeyName));
    return found == subkeys.end() ? nullptr : found->second.get();
}

std::uint64_t RegKey::NewSubkeysVersion()
{
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

RegKey& RegKey::CreateSubkey(const std::string& subkeyName)
{
    std::unique_ptr<RegKey>& slot = subkeys[UpperCase(subkeyName)];
    if (!slot) {
        slot = std::make_unique<RegKey>();
        slot->name = subkeyName;
        m_subkeysVersion = NewSubkeysVersion();
    }
    return *slot;
}

bool RegKey::DeleteSubkey(const std::string& subkeyName)
{
    if (subkeys.erase(UpperCase(subkeyName)) == 0)
        return false;
    m_subkeysVersion = NewSubkeysVersion();
    return true;
}

void RegKey::IndexValues() const
{
    if (m_indexedCount == values.size() && m_indexedStorage == values.data())
        return;
    m_valueIndex.clear();
    for (std::size_t i = 0; i < values.size(); ++i)
        m_valueIndex.emplace(UpperCase(values[i].name), i);
    m_indexedCount = values.size();
    m_indexedStorage = values.data();
}

RegValue* RegKey::FindValue(const std::string& valueName)
{
    IndexValues();
    auto found = m_valueIndex.find(UpperCase(valueName));
    if (found == m_valueIndex.end())
        return nullptr;
    RegValue& value = values[found->second];
    // A value renamed in place since the index was made is looked for anew.
    if (!EqualIgnoringCase(value.name, valueName)) {
        m_indexedCount = ~std::size_t(0);
        return FindValue(valueName);
    }
    return &value;
}

const RegValue* RegKey::FindValue(const std::string& valueName) const
{
    return const_cast<RegKey*>(this)->FindValue(valueName);
}

void RegKey::SetValue(const std::string& valueName, DWORD type, const std::string& data)
{
    RegValue* value = FindValue(valueName);
    if (value != nullptr) {
        value->type = type;
        value->data = data;
        return;
    }
    values.push_back(RegValue{valueName, type, data});
    // Kept up to date rather than made again.
    m_valueIndex.emplace(UpperCase(valueName), values.size() - 1);
    m_indexedCount = values.size();
    m_indexedStorage = values.data();
}

bool RegKey::operator==(const RegKey& other) const
{
    if (name != other.name || subkeys.size() != other.subkeys.size() || values.size() != other.values.size())
        return false;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const RegValue& a = values[i];
        const RegValue& b = other.values[i];
        if (a.name != b.name || a.type != b.type || a.data != b.data)
            return false;
    }
    auto mine = subkeys.begin();
    auto theirs = other.subkeys.begin();
    for (; mine != subkeys.end(); ++mine, ++theirs) {
        if (mine->first != theirs->first || !(*mine->second == *theirs->second))
            return false;
    }
    return true;
}

Registry::Registry()
{
    for (const char* rootName : kRootNames)
        m_roots[rootName].name = rootName;
}

bool Registry::IsRootName(const std::string& rootName)
{
    return std::any_of(std::begin(kRootNames), std::end(kRootNames),
                       [&](const char* known) { return rootName == known; });
}

RegKey& Registry::Root(const std::string& rootName)
{
    return m_roots.at(rootName);
}

std::vector<std::string> SplitKeyPath(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

namespace {
// Each part of a key path in turn, as SplitKeyPath gives them, into one
// string: a key is looked for at every registry call, so without a list made each time.
class KeyPathParts {
public:
    explicit KeyPathParts(const std::string& path) : m_path(path) {}
    bool Next(std::string& part)
    {
        while (m_at < m_path.size() && m_path[m_at] == '\\')
            ++m_at;
        if (m_at >= m_path.size())
            return false;
        std::size_t end = std::min(m_path.find('\\', m_at), m_path.size());
        part.assign(m_path, m_at, end - m_at);
        m_at = end;
        return true;
    }

private:
    const std::string& m_path;
    std::size_t m_at = 0;
};
}  // namespace

RegKey* Registry::Find(const std::string& fullPath)
{
    KeyPathParts parts(fullPath);
    std::string part;
    if (!parts.Next(part) || !IsRootName(part))
        return nullptr;
    RegKey* key = &Root(part);
    while (key != nullptr && parts.Next(part))
        key = key->FindSubkey(part);
    return key;
}

RegKey& Registry::Create(const std::string& fullPath)
{
    KeyPathParts parts(fullPath);
    std::string part;
    if (!parts.Next(part))
        throw std::out_of_range("no root in the key path");
    RegKey* key = &Root(part);
    while (parts.Next(part))
        key = &key->CreateSubkey(part);
    return *key;
}

bool Registry::Delete(const std::string& fullPath)
{
    std::vector<std::string> parts = SplitKeyPath(fullPath);
    if (parts.size() < 2)
        return false;
    std::string last = parts.back();
    parts.pop_back();
    std::string parentPath;
    for (const std::string& part : parts)
        parentPath += part + "\\";
    RegKey* parent = Find(parentPath);
    return parent != nullptr && parent->DeleteSubkey(last);
}

std::string StringData(const std::string& text)
{
    return text + '\0';
}

std::string DataText(const std::string& data)
{
    return data.substr(0, data.find('\0'));
}

}  // namespace machine
