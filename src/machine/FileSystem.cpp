#include "machine/FileSystem.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <vector>

#include "machine/Registry.h"
#include "machine/TextEncodings.h"
#include "machine/WindowsNames.h"

namespace machine {

namespace {
// Whether a path is in the form Normalise gives it already, as most are.
bool IsNormal(std::string_view path)
{
    return !(path.size() > 3 && path.back() == '\\') && path.find('/') == std::string_view::npos &&
           path.find("\\\\") == std::string_view::npos;
}

std::string Normalise(std::string_view path)
{
    // Most paths come so already: taken whole rather than letter by letter.
    if (IsNormal(path))
        return std::string(path);
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

// The directory of a path in Normalise's form, in that form; "" for none.
std::string_view ParentOf(std::string_view normal)
{
    std::string_view::size_type slash = normal.rfind('\\');
    if (slash == std::string_view::npos)
        return std::string_view();
    return normal.substr(0, slash == 2 ? 3 : slash);
}
}  // namespace

FileSystem::FileSystem(const FileSystem& other)
    : m_files(other.m_files), m_directories(other.m_directories), m_security(other.m_security),
      m_generation(other.m_generation)
{
    Reindex();
}

// A whole new content: every file found before is gone.
FileSystem& FileSystem::operator=(const FileSystem& other)
{
    if (this != &other) {
        unsigned long generation = std::max(m_generation, other.m_generation) + 1;
        m_files = other.m_files;
        m_directories = other.m_directories;
        m_security = other.m_security;
        m_generation = generation;
        Reindex();
    }
    return *this;
}

FileSystem& FileSystem::operator=(FileSystem&& other)
{
    if (this != &other) {
        unsigned long generation = std::max(m_generation, other.m_generation) + 1;
        m_files = std::move(other.m_files);
        m_fileIndex = std::move(other.m_fileIndex);
        m_directories = std::move(other.m_directories);
        m_security = std::move(other.m_security);
        m_generation = generation;
    }
    return *this;
}

void FileSystem::Reindex()
{
    m_fileIndex.Clear();
    m_fileIndex.Reserve(m_files.size());
    for (auto file = m_files.begin(); file != m_files.end(); ++file)
        Index(file);
}

std::string FileSystem::Key(const std::string& path)
{
    return UpperCase(Normalise(path));
}

std::string FileSystem::Parent(const std::string& path)
{
    return std::string(IsNormal(path) ? ParentOf(path) : ParentOf(Normalise(path)));
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
    std::size_t start = 3;
    for (std::size_t i = 3; i <= path.size(); ++i) {
        char c = i < path.size() ? path[i] : '\\';
        if (c == '\\' || c == '/') {
            std::string_view part(path.data() + start, i - start);
            start = i + 1;
            if (part == "." || part == "..")
                return "its \"" + std::string(part) + "\" part leads out of its folder";
            // No byte counts for more than two UTF-16 units: a short name is counted by its bytes alone.
            if (part.size() * 2 > kLongestName && Utf16Length(std::string(part)) > kLongestName)
                return "a name in it is longer than the " + std::to_string(kLongestName) +
                       " characters a Windows name can have";
            std::string device = DeviceNameProblem(part);
            if (!device.empty())
                return device;
            // Windows drops them, and the name would be another's.
            if (!part.empty() && (part.back() == '.' || part.back() == ' '))
                return "its name \"" + std::string(part) + "\" ends in a dot or a space, which Windows leaves out";
            continue;
        }
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", byte);
            return std::string("it holds the control character ") + code;
        }
        if (c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' || c == '*')
            return std::string("it holds '") + c + "', which no Windows name holds";
    }
    return std::string();
}

SimFile* FileSystem::Indexed(const std::string& key) const
{
    const FileMap::iterator* found = m_fileIndex.Find(key, KeyOf{});
    return found == nullptr ? nullptr : &(*found)->second;
}

SimFile* FileSystem::Find(const std::string& path)
{
    return Indexed(Key(path));
}

const SimFile* FileSystem::Find(const std::string& path) const
{
    return Indexed(Key(path));
}

SimFile* FileSystem::FindKey(const std::string& key)
{
    return Indexed(key);
}

const SimFile* FileSystem::FindKey(const std::string& key) const
{
    return Indexed(key);
}

bool FileSystem::DirectoryKeyExists(const std::string& key) const
{
    // A drive root always exists.
    if (key.size() <= 3 && key.size() >= 2 && key[1] == ':')
        return true;
    return m_directories.count(key) > 0;
}

bool FileSystem::DirectoryExists(const std::string& path) const
{
    return DirectoryKeyExists(Key(path));
}

std::string FileSystem::FileClash(const std::string& path) const
{
    std::string normal = Normalise(path);
    if (normal.size() <= 3)
        return normal;
    std::string key = UpperCase(normal);
    if (DirectoryKeyExists(key))
        return m_directories.at(key);
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
    MakeNormalDirectory(Normalise(path));
}

void FileSystem::MakeNormalDirectory(std::string normal)
{
    // The directories not there yet, from the deepest up; then each made
    // beneath its parent's spelling, so every directory keeps the whole path
    // as the disk spells it.
    std::vector<std::string> missing;
    for (; normal.size() > 3 && !DirectoryExists(normal); normal = Parent(normal))
        missing.push_back(normal);
    for (auto made = missing.rbegin(); made != missing.rend(); ++made)
        m_directories.emplace(Key(*made), Spelled(*made));
}

SimFile& FileSystem::Write(const std::string& path, const std::string& bytes)
{
    std::string normal = Normalise(path);
    MakeNormalDirectory(std::string(ParentOf(normal)));
    std::string key = UpperCase(normal);
    // One walk down the sorted files finds the file or the place for it.
    auto file = m_files.lower_bound(key);
    if (file == m_files.end() || file->first != key) {
        file = m_files.emplace_hint(file, std::move(key), SimFile());
        Index(file);
        file->second.path = std::move(normal);
    }
    file->second.bytes = bytes;
    return file->second;
}

void FileSystem::Reserve(std::size_t files)
{
    m_fileIndex.Reserve(files);
}

bool FileSystem::Remove(const std::string& path)
{
    ++m_generation;
    std::string key = Key(path);
    m_security.erase(key);
    std::optional<FileMap::iterator> file = m_fileIndex.Remove(key, KeyOf{});
    if (!file)
        return false;
    m_files.erase(*file);
    return true;
}

bool FileSystem::Rename(const std::string& from, const std::string& to)
{
    std::string fromKey = Key(from);
    std::optional<FileMap::iterator> source = m_fileIndex.Remove(fromKey, KeyOf{});
    if (!source)
        return false;
    SimFile moved = std::move((*source)->second);
    ++m_generation;
    m_files.erase(*source);
    moved.path = Normalise(to);
    MakeNormalDirectory(std::string(ParentOf(moved.path)));
    std::string toKey = UpperCase(moved.path);
    if (SimFile* target = Indexed(toKey)) {
        *target = std::move(moved);
    } else {
        Index(m_files.emplace(toKey, std::move(moved)).first);
    }
    auto security = m_security.find(fromKey);
    if (security != m_security.end()) {
        std::string descriptor = security->second;
        m_security.erase(security);
        m_security[toKey] = descriptor;
    } else {
        m_security.erase(toKey);
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
    FileMap files;
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
    Reindex();
    MakeDirectory(toNormal);
}

std::string FileSystem::SecurityOf(const std::string& path) const
{
    return SecurityOfKey(Key(path));
}

std::string FileSystem::SecurityOfKey(const std::string& key) const
{
    auto found = m_security.find(key);
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
