#include "Capture.h"

#include <iterator>
#include <string>
#include <vector>

#include "app/RunConstants.h"
#include "discovery/DiscoveryConstants.h"
#include "machine/RegFile.h"
#include "platform/Owned.h"
#include "platform/ServiceConfig.h"
#include "platform/RegFileText.h"
#include "platform/RegistryKey.h"
#include "platform/WinApi.h"
#include "system/FileVersion.h"
#include "system/RepairedFiles.h"
#include "system/ServiceNames.h"

namespace capture {

namespace {
const char kMachineRoot[] = "HKEY_LOCAL_MACHINE\\";
const char kSessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingRenamesValue[] = "PendingFileRenameOperations";
const char kNtPathPrefix[] = "\\??\\";
const char* const kServiceNames[] = {services::kSpooler, services::kStillImage, services::kManagement};
// The files the run reads, moves or writes, by folder.
// (the scan DLLs too, beside the program and in the system directory, with
// their backups there; and the hosts files, below the system directory).
const char* const kExeFolderFiles[] = {"Remendo.exe", "Remendo.log"};
const char* const kSystemFolderFiles[] = {"regsvr32.exe", "cvqmgr40.exe"};
const char* const kHostsFiles[] = {repairedfiles::kHosts, repairedfiles::kHostsNew, repairedfiles::kHostsBackup};
// Files whose bytes are copied: texts of the system and the run's own. Every
// other file becomes an empty stand-in carrying its version.
const char* const kCopiedFiles[] = {"Remendo.log", "hosts", "hosts.new", "hosts.bak"};
const char kManagementProgram[] = "cvqmgr40.exe";
const char kIpPortPrefix[] = "IP_";
const DWORD kPrinterEnumFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
const DWORD kMaxValueNameLength = 16383;
const DWORD kMaxKeyNameLength = 255;

std::string FileName(const std::string& path)
{
    std::string::size_type slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Folder(const std::string& path)
{
    std::string::size_type slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Registry

// The data as the machine holds it: text, read as UTF-16, in UTF-8.
std::string MachineData(DWORD type, const BYTE* data, DWORD size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    return regfile::IsText(type) ? MachineText(Utf16Units(bytes)) : bytes;
}

// The values of a key, read through the wide call so that no name or text
// is bent to the code page; one the machine folder cannot hold is left out.
void CopyValues(HKEY key, const std::string& path, machine::RegKey& into, const ProgressLine& leftOut)
{
    std::vector<WCHAR> name(kMaxValueNameLength + 1);
    std::vector<BYTE> data(4096);
    for (DWORD index = 0;;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        LONG status = Win().RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (status == ERROR_MORE_DATA && size > data.size()) {
            data.resize(size);
            continue;
        }
        if (status != ERROR_SUCCESS)
            return;
        ++index;
        WideText wideName(name.data(), nameLength);
        std::string valueName;
        std::string problem = RegistryNameProblem(wideName, valueName);
        if (!problem.empty()) {
            leftOut("Left out: the value \"" + Shown(wideName) + "\" of " + path + " (" + problem + ")");
            continue;
        }
        into.SetValue(valueName, type, MachineData(type, data.data(), size));
    }
}

// Copies a key with all beneath it, `depth` levels below its root; what lies
// deeper than a machine folder's registry.reg holds is left out, and said.
void CopyKey(HKEY key, const std::string& path, std::size_t depth, machine::RegKey& into, const ProgressLine& leftOut)
{
    CopyValues(key, path, into, leftOut);
    WCHAR name[kMaxKeyNameLength + 1];
    for (DWORD index = 0;; ++index) {
        DWORD length = kMaxKeyNameLength + 1;
        if (Win().RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return;
        WideText wideName(name, length);
        std::string subkeyName;
        std::string problem = RegistryNameProblem(wideName, subkeyName);
        if (!problem.empty()) {
            leftOut("Left out: the key " + path + "\\" + Shown(wideName) + " and all beneath it (" + problem + ")");
            continue;
        }
        if (depth + 1 > machine::kMaxKeyDepth) {
            leftOut("Left out: the key " + path + "\\" + Shown(wideName) + " and all beneath it (deeper than the " +
                    std::to_string(machine::kMaxKeyDepth) + " levels a registry export holds)");
            continue;
        }
        RegistryKeyHandle subkey;
        if (Win().RegOpenKeyExW(key, wideName.c_str(), 0, KEY_READ, subkey.Receive()) == ERROR_SUCCESS &&
            subkey.IsOpen())
            CopyKey(subkey.Get(), path + "\\" + subkeyName, depth + 1, into.CreateSubkey(subkeyName), leftOut);
    }
}

// Copies a key of HKEY_LOCAL_MACHINE with all beneath it; nothing when it is missing.
void CopySubtree(const std::string& path, machine::Registry& registry, const ProgressLine& leftOut)
{
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, path, KEY_READ) == ERROR_SUCCESS)
        CopyKey(key.Get(), kMachineRoot + path, machine::SplitKeyPath(kMachineRoot + path).size() - 1,
                registry.Create(kMachineRoot + path), leftOut);
}

// The values named `valueName` anywhere in a captured subtree.
void CollectValues(const machine::RegKey& key, const std::string& valueName, std::vector<std::string>& texts)
{
    if (const machine::RegValue* value = key.FindValue(valueName))
        texts.push_back(machine::DataText(value->data));
    for (const auto& subkey : key.subkeys)
        CollectValues(*subkey.second, valueName, texts);
}

void CaptureRegistry(machine::Registry& registry, const ProgressLine& leftOut)
{
    CopySubtree(std::string(discovery::kClassKeyNt) + "\\" + discovery::kImagingClassGuid, registry, leftOut);
    CopySubtree(discovery::kImagingClassKey9x, registry, leftOut);
    CopySubtree(discovery::kMakerSoftwareKey, registry, leftOut);
    CopySubtree(discovery::kMakerMonitorPortsKey, registry, leftOut);
    CopySubtree(discovery::kSystemMonitorPortsKey, registry, leftOut);
    for (const char* service : kServiceNames)
        CopySubtree(std::string(kServicesKey) + service, registry, leftOut);
}

WideText Wide(const char* ascii)
{
    return WideText(ascii, ascii + std::char_traits<char>::length(ascii));
}

// "\??\C:\x" -> "C:\x"
WideText DosPath(const WideText& ntPath)
{
    WideText prefix = Wide(kNtPathPrefix);
    return ntPath.compare(0, prefix.size(), prefix) == 0 ? ntPath.substr(prefix.size()) : ntPath;
}

// The system's list of file moves for the next restart: pairs of names, an
// empty target deleting the file, a '!' before the target replacing one.
// Read as wide text, so that a name beyond the code page is seen as it is; a
// move whose names the machine cannot hold is left out.
std::vector<machine::PendingRename> PendingRenames(const ProgressLine& leftOut)
{
    std::vector<machine::PendingRename> renames;
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kSessionManagerKey, KEY_READ) != ERROR_SUCCESS)
        return renames;
    WideText valueName = Wide(kPendingRenamesValue);
    DWORD type = 0;
    DWORD size = 0;
    if (Win().RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ)
        return renames;
    std::vector<BYTE> data(size + 2);
    if (Win().RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
        return renames;
    std::vector<WideText> names;
    WideText current;
    for (WCHAR unit : Utf16Units(std::string(reinterpret_cast<const char*>(data.data()), size))) {
        if (unit != 0) {
            current += unit;
            continue;
        }
        names.push_back(current);
        current.clear();
    }
    // The list ends with an empty string of its own, after the last pair.
    for (std::size_t i = 0; i + 1 < names.size(); i += 2) {
        if (names[i].empty())
            break;
        const WideText& to = names[i + 1];
        machine::PendingRename rename;
        rename.replaceExisting = !to.empty() && to[0] == '!';
        WideText from = DosPath(names[i]);
        WideText target = DosPath(rename.replaceExisting ? to.substr(1) : to);
        const WideText* refused = &from;
        std::string problem = MachinePathProblem(from, rename.from);
        if (problem.empty() && !target.empty()) {
            refused = &target;
            problem = MachinePathProblem(target, rename.to);
        }
        if (!problem.empty()) {
            std::string move = to.empty() ? "deletion of " + Shown(names[i])
                                          : "rename of " + Shown(names[i]) + " to " + Shown(to);
            leftOut("Left out: the pending " + move + " (" + Shown(*refused) + ": " + problem + ")");
            continue;
        }
        renames.push_back(rename);
    }
    return renames;
}

// System, token, paths

machine::OsVersion OsVersion()
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    machine::OsVersion os;
    if (!Win().GetVersionExA(&info)) {
        os.queryFails = true;
        return os;
    }
    os.major = info.dwMajorVersion;
    os.minor = info.dwMinorVersion;
    os.build = info.dwBuildNumber;
    os.platform = info.dwPlatformId;
    os.servicePack = MachineTextOfAnsi(info.szCSDVersion);
    return os;
}

// A token as the run's administrator check sees it: its groups.
std::string TokenKind(HANDLE token)
{
    DWORD needed = 0;
    if (Win().GetTokenInformation(token, TokenGroups, nullptr, 0, &needed) ||
        Win().GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return "no-groups";
    std::vector<DWORD> buffer((needed + sizeof(DWORD) - 1) / sizeof(DWORD));
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(DWORD));
    if (buffer.empty() || !Win().GetTokenInformation(token, TokenGroups, buffer.data(), size, &needed))
        return "no-groups";
    const TOKEN_GROUPS* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    if (groups->GroupCount == 0)
        return "no-groups";
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    Sid administrators;
    if (!Win().AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0,
                                        0, 0, 0, administrators.Receive()))
        return "user";
    std::string kind = "user";
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (Win().EqualSid(groups->Groups[i].Sid, administrators.Get()))
            kind = (groups->Groups[i].Attributes & SE_GROUP_USE_FOR_DENY_ONLY) != 0 ? "admin-deny-only" : "admin";
    }
    return kind;
}

