// An undo file read back: what one run of remendo.exe changed and how to put
// it back, checked line by line before anything is changed. Everything it
// names is checked against what a run can change, and a file that holds
// anything else is refused whole.
#pragma once

#include <string>
#include <vector>

#include "log/FileFingerprint.h"
#include "platform/WinTypes.h"

namespace undo {

using WideText = std::basic_string<WCHAR>;

// A registry value the run rewrote: as it was, and as the run wrote it, each
// as the wide registry call gives it (text in UTF-16LE).
struct ValueChange {
    std::string keyPath;  // below HKEY_LOCAL_MACHINE, as the 64-bit regedit names it
    WideText name;
    DWORD oldType = REG_NONE;
    std::string oldData;
    DWORD newType = REG_NONE;
    std::string newData;
    // A service's start type, put back through the service manager; keyPath
    // is then its key.
    bool isStartType = false;
    int line = 0;  // of the file, for the log
};

// A file the run replaced or rewrote: the undo's own copy of it as it was,
// the attributes it had, and what the run put in its place.
struct FileChange {
    std::string target;  // as the 64-bit cmd.exe names it
    std::string copy;    // beside the undo file, named after it
    DWORD attributes = 0;  // read-only, hidden, system: those an attrib line gives back
    bool knowsKept = false;
    FileFingerprint kept;
    bool knowsWritten = false;  // whether the run recorded what it put there
    FileFingerprint written;
    std::string movedFrom;  // the run's own file it moved into place ("" for none)
    bool atRestart = false;  // the run left its replacement for the next restart
    int line = 0;
};

// A file the run was about to make, and what it meant to write there
// (unknown when the run named it before it knew).
struct MadeFile {
    std::string path;
    bool knowsContent = false;
    FileFingerprint fingerprint;
};

struct UndoRecord {
    std::string path;
    std::string runDate;  // the run's date line, as the log has it
    std::vector<ValueChange> values;
    std::vector<FileChange> files;
    std::vector<MadeFile> made;

    bool HoldsNothing() const { return values.empty() && files.empty() && made.empty(); }
};

// The places a run changes, which an undo file may name; the caller builds
// them from the repair's own names.
struct ChangeablePlaces {
    std::vector<std::string> systemDirectories;  // as the 64-bit cmd.exe names them, each with its backslash
    std::vector<std::string> valueKeys;    // below HKEY_LOCAL_MACHINE: values of keys below these
    std::vector<std::string> serviceKeys;  // below HKEY_LOCAL_MACHINE: the "Start" value alone
    std::vector<std::string> systemFiles;  // below a system directory: files a run replaces
    std::vector<std::string> madeFiles;    // below a system directory: files a run makes on its way
    std::vector<std::string> movedNames;   // names of the files a run moves into place, from anywhere
};

// Reads and checks the undo file `path` holding `bytes` (its copies must lie
// beside it, named after it); false, with "line N: why" or why in `problem`,
// when it is refused.
bool ReadUndoFile(const std::string& path, const std::string& bytes, const ChangeablePlaces& places,
                  UndoRecord& record, std::string& problem);

// Paths and key names compare as Windows compares them, without regard to
// case: both sides upper-cased.
std::string Upper(std::string text);

}  // namespace undo
