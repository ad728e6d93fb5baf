#include "machine/HostFolder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sim::host {

namespace fs = std::filesystem;

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
#endif

}  // namespace sim::host