machine::Tokens Tokens()
{
    machine::Tokens tokens;
    KernelHandle thread;
    if (Win().OpenThreadToken(Win().GetCurrentThread(), TOKEN_QUERY, FALSE, thread.Receive()))
        tokens.thread = TokenKind(thread.Get());
    else
        tokens.thread = Win().GetLastError() == ERROR_NO_TOKEN ? "none" : "denied";
    KernelHandle process;
    if (Win().OpenProcessToken(Win().GetCurrentProcess(), TOKEN_QUERY, process.Receive()))
        tokens.process = TokenKind(process.Get());
    else
        tokens.process = "denied";
    return tokens;
}

std::string SystemText(UINT (WinApi::*query)(LPSTR, UINT))
{
    char buffer[MAX_PATH + 1] = {};
    UINT length = (Win().*query)(buffer, sizeof buffer);
    return length > 0 && length < sizeof buffer ? MachineTextOfAnsi(std::string(buffer, length)) : std::string();
}

machine::Paths Paths(const std::string& remendoExe)
{
    machine::Paths paths;
    paths.executable = remendoExe;
    paths.windows = SystemText(&WinApi::GetWindowsDirectoryA);
    paths.system = SystemText(&WinApi::GetSystemDirectoryA);
    char temp[MAX_PATH + 1] = {};
    DWORD length = Win().GetTempPathA(sizeof temp, temp);
    paths.temp = length > 0 && length < sizeof temp ? MachineTextOfAnsi(std::string(temp, length)) : std::string();
    return paths;
}

