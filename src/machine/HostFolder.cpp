#include "machine/HostFolder.h"

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <winternl.h>
#else
#include <dirent.h>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace machine::host {

namespace fs = std::filesystem;

namespace {
// The path as the disk resolves it, compared name by name.
std::vector<std::string> ResolvedNames(const fs::path& path)
{
    std::error_code code;
    fs::path resolved = fs::weakly_canonical(path, code);
    std::vector<std::string> names;
    for (const fs::path& name : (code ? path : resolved).lexically_normal()) {
        std::string text = name.u8string();
#ifdef _WIN32
        for (char& c : text)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
#endif
        if (!text.empty())
            names.push_back(text);
    }
    return names;
}
}  // namespace

bool NestedOrSame(const fs::path& first, const fs::path& second)
{
    std::vector<std::string> a = ResolvedNames(first), b = ResolvedNames(second);
    std::size_t common = std::min(a.size(), b.size());
    return std::equal(a.begin(), a.begin() + static_cast<long>(common), b.begin());
}

#ifdef _WIN32
namespace {
std::string SystemProblem(const fs::path& path, const char* what)
{
    return std::string("cannot ") + what + " " + path.string() + ": error " + std::to_string(::GetLastError());
}
}  // namespace

fs::path FullPath(const fs::path& path)
{
    std::wstring given = path.wstring();
    DWORD size = ::GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    DWORD length = size == 0 ? 0 : ::GetFullPathNameW(given.c_str(), size, &full[0], nullptr);
    if (length == 0 || length >= size)
        return path;
    full.resize(length);
    return fs::path(full);
}

EntryKind KindOf(const fs::path& path)
{
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? EntryKind::kMissing
                                                                               : EntryKind::kOther;
    }
    // Wine shows a Unix symbolic link to a directory this way too.
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return EntryKind::kLink;
    if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0)
        return EntryKind::kOther;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::kDirectory : EntryKind::kFile;
}

bool CreateNewDirectory(const fs::path& path, bool& existed, std::string& problem)
{
    existed = false;
    if (::CreateDirectoryW(path.c_str(), nullptr))
        return true;
    existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
    problem = SystemProblem(path, "create");
    return false;
}

bool WriteNewFile(const fs::path& path, const std::string& bytes, std::string& problem)
{
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        problem = SystemProblem(path, "create");
        return false;
    }
    bool written = true;
    for (std::size_t done = 0; written && done < bytes.size();) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD wrote = 0;
        written = ::WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr) && wrote == chunk;
        done += wrote;
    }
    if (!written)
        problem = SystemProblem(path, "write");
    if (!::CloseHandle(file) && written) {
        problem = SystemProblem(path, "write");
        written = false;
    }
    return written;
}

bool RemoveEntry(const fs::path& path, EntryKind kind, std::string& problem)
{
    bool removed = kind == EntryKind::kDirectory ? ::RemoveDirectoryW(path.c_str()) : ::DeleteFileW(path.c_str());
    if (!removed)
        problem = SystemProblem(path, "remove");
    return removed;
}

bool ExchangeEntries(const fs::path&, const fs::path&, bool& swapped, std::string&)
{
    swapped = false;
    return true;
}

namespace {
// The native calls behind the removal, there on every Windows from XP on
// (the kernel32 wrappers of them only from Vista), looked up in ntdll.
template <typename Function>
Function NativeCall(const char* name)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), name)));
}

