// The system-file update: scan DLLs shipped beside the executable replace the
// installed ones when their version is newer. The shipped file is moved, not
// copied; an installed file that cannot be moved aside is replaced at the next
// restart instead.
#include <cctype>

#include "app/Remendo.h"
#include "log/DebugLog.h"
#include "log/Format.h"
#include "platform/WinApi.h"
#include "system/SystemDirectory.h"
#include "system/FileVersion.h"

namespace {
struct FileToUpdate {
    const char* pszFileName;     // null ends the table
    const char* pszDestination;  // where the file is installed, see kSystemDirDestination
};

const char kSystemDirDestination[] = "WindowsSystemDir";

const FileToUpdate g_aFilesToUpdate[] = {
    {"cvqscan.dll", kSystemDirDestination},
    {"cvqscan2.dll", kSystemDirDestination},
    {"cvqscan3.dll", kSystemDirDestination},
    {nullptr, nullptr},
};

const char kBackupExtension[] = "bak";

// Log texts, word for word and spelling included: support staff search logs for them.
const char kNoBackslash[] = "Error locating the last backslash";
const char kNoSystemDirectory[] = "Error getting the system directory";
const char kDestinationMissing[] = "Destination file not found: %s";
const char kTryingToCopy[] = "Trying to copy '%s' to '%s'";
const char kNoAttributes[] = "Can't get file attributes of dest file: %s";
const char kRemovingReadOnly[] = "Removing read only attributes of dest file %s";
const char kSourceVersion[] = "Src file version %d.%d.%d.%d";
const char kDestinationVersion[] = "dst file version %d.%d.%d.%d";
const char kTryingToUpdate[] = "- Trying to update: %s";
const char kMoved[] = "--- Successfully moved file";
const char kCannotReplace[] = "--- Unable to replace old file";
const char kReplacedByRenaming[] = "--- Updated file by renaming old file and moving newer file in place";
const char kNeedsReboot[] = "--- Need to update the file on the next reboot";
const char kMovingBack[] = "----- Can the old file go back in place until then?";
const char kMovedBack[] = "------- Yes, moved it back from %s";
const char kNotMovedBack[] = "------- No, it stays at %s until the reboot";
const char kCannotSchedule[] = "Unable to schedule the update for the next reboot";
const char kUnexpected[] = "Unexpected error in UpdateFiles";

bool Exists(const std::string& path)
{
    struct _stat status;
    return Win()._stat(path.c_str(), &status) == 0;
}

bool SameTextIgnoringCase(const char* a, const char* b)
{
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
    }
    return *a == *b;
}

// The installed file's backup name: its extension replaced by "bak"
// (cvqscan2.dll -> cvqscan2.bak). False when the file name has no extension.
bool BackupPath(const std::string& destination, std::string& backup)
{
    std::string::size_type dot = destination.rfind('.');
    std::string::size_type slash = destination.rfind('\\');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    backup = destination.substr(0, dot + 1) + kBackupExtension;
    return true;
}

std::string VersionLine(const char* format, const FileVersion& version)
{
    return Format(format, {static_cast<int>(HIWORD(version.dwFileVersionMS)),
                           static_cast<int>(LOWORD(version.dwFileVersionMS)),
                           static_cast<int>(HIWORD(version.dwFileVersionLS)),
                           static_cast<int>(LOWORD(version.dwFileVersionLS))});
}
}  // namespace

void CRemendoApp::UpdateFiles()
{
    DebugLog log("UpdateFiles", kRemendoSourceFile);
    try {
        std::string::size_type slash = m_strExeDir.rfind('\\');
        if (slash == std::string::npos) {
            log.Error(kNoBackslash);
            return;
        }
        std::string sourceDir = m_strExeDir.substr(0, slash + 1);
        for (const FileToUpdate* row = g_aFilesToUpdate; row->pszFileName != nullptr; ++row) {
            if (!UpdateFile(log, sourceDir, row->pszFileName, row->pszDestination))
                return;
        }
    } catch (...) {
        log.Error(kUnexpected);
    }
}