// Printers, ports, names

template <typename Info>
std::vector<Info> Enumerate(const std::function<BOOL(LPBYTE, DWORD, LPDWORD, LPDWORD)>& call,
                            std::vector<BYTE>& buffer)
{
    DWORD needed = 0;
    DWORD count = 0;
    call(nullptr, 0, &needed, &count);
    buffer.assign(needed, 0);
    if (needed == 0 || !call(buffer.data(), needed, &needed, &count))
        return {};
    const Info* first = reinterpret_cast<const Info*>(buffer.data());
    return std::vector<Info>(first, first + count);
}

void CapturePrinters(machine::Machine& machine)
{
    std::vector<BYTE> buffer;
    for (const PRINTER_INFO_2A& info : Enumerate<PRINTER_INFO_2A>(
             [](LPBYTE data, DWORD size, LPDWORD needed, LPDWORD count) {
                 return Win().EnumPrintersA(kPrinterEnumFlags, nullptr, 2, data, size, needed, count);
             },
             buffer)) {
        machine.printers.push_back({MachineTextOfAnsi(info.pPrinterName ? info.pPrinterName : ""),
                                    MachineTextOfAnsi(info.pPortName ? info.pPortName : ""),
                                    MachineTextOfAnsi(info.pDriverName ? info.pDriverName : "")});
    }
    for (const PORT_INFO_2A& info : Enumerate<PORT_INFO_2A>(
             [](LPBYTE data, DWORD size, LPDWORD needed, LPDWORD count) {
                 return Win().EnumPortsA(nullptr, 2, data, size, needed, count);
             },
             buffer)) {
        machine.ports.push_back(MachineTextOfAnsi(info.pPortName ? info.pPortName : ""));
    }
}

