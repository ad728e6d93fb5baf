#include "machine/HeldEntry.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#include <winternl.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace machine::host {

namespace fs = std::filesystem;

HeldEntry::~HeldEntry() { Close(); }

HeldEntry::HeldEntry(HeldEntry&& other) noexcept { *this = std::move(other); }

#ifdef _WIN32
namespace {
std::string SystemProblem(const fs::path& path, const char* what, DWORD error = ::GetLastError())
{
    return std::string("cannot ") + what + " " + path.u8string() + ": error " + std::to_string(error);
}

// The native calls, there on every Windows from XP on (some kernel32
// wrappers of them only from Vista), looked up in ntdll.
template <typename Function>
Function NativeCall(const char* name)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), name)));
}

DWORD ErrorOfStatus(LONG status)
{
    auto convert = NativeCall<ULONG(NTAPI*)(LONG)>("RtlNtStatusToDosError");
    return convert == nullptr ? ERROR_ACCESS_DENIED : convert(status);
}

const FILE_INFORMATION_CLASS kFileNameInformation = static_cast<FILE_INFORMATION_CLASS>(9);
const FILE_INFORMATION_CLASS kFileRenameInformation = static_cast<FILE_INFORMATION_CLASS>(10);
const FILE_INFORMATION_CLASS kFileDispositionInformation = static_cast<FILE_INFORMATION_CLASS>(13);
using QueryInformation = LONG(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, FILE_INFORMATION_CLASS);
using SetInformation = QueryInformation;

// The path the handle leads to on its volume ("\Users\x\m"), as the system
// resolved it: through a link it is the link's target (Wine too gives the
// target's name for a Unix link it opened as its target).
bool HandleName(HANDLE handle, std::wstring& name)
{
    auto query = NativeCall<QueryInformation>("NtQueryInformationFile");
    if (query == nullptr)
        return false;
    std::vector<ULONG> buffer(1024);
    for (;;) {
        IO_STATUS_BLOCK status = {};
        LONG result = query(handle, &status, buffer.data(), static_cast<ULONG>(buffer.size() * sizeof(ULONG)),
                            kFileNameInformation);
        const LONG kBufferOverflow = static_cast<LONG>(0x80000005L);
        if (result == kBufferOverflow && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 4);
            continue;
        }
        if (result < 0)
            return false;
        ULONG bytes = std::min<ULONG>(buffer[0], static_cast<ULONG>((buffer.size() - 1) * sizeof(ULONG)));
        name.assign(reinterpret_cast<const wchar_t*>(buffer.data() + 1), bytes / sizeof(wchar_t));
        return true;
    }
}

// Two names the way the volume compares them: case-insensitive, by the
// system's own table.
bool SameName(const std::wstring& first, const std::wstring& second)
{
    auto equal = NativeCall<BOOLEAN(NTAPI*)(const UNICODE_STRING*, const UNICODE_STRING*, BOOLEAN)>(
        "RtlEqualUnicodeString");
    if (equal == nullptr || first.size() != second.size() || first.size() > 0x7FFF)
        return false;
    UNICODE_STRING a = {static_cast<USHORT>(first.size() * 2), static_cast<USHORT>(first.size() * 2),
                        const_cast<wchar_t*>(first.data())};
    UNICODE_STRING b = {static_cast<USHORT>(second.size() * 2), static_cast<USHORT>(second.size() * 2),
                        const_cast<wchar_t*>(second.data())};
    return equal(&a, &b, TRUE) != FALSE;
}

EntryKind KindOfAttributes(DWORD attributes)
{
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return EntryKind::kLink;
    if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0)
        return EntryKind::kOther;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::kDirectory : EntryKind::kFile;
}
}  // namespace

HeldEntry& HeldEntry::operator=(HeldEntry&& other) noexcept
{
    if (this != &other) {
        Close();
        m_handle = std::exchange(other.m_handle, nullptr);
        m_name = std::move(other.m_name);
        m_kind = std::exchange(other.m_kind, EntryKind::kMissing);
    }
    return *this;
}

void HeldEntry::Close()
{
    if (m_handle != nullptr)
        ::CloseHandle(m_handle);
    m_handle = nullptr;
}

