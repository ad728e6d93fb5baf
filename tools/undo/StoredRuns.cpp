#include "StoredRuns.h"

#include <algorithm>
#include <set>
#include <string_view>
#include <tuple>
#include <unordered_set>

#include "discovery/DiscoveryConstants.h"
#include "log/UndoFileFormat.h"
#include "log/UndoStore.h"
#include "platform/RegistryKey.h"
#include "platform/WinApi.h"
#include "system/RepairedFiles.h"
#include "system/ServiceNames.h"

namespace undo {

namespace {
const char kUndoneExtension[] = ".undone";
// A 32-bit run on 64-bit Windows names the maker's key as the 64-bit regedit sees it.
const char kSoftwareKey[] = "SOFTWARE\\";
const char kWow64View[] = "Wow6432Node\\";
const char kSystem32[] = "System32\\";
const char kSysWow64[] = "SysWOW64\\";

// Whether a name in upper case is an undo file's.
bool IsUpperUndoFileName(std::string_view upperName)
{
    static const std::string prefix = Upper(undoformat::kNamePrefix), extension = Upper(undoformat::kNameExtension);
    return upperName.size() > prefix.size() + extension.size() && upperName.substr(0, prefix.size()) == prefix &&
           upperName.substr(upperName.size() - extension.size()) == extension;
}

bool IsUndoFileName(const std::string& name)
{
    return IsUpperUndoFileName(Upper(name));
}

// The names of the files in `folder` whose names start as an undo file's, upper case.
std::vector<std::string> UndoNamesIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data = {};
    FindHandle search(
        NullIfInvalid(Win().FindFirstFileA((folder + undoformat::kNamePrefix + "*").c_str(), &data)));
    if (!search.IsOpen())
        return names;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.push_back(data.cFileName);
    } while (Win().FindNextFileA(search.Get(), &data));
    return names;
}
}  // namespace

std::string FileName(const std::string& path)
{
    return path.substr(path.rfind('\\') + 1);
}

void Stores::Open(const std::vector<std::string>& storeFolders, std::vector<Refusal>& refused)
{
    for (const std::string& store : storeFolders) {
        std::string outer = store.substr(0, store.rfind('\\', store.size() - 2) + 1);
        bool opened = true;
        for (const std::string& folder : {outer, store}) {
            m_handles.emplace_back();
            std::string problem;
            std::string path = folder.substr(0, folder.size() - 1);
            if (undostore::OpenChecked(path, true, m_handles.back(), problem))
                continue;
            DWORD error = Win().GetLastError();
            bool missing = !m_handles.back().IsOpen() && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
            if (!missing)
                refused.push_back({path, problem});
            opened = false;
            break;
        }
        if (opened)
            m_folders.push_back(store);
    }
}

std::vector<StoredRun> Stores::Runs() const
{
    // Each name in upper case made once, for its marker and the order of the
    // runs (upper case goes letter by letter, so a marker's name in upper
    // case is the upper case of its undo file's name and of the extension).
    const std::string upperMarker = Upper(kUndoneExtension);
    std::vector<std::pair<StoredRun, std::string>> found;
    // A folder listed twice would offer its runs twice; in one folder no two
    // names are the same.
    std::unordered_set<std::string> foldersSeen;
    for (const std::string& folder : m_folders) {
        if (!foldersSeen.insert(Upper(folder)).second)
            continue;
        std::vector<std::string> names = UndoNamesIn(folder);
        std::vector<std::string> upper;
        upper.reserve(names.size());
        for (const std::string& name : names)
            upper.push_back(Upper(name));
        // The undo files whose markers lie beside them, by their names in upper case.
        std::unordered_set<std::string_view> marked;
        for (const std::string& name : upper) {
            if (name.size() > upperMarker.size() && name.compare(name.size() - upperMarker.size(), upperMarker.size(),
                                                                 upperMarker) == 0)
                marked.insert(std::string_view(name).substr(0, name.size() - upperMarker.size()));
        }
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::string& name = names[i];
            if (!IsUpperUndoFileName(upper[i]) || marked.count(upper[i]) != 0)
                continue;
            StoredRun run;
            run.path = folder + name;
            undoformat::ReadNameOrder(name, run.sequence, run.attempt);
            found.emplace_back(std::move(run), upper[i]);
        }
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return std::tie(b.first.sequence, b.first.attempt, b.second) <
               std::tie(a.first.sequence, a.first.attempt, a.second);
    });
    std::vector<StoredRun> runs;
    runs.reserve(found.size());
    for (auto& entry : found)
        runs.push_back(std::move(entry.first));
    return runs;
}