// Every address the run could look up: the monitors' and product keys'
// addresses and the printers' IP ports.
std::vector<std::string> AddressesToLookUp(machine::Machine& machine)
{
    std::vector<std::string> addresses;
    machine::Registry& registry = machine.registry;
    for (const char* monitor : {discovery::kMakerMonitorPortsKey, discovery::kSystemMonitorPortsKey}) {
        if (const machine::RegKey* ports = registry.Find(kMachineRoot + std::string(monitor)))
            CollectValues(*ports, discovery::kMonitorIpValue, addresses);
    }
    if (const machine::RegKey* maker = registry.Find(kMachineRoot + std::string(discovery::kMakerSoftwareKey)))
        CollectValues(*maker, discovery::kProductIpValue, addresses);
    std::string prefix = kIpPortPrefix;
    for (const machine::Printer& printer : machine.printers) {
        if (printer.port.compare(0, prefix.size(), prefix) == 0)
            addresses.push_back(printer.port.substr(prefix.size()));
    }
    return addresses;
}

void CaptureNames(machine::Machine& machine)
{
    WSADATA sockets = {};
    WORD version = MAKEWORD(discovery::kSocketsMajor, discovery::kSocketsMinor);
    SocketsSession session(Win().WSAStartup(version, &sockets) == 0);
    if (!session.IsOpen())
        return;
    machine.socketsVersion = sockets.wHighVersion;
    for (const std::string& address : AddressesToLookUp(machine)) {
        ULONG number = Win().inet_addr(address.c_str());
        if (number == INADDR_NONE || machine.hostNames.count(address) != 0)
            continue;
        const hostent* entry = Win().gethostbyaddr(reinterpret_cast<const char*>(&number), sizeof number, AF_INET);
        if (entry != nullptr && entry->h_name != nullptr && entry->h_name[0] != '\0')
            machine.hostNames[address] = MachineTextOfAnsi(entry->h_name);
    }
}

// Services

std::string StartTypeName(DWORD startType)
{
    switch (startType) {
    case SERVICE_BOOT_START: return "boot";
    case SERVICE_SYSTEM_START: return "system";
    case SERVICE_AUTO_START: return "auto";
    case SERVICE_DISABLED: return "disabled";
    default: return "demand";
    }
}