bool HeldEntry::Take(void* handle, const fs::path& path, unsigned long& attributes, std::string& problem)
{
    *this = HeldEntry();
    m_handle = handle;
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!::GetFileInformationByHandle(handle, &information) || !HandleName(handle, m_name)) {
        problem = SystemProblem(path, "examine");
        return false;
    }
    attributes = information.dwFileAttributes;
    return true;
}

bool HeldEntry::OpenFollowing(const fs::path& folder, HeldEntry& opened, std::string& problem)
{
    HANDLE handle = ::CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        problem = SystemProblem(folder, "open");
        return false;
    }
    DWORD attributes = 0;
    if (!opened.Take(handle, folder, attributes, problem))
        return false;
    opened.m_kind = KindOfAttributes(attributes & ~FILE_ATTRIBUTE_REPARSE_POINT);
    if (opened.m_kind != EntryKind::kDirectory) {
        problem = folder.u8string() + " is not a directory";
        return false;
    }
    return true;
}

bool HeldEntry::OpenChild(const Listed& listed, Purpose purpose, const fs::path& path, HeldEntry& child,
                          std::string& problem) const
{
    using CreateFile = LONG(NTAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*, IO_STATUS_BLOCK*, LARGE_INTEGER*,
                                    ULONG, ULONG, ULONG, ULONG, void*, ULONG);
    const ULONG kOpen = 1, kSynchronousIo = 0x20, kBackupIntent = 0x4000, kOpenReparsePoint = 0x200000;
    auto create = NativeCall<CreateFile>("NtCreateFile");
    if (create == nullptr || listed.name.size() > 0x7FFF) {
        problem = SystemProblem(path, "open", ERROR_INVALID_NAME);
        return false;
    }
    UNICODE_STRING name = {static_cast<USHORT>(listed.name.size() * 2), static_cast<USHORT>(listed.name.size() * 2),
                           const_cast<wchar_t*>(listed.name.data())};
    OBJECT_ATTRIBUTES attributes = {};
    attributes.Length = sizeof attributes;
    attributes.RootDirectory = m_handle;
    attributes.ObjectName = &name;
    attributes.Attributes = OBJ_CASE_INSENSITIVE;
    // Held without delete sharing: no one renames or removes the entry meanwhile.
    ACCESS_MASK access = FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE |
                         (purpose == Purpose::kRemove ? DELETE : 0);
    HANDLE handle = nullptr;
    IO_STATUS_BLOCK status = {};
    LONG result = create(&handle, access, &attributes, &status, nullptr, 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         kOpen, kOpenReparsePoint | kBackupIntent | kSynchronousIo, nullptr, 0);
    if (result < 0) {
        problem = SystemProblem(path, "open", ErrorOfStatus(result));
        return false;
    }
    DWORD fileAttributes = 0;
    if (!child.Take(handle, path, fileAttributes, problem))
        return false;
    child.m_kind = KindOfAttributes(fileAttributes);
    // Where the handle cannot tell (Wine opens a Unix link as its target), the
    // name tells: the listing shows a link, or the handle leads elsewhere.
    std::wstring expected = m_name + (m_name.empty() || m_name.back() != L'\\' ? L"\\" : L"") + listed.name;
    if (listed.linkByName || !SameName(child.m_name, expected))
        child.m_kind = EntryKind::kLink;
    return true;
}

