#include "machine/FileSystem.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "machine/Registry.h"
#include "machine/TextEncodings.h"
#include "machine/WindowsNames.h"

namespace machine {

namespace {
std::string Normalise(const std::string& path)
{
    // Most paths come so already: taken whole rather than letter by letter.
    bool usual = !(path.size() > 3 && path.back() == '\\');
    for (std::size_t i = 0; usual && i < path.size(); ++i)
        usual = path[i] != '/' && !(path[i] == '\\' && i + 1 < path.size() && path[i + 1] == '\\');
    if (usual)
        return path;
    std::string out;
    for (char c : path) {
        if (c == '/')
            c = '\\';
        if (c == '\\' && !out.empty() && out.back() == '\\')
            continue;
        out += c;
    }
    if (out.size() > 3 && out.back() == '\\')
        out.pop_back();
    return out;
}
}  // namespace

std::string FileSystem::Key(const std::string& path)
{
    return UpperCase(Normalise(path));
}

std::string FileSystem::Parent(const std::string& path)
{
    std::string normal = Normalise(path);
    std::string::size_type slash = normal.rfind('\\');
    if (slash == std::string::npos)
        return std::string();
    return normal.substr(0, slash == 2 ? 3 : slash);
}

std::string FileSystem::PathProblem(const std::string& path)
{
    const std::size_t kLongestPath = 32767;  // the longest path Windows takes, in characters
    const std::size_t kLongestName = 255;    // the longest name of a file or directory, in characters
    if (path.size() < 3 || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':' ||
        (path[2] != '\\' && path[2] != '/'))
        return "it is not a full path \"X:\\...\" on a drive";
    if (Utf16Length(path) > kLongestPath)
        return "it is longer than the " + std::to_string(kLongestPath) + " characters a Windows path can have";
    std::string part;
    for (std::size_t i = 3; i <= path.size(); ++i) {
        char c = i < path.size() ? path[i] : '\\';
        if (c == '\\' || c == '/') {
            if (part == "." || part == "..")
                return "its \"" + part + "\" part leads out of its folder";
            if (Utf16Length(part) > kLongestName)
                return "a name in it is longer than the " + std::to_string(kLongestName) +
                       " characters a Windows name can have";
            if (!DeviceNameProblem(part).empty())
                return DeviceNameProblem(part);
            // Windows drops them, and the name would be another's.
            if (!part.empty() && (part.back() == '.' || part.back() == ' '))
                return "its name \"" + part + "\" ends in a dot or a space, which Windows leaves out";
            part.clear();
            continue;
        }
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", byte);
            return std::string("it holds the control character ") + code;
        }
        if (std::strchr("<>:\"|?*", c) != nullptr)
            return std::string("it holds '") + c + "', which no Windows name holds";
        part += c;
    }
    return std::string();
}

SimFile* FileSystem::Find(const std::string& path)
{
    auto found = m_files.find(Key(path));
    return found == m_files.end() ? nullptr : &found->second;
}

const SimFile* FileSystem::Find(const std::string& path) const
{
    auto found = m_files.find(Key(path));
    return found == m_files.end() ? nullptr : &found->second;
}

bool FileSystem::DirectoryExists(const std::string& path) const
{
    std::string key = Key(path);
    // A drive root always exists.
    if (key.size() <= 3 && key.size() >= 2 && key[1] == ':')
        return true;
    return m_directories.count(key) > 0;
}

std::string FileSystem::FileClash(const std::string& path) const
{
    std::string normal = Normalise(path);
    if (normal.size() <= 3)
        return normal;
    if (DirectoryExists(normal))
        return m_directories.at(Key(normal));
    // Up to the first directory there: a directory's own are directories too.
    for (std::string parent = Parent(normal); parent.size() > 3 && !DirectoryExists(parent); parent = Parent(parent)) {
        if (const SimFile* file = Find(parent))
            return file->path;
    }
    return std::string();
}

std::string FileSystem::Spelled(const std::string& path) const
{
    std::string normal = Normalise(path);
    std::string::size_type slash = normal.rfind('\\');
    if (normal.size() <= 3 || slash == std::string::npos)
        return normal;
    // Its directory as the disk spells it (each directory is kept so), and its own name.
    auto directory = m_directories.find(Key(Parent(normal)));
    if (directory == m_directories.end())
        return normal;
    return directory->second + normal.substr(slash);
}

