#include "machine/MachineFolder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "machine/HostFolder.h"
#include "machine/Manifest.h"
#include "machine/TextEncodings.h"
#include "machine/WindowsNames.h"

namespace machine {

namespace fs = std::filesystem;

namespace {
const char kRegistryFile[] = "registry.reg";
const char kManifestFile[] = "machine.json";
const char kFilesFolder[] = "files/";
}  // namespace

std::string FolderPath(const std::string& windowsPath)
{
    std::string relative = std::string(kFilesFolder) + windowsPath[0];
    std::string rest = windowsPath.substr(2);
    for (char& c : rest) {
        if (c == '\\')
            c = '/';
    }
    return Utf8Of(relative + rest);
}

namespace {

// "files/C/WINDOWS/hosts" -> "C:\WINDOWS\hosts" as the machine holds it
// (`texts`); "" when the path names no drive. A directory's entry ends in '/':
// "files/C/Empty/" -> "C:\Empty\".
std::string WindowsPath(const std::string& relative, const FolderTexts& texts)
{
    std::string rest = relative.substr(sizeof kFilesFolder - 1);
    if (rest.size() < 2 || rest[1] != '/' || !std::isalpha(static_cast<unsigned char>(rest[0])))
        return std::string();
    std::string path = std::string(1, rest[0]) + ":\\" + texts.Read(rest.substr(2));
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// The directories a write made so far, by their path beneath its folder: each
// is made once, however many entries lie beneath it.
using MadeDirectories = std::unordered_set<std::string>;

// Creates the directories of `relative` beneath `root`, each beneath its
// parent: new, or a plain directory already, never one reached through a link.
bool MakeDirectories(const fs::path& root, const fs::path& relative, MadeDirectories& made, std::string& problem)
{
    if (relative.empty() || !made.insert(relative.generic_u8string()).second)
        return true;
    if (!MakeDirectories(root, relative.parent_path(), made, problem))
        return false;
    fs::path at = root / relative;
    bool existed = false;
    if (host::CreateNewDirectory(at, existed, problem))
        return true;
    if (!existed)
        return false;
    if (host::KindOf(at) != host::EntryKind::kDirectory) {
        problem = at.u8string() + " is not a plain directory";
        return false;
    }
    return true;
}

bool WriteWhole(const fs::path& root, const std::string& relative, const std::string& bytes, MadeDirectories& made,
                std::string& problem)
{
    fs::path path = fs::u8path(relative);
    return MakeDirectories(root, path.parent_path(), made, problem) && host::WriteNewFile(root / path, bytes, problem);
}

// The folder as a full path without a trailing separator, so that it has a
// parent to write beside it in.
fs::path TargetFolder(const fs::path& folder)
{
    fs::path target = host::FullPath(folder);
    if (!target.has_filename())
        target = target.parent_path();
    return target;
}

// Creates the first of "<wanted>", "<wanted>-2", ... that nothing holds yet,
// in a folder that is there already.
bool CreateFreshFolder(const fs::path& wanted, fs::path& created, std::string& problem)
{
    const int kMostTries = 1000;
    for (int n = 1; n <= kMostTries; ++n) {
        created = n == 1 ? wanted : fs::u8path(wanted.u8string() + "-" + std::to_string(n));
        bool existed = false;
        if (host::CreateNewDirectory(created, existed, problem))
            return true;
        if (!existed)
            return false;
    }
    problem = "cannot create " + wanted.u8string() + ": it and the next " + std::to_string(kMostTries - 1) +
              " names are taken";
    return false;
}

fs::path Beside(const fs::path& target, const std::string& purpose)
{
    return target.parent_path() / fs::u8path(target.filename().u8string() + "." + purpose);
}

bool WriteFolder(const Machine& machine, const fs::path& root, std::string& problem)
{
    MadeDirectories made;
    if (!WriteWhole(root, kRegistryFile, WriteRegFile(machine.registry), made, problem) ||
        !WriteWhole(root, kManifestFile, WriteManifest(machine), made, problem))
        return false;
    // Each directory as the machine first spelled it, so that no two names
    // differ in case only: a Windows disk cannot tell them apart.
    for (const auto& entry : machine.files.Directories()) {
        if (!FileSystem::IsDrivePath(entry.second)) {
            problem = "the machine holds a directory it cannot write: " + entry.second;
            return false;
        }
        if (!MakeDirectories(root, fs::u8path(FolderPath(machine.files.Spelled(entry.second))), made, problem))
            return false;
    }
    for (const auto& entry : machine.files.Files()) {
        if (!FileSystem::IsDrivePath(entry.second.path)) {
            problem = "the machine holds a file it cannot write: " + entry.second.path;
            return false;
        }
        if (!WriteWhole(root, FolderPath(machine.files.Spelled(entry.second.path)), entry.second.bytes, made, problem))
            return false;
    }
    return true;
}

// Why an entry of a folder (relative to it) keeps it from being a machine
// folder that may be removed; "" when it is a machine folder's own.
std::string StrangeEntry(const std::string& relative, host::EntryKind kind)
{
    if (kind == host::EntryKind::kLink)
        return relative + " is a link, junction or reparse point";
    bool inFiles = relative.compare(0, sizeof kFilesFolder - 1, kFilesFolder) == 0;
    if (relative == kRegistryFile || relative == kManifestFile || inFiles)
        return kind == host::EntryKind::kFile || (inFiles && kind == host::EntryKind::kDirectory)
                   ? std::string()
                   : relative + " is not a plain file";
    if (relative + "/" == kFilesFolder)
        return kind == host::EntryKind::kDirectory ? std::string() : relative + " is not a plain directory";
    return "it holds " + relative + ", which no machine folder holds";
}

// Whether anything is in a folder that a machine folder may hold; false,
// with the reason, when anything in it is not a machine folder's plain file
// or directory.
bool ListMachineFolder(const fs::path& root, bool& empty, std::string& problem)
{
    empty = true;
    return host::WalkTree(
        root, false,
        [&](host::TreeEntry& entry) {
            empty = false;
            problem = StrangeEntry(entry.relative, entry.kind);
            return problem.empty();
        },
        problem);
}

// Removes exactly the plain files and directories of a machine folder, and the
// folder; anything else in it keeps the whole folder as it is.
bool RemoveMachineFolder(const fs::path& root, std::string& problem)
{
    return host::RemoveTree(root, StrangeEntry, problem);
}

// What the folder an old machine was moved into may hold: its one entry, the
// old machine folder under the target's name.
host::RemovalCheck OldHolderCheck(const std::string& name)
{
    return [name](const std::string& relative, host::EntryKind kind) {
        if (relative == name)
            return kind == host::EntryKind::kDirectory ? std::string() : relative + " is not a plain directory";
        if (relative.compare(0, name.size() + 1, name + "/") != 0)
            return "it holds " + relative + ", which a save does not leave there";
        return StrangeEntry(relative.substr(name.size() + 1), kind);
    };
}

bool RemoveOldHolder(const fs::path& holder, const std::string& name, std::string& problem)
{
    return host::RemoveTree(holder, OldHolderCheck(name), problem);
}

// Where a save writes the new machine, and where it moves the old one.
fs::path NewBeside(const fs::path& target) { return Beside(target, "new"); }
fs::path OldBeside(const fs::path& target) { return Beside(target, "old"); }

// The longest name a folder can have on the disks the tools write to (NTFS and
// the Linux file systems); the save's own names beside it are 4 longer.
const std::size_t kLongestName = 255;

// Whether the save can write its folders beside the target at all.
bool CanWriteBeside(const fs::path& target, const std::string& folder, std::string& problem)
{
    std::error_code code;
    if (!fs::is_directory(target.parent_path(), code)) {
        bool missing = host::KindOf(target.parent_path()) == host::EntryKind::kMissing;
        problem = "cannot write the machine to " + folder + ": its parent folder " + target.parent_path().u8string() +
                  (missing ? " does not exist" : " is no folder");
        return false;
    }
    if (target.filename().u8string().size() + sizeof ".new" - 1 > kLongestName) {
        problem = "cannot write the machine to " + folder + ": its name is longer than the " +
                  std::to_string(kLongestName - 4) + " bytes a save can use";
        return false;
    }
    return true;
}
}  // namespace

namespace {
// The names under files/ met so far, each with the form a Windows disk holds
// it under: its folder's number and its own last name in that form, so a
// deep folder costs no more per entry than a shallow one. The names are
// views of the folder's own, which outlive this.
class NameSpellings {
public:
    explicit NameSpellings(std::size_t names) { m_spelling.reserve(names); }

