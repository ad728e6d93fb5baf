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

// "files/C/WINDOWS/hosts" -> "C:\WINDOWS\hosts"; "" when the path names no drive.
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

// "C:\WINDOWS\hosts" -> "files/C/WINDOWS/hosts"
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

bool WriteWhole(const fs::path& path, const std::string& bytes, std::string& problem)
{
    std::error_code ignored;
    fs::create_directories(path.parent_path(), ignored);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        problem = "cannot write " + path.string();
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
        if (!it->is_regular_file())
            continue;
        std::string relative = fs::relative(it->path(), folder).generic_string();
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

bool SaveMachine(const Machine& machine, const std::string& folder, std::string& problem)
{
    fs::path root(folder);
    std::error_code ignored;
    fs::remove_all(root / "files", ignored);
    if (!WriteWhole(root / kRegistryFile, WriteRegFile(machine.registry), problem) ||
        !WriteWhole(root / kManifestFile, WriteManifest(machine), problem))
        return false;
    for (const auto& entry : machine.files.Directories())
        fs::create_directories(root / FolderPath(entry.second), ignored);
    for (const auto& entry : machine.files.Files()) {
        if (!WriteWhole(root / FolderPath(entry.second.path), entry.second.bytes, problem))
            return false;
    }
    return true;
}

}  // namespace sim
