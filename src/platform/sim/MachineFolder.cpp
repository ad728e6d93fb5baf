#include "platform/sim/MachineFolder.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/sim/Manifest.h"

namespace sim {

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
    return relative + rest;
}

namespace {

// "files/C/WINDOWS/hosts" -> "C:\WINDOWS\hosts"; "" when the path names no drive.
// A directory's entry ends in '/': "files/C/Empty/" -> "C:\Empty\".
std::string WindowsPath(const std::string& relative)
{
    std::string rest = relative.substr(sizeof kFilesFolder - 1);
    if (rest.size() < 2 || rest[1] != '/' || !std::isalpha(static_cast<unsigned char>(rest[0])))
        return std::string();
    std::string path = std::string(1, rest[0]) + ":\\" + rest.substr(2);
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

bool MakeDirectories(const fs::path& path, std::string& problem)
{
    std::error_code code;
    fs::create_directories(path, code);
    if (code) {
        problem = "cannot create " + path.string() + ": " + code.message();
        return false;
    }
    return true;
}

bool WriteWhole(const fs::path& path, const std::string& bytes, std::string& problem)
{
    if (!MakeDirectories(path.parent_path(), problem))
        return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        problem = "cannot write " + path.string();
        return false;
    }
    return true;
}

// The folder as a full path without a trailing separator, so that it has a
// parent to write beside it in.
fs::path TargetFolder(const std::string& folder)
{
    std::error_code ignored;
    fs::path target = fs::absolute(fs::path(folder), ignored).lexically_normal();
    if (!target.has_filename())
        target = target.parent_path();
    return target;
}

// A name beside the target that nothing holds yet: "<name>.<purpose>", "<name>.<purpose>-2", ...
fs::path SiblingFolder(const fs::path& target, const std::string& purpose)
{
    std::error_code ignored;
    fs::path candidate = target.parent_path() / (target.filename().string() + "." + purpose);
    for (int n = 2; fs::symlink_status(candidate, ignored).type() != fs::file_type::not_found; ++n)
        candidate = target.parent_path() / (target.filename().string() + "." + purpose + "-" + std::to_string(n));
    return candidate;
}

bool WriteFolder(const Machine& machine, const fs::path& root, std::string& problem)
{
    if (!MakeDirectories(root, problem) ||
        !WriteWhole(root / kRegistryFile, WriteRegFile(machine.registry), problem) ||
        !WriteWhole(root / kManifestFile, WriteManifest(machine), problem))
        return false;
    for (const auto& entry : machine.files.Directories()) {
        if (!FileSystem::IsDrivePath(entry.second)) {
            problem = "the machine holds a directory it cannot write: " + entry.second;
            return false;
        }
        if (!MakeDirectories(root / FolderPath(entry.second), problem))
            return false;
    }
    for (const auto& entry : machine.files.Files()) {
        if (!FileSystem::IsDrivePath(entry.second.path)) {
            problem = "the machine holds a file it cannot write: " + entry.second.path;
            return false;
        }
        if (!WriteWhole(root / FolderPath(entry.second.path), entry.second.bytes, problem))
            return false;
    }
    return true;
}
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
    if (!fs::is_directory(folder, code)) {
        error = {folder, {0, "not a machine folder (no such directory)"}};
        return false;
    }
    for (fs::recursive_directory_iterator it(folder, code), end; it != end && !code; it.increment(code)) {
        std::string relative = fs::relative(it->path(), folder).generic_string();
        std::error_code ignored;
        if (it->is_directory() && fs::is_empty(it->path(), ignored)) {
            contents[relative + "/"] = std::string();
            continue;
        }
        if (!it->is_regular_file())
            continue;
        std::ifstream in(it->path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        if (!in) {
            error = {relative, {0, "cannot be read"}};
            return false;
        }
        contents[relative] = bytes.str();
    }
    if (code) {
        error = {folder, {0, code.message()}};
        return false;
    }
    return true;
}

bool LoadMachine(const FolderContents& contents, Machine& machine, LoadError& error)
{
    for (const char* required : {kRegistryFile, kManifestFile}) {
        if (contents.count(required) == 0) {
            error = {required, {0, "missing: a machine folder needs registry.reg and machine.json"}};
            return false;
        }
    }
    for (const auto& entry : contents) {
        const std::string& relative = entry.first;
        if (relative == kRegistryFile || relative == kManifestFile)
            continue;
        if (relative.compare(0, sizeof kFilesFolder - 1, kFilesFolder) != 0) {
            error = {relative, {0, "unexpected file: a machine folder holds registry.reg, machine.json and files/"}};
            return false;
        }
        std::string path = WindowsPath(relative);
        if (path.empty()) {
            error = {relative, {0, "files/ must hold one folder per drive letter"}};
            return false;
        }
        if (relative.back() == '/')
            machine.files.MakeDirectory(path);
        else
            machine.files.Write(path, entry.second);
    }
    error.file = kRegistryFile;
    if (!ReadRegFile(contents.at(kRegistryFile), machine.registry, error.where))
        return false;
    error.file = kManifestFile;
    if (!ReadManifest(contents.at(kManifestFile), machine, error.where))
        return false;
    error = LoadError();
    return true;
}

bool CanReplaceFolder(const std::string& folder, std::string& problem)
{
    fs::path target = TargetFolder(folder);
    std::error_code code;
    fs::file_status status = fs::symlink_status(target, code);
    if (status.type() == fs::file_type::not_found)
        return true;
    if (status.type() != fs::file_type::directory) {
        problem = folder + " exists and is not a folder: it is left as it is";
        return false;
    }
    bool empty = true, hasRegistry = false, hasManifest = false, strangers = false;
    for (fs::directory_iterator it(target, code), end; it != end && !code; it.increment(code)) {
        std::string name = it->path().filename().string();
        empty = false;
        hasRegistry = hasRegistry || name == kRegistryFile;
        hasManifest = hasManifest || name == kManifestFile;
        std::error_code ignored;
        bool filesFolder = name + "/" == kFilesFolder && it->is_directory(ignored);
        strangers = strangers || (name != kRegistryFile && name != kManifestFile && !filesFolder);
    }
    if (code) {
        problem = folder + ": " + code.message();
        return false;
    }
    if (!empty && (!hasRegistry || !hasManifest || strangers)) {
        problem = folder + " is not a machine folder: it is left as it is";
        return false;
    }
    return true;
}

bool SaveMachine(const Machine& machine, const std::string& folder, std::string& problem)
{
    if (!CanReplaceFolder(folder, problem))
        return false;
    fs::path target = TargetFolder(folder);
    // The new folder is written in full beside the old one and only then takes
    // its place, so a save that fails leaves the old folder as it was.
    fs::path fresh = SiblingFolder(target, "new");
    std::error_code code;
    if (!WriteFolder(machine, fresh, problem)) {
        fs::remove_all(fresh, code);
        return false;
    }
    fs::path old;
    if (fs::exists(target, code)) {
        old = SiblingFolder(target, "old");
        fs::rename(target, old, code);
        if (code) {
            problem = "cannot move " + folder + " aside: " + code.message();
            fs::remove_all(fresh, code);
            return false;
        }
    }
    fs::rename(fresh, target, code);
    if (code) {
        problem = "cannot move the new machine into " + folder + ": " + code.message();
        std::error_code ignored;
        if (!old.empty())
            fs::rename(old, target, ignored);
        fs::remove_all(fresh, ignored);
        return false;
    }
    if (!old.empty())
        fs::remove_all(old, code);
    return true;
}

}  // namespace sim