    // Takes `name` ("files/C/a/b") and the folders above it; false, with why,
    // when Windows holds it, or one of them, for a name met before.
    bool Add(std::string_view name, std::string& twin)
    {
        std::size_t number = 0;
        return Number(name, twin, number);
    }

private:
    // A folder's number, its name taken first when it is new.
    bool FolderNumber(std::string_view folder, std::string& twin, std::size_t& number)
    {
        // The names come in order, so most share the folder of the one before.
        if (folder == m_lastFolder) {
            number = m_lastNumber;
            return true;
        }
        auto known = m_folders.find(folder);
        if (known != m_folders.end()) {
            number = known->second;
        } else {
            if (!Number(folder, twin, number))
                return false;
            m_folders.emplace(folder, number);
        }
        m_lastFolder = folder;
        m_lastNumber = number;
        return true;
    }

    bool Number(std::string_view name, std::string& twin, std::size_t& number)
    {
        std::size_t slash = name.find_last_of("/\\");
        std::string form;
        if (slash == std::string_view::npos || slash < sizeof kFilesFolder) {
            form = WindowsNameKey(name);
        } else {
            std::size_t folder = 0;
            if (!FolderNumber(name.substr(0, slash), twin, folder))
                return false;
            // The folder's number stands for its whole form: no two forms share one.
            form = std::to_string(folder) + "\\" + WindowsNameKey(name.substr(slash + 1));
        }
        auto spelled = m_spelling.emplace(std::move(form), Spelling{name, m_spelling.size() + 1}).first;
        std::string_view first = spelled->second.name;
        if (first != name) {
            twin = first.size() == name.size() && WindowsUpper(first) == WindowsUpper(name)
                       ? "differs only in case from " + std::string(first) +
                             ", which a Windows disk takes for the same name"
                       : "is the same name to Windows as " + std::string(first) +
                             " (case, trailing dots and spaces, / and \\ tell no names apart)";
            return false;
        }
        number = spelled->second.number;
        return true;
    }

