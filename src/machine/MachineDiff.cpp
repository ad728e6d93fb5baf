#include "machine/MachineDiff.h"

#include <cstdio>
#include <unordered_map>

namespace machine {

namespace {
std::string TypeName(DWORD type)
{
    switch (type) {
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    default: return "type " + std::to_string(type);
    }
}

std::string Show(const RegValue& value)
{
    if (value.type == REG_SZ || value.type == REG_EXPAND_SZ)
        return "\"" + DataText(value.data) + "\" (" + TypeName(value.type) + ")";
    std::string hex;
    for (char c : value.data) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(c));
        hex += digits;
    }
    return hex + " (" + TypeName(value.type) + ")";
}

// Services by upper-case name (the first of a name), so that comparing two
// lists takes time in proportion to their length.
std::unordered_map<std::string, const Service*> ServicesByName(const std::vector<Service>& services)
{
    std::unordered_map<std::string, const Service*> byName;
    for (const Service& service : services)
        byName.emplace(UpperCase(service.name), &service);
    return byName;
}

std::string ValueName(const std::string& name)
{
    return name.empty() ? "(Default)" : name;
}

// A key's values by upper-case name, so that comparing two keys takes time
// in proportion to their values.
std::unordered_map<std::string, const RegValue*> ValuesByName(const RegKey& key)
{
    std::unordered_map<std::string, const RegValue*> byName;
    for (const RegValue& value : key.values)
        byName.emplace(UpperCase(value.name), &value);
    return byName;
}

void CompareValues(const RegKey& before, const RegKey& after, const std::string& path, std::vector<std::string>& out)
{
    auto beforeByName = ValuesByName(before);
    auto afterByName = ValuesByName(after);
    for (const RegValue& old : before.values) {
        auto now = afterByName.find(UpperCase(old.name));
        if (now == afterByName.end())
            out.push_back("registry value removed: " + path + " [" + ValueName(old.name) + "]");
        else if (now->second->type != old.type || now->second->data != old.data)
            out.push_back("registry value changed: " + path + " [" + ValueName(old.name) + "] " + Show(old) + " -> " +
                          Show(*now->second));
    }
    for (const RegValue& now : after.values) {
        if (beforeByName.count(UpperCase(now.name)) == 0)
            out.push_back("registry value added: " + path + " [" + ValueName(now.name) + "] " + Show(now));
    }
}

// Walks both trees with a stack of its own rather than by recursion, so a
// deeply nested registry cannot exhaust the thread's stack.
void CompareKeys(const RegKey& beforeRoot, const RegKey& afterRoot, const std::string& rootPath,
                 std::vector<std::string>& out)
{
    struct Pair {
        const RegKey* before;
        const RegKey* after;
        std::string path;
    };
    std::vector<Pair> pending = {{&beforeRoot, &afterRoot, rootPath}};
    while (!pending.empty()) {
        Pair pair = std::move(pending.back());
        pending.pop_back();
        if (pair.before == nullptr) {
            out.push_back("registry key added: " + pair.path);
            continue;
        }
        if (pair.after == nullptr) {
            out.push_back("registry key removed: " + pair.path);
            continue;
        }
        CompareValues(*pair.before, *pair.after, pair.path, out);
        // Pushed in reverse so that keys come out in name order, the removed and
        // kept ones first, then the added ones, as a depth-first walk gives them.
        std::vector<Pair> children;
        for (const auto& entry : pair.before->subkeys)
            children.push_back({entry.second.get(), pair.after->FindSubkey(entry.second->name),
                                pair.path + "\\" + entry.second->name});
        for (const auto& entry : pair.after->subkeys) {
            if (pair.before->FindSubkey(entry.second->name) == nullptr)
                children.push_back({nullptr, entry.second.get(), pair.path + "\\" + entry.second->name});
        }
        pending.insert(pending.end(), std::make_move_iterator(children.rbegin()), std::make_move_iterator(children.rend()));
    }
}
}  // namespace

std::vector<std::string> DescribeChanges(const Machine& before, const Machine& after)
{
    std::vector<std::string> out;
    for (const auto& root : before.registry.Roots()) {
        CompareKeys(root.second, after.registry.Roots().at(root.first), root.first, out);
    }
    for (const auto& entry : before.files.Files()) {
        const SimFile* now = after.files.Find(entry.second.path);
        if (now == nullptr)
            out.push_back("file removed: " + entry.second.path);
        else if (now->bytes != entry.second.bytes || now->version != entry.second.version)
            out.push_back("file changed: " + entry.second.path);
        else if (now->attributes != entry.second.attributes)
            out.push_back("file attributes changed: " + entry.second.path);
    }
    for (const auto& entry : after.files.Files()) {
        if (before.files.Find(entry.second.path) == nullptr)
            out.push_back("file added: " + entry.second.path);
    }
    for (std::size_t i = before.pendingRenames.size(); i < after.pendingRenames.size(); ++i) {
        const PendingRename& rename = after.pendingRenames[i];
        out.push_back("file move scheduled for the next restart: " + rename.from + " -> " +
                      (rename.to.empty() ? std::string("(deleted)") : rename.to));
    }
    auto beforeServices = ServicesByName(before.services);
    auto afterServices = ServicesByName(after.services);
    for (const Service& old : before.services) {
        auto found = afterServices.find(UpperCase(old.name));
        const Service* now = found == afterServices.end() ? nullptr : found->second;
        if (now == nullptr) {
            out.push_back("service removed: " + old.name);
            continue;
        }
        if (old.state != now->state)
            out.push_back("service " + old.name + ": " + old.state + " -> " + now->state);
        if (old.startType != now->startType)
            out.push_back("service " + old.name + " start type: " + old.startType + " -> " + now->startType);
    }
    for (const Service& now : after.services) {
        if (beforeServices.count(UpperCase(now.name)) == 0)
            out.push_back("service added: " + now.name + " (" + now.state + ", start type " + now.startType + ")");
    }
    return out;
}

}  // namespace machine