// Held on an entry being removed: it keeps the entry from being renamed or
// deleted by anyone else meanwhile (no FILE_SHARE_DELETE), is opened on the
// entry itself, a reparse point included, and lists and deletes it itself.
class RemovalHandle {
public:
    explicit RemovalHandle(const fs::path& path)
        : m_handle(::CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr))
    {
    }
    ~RemovalHandle()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_handle);
    }
    RemovalHandle(const RemovalHandle&) = delete;
    RemovalHandle& operator=(const RemovalHandle&) = delete;
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    EntryKind Kind() const
    {
        BY_HANDLE_FILE_INFORMATION information = {};
        if (!::GetFileInformationByHandle(m_handle, &information))
            return EntryKind::kOther;
        if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            return EntryKind::kLink;
        return (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::kDirectory
                                                                              : EntryKind::kFile;
    }
    // The names the directory holds, read on this handle.
    bool Names(std::vector<std::wstring>& names) const
    {
        using QueryDirectory = LONG(NTAPI*)(HANDLE, HANDLE, void*, void*, IO_STATUS_BLOCK*, void*, ULONG,
                                            FILE_INFORMATION_CLASS, BOOLEAN, UNICODE_STRING*, BOOLEAN);
        const LONG kNoMoreFiles = static_cast<LONG>(0x80000006L);
        auto query = NativeCall<QueryDirectory>("NtQueryDirectoryFile");
        if (query == nullptr)
            return false;
        std::vector<ULONGLONG> buffer(8192);
        for (BOOLEAN restart = TRUE;; restart = FALSE) {
            IO_STATUS_BLOCK status = {};
            LONG result = query(m_handle, nullptr, nullptr, nullptr, &status, buffer.data(),
                                static_cast<ULONG>(buffer.size() * sizeof buffer[0]), FileDirectoryInformation, FALSE,
                                nullptr, restart);
            if (result == kNoMoreFiles)
                return true;
            if (result < 0)
                return false;
            const char* at = reinterpret_cast<const char*>(buffer.data());
            for (;;) {
                auto entry = reinterpret_cast<const FILE_DIRECTORY_INFORMATION*>(at);
                std::wstring name(entry->FileName, entry->FileNameLength / sizeof(WCHAR));
                if (name != L"." && name != L"..")
                    names.push_back(name);
                if (entry->NextEntryOffset == 0)
                    break;
                at += entry->NextEntryOffset;
            }
        }
    }
    // Marks the entry for deletion when the handle closes.
    bool MarkForDeletion() const
    {
        using SetInformation = LONG(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, FILE_INFORMATION_CLASS);
        auto setInformation = NativeCall<SetInformation>("NtSetInformationFile");
        IO_STATUS_BLOCK status = {};
        BOOLEAN deleteFile = TRUE;
        if (setInformation == nullptr ||
            setInformation(m_handle, &status, &deleteFile, sizeof deleteFile,
                           static_cast<FILE_INFORMATION_CLASS>(kFileDispositionInformation)) < 0) {
            ::SetLastError(ERROR_ACCESS_DENIED);
            return false;
        }
        return true;
    }

private:
    static const int kFileDispositionInformation = 13;
    HANDLE m_handle;
};

bool RemoveChecked(const fs::path& path, const std::string& relative, const RemovalCheck& check,
                   const BeforeRemoval& beforeRemoval, std::string& problem)
{
    RemovalHandle entry(path);
    if (!entry.IsOpen()) {
        problem = SystemProblem(path, "open");
        return false;
    }
    EntryKind kind = entry.Kind();
    problem = check(relative, kind);
    if (!problem.empty())
        return false;
    if (kind == EntryKind::kDirectory) {
        // The held handle keeps this directory at its name while its entries go.
        std::vector<std::wstring> names;
        if (!entry.Names(names)) {
            problem = SystemProblem(path, "read");
            return false;
        }
        for (const std::wstring& name : names) {
            std::string inner = (relative.empty() ? "" : relative + "/") + fs::path(name).u8string();
            if (!RemoveChecked(path / name, inner, check, beforeRemoval, problem))
                return false;
        }
    }
    if (beforeRemoval)
        beforeRemoval(path);
    if (!entry.MarkForDeletion()) {
        problem = SystemProblem(path, "remove");
        return false;
    }
    return true;
}
}  // namespace

bool RemoveTree(const fs::path& folder, const RemovalCheck& check, std::string& problem,
                const BeforeRemoval& beforeRemoval)
{
    auto folderItself = [&](const std::string& relative, EntryKind kind) {
        if (!relative.empty())
            return check(relative, kind);
        return kind == EntryKind::kDirectory ? std::string() : folder.u8string() + " is not a plain directory";
    };
    return RemoveChecked(folder, std::string(), folderItself, beforeRemoval, problem);
}
#else
namespace {
std::string SystemProblem(const fs::path& path, const char* what)
{
    return std::string("cannot ") + what + " " + path.string() + ": " + std::strerror(errno);
}
}  // namespace

fs::path FullPath(const fs::path& path)
{
    std::error_code ignored;
    return fs::absolute(path, ignored).lexically_normal();
}

EntryKind KindOf(const fs::path& path)
{
    struct stat status = {};
    if (::lstat(path.c_str(), &status) != 0)
        return errno == ENOENT || errno == ENOTDIR ? EntryKind::kMissing : EntryKind::kOther;
    if (S_ISLNK(status.st_mode))
        return EntryKind::kLink;
    if (S_ISDIR(status.st_mode))
        return EntryKind::kDirectory;
    return S_ISREG(status.st_mode) ? EntryKind::kFile : EntryKind::kOther;
}

bool CreateNewDirectory(const fs::path& path, bool& existed, std::string& problem)
{
    existed = false;
    if (::mkdir(path.c_str(), 0777) == 0)
        return true;
    existed = errno == EEXIST;
    problem = SystemProblem(path, "create");
    return false;
}