void FileSystem::MakeDirectory(const std::string& path)
{
    // The directories not there yet, from the deepest up; then each made
    // beneath its parent's spelling, so every directory keeps the whole path
    // as the disk spells it.
    std::vector<std::string> missing;
    for (std::string normal = Normalise(path); normal.size() > 3 && !DirectoryExists(normal); normal = Parent(normal))
        missing.push_back(normal);
    for (auto made = missing.rbegin(); made != missing.rend(); ++made)
        m_directories.emplace(Key(*made), Spelled(*made));
}

SimFile& FileSystem::Write(const std::string& path, const std::string& bytes)
{
    std::string normal = Normalise(path);
    MakeDirectory(Parent(normal));
    SimFile& file = m_files[Key(normal)];
    if (file.path.empty())
        file.path = normal;
    file.bytes = bytes;
    return file;
}

bool FileSystem::Remove(const std::string& path)
{
    ++m_generation;
    m_security.erase(Key(path));
    return m_files.erase(Key(path)) > 0;
}

bool FileSystem::Rename(const std::string& from, const std::string& to)
{
    auto found = m_files.find(Key(from));
    if (found == m_files.end())
        return false;
    SimFile moved = found->second;
    ++m_generation;
    m_files.erase(found);
    moved.path = Normalise(to);
    MakeDirectory(Parent(moved.path));
    m_files[Key(to)] = moved;
    auto security = m_security.find(Key(from));
    if (security != m_security.end()) {
        std::string descriptor = security->second;
        m_security.erase(security);
        m_security[Key(to)] = descriptor;
    } else {
        m_security.erase(Key(to));
    }
    return true;
}

void FileSystem::RenameDirectory(const std::string& from, const std::string& to)
{
    ++m_generation;
    std::string fromKey = Key(from), toNormal = Normalise(to);
    // Each entry at or below `from`, with its path moved under `to`.
    auto below = [&fromKey](const std::string& key) {
        return key == fromKey || (key.size() > fromKey.size() && key.compare(0, fromKey.size(), fromKey) == 0 &&
                                  key[fromKey.size()] == '\\');
    };
    auto moved = [&](const std::string& path) { return toNormal + Normalise(path).substr(fromKey.size()); };
    std::map<std::string, std::string> directories, security;
    for (auto entry = m_directories.begin(); entry != m_directories.end();) {
        if (below(entry->first)) {
            directories[Key(moved(entry->second))] = moved(entry->second);
            entry = m_directories.erase(entry);
        } else {
            ++entry;
        }
    }
    std::map<std::string, SimFile> files;
    for (auto entry = m_files.begin(); entry != m_files.end();) {
        if (below(entry->first)) {
            SimFile file = entry->second;
            file.path = moved(file.path);
            files[Key(file.path)] = file;
            entry = m_files.erase(entry);
        } else {
            ++entry;
        }
    }
    for (auto entry = m_security.begin(); entry != m_security.end();) {
        if (below(entry->first)) {
            security[Key(moved(entry->first))] = entry->second;
            entry = m_security.erase(entry);
        } else {
            ++entry;
        }
    }
    m_directories.insert(directories.begin(), directories.end());
    m_files.insert(files.begin(), files.end());
    m_security.insert(security.begin(), security.end());
    MakeDirectory(toNormal);
}

std::string FileSystem::SecurityOf(const std::string& path) const
{
    auto found = m_security.find(Key(path));
    return found == m_security.end() ? std::string() : found->second;
}

void FileSystem::SetSecurity(const std::string& path, const std::string& descriptor)
{
    m_security[Key(path)] = descriptor;
}

bool FileSystem::operator==(const FileSystem& other) const
{
    if (m_files.size() != other.m_files.size() || m_directories.size() != other.m_directories.size())
        return false;
    for (const auto& entry : m_directories) {
        if (other.m_directories.count(entry.first) == 0)
            return false;
    }
    for (const auto& entry : m_files) {
        const SimFile* theirs = other.Find(entry.second.path);
        if (theirs == nullptr || theirs->bytes != entry.second.bytes ||
            theirs->attributes != entry.second.attributes || theirs->version != entry.second.version)
            return false;
    }
    return true;
}

}  // namespace machine