void CaptureServices(machine::Machine& machine)
{
    ServiceHandle manager(Win().OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager.IsOpen())
        return;
    for (const char* name : kServiceNames) {
        ServiceHandle service(Win().OpenServiceA(manager.Get(), name, SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG));
        machine::Service captured;
        captured.name = name;
        captured.displayName = name;
        if (!service.IsOpen()) {
            // A service that is there but refused to this user is one the run cannot open either.
            if (Win().GetLastError() == ERROR_ACCESS_DENIED) {
                captured.canOpen = false;
                machine.services.push_back(captured);
            }
            continue;
        }
        SERVICE_STATUS status = {};
        if (Win().QueryServiceStatus(service.Get(), &status))
            captured.state = status.dwCurrentState == SERVICE_STOPPED ? "stopped" : "running";
        ServiceConfig read;
        if (read.Query(service.Get()) == ServiceConfig::Result::kRead) {
            const QUERY_SERVICE_CONFIGA* config = read.Get();
            captured.startType = StartTypeName(config->dwStartType);
            captured.binaryPath = MachineTextOfAnsi(config->lpBinaryPathName ? config->lpBinaryPathName : "");
            if (config->lpDisplayName != nullptr && config->lpDisplayName[0] != '\0')
                captured.displayName = MachineTextOfAnsi(config->lpDisplayName);
        }
        // The run asks for full control; whether it would get it is all that is tried.
        ServiceHandle control(Win().OpenServiceA(manager.Get(), name, SERVICE_ALL_ACCESS));
        captured.canOpen = control.IsOpen();
        machine.services.push_back(captured);
    }
}

// Whether another run of the utility holds its instance guard: asking for
// the guard's mapping tells, and closing it at once leaves nothing behind.
void CaptureRunningObjects(machine::Machine& machine)
{
    KernelHandle guard(Win().CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READONLY, 0,
                                                run::kInstanceMappingSize, run::kInstanceMappingName));
    if (guard.IsOpen() && Win().GetLastError() == ERROR_ALREADY_EXISTS)
        machine.namedObjects.insert(run::kInstanceMappingName);
}

// Files

bool ReadWhole(const std::string& path, std::string& bytes)
{
    Stream file(Win().fopen(AnsiPath(path).c_str(), "rb"));
    if (!file.IsOpen())
        return false;
    bytes.clear();
    for (int c; (c = Win().fgetc(file.Get())) != EOF;)
        bytes += static_cast<char>(c);
    return Win().ferror(file.Get()) == 0;
}

std::string VersionText(const FileVersion& version)
{
    return std::to_string(HIWORD(version.dwFileVersionMS)) + "." + std::to_string(LOWORD(version.dwFileVersionMS)) +
           "." + std::to_string(HIWORD(version.dwFileVersionLS)) + "." +
           std::to_string(LOWORD(version.dwFileVersionLS));
}

bool IsCopied(const std::string& path)
{
    std::string name = machine::UpperCase(FileName(path));
    for (const char* copied : kCopiedFiles) {
        if (name == machine::UpperCase(copied))
            return true;
    }
    return false;
}

// Whether opening the file this way is refused for another process's open of it.
bool SharingRefused(const std::string& path, DWORD access, DWORD share)
{
    KernelHandle file(NullIfInvalid(
        Win().CreateFileA(AnsiPath(path).c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                          nullptr)));
    return !file.IsOpen() && Win().GetLastError() == ERROR_SHARING_VIOLATION;
}