bool WriteNewFile(const fs::path& path, const std::string& bytes, std::string& problem)
{
    int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (file < 0) {
        problem = SystemProblem(path, "create");
        return false;
    }
    bool written = true;
    for (std::size_t done = 0; written && done < bytes.size();) {
        ssize_t wrote = ::write(file, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        written = wrote > 0;
        done += written ? static_cast<std::size_t>(wrote) : 0;
    }
    if (!written)
        problem = SystemProblem(path, "write");
    if (::close(file) != 0 && written) {
        problem = SystemProblem(path, "write");
        written = false;
    }
    return written;
}

bool RemoveEntry(const fs::path& path, EntryKind kind, std::string& problem)
{
    bool removed = (kind == EntryKind::kDirectory ? ::rmdir(path.c_str()) : ::unlink(path.c_str())) == 0;
    if (!removed)
        problem = SystemProblem(path, "remove");
    return removed;
}
bool ExchangeEntries(const fs::path& first, const fs::path& second, bool& swapped, std::string& problem)
{
    swapped = ::renameat2(AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(), RENAME_EXCHANGE) == 0;
    if (swapped || errno == EINVAL || errno == ENOSYS || errno == ENOTSUP)
        return true;
    problem = SystemProblem(second, "replace");
    return false;
}

namespace {
EntryKind KindOfMode(mode_t mode)
{
    if (S_ISLNK(mode))
        return EntryKind::kLink;
    if (S_ISDIR(mode))
        return EntryKind::kDirectory;
    return S_ISREG(mode) ? EntryKind::kFile : EntryKind::kOther;
}

class Descriptor {
public:
    explicit Descriptor(int descriptor) : m_descriptor(descriptor) {}
    ~Descriptor()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_descriptor; }

private:
    int m_descriptor;
};

// The names an open directory holds, read through a descriptor of its own.
bool ListNames(int directory, const fs::path& path, std::vector<std::string>& names, std::string& problem)
{
    DIR* listing = ::fdopendir(::openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (listing == nullptr) {
        problem = SystemProblem(path, "read");
        return false;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(listing)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    bool read = errno == 0;
    if (!read)
        problem = SystemProblem(path, "read");
    ::closedir(listing);
    return read;
}

// Removes what the open directory holds, each entry checked on `directory`
// and, for a directory, on the descriptor opened on it without following a link.
bool RemoveContents(int directory, const fs::path& path, const std::string& relative, const RemovalCheck& check,
                    const BeforeRemoval& beforeRemoval, std::string& problem)
{
    std::vector<std::string> names;
    if (!ListNames(directory, path, names, problem))
        return false;
    for (const std::string& name : names) {
        fs::path entryPath = path / name;
        std::string entryRelative = (relative.empty() ? "" : relative + "/") + name;
        struct stat status = {};
        if (::fstatat(directory, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            problem = SystemProblem(entryPath, "examine");
            return false;
        }
        EntryKind kind = KindOfMode(status.st_mode);
        problem = check(entryRelative, kind);
        if (!problem.empty())
            return false;
        if (beforeRemoval)
            beforeRemoval(entryPath);
        if (kind == EntryKind::kDirectory) {
            Descriptor inner(::openat(directory, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            struct stat opened = {};
            if (inner.Get() < 0 || ::fstat(inner.Get(), &opened) != 0) {
                problem = SystemProblem(entryPath, "open");
                return false;
            }
            if (opened.st_dev != status.st_dev || opened.st_ino != status.st_ino) {
                problem = entryPath.u8string() + " was replaced while it was being removed: it is left as it is";
                return false;
            }
            if (!RemoveContents(inner.Get(), entryPath, entryRelative, check, beforeRemoval, problem))
                return false;
        }
        // Unlinking never follows a link: at worst a link put here meanwhile goes, not what it names.
        if (::unlinkat(directory, name.c_str(), kind == EntryKind::kDirectory ? AT_REMOVEDIR : 0) != 0) {
            problem = SystemProblem(entryPath, "remove");
            return false;
        }
    }
    return true;
}
}  // namespace

bool RemoveTree(const fs::path& folder, const RemovalCheck& check, std::string& problem,
                const BeforeRemoval& beforeRemoval)
{
    fs::path parent = folder.has_parent_path() ? folder.parent_path() : fs::path(".");
    Descriptor above(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (above.Get() < 0) {
        problem = SystemProblem(parent, "open");
        return false;
    }
    std::string name = folder.filename().string();
    Descriptor root(::openat(above.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (root.Get() < 0) {
        problem = errno == ELOOP || errno == ENOTDIR ? folder.u8string() + " is not a plain directory"
                                                     : SystemProblem(folder, "open");
        return false;
    }
    if (!RemoveContents(root.Get(), folder, std::string(), check, beforeRemoval, problem))
        return false;
    if (beforeRemoval)
        beforeRemoval(folder);
    if (::unlinkat(above.Get(), name.c_str(), AT_REMOVEDIR) != 0) {
        problem = SystemProblem(folder, "remove");
        return false;
    }
    return true;
}
#endif

}  // namespace machine::host
