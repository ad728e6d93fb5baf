#include "platform/sim/MachineDiff.h"

#include <cstdio>

namespace sim {

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

const Service* FindServiceByName(const std::vector<Service>& services, const std::string& name)
{
    for (const Service& service : services) {
        if (UpperCase(service.name) == UpperCase(name))
            return &service;
    }
    return nullptr;
}

std::string ValueName(const std::string& name)
{
    return name.empty() ? "(Default)" : name;
}

void CompareKeys(const RegKey* before, const RegKey* after, const std::string& path, std::vector<std::string>& out)
{
    if (before == nullptr) {
        out.push_back("registry key added: " + path);
        return;
    }
    if (after == nullptr) {
        out.push_back("registry key removed: " + path);
        return;
    }
    for (const RegValue& old : before->values) {
        const RegValue* now = after->FindValue(old.name);
        if (now == nullptr)
            out.push_back("registry value removed: " + path + " [" + ValueName(old.name) + "]");
        else if (now->type != old.type || now->data != old.data)
            out.push_back("registry value changed: " + path + " [" + ValueName(old.name) + "] " + Show(old) + " -> " +
                          Show(*now));
    }
    for (const RegValue& now : after->values) {
        if (before->FindValue(now.name) == nullptr)
            out.push_back("registry value added: " + path + " [" + ValueName(now.name) + "] " + Show(now));
    }
    for (const auto& entry : before->subkeys)
        CompareKeys(entry.second.get(), after->FindSubkey(entry.second->name), path + "\\" + entry.second->name, out);
    for (const auto& entry : after->subkeys) {
        if (before->FindSubkey(entry.second->name) == nullptr)
            CompareKeys(nullptr, entry.second.get(), path + "\\" + entry.second->name, out);
    }
}
}  // namespace

std::vector<std::string> DescribeChanges(const Machine& before, const Machine& after)
{
    std::vector<std::string> out;
    for (const auto& root : before.registry.Roots()) {
        const RegKey& afterRoot = after.registry.Roots().at(root.first);
        CompareKeys(&root.second, &afterRoot, root.first, out);
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
    for (const Service& old : before.services) {
        const Service* now = FindServiceByName(after.services, old.name);
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
        if (FindServiceByName(before.services, now.name) == nullptr)
            out.push_back("service added: " + now.name + " (" + now.state + ", start type " + now.startType + ")");
    }
    return out;
}

}  // namespace sim
