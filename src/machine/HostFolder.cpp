#include "machine/HostFolder.h"
#include "machine/WindowsNames.h"

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
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
        text = WindowsNameKey(text);
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
    // A system or a sandbox (a seccomp filter answers EPERM) without the exchange: the other way.
    if (swapped || errno == EINVAL || errno == ENOSYS || errno == ENOTSUP || errno == EPERM)
        return true;
    problem = SystemProblem(second, "replace");
    return false;
}

#endif

}  // namespace machine::host