bool HeldEntry::Names(std::vector<Listed>& names, const fs::path& path, std::string& problem) const
{
    using QueryDirectory = LONG(NTAPI*)(HANDLE, HANDLE, void*, void*, IO_STATUS_BLOCK*, void*, ULONG,
                                        FILE_INFORMATION_CLASS, BOOLEAN, UNICODE_STRING*, BOOLEAN);
    const LONG kNoMoreFiles = static_cast<LONG>(0x80000006L);
    auto query = NativeCall<QueryDirectory>("NtQueryDirectoryFile");
    std::vector<ULONGLONG> buffer(8192);
    for (BOOLEAN restart = TRUE; query != nullptr; restart = FALSE) {
        IO_STATUS_BLOCK status = {};
        LONG result = query(m_handle, nullptr, nullptr, nullptr, &status, buffer.data(),
                            static_cast<ULONG>(buffer.size() * sizeof buffer[0]), FileDirectoryInformation, FALSE,
                            nullptr, restart);
        if (result == kNoMoreFiles)
            return true;
        if (result < 0) {
            problem = SystemProblem(path, "read", ErrorOfStatus(result));
            return false;
        }
        const char* at = reinterpret_cast<const char*>(buffer.data());
        for (;;) {
            auto entry = reinterpret_cast<const FILE_DIRECTORY_INFORMATION*>(at);
            std::wstring name(entry->FileName, entry->FileNameLength / sizeof(WCHAR));
            if (name != L"." && name != L"..")
                names.push_back({name, (entry->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
            if (entry->NextEntryOffset == 0)
                break;
            at += entry->NextEntryOffset;
        }
    }
    problem = SystemProblem(path, "read", ERROR_PROC_NOT_FOUND);
    return false;
}

bool HeldEntry::ReadAll(std::string& bytes, const fs::path& path, std::string& problem) const
{
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(m_handle, &size) || size.QuadPart > 0x7FFFFFFF) {
        problem = SystemProblem(path, "read");
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD read = 0;
        if (!::ReadFile(m_handle, &bytes[done], chunk, &read, nullptr) || read == 0) {
            problem = SystemProblem(path, "read");
            return false;
        }
        done += read;
    }
    return true;
}

bool HeldEntry::Remove(const NativeName&, HeldEntry& child, const fs::path& path, std::string& problem) const
{
    auto set = NativeCall<SetInformation>("NtSetInformationFile");
    IO_STATUS_BLOCK status = {};
    BOOLEAN deleteFile = TRUE;
    LONG result = set == nullptr ? static_cast<LONG>(0xC0000022L)
                                 : set(child.m_handle, &status, &deleteFile, sizeof deleteFile,
                                       kFileDispositionInformation);
    if (result < 0) {
        DWORD error = ErrorOfStatus(result);
        problem = SystemProblem(path, "remove", error);
        if ((child.m_kind == EntryKind::kFile) && error == ERROR_ACCESS_DENIED)
            problem += " (a read-only file: clear its read-only attribute)";
        return false;
    }
    // Marked for deletion: it goes when the handle closes.
    child.Close();
    return true;
}

bool HeldEntry::MoveChild(const NativeName&, HeldEntry& child, const fs::path& target, const fs::path& path,
                          std::string& problem) const
{
    auto set = NativeCall<SetInformation>("NtSetInformationFile");
    std::wstring name = L"\\??\\" + target.wstring();
    // FILE_RENAME_INFORMATION: replace-if-exists, a root directory, the name's length, the name.
    struct Rename {
        BOOLEAN replaceIfExists;
        HANDLE rootDirectory;
        ULONG nameBytes;
        WCHAR name[1];
    };
    std::vector<char> buffer(sizeof(Rename) + name.size() * sizeof(WCHAR));
    auto rename = reinterpret_cast<Rename*>(buffer.data());
    rename->replaceIfExists = FALSE;
    rename->rootDirectory = nullptr;
    rename->nameBytes = static_cast<ULONG>(name.size() * sizeof(WCHAR));
    std::memcpy(rename->name, name.data(), rename->nameBytes);
    IO_STATUS_BLOCK status = {};
    LONG result = set == nullptr ? static_cast<LONG>(0xC0000022L)
                                 : set(child.m_handle, &status, rename, static_cast<ULONG>(buffer.size()),
                                       kFileRenameInformation);
    if (result < 0) {
        problem = SystemProblem(path, "move", ErrorOfStatus(result));
        return false;
    }
    child.Close();
    return true;
}
#else
namespace {
std::string SystemProblem(const fs::path& path, const char* what)
{
    return std::string("cannot ") + what + " " + path.u8string() + ": " + std::strerror(errno);
}

EntryKind KindOfMode(mode_t mode)
{
    if (S_ISLNK(mode))
        return EntryKind::kLink;
    if (S_ISDIR(mode))
        return EntryKind::kDirectory;
    return S_ISREG(mode) ? EntryKind::kFile : EntryKind::kOther;
}
}  // namespace

HeldEntry& HeldEntry::operator=(HeldEntry&& other) noexcept
{
    if (this != &other) {
        Close();
        m_descriptor = std::exchange(other.m_descriptor, -1);
        m_kind = std::exchange(other.m_kind, EntryKind::kMissing);
    }
    return *this;
}

void HeldEntry::Close()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
    m_descriptor = -1;
}

bool HeldEntry::OpenFollowing(const fs::path& folder, HeldEntry& opened, std::string& problem)
{
    opened = HeldEntry();
    opened.m_descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (opened.m_descriptor < 0) {
        problem = errno == ENOTDIR ? folder.u8string() + " is not a directory" : SystemProblem(folder, "open");
        return false;
    }
    opened.m_kind = EntryKind::kDirectory;
    return true;
}

bool HeldEntry::OpenChild(const Listed& listed, Purpose purpose, const fs::path& path, HeldEntry& child,
                          std::string& problem) const
{
    child = HeldEntry();
    struct stat status = {};
    if (::fstatat(m_descriptor, listed.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        problem = SystemProblem(path, "examine");
        return false;
    }
    child.m_kind = KindOfMode(status.st_mode);
    // A directory is held to be entered, a file to be read; never through a
    // link, and only the very entry examined above.
    bool hold = child.m_kind == EntryKind::kDirectory || (child.m_kind == EntryKind::kFile && purpose == Purpose::kRead);
    if (!hold)
        return true;
    int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (child.m_kind == EntryKind::kDirectory ? O_DIRECTORY : 0);
    child.m_descriptor = ::openat(m_descriptor, listed.name.c_str(), flags);
    struct stat opened = {};
    if (child.m_descriptor < 0 || ::fstat(child.m_descriptor, &opened) != 0) {
        problem = SystemProblem(path, "open");
        return false;
    }
    if (opened.st_dev != status.st_dev || opened.st_ino != status.st_ino) {
        problem = path.u8string() + " was replaced while it was being read or removed: it is left as it is";
        return false;
    }
    return true;
}

bool HeldEntry::Names(std::vector<Listed>& names, const fs::path& path, std::string& problem) const
{
    DIR* listing = ::fdopendir(::openat(m_descriptor, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (listing == nullptr) {
        problem = SystemProblem(path, "read");
        return false;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(listing)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back({name, entry->d_type == DT_LNK});
    }
    bool read = errno == 0;
    if (!read)
        problem = SystemProblem(path, "read");
    ::closedir(listing);
    return read;
}

bool HeldEntry::ReadAll(std::string& bytes, const fs::path& path, std::string& problem) const
{
    bytes.clear();
    char buffer[1 << 16];
    for (;;) {
        ssize_t got = ::read(m_descriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            problem = SystemProblem(path, "read");
            return false;
        }
        if (got == 0)
            return true;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

bool HeldEntry::Remove(const NativeName& name, HeldEntry& child, const fs::path& path, std::string& problem) const
{
    // Unlinking never follows a link: at worst a link put here meanwhile goes, not what it names.
    int flags = child.m_kind == EntryKind::kDirectory ? AT_REMOVEDIR : 0;
    child.Close();
    if (::unlinkat(m_descriptor, name.c_str(), flags) != 0) {
        problem = SystemProblem(path, "remove");
        return false;
    }
    return true;
}

bool HeldEntry::MoveChild(const NativeName& name, HeldEntry& child, const fs::path& target, const fs::path& path,
                          std::string& problem) const
{
    child.Close();
    // Never over anything: where the system cannot refuse a taken name in the
    // move itself, it is looked at just before.
    if (::renameat2(m_descriptor, name.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EINVAL || errno == ENOSYS || errno == EPERM || errno == ENOTSUP) {
        struct stat status = {};
        if (::lstat(target.c_str(), &status) == 0)
            errno = EEXIST;
        else if (::renameat(m_descriptor, name.c_str(), AT_FDCWD, target.c_str()) == 0)
            return true;
    }
    problem = SystemProblem(path, "move");
    return false;
}
#endif

}  // namespace machine::host