// One row of the table; false when the pass must end.
bool CRemendoApp::UpdateFile(DebugLog& log, const std::string& sourceDir, const char* fileName,
                             const char* destinationKind)
{
    std::string source = sourceDir + fileName;
    // The system directory is the only place the table installs to.
    if (!Exists(source) || !SameTextIgnoringCase(destinationKind, kSystemDirDestination))
        return true;
    std::string systemDir = SystemDirectory();
    if (systemDir.empty()) {
        log.Error(kNoSystemDirectory);
        return false;
    }
    std::string destination = systemDir + "\\" + fileName;
    if (!Exists(destination)) {
        log.Errorf(kDestinationMissing, destination);
        return true;
    }
    log.Write(Format(kTryingToCopy, {source, destination}));

    DWORD attributes = Win().GetFileAttributesA(destination.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        log.Errorf(kNoAttributes, destination);
        return true;
    }
    bool readOnlyRemoved = false;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        // The undo's copy keeps the file as it was, read-only: made first, it
        // puts the attribute back wherever the run is cut off.
        m_undoFile.KeepCopy(destination);
        log.Writef(kRemovingReadOnly, destination);
        readOnlyRemoved =
            Win().SetFileAttributesA(destination.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) != FALSE;
    }
    // An installed file that stays as it was keeps its read-only attribute.
    if (!UpdateIfNewer(log, source, destination) && (attributes & FILE_ATTRIBUTE_READONLY)) {
        bool changed = readOnlyRemoved && !Win().SetFileAttributesA(destination.c_str(), attributes);
        if (changed)
            m_undoFile.ChangeMade();
        else
            m_undoFile.ChangeNotMade();
    }
    return true;
}

// Replaces the installed file when the shipped one's version is newer; false
// when it stays in place, untouched and with nothing scheduled.
bool CRemendoApp::UpdateIfNewer(DebugLog& log, const std::string& source, const std::string& destination)
{
    DWORD sourceSize = FileVersionInfoSize(source);
    DWORD destinationSize = sourceSize == 0 ? 0 : FileVersionInfoSize(destination);
    if (destinationSize == 0)
        return false;
    FileVersion sourceVersion;
    if (!ReadFileVersion(source, sourceSize, sourceVersion))
        return false;
    log.Write(VersionLine(kSourceVersion, sourceVersion));
    FileVersion destinationVersion;
    if (!ReadFileVersion(destination, destinationSize, destinationVersion))
        return false;
    log.Write(VersionLine(kDestinationVersion, destinationVersion));
    if (sourceVersion.Value() <= destinationVersion.Value())
        return false;

    log.Writef(kTryingToUpdate, destination);
    m_bChangesMade = true;
    return ReplaceInstalledFile(log, source, destination);
}

bool CRemendoApp::ReplaceInstalledFile(DebugLog& log, const std::string& source, const std::string& destination)
{
    m_undoFile.KeepCopy(destination);
    m_undoFile.NoteNewContent(destination, source, true);
    if (Win().MoveFileA(source.c_str(), destination.c_str())) {
        m_undoFile.NoteScanDllReplaced(destination, std::string());
        log.Write(kMoved);
        return true;
    }
    std::string backup;
    if (!BackupPath(destination, backup)) {
        m_undoFile.ChangeNotMade();
        log.Write(kCannotReplace);
        return false;
    }
    // A .bak there before the run is written over: its bytes are kept first.
    if (Exists(backup)) {
        m_undoFile.KeepCopy(backup);
        m_undoFile.NoteNewContent(backup, destination, false);
    }
    bool movedAside = Win().MoveFileExA(destination.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    if (movedAside && Win().MoveFileA(source.c_str(), destination.c_str())) {
        m_undoFile.NoteScanDllReplaced(destination, backup);
        log.Write(kReplacedByRenaming);
        return true;
    }
    log.Write(kNeedsReboot);
    // Scanning must keep working until the restart: the installed file goes back.
    std::string oldFilePath = destination;
    if (movedAside) {
        log.Write(kMovingBack);
        if (Win().MoveFileA(backup.c_str(), destination.c_str())) {
            log.Writef(kMovedBack, backup);
        } else {
            oldFilePath = backup;
            log.Errorf(kNotMovedBack, backup);
        }
    }
    // Only a replacement really scheduled makes the restart worth promising.
    if (!Win().MoveFileExA(source.c_str(), destination.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)) {
        log.LogLastError(kCannotSchedule);
        if (oldFilePath != destination)
            m_undoFile.NoteScanDllMovedAside(destination, oldFilePath);
        else
            m_undoFile.ChangeNotMade();
        return false;
    }
    m_bRebootNeeded = true;
    m_undoFile.NoteScanDllReplacedAtRestart(destination, oldFilePath);
    return true;
}
