#include "machine/Registry.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

#include "machine/TextEncodings.h"
#include "machine/WindowsNames.h"

namespace machine {

namespace {
const char* const kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                  "HKEY_CURRENT_CONFIG"};
}

std::string UpperCase(std::string_view text)
{
    return WindowsUpper(text);
}

bool EqualIgnoringCase(std::string_view first, std::string_view second)
{
    if (!IsAscii(first) || !IsAscii(second))
        return UpperCase(first) == UpperCase(second);
    return first.size() == second.size() && std::equal(first.begin(), first.end(), second.begin(), [](char a, char b) {
               return AsciiUpper(a) == AsciiUpper(b);
           });
}

RegKey* RegKey::FindSubkey(std::string_view subkeyName) const
{
    // A key is looked for at every registry call: an ASCII name, by far the
    // most common, is upper-cased here rather than into a string made for it.
    char upper[256];
    if (subkeyName.size() <= sizeof upper && IsAscii(subkeyName)) {
        std::transform(subkeyName.begin(), subkeyName.end(), upper, AsciiUpper);
        auto found = subkeys.find(std::string_view(upper, subkeyName.size()));
        return found == subkeys.end() ? nullptr : found->second.get();
    }
    auto found = subkeys.find(UpperCase(subkeyName));
    return found == subkeys.end() ? nullptr : found->second.get();
}

namespace {
// One count for every version of every key and registry: no two ever share one.
std::uint64_t NewVersion()
{
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}
}  // namespace

std::uint64_t RegKey::NewSubkeysVersion()
{
    return NewVersion();
}

RegKey& RegKey::CreateSubkey(const std::string& subkeyName)
{
    std::string upper = UpperCase(subkeyName);
    // Keys often come in name order (an export lists them so): one after the
    // last goes in at the end, without a search.
    bool last = subkeys.empty() || subkeys.rbegin()->first < upper;
    std::unique_ptr<RegKey>& slot =
        last ? subkeys.emplace_hint(subkeys.end(), std::move(upper), nullptr)->second : subkeys[std::move(upper)];
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
    if (values.size() <= kValuesLookedThrough) {
        auto found = std::find_if(values.begin(), values.end(),
                                  [&](const RegValue& value) { return EqualIgnoringCase(value.name, valueName); });
        return found == values.end() ? nullptr : &*found;
    }
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

void RegKey::SetValue(const std::string& valueName, DWORD type, std::string data)
{
    RegValue* value = FindValue(valueName);
    if (value != nullptr) {
        value->type = type;
        value->data = std::move(data);
        return;
    }
    bool indexed = m_indexedCount == values.size() && m_indexedStorage == values.data();
    values.push_back(RegValue{valueName, type, std::move(data)});
    // An index in use is kept up to date rather than made again.
    if (!indexed || values.size() <= kValuesLookedThrough)
        return;
    m_valueIndex.emplace(UpperCase(valueName), values.size() - 1);
    m_indexedCount = values.size();
    m_indexedStorage = values.data();
}

void RegKey::RemoveValues(const std::vector<bool>& removed)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i < removed.size() && removed[i])
            continue;
        if (kept != i)
            values[kept] = std::move(values[i]);
        ++kept;
    }
    values.resize(kept);
    m_indexedCount = ~std::size_t(0);  // the places have moved: the index is made again when next needed
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

Registry::Registry() : m_keysVersion(NewVersion())
{
    for (const char* rootName : kRootNames)
        m_roots[rootName].name = rootName;
}

Registry::Registry(Registry&& other) noexcept : m_roots(std::move(other.m_roots)), m_keysVersion(NewVersion())
{
    other.m_keysVersion = NewVersion();
}

Registry& Registry::operator=(Registry&& other) noexcept
{
    m_roots = std::move(other.m_roots);
    m_keysVersion = NewVersion();
    other.m_keysVersion = NewVersion();
    return *this;
}

bool Registry::IsRootName(std::string_view rootName)
{
    return std::any_of(std::begin(kRootNames), std::end(kRootNames),
                       [&](const char* known) { return rootName == known; });
}

RegKey& Registry::Root(std::string_view rootName)
{
    auto found = m_roots.find(rootName);
    if (found == m_roots.end())
        throw std::out_of_range("no registry root of that name");
    return found->second;
}

std::vector<std::string> SplitKeyPath(const std::string& path)
{
    std::vector<std::string> parts;
    KeyPathParts pathParts(path);
    for (std::string_view part; pathParts.Next(part);)
        parts.emplace_back(part);
    return parts;
}

bool KeyPathParts::Next(std::string_view& part)
{
    while (m_at < m_path.size() && m_path[m_at] == '\\')
        ++m_at;
    if (m_at >= m_path.size())
        return false;
    std::size_t end = std::min(m_path.find('\\', m_at), m_path.size());
    part = m_path.substr(m_at, end - m_at);
    m_at = end;
    return true;
}

RegKey* RegKey::FindPath(std::string_view subkeyPath) const
{
    KeyPathParts parts(subkeyPath);
    std::string_view part;
    const RegKey* key = this;
    while (key != nullptr && parts.Next(part))
        key = key->FindSubkey(part);
    return const_cast<RegKey*>(key);
}

RegKey* Registry::Find(std::string_view fullPath)
{
    KeyPathParts parts(fullPath);
    std::string_view root;
    if (!parts.Next(root) || !IsRootName(root))
        return nullptr;
    std::size_t rootEnd = root.data() + root.size() - fullPath.data();
    return Root(root).FindPath(fullPath.substr(rootEnd));
}

RegKey& Registry::Create(const std::string& fullPath)
{
    KeyPathParts parts(fullPath);
    std::string_view part;
    if (!parts.Next(part))
        throw std::out_of_range("no root in the key path");
    RegKey* key = &Root(part);
    while (parts.Next(part))
        key = &key->CreateSubkey(std::string(part));
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
    if (parent == nullptr || !parent->DeleteSubkey(last))
        return false;
    m_keysVersion = NewVersion();
    return true;
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