    struct Spelling {
        std::string_view name;  // the name first met
        std::size_t number;
    };
    std::unordered_map<std::string, Spelling> m_spelling;  // form -> the name first met
    std::unordered_map<std::string_view, std::size_t> m_folders;  // folder -> its number
    std::string_view m_lastFolder;
    std::size_t m_lastNumber = 0;
};
}  // namespace

std::string LoadError::Describe() const
{
    std::string text = file;
    if (where.line > 0)
        text += ":" + std::to_string(where.line);
    return text + ": " + where.message;
}

bool ReadFolderContents(const std::string& folder, FolderContents& contents, LoadError& error)
{
    std::error_code code;
    if (!fs::is_directory(fs::u8path(folder), code)) {
        error = {folder, {0, "not a machine folder (no such directory)"}};
        return false;
    }
    std::string problem;
    bool read = host::WalkTree(
        fs::u8path(folder), true,
        [&](host::TreeEntry& entry) {
            // A directory stands as an entry of its own until something in it is met.
            std::size_t slash = entry.relative.rfind('/');
            if (slash != std::string::npos)
                contents.erase(entry.relative.substr(0, slash + 1));
            if (entry.kind == host::EntryKind::kDirectory) {
                contents[entry.relative + "/"] = std::string();
                return true;
            }
            if (entry.kind != host::EntryKind::kFile) {
                error = {entry.relative, {0, entry.kind == host::EntryKind::kLink
                                                 ? "a link, junction or reparse point: a machine folder holds plain files"
                                                 : "not a plain file"}};
                return false;
            }
            contents[entry.relative] = std::move(entry.bytes);
            return true;
        },
        problem);
    if (!read && !problem.empty())
        error = {folder, {0, problem}};
    return read;
}

bool LoadMachine(const FolderContents& contents, Machine& machine, LoadError& error)
{
    for (const char* required : {kRegistryFile, kManifestFile}) {
        if (contents.count(required) == 0) {
            error = {required, {0, "missing: a machine folder needs registry.reg and machine.json"}};
            return false;
        }
    }
    FolderTexts texts;
    error.file = kManifestFile;
    ParsedManifest manifest;
    ParseManifest(contents.at(kManifestFile), manifest);
    if (!ReadFolderTexts(manifest, texts, error.where))
        return false;
    // Every name under files/ by the form a Windows disk holds it under, so
    // that no two names it takes for one are merged: all of them first, so a
    // name that differs from another by a trailing dot or space is named with it.
    NameSpellings spellings(contents.size());
    for (const auto& entry : contents) {
        const std::string& relative = entry.first;
        if (relative == kRegistryFile || relative == kManifestFile)
            continue;
        if (relative.compare(0, sizeof kFilesFolder - 1, kFilesFolder) != 0) {
            error = {relative, {0, "unexpected file: a machine folder holds registry.reg, machine.json and files/"}};
            return false;
        }
        std::string twin;
        std::string_view name = relative;
        if (name.back() == '/')
            name.remove_suffix(1);
        if (!spellings.Add(name, twin)) {
            error = {relative, {0, twin}};
            return false;
        }
    }
    machine.files.Reserve(machine.files.Files().size() + contents.size());
    for (const auto& entry : contents) {
        const std::string& relative = entry.first;
        if (relative == kRegistryFile || relative == kManifestFile)
            continue;
        std::string path = WindowsPath(relative, texts);
        if (path.empty()) {
            error = {relative, {0, "files/ must hold one folder per drive letter"}};
            return false;
        }
        std::string problem = FileSystem::PathProblem(path);
        if (!problem.empty()) {
            error = {relative, {0, "no name of the machine: " + problem}};
            return false;
        }
        bool directory = relative.back() == '/';
        const SimFile* file = directory ? machine.files.Find(path) : nullptr;
        std::string clash = directory ? (file != nullptr ? file->path : "") : machine.files.FileClash(path);
        if (!clash.empty()) {
            error = {relative, {0, "stands where the machine holds " + clash}};
            return false;
        }
        if (directory)
            machine.files.MakeDirectory(path);
        else
            machine.files.Write(path, entry.second);
    }
    error.file = kRegistryFile;
    if (!ReadRegFile(contents.at(kRegistryFile), machine.registry, error.where, texts))
        return false;
    error.file = kManifestFile;
    if (!ReadManifest(manifest, machine, error.where))
        return false;
    error = LoadError();
    return true;
}

bool CanReplaceFolder(const std::string& folder, std::string& problem)
{
    fs::path target = TargetFolder(fs::u8path(folder));
    if (!CanWriteBeside(target, folder, problem))
        return false;
    switch (host::KindOf(target)) {
    case host::EntryKind::kMissing:
        return true;
    case host::EntryKind::kDirectory:
        break;
    case host::EntryKind::kLink:
        problem = folder + " is a link, junction or reparse point: it is left as it is";
        return false;
    default:
        problem = folder + " exists and is not a folder: it is left as it is";
        return false;
    }
    bool empty = true;
    if (!ListMachineFolder(target, empty, problem)) {
        problem = folder + " is not a machine folder (" + problem + "): it is left as it is";
        return false;
    }
    bool hasRegistry = host::KindOf(target / kRegistryFile) == host::EntryKind::kFile;
    bool hasManifest = host::KindOf(target / kManifestFile) == host::EntryKind::kFile;
    if (!empty && (!hasRegistry || !hasManifest)) {
        problem = folder + " is not a machine folder (it lacks registry.reg or machine.json): it is left as it is";
        return false;
    }
    return true;
}

bool CanSaveInto(const std::string& folder, std::string& problem)
{
    if (!CanReplaceFolder(folder, problem))
        return false;
    fs::path fresh = NewBeside(TargetFolder(fs::u8path(folder)));
    bool existed = false;
    std::string why;
    if (!host::CreateNewDirectory(fresh, existed, why) || !host::RemoveEntry(fresh, host::EntryKind::kDirectory, why)) {
        problem = "cannot write the machine to " + folder + ": " + why;
        return false;
    }
    return true;
}

bool ClearSaveLeftovers(const std::string& folder, std::vector<std::string>& notes, std::string& problem)
{
    fs::path target = TargetFolder(fs::u8path(folder));
    if (!CanWriteBeside(target, folder, problem))
        return false;
    fs::path fresh = NewBeside(target), holder = OldBeside(target);
    fs::path old = holder / target.filename();
    std::string name = target.filename().u8string();
    // A save cut off between its two moves: the old machine waits in the
    // holder, which is moved back only when the whole holder is a save's.
    std::string why;
    if (host::KindOf(target) == host::EntryKind::kMissing && host::KindOf(holder) != host::EntryKind::kMissing &&
        host::CheckTree(holder, OldHolderCheck(name), why) &&
        host::KindOf(old / kRegistryFile) == host::EntryKind::kFile &&
        host::KindOf(old / kManifestFile) == host::EntryKind::kFile) {
        if (!host::MoveOut(holder, name, target, why)) {
            problem = "a save was cut off: the machine of " + folder + " lies in " + old.u8string() +
                      ", and cannot be put back: " + why;
            return false;
        }
        notes.push_back("a save was cut off: the machine of " + folder + " is put back from " + old.u8string());
    }
    const struct {
        fs::path path;
        host::RemovalCheck check;
    } leftovers[] = {{fresh, StrangeEntry}, {holder, OldHolderCheck(name)}};
    for (const auto& leftover : leftovers) {
        if (host::KindOf(leftover.path) == host::EntryKind::kMissing)
            continue;
        // Checked whole before anything goes: what is not a save's own is left whole.
        if (!host::CheckTree(leftover.path, leftover.check, why)) {
            problem = leftover.path.u8string() + " stands where a save of " + folder +
                      " writes, and is no leftover of one (" + why + "): it is left as it is";
            return false;
        }
        if (!host::RemoveTree(leftover.path, leftover.check, why)) {
            problem = leftover.path.u8string() + ", a cut-off save's leftover beside " + folder +
                      ", cannot be removed: " + why;
            return false;
        }
        notes.push_back("a cut-off save's " + leftover.path.u8string() + " is removed");
    }
    return true;
}

bool SaveMachine(const Machine& machine, const std::string& folder, std::string& problem)
{
    if (!CanReplaceFolder(folder, problem))
        return false;
    fs::path target = TargetFolder(fs::u8path(folder));
    // The new folder is written in full beside the old one and only then takes
    // its place, so a save that fails leaves the old folder as it was.
    fs::path fresh = NewBeside(target);
    bool existed = false;
    if (!host::CreateNewDirectory(fresh, existed, problem))
        return false;
    std::string ignored;
    if (!WriteFolder(machine, fresh, problem)) {
        RemoveMachineFolder(fresh, ignored);
        return false;
    }
    if (host::KindOf(target) == host::EntryKind::kMissing) {
        std::error_code code;
        fs::rename(fresh, target, code);
        if (code) {
            problem = "cannot move the new machine into " + folder + ": " + code.message();
            RemoveMachineFolder(fresh, ignored);
            return false;
        }
        return true;
    }
    // Where the system swaps two names in one step, the folder is never
    // missing; elsewhere the old machine moves into a holder of its own, where
    // the next run finds it if the save is cut off before the new one is in place.
    bool swapped = false;
    fs::path old = fresh;
    if (!host::ExchangeEntries(fresh, target, swapped, problem)) {
        RemoveMachineFolder(fresh, ignored);
        return false;
    }
    if (!swapped) {
        fs::path holder = OldBeside(target);
        if (!host::CreateNewDirectory(holder, existed, problem)) {
            RemoveMachineFolder(fresh, ignored);
            return false;
        }
        old = holder / target.filename();
        std::error_code code;
        fs::rename(target, old, code);
        if (code) {
            problem = "cannot move " + folder + " aside: " + code.message();
            RemoveMachineFolder(fresh, ignored);
            host::RemoveEntry(holder, host::EntryKind::kDirectory, ignored);
            return false;
        }
        fs::rename(fresh, target, code);
        if (code) {
            problem = "cannot move the new machine into " + folder + ": " + code.message();
            std::error_code unused;
            fs::rename(old, target, unused);
            host::RemoveEntry(holder, host::EntryKind::kDirectory, ignored);
            RemoveMachineFolder(fresh, ignored);
            return false;
        }
        if (!RemoveOldHolder(holder, target.filename().u8string(), problem)) {
            problem = "the machine is written to " + folder + ", but its old content stays in " + holder.u8string() +
                      ": " + problem;
            return false;
        }
        return true;
    }
    if (!RemoveMachineFolder(old, problem)) {
        problem = "the machine is written to " + folder + ", but its old content stays in " + old.u8string() + ": " +
                  problem;
        return false;
    }
    return true;
}

std::string OverlapProblem(const std::string& machineFolder, const std::string& folder)
{
    fs::path target = TargetFolder(fs::u8path(folder));
    for (const fs::path& written : {target, NewBeside(target), OldBeside(target)}) {
        if (host::NestedOrSame(host::FullPath(fs::u8path(machineFolder)), written))
            return "the machine folder " + machineFolder + " and " + written.u8string() + ", where --out " + folder +
                   " writes, lie one within the other: the one would be removed with the other";
    }
    return std::string();
}

bool SaveNewMachine(const Machine& machine, const fs::path& folder, std::string& written, bool& nextName,
                    std::string& problem)
{
    fs::path wanted = TargetFolder(folder);
    fs::path created;
    if (!CreateFreshFolder(wanted, created, problem))
        return false;
    written = created.u8string();
    nextName = created != wanted;
    if (!WriteFolder(machine, created, problem)) {
        problem += " (what was written stays in " + written + ")";
        return false;
    }
    return true;
}

}  // namespace machine