std::vector<std::string> StoreFolders()
{
    std::vector<std::string> folders;
    for (const std::string& base : {undostore::CommonBase(), undostore::WindowsBase()}) {
        std::string folder = undostore::StoreFolder(base);
        bool known = std::any_of(folders.begin(), folders.end(),
                                 [&folder](const std::string& other) { return Upper(other) == Upper(folder); });
        if (!folder.empty() && !known)
            folders.push_back(folder);
    }
    return folders;
}

std::vector<std::string> UndoFilesIn(const std::vector<std::string>& folders)
{
    std::vector<std::string> found;
    std::set<std::string> seen;
    for (const std::string& folder : folders) {
        if (folder.empty() || !seen.insert(Upper(folder)).second)
            continue;
        for (const std::string& name : UndoNamesIn(folder)) {
            if (IsUndoFileName(name))
                found.push_back(folder + name);
        }
    }
    return found;
}

bool ReadChecked(const std::string& path, std::size_t most, std::string& bytes, std::string& problem)
{
    KernelHandle file;
    if (!undostore::OpenChecked(path, false, file, problem))
        return false;
    if (!undostore::ReadWhole(file.Get(), most, bytes)) {
        problem = "it cannot be read whole";
        return false;
    }
    return true;
}

std::string UndoneMarker(const std::string& undoPath)
{
    return undoPath + kUndoneExtension;
}

// The system directories as the 64-bit cmd.exe names them: System32 and, on
// 64-bit Windows, SysWOW64, where a 32-bit run's scan DLLs lie.
ChangeablePlaces RunChangeablePlaces()
{
    ChangeablePlaces places;
    std::string systemDir = Directory(&WinApi::GetSystemDirectoryA);
    std::string windowsDir = Directory(&WinApi::GetWindowsDirectoryA);
    if (!systemDir.empty())
        places.systemDirectories.push_back(PathOutsideRedirection(systemDir));
    if (!windowsDir.empty()) {
        places.systemDirectories.push_back(windowsDir + kSystem32);
        places.systemDirectories.push_back(windowsDir + kSysWow64);
    }
    std::string makerKey = discovery::kMakerSoftwareKey;
    places.valueKeys = {std::string(discovery::kClassKeyNt) + "\\" + discovery::kImagingClassGuid,
                        discovery::kSystemMonitorPortsKey, discovery::kMakerMonitorPortsKey, makerKey,
                        kSoftwareKey + std::string(kWow64View) + makerKey.substr(sizeof kSoftwareKey - 1)};
    places.serviceKeys = {kServicesKey + std::string(services::kManagement)};
    for (const char* dll : repairedfiles::kScanDlls) {
        places.systemFiles.push_back(dll);
        places.movedNames.push_back(dll);
    }
    for (const char* backup : repairedfiles::kScanDllBackups)
        places.systemFiles.push_back(backup);
    places.systemFiles.push_back(repairedfiles::kHosts);
    places.systemFiles.push_back(repairedfiles::kHostsBackup);
    places.madeFiles = {repairedfiles::kHostsNew, repairedfiles::kHostsBackupNew};
    return places;
}

}  // namespace undo
