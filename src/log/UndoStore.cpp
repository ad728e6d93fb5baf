#include "log/UndoStore.h"

#include "log/DebugLog.h"
#include "log/Format.h"
#include "platform/SecurityDescriptor.h"
#include "platform/WinApi.h"

namespace undostore {

namespace {
const char kOuterName[] = "Remendo";
const char kStoreName[] = "Undo";
// A folder at the store's place that others may change goes to "<name>.untrusted", "-2", ...
const char kAsideSuffix[] = ".untrusted";
const int kMostAsideNames = 100;

// The rights that let someone change a file or folder, or what it holds:
// write or add a file, append or add a folder, delete what it holds, delete
// it, change its permissions, take it over, and the generic forms.
const DWORD kChangingRights = 0x0002u | 0x0004u | 0x0040u | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                              0x10000000u /* GENERIC_ALL */;
// A placeholder that stands for whoever creates something below: it grants nothing itself.
const char kCreatorOwner[] = "S-1-3-0";
const std::size_t kMostDescriptor = 64 * 1024;

const char kLogUnit[] = "DebugLog";
const char kMovedAside[] = "%s is no folder only administrators can change (%s): moved it aside to %s";

bool IsAdministrators(const security::Sid& sid)
{
    return sid == security::SystemSid() || sid == security::AdministratorsSid();
}

std::string WithBackslash(std::string path)
{
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    return path;
}

std::string WithoutBackslash(std::string path)
{
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

// Why the descriptor lets others change what it guards; "" when it does not.
// Wine keeps no owners (all is its one user's) and maps the access list onto
// the Unix mode: there the owner is not asked, and the owner's own entry is
// no one else's.
std::string OthersWhoMayChange(const security::Descriptor& descriptor)
{
    bool underWine = Win().wine_get_version() != nullptr;
    if (!underWine && !IsAdministrators(descriptor.owner))
        return "owned by " + (descriptor.owner.empty() ? std::string("no one") : security::SidText(descriptor.owner));
    if (!descriptor.hasDacl)
        return "it has no access list: everyone may change it";
    for (const security::Ace& ace : descriptor.dacl) {
        if (ace.kind != security::Ace::kAllow || !(ace.mask & kChangingRights) || IsAdministrators(ace.sid))
            continue;
        if ((ace.flags & security::kInheritOnly) && security::SidText(ace.sid) == kCreatorOwner)
            continue;
        if (underWine && ace.sid == descriptor.owner)
            continue;
        return (ace.sid.empty() ? std::string("an object entry") : security::SidText(ace.sid)) +
               " may change it or what it holds";
    }
    return std::string();
}
}  // namespace

std::string CommonBase()
{
    char path[MAX_PATH + 1] = {};
    if (Win().SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path) != S_OK || path[0] == '\0')
        return std::string();
    return WithBackslash(path);
}

std::string WindowsBase()
{
    return WithBackslash(Directory(&WinApi::GetWindowsDirectoryA));
}

std::string OuterFolder(const std::string& base)
{
    return base.empty() ? std::string() : WithBackslash(base) + kOuterName + "\\";
}

std::string StoreFolder(const std::string& base)
{
    return base.empty() ? std::string() : OuterFolder(base) + kStoreName + "\\";
}

Verdict WhoElseMayChange(HANDLE handle)
{
    Verdict verdict;
    DWORD needed = 0;
    const SECURITY_INFORMATION asked = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    Win().GetKernelObjectSecurity(handle, asked, nullptr, 0, &needed);
    if (needed == 0 || needed > kMostDescriptor) {
        if (needed > kMostDescriptor)
            Win().SetLastError(ERROR_INSUFFICIENT_BUFFER);
        verdict.why = "its owner and permissions cannot be read";
        return verdict;
    }
    std::string bytes(needed, '\0');
    security::Descriptor descriptor;
    if (!Win().GetKernelObjectSecurity(handle, asked, &bytes[0], needed, &needed)) {
        verdict.why = "its owner and permissions cannot be read";
        return verdict;
    }
    if (!security::Parse(bytes.substr(0, needed), descriptor)) {
        Win().SetLastError(ERROR_INVALID_PARAMETER);
        verdict.why = "its owner and permissions cannot be read";
        return verdict;
    }
    verdict.readable = true;
    verdict.why = OthersWhoMayChange(descriptor);
    return verdict;
}

Checked OpenAndCheck(const std::string& path, bool folder, KernelHandle& handle, std::string& problem)
{
    // FILE_FLAG_OPEN_REPARSE_POINT: a link or junction is opened itself, never followed.
    handle.Attach(NullIfInvalid(Win().CreateFileA(
        path.c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
        FILE_FLAG_OPEN_REPARSE_POINT | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0u), nullptr)));
    if (!handle.IsOpen()) {
        problem = "it cannot be opened";
        return Checked::kUnreadable;
    }
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!Win().GetFileInformationByHandle(handle.Get(), &information)) {
        problem = "it cannot be read";
        return Checked::kUnreadable;
    }
    if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        problem = "it is a link or junction";
        return Checked::kUntrusted;
    }
    if (((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != folder) {
        problem = folder ? "it is no folder" : "it is a folder";
        return Checked::kUntrusted;
    }
    // A second name for the same file is a way to change it from elsewhere.
    if (!folder && information.nNumberOfLinks > 1) {
        problem = "it has another name (a hard link)";
        return Checked::kUntrusted;
    }
    Verdict verdict = WhoElseMayChange(handle.Get());
    problem = verdict.why;
    if (!verdict.readable)
        return Checked::kUnreadable;
    return verdict.why.empty() ? Checked::kTrusted : Checked::kUntrusted;
}

bool OpenChecked(const std::string& path, bool folder, KernelHandle& handle, std::string& problem)
{
    return OpenAndCheck(path, folder, handle, problem) == Checked::kTrusted;
}

bool ReadWhole(HANDLE file, std::size_t most, std::string& bytes)
{
    bytes.clear();
    char block[64 * 1024];
    for (;;) {
        DWORD count = 0;
        if (!Win().ReadFile(file, block, sizeof block, &count, nullptr))
            return false;
        if (count == 0)
            return true;
        bytes.append(block, count);
        if (bytes.size() > most)
            return false;
    }
}

std::string AdministratorsOnlyDescriptor()
{
    return security::SelfRelative(security::AdministratorsOnly());
}

namespace {
// The folder made, or there already and trusted; one that others may change
// is moved aside first. False, with the last error set, when there is none.
bool PrepareFolder(const std::string& folder, bool windows9x)
{
    std::string descriptor = AdministratorsOnlyDescriptor();
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor[0], FALSE};
    std::string path = WithoutBackslash(folder);
    if (Win().CreateDirectoryA(path.c_str(), &attributes))
        return true;
    if (Win().GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    // Without accounts (the 9x family) anyone may change anything: there is no one to keep out.
    if (windows9x)
        return true;
    KernelHandle handle;
    std::string why;
    Checked checked = OpenAndCheck(path, true, handle, why);
    handle.Close();
    // A folder that cannot be told is left as it is (it may hold earlier
    // runs' records): this run has no undo.
    if (checked != Checked::kUntrusted)
        return checked == Checked::kTrusted;
    for (int attempt = 1; attempt <= kMostAsideNames; ++attempt) {
        std::string aside = path + kAsideSuffix + (attempt == 1 ? std::string() : Format("-%d", {attempt}));
        if (Win().MoveFileA(path.c_str(), aside.c_str())) {
            DebugLog log("UndoFile", kLogUnit);
            log.Write(Format(kMovedAside, {path, why, aside}));
            return Win().CreateDirectoryA(path.c_str(), &attributes) != FALSE;
        }
        DWORD error = Win().GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}
}  // namespace

bool PrepareStore(bool windows9x, std::string& storeFolder)
{
    std::string base = CommonBase();
    // A system without the folder (98, Me, NT 4.0) keeps it under Windows.
    if (base.empty())
        base = WindowsBase();
    storeFolder = StoreFolder(base);
    if (storeFolder.empty()) {
        Win().SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    return PrepareFolder(OuterFolder(base), windows9x) && PrepareFolder(storeFolder, windows9x);
}

}  // namespace undostore
