#include "sim/UndoReplay.h"

#include "log/UndoFile.h"
#include "log/UndoFileFormat.h"
#include "machine/RegFile.h"
#include "machine/TextEncodings.h"
#include "platform/RegFileText.h"

namespace sim {

namespace {
const char kServicesKey[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services";
const char* const kStartTypes[] = {"boot", "system", "auto", "demand", "disabled"};  // by the Start value
const std::string kCopyLinePrefix = undoformat::LineStart(undoformat::kCopyLine);
const char kCopyLineMiddle[] = "\" \"";
const std::string kAttribLinePrefix = undoformat::LineStart(undoformat::kAttribLine);
const std::pair<const char*, DWORD> kAttribFlags[] = {
    {"+r", FILE_ATTRIBUTE_READONLY}, {"+h", FILE_ATTRIBUTE_HIDDEN}, {"+s", FILE_ATTRIBUTE_SYSTEM}};

// "; attrib +r "PATH"": the attributes "copy" does not put back.
bool ApplyAttribLine(machine::Machine& machine, const std::string& line)
{
    std::size_t quote = line.find('"');
    if (line.compare(0, kAttribLinePrefix.size(), kAttribLinePrefix) != 0 || quote == std::string::npos ||
        line.back() != '"')
        return false;
    machine::SimFile* file = machine.files.Find(line.substr(quote + 1, line.size() - quote - 2));
    if (file == nullptr)
        return true;
    std::string flags = line.substr(0, quote);
    for (const auto& flag : kAttribFlags) {
        if (flags.find(flag.first) != std::string::npos)
            file->attributes = (file->attributes & ~FILE_ATTRIBUTE_NORMAL) | flag.second;
    }
    return true;
}

// The "Start" values of the services' keys, as the service manager reads them.
void TakeStartTypes(machine::Machine& machine, bool servicesKeyExisted)
{
    for (machine::Service& service : machine.services) {
        machine::RegKey* key = machine.registry.Find(std::string(kServicesKey) + "\\" + service.name);
        const machine::RegValue* start = key == nullptr ? nullptr : key->FindValue("Start");
        if (start != nullptr && start->type == REG_DWORD && start->data.size() == 4 &&
            static_cast<unsigned char>(start->data[0]) < 5 && start->data.substr(1) == std::string(3, '\0'))
            service.startType = kStartTypes[static_cast<unsigned char>(start->data[0])];
    }
    if (!servicesKeyExisted)
        machine.registry.Delete(kServicesKey);
}

}  // namespace

std::vector<std::string> NewUndoFiles(const machine::Machine& before, const machine::Machine& after)
{
    std::vector<std::string> undoFiles;
    for (const auto& entry : after.files.Files()) {
        const std::string& path = entry.second.path;
        std::string name = path.substr(path.rfind('\\') + 1);
        if (UndoFile::IsUndoFileName(name) && before.files.Find(path) == nullptr)
            undoFiles.push_back(path);
    }
    return undoFiles;
}

bool ApplyUndoFile(machine::Machine& machine, const std::string& undoPath, std::string& problem)
{
    const machine::SimFile* undo = machine.files.Find(undoPath);
    if (undo == nullptr) {
        problem = "no undo file " + undoPath;
        return false;
    }
    std::string bytes = undo->bytes;
    bool servicesKeyExisted = machine.registry.Find(kServicesKey) != nullptr;
    machine::ParseError error;
    if (!machine::ReadRegFile(bytes, machine.registry, error, machine::FolderTexts{machine.ansiCodePage, false, true})) {
        problem = "undo file unreadable, line " + std::to_string(error.line) + ": " + error.message;
        return false;
    }
    TakeStartTypes(machine, servicesKeyExisted);
    for (const std::string& line : UndoFileLines(bytes, machine.ansiCodePage)) {
        if (ApplyAttribLine(machine, line))
            continue;
        std::size_t middle = line.find(kCopyLineMiddle);
        if (line.compare(0, kCopyLinePrefix.size(), kCopyLinePrefix) != 0 || middle == std::string::npos ||
            line.back() != '"')
            continue;
        std::string from = line.substr(kCopyLinePrefix.size(), middle - kCopyLinePrefix.size());
        std::string to = line.substr(middle + sizeof kCopyLineMiddle - 1);
        to.pop_back();
        const machine::SimFile* source = machine.files.Find(from);
        if (source == nullptr) {
            problem = "the undo file's copy " + from + " is missing";
            return false;
        }
        // copy /y: the file as the copy holds it, its version resource and attributes with it.
        machine::SimFile copied = *source;
        machine::SimFile& target = machine.files.Write(to, copied.bytes);
        target.attributes = copied.attributes;
        target.version = copied.version;
    }
    return true;
}

std::vector<std::string> UndoFileLines(const std::string& bytes, unsigned codePage)
{
    bool wide = bytes.compare(0, 2, regfile::kByteOrderMark) == 0;
    std::vector<std::u16string> units(1);
    std::vector<std::string> narrow(1);
    for (std::size_t i = wide ? 2 : 0; i + (wide ? 1 : 0) < bytes.size(); i += wide ? 2 : 1) {
        char16_t unit = static_cast<unsigned char>(bytes[i]);
        if (wide)
            unit = static_cast<char16_t>(unit | (static_cast<unsigned char>(bytes[i + 1]) << 8));
        if (unit == '\n') {
            units.emplace_back();
            narrow.emplace_back();
        } else if (unit != '\r') {
            units.back() += unit;
            narrow.back() += bytes[i];
        }
    }
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < units.size(); ++i)
        lines.push_back(wide ? machine::FromUtf16(units[i]) : machine::FromCodePage(narrow[i], codePage));
    return lines;
}

}  // namespace sim
