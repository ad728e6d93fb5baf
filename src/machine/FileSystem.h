// The simulated machine's disks: files and directories by Windows path.
// Paths compare case-insensitively and keep the case they were created with.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "machine/NameIndex.h"
#include "platform/WinTypes.h"

namespace machine {

struct SimFile {
    std::string path;  // as created, e.g. "C:\WINDOWS\system32\drivers\etc\hosts"
    std::string bytes;
    DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
    std::string version;  // "a.b.c.d" for a file with a version resource, else ""
};

class FileSystem {
public:
    FileSystem() = default;
    FileSystem(const FileSystem& other);
    FileSystem& operator=(const FileSystem& other);
    FileSystem(FileSystem&&) = default;
    FileSystem& operator=(FileSystem&& other);

    // "c:/x//Y\" and "C:\x\y" name the same place; the key is upper-case with single backslashes.
    static std::string Key(const std::string& path);
    static std::string Parent(const std::string& path);
    // A full path on a drive, "X:\..." (or with '/'): no relative, UNC or device
    // path, no "." or ".." part that could lead out of the drive's folder, and
    // only characters a Windows name can hold, within the length Windows allows.
    static bool IsDrivePath(const std::string& path) { return PathProblem(path).empty(); }
    // Why a path is no such path ("it holds the control character 0x0A"); "" when it is one.
    static std::string PathProblem(const std::string& path);

    SimFile* Find(const std::string& path);
    const SimFile* Find(const std::string& path) const;
    bool DirectoryExists(const std::string& path) const;
    // The same, by a key Key() gave, for a caller that holds one.
    SimFile* FindKey(const std::string& key);
    const SimFile* FindKey(const std::string& key) const;
    bool DirectoryKeyExists(const std::string& key) const;
    // Where a file at `path` cannot go: the path of a directory standing there,
    // or of a file standing where one of its directories would; "" when the
    // place is free or holds a file. A drive's root is never a file's place.
    std::string FileClash(const std::string& path) const;
    // The path as the disk spells it: each directory as it was first created.
    std::string Spelled(const std::string& path) const;

    // Creates the file (and its directories) or replaces its content.
    SimFile& Write(const std::string& path, const std::string& bytes);
    // Makes room for this many files in all, for a caller about to write many.
    void Reserve(std::size_t files);
    void MakeDirectory(const std::string& path);
    bool Remove(const std::string& path);
    // Moves a file to a new name; false when the source is missing.
    bool Rename(const std::string& from, const std::string& to);
    // Moves a directory, with all it holds, to a new name in the same parent.
    void RenameDirectory(const std::string& from, const std::string& to);
    // A file's or folder's security descriptor, self-relative, as set; ""
    // for one never set (the machine's default).
    std::string SecurityOf(const std::string& path) const;
    std::string SecurityOfKey(const std::string& key) const;  // by a key Key() gave
    void SetSecurity(const std::string& path, const std::string& descriptor);
    // Counts removals, renames and replacements of the whole, after which a
    // file found earlier may be gone.
    unsigned long Generation() const { return m_generation; }

    const std::map<std::string, SimFile>& Files() const { return m_files; }
    const std::map<std::string, std::string>& Directories() const { return m_directories; }

    bool operator==(const FileSystem& other) const;

private:
    using FileMap = std::map<std::string, SimFile>;

    SimFile* Indexed(const std::string& key) const;
    // Makes a directory given in Normalise's form, and those above it.
    void MakeNormalDirectory(std::string normal);
    struct KeyOf {
        std::string_view operator()(FileMap::iterator file) const { return file->first; }
    };
    void Index(FileMap::iterator file) { m_fileIndex.Add(file, KeyOf{}); }
    void Reindex();

    FileMap m_files;                                    // by key, in the order of the keys
    // The same files hashed by key, so that a look-up among many files takes
    // one hash rather than a walk down the map. Its keys are the map's own
    // (a map's entries never move), so a copy indexes its own map afresh.
    HashedNames<FileMap::iterator> m_fileIndex;
    std::map<std::string, std::string> m_directories;  // key -> path as created
    std::map<std::string, std::string> m_security;     // key -> security descriptor
    unsigned long m_generation = 0;
};

}  // namespace machine