// A file another process holds open, as opens for reading and for deletion
// tell: whether it lets others read and delete it, and whether it reads or
// writes it itself (told only when it lets others read). Whether it lets
// others write is not tried, as that would open the file for writing: such
// a file is taken not to.
void CaptureHolder(const std::string& path, machine::Machine& machine)
{
    const DWORD anyShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    bool sharesRead = !SharingRefused(path, GENERIC_READ, anyShare);
    bool sharesDelete = !SharingRefused(path, DELETE, anyShare);
    bool reads = !sharesRead || SharingRefused(path, GENERIC_READ, FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    bool writes = sharesRead && SharingRefused(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE);
    if (sharesRead && sharesDelete && !reads && !writes)
        return;
    machine::HeldFile held;
    held.path = path;
    held.access = (reads ? GENERIC_READ : 0) | (writes ? GENERIC_WRITE : 0);
    held.share = (sharesRead ? FILE_SHARE_READ : 0) | (sharesDelete ? FILE_SHARE_DELETE : 0);
    machine.heldFiles.push_back(held);
}

// A file of the machine: its attributes, its version, its bytes when it is a
// text, and whether another process holds it open.
void CaptureFile(const std::string& path, machine::Machine& machine)
{
    DWORD attributes = Win().GetFileAttributesA(AnsiPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return;
    std::string bytes;
    if (IsCopied(path) && !ReadWhole(path, bytes))
        return;
    machine::SimFile& file = machine.files.Write(path, bytes);
    const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    file.attributes = (attributes & kept) != 0 ? attributes & kept : FILE_ATTRIBUTE_NORMAL;
    FileVersion version;
    if (ReadFileVersion(AnsiPath(path), version))
        file.version = VersionText(version);
    CaptureHolder(path, machine);
}

void CaptureFiles(machine::Machine& machine)
{
    std::string exeFolder = Folder(machine.paths.executable);
    if (!exeFolder.empty()) {
        std::vector<const char*> names(std::begin(kExeFolderFiles), std::end(kExeFolderFiles));
        names.insert(names.end(), std::begin(repairedfiles::kScanDlls), std::end(repairedfiles::kScanDlls));
        for (const char* name : names) {
            std::string path = exeFolder + "\\" + name;
            // The executable stands under the name it is started by.
            CaptureFile(machine::UpperCase(name) == machine::UpperCase(FileName(machine.paths.executable))
                            ? machine.paths.executable
                            : path,
                        machine);
        }
    }
    if (machine.paths.system.empty())
        return;
    for (const char* name : repairedfiles::kScanDlls)
        CaptureFile(machine.paths.system + "\\" + name, machine);
    for (const char* name : repairedfiles::kScanDllBackups)
        CaptureFile(machine.paths.system + "\\" + name, machine);
    for (const char* name : kSystemFolderFiles)
        CaptureFile(machine.paths.system + "\\" + name, machine);
    for (const char* name : kHostsFiles)
        CaptureFile(machine.paths.system + "\\" + name, machine);
    // The management program re-registers its service when run with /REGSERVER.
    std::string management = machine.paths.system + "\\" + kManagementProgram;
    if (const machine::SimFile* program = machine.files.Find(management)) {
        machine::Program registering;
        registering.path = program->path;
        registering.service = services::kManagement;
        machine.programs.push_back(registering);
    }
}
}  // namespace

machine::Machine CaptureMachine(const WideText& remendoExe, const ProgressLine& progress, const ProgressLine& leftOut)
{
    machine::Machine machine;
    progress("Reading the Windows version, the token and the folders");
    machine.ansiCodePage = AnsiCodePage();
    machine.os = OsVersion();
    machine.tokens = Tokens();
    // Without its path the machine has no files beside remendo.exe either.
    std::string executable;
    std::string problem = MachinePathProblem(remendoExe, executable);
    if (!problem.empty()) {
        leftOut("Left out: remendo.exe's path " + Shown(remendoExe) + " and the files beside it (" + problem + ")");
        executable.clear();
    }
    machine.paths = Paths(executable);
    Win().GetLocalTime(&machine.startTime);
    machine.registryView = sizeof(void*) == 4 ? "32-bit" : "64-bit";
    progress("Reading the registry keys");
    CaptureRegistry(machine.registry, leftOut);
    machine.pendingRenames = PendingRenames(leftOut);
    progress("Reading the printers and ports");
    CapturePrinters(machine);
    progress("Reading the host names");
    CaptureNames(machine);
    progress("Reading the services");
    CaptureServices(machine);
    progress("Reading the files and whether the utility runs already");
    CaptureFiles(machine);
    CaptureRunningObjects(machine);
    return machine;
}

}  // namespace capture
