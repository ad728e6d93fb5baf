// The undo file: Remendo-undo-N-YYYYMMDD-HHMMSS.reg in the undo store (N the
// run's place in the order of runs; see UndoStore.h), a regedit
// file (UTF-16LE with its byte-order mark, as "regedit /e" writes) that puts
// back every registry value the run changed ("regedit /s"), with comment lines
// for what regedit cannot restore (the copy lines of the hosts file and the
// scan DLLs) and for what needs nothing undone (services restarted,
// registrations).
//
// The file is created with the run's first change, never over an existing
// file, and each entry is in it, flushed, before the change it undoes, so a
// run stopped half-way leaves an undo of what it had changed. The file is
// always written whole under another name and then renamed, so a run cut off
// at any instant never leaves it empty or cut short. A run that changes nothing
// leaves no file (one whose rewrites failed removes it again). A file that
// cannot be written gets one error line in the log, is removed, and is never
// named again; the repairs go on as before.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

class UndoFile {
public:
    UndoFile() = default;
    UndoFile(const UndoFile&) = delete;
    UndoFile& operator=(const UndoFile&) = delete;

    // The run: the local time it started names the file; its banner and date
    // lines (as the log has them) head it. Until then nothing is recorded: a
    // repair called on its own is no run.
    void BeginRun(const SYSTEMTIME& started, const std::vector<std::string>& runLines);

    // A value of a key opened through a RegistryKey that the run is about to
    // rewrite as `newText` of type `newType`: read again exactly (the wide
    // call) and recorded, with what the run writes, before the write, so that
    // a run cut off right after the write still leaves the old value. Then
    // ChangeMade() or ChangeNotMade(), as the write went.
    void RecordValue(HKEY key, const std::string& valueName, DWORD newType, const std::string& newText);
    // A file the run is about to rewrite, replace, move aside or make
    // writable: copied as it is, with its attributes, beside the undo file,
    // named after it and never over another file (a name taken gets "-2",
    // "-3", ...), and the copy line that puts it back ("; copy /y "FROM"
    // "TO""), followed by an "; attrib" line for a read-only, hidden or system
    // file. Once per file and run. Then ChangeMade() or ChangeNotMade().
    void KeepCopy(const std::string& path);
    void ChangeMade();
    void ChangeNotMade();

    // A service about to be registered again: its start type as its
    // configuration gave it, put back as the "Start" value of its key; or a
    // note that it did not exist (nothing is removed).
    void RecordStartType(const std::string& serviceName, DWORD startType, DWORD newStartType);
    // What a file kept by KeepCopy is about to hold: the bytes of
    // `newContentPath` (hosts.new, the shipped scan DLL), recorded before the
    // change; `movedIn` when that file itself is moved into place, so the
    // undo can put it back where it came from.
    void NoteNewContent(const std::string& path, const std::string& newContentPath, bool movedIn);
    // A service's start type where the service manager cannot tell it (NT
    // 4.0, a refused query): its "Start" value, or a note that it is unknown.
    void RecordStartTypeFromRegistry(const std::string& serviceName, DWORD newStartType);
    // Something the run changes that could not be read first: noted, and
    // left as the run leaves it; the rest of the undo holds.
    void NoteUnknown(const std::string& what);
    // The 9x family has no accounts: the store is not checked for owners
    // there. Its regedit, and NT 4.0's, reads only the REGEDIT4 form (8-bit
    // text of the ANSI code page), in which the file is then written.
    void SetWindows(bool windows9x, bool regedit4Only)
    {
        m_bWindows9x = windows9x;
        m_bRegedit4 = regedit4Only;
    }
    void NoteServiceDidNotExist(const std::string& serviceName);
    // A file the run is about to make (hosts.new, hosts.bak.new), before it
    // makes it, with the bytes of `contentPath` as what it means to write
    // there ("" while that is not known yet; noted again once it is).
    void NoteMaking(const std::string& path, const std::string& contentPath);
    // Something the run is about to change could not be read for the record
    // (the last error says why): the file would not hold all the run changed,
    // so there is no undo for this run.
    void CannotRecord();

    // The hosts file was replaced by a copy with rewritten lines; the old one
    // lies in the undo's own copy (and in the backup, until a later run).
    void NoteHostsReplaced(const std::string& hostsPath, const std::string& backupPath);

    // A scan DLL replaced by a newer one now, or at the next restart; where the
    // old file lies now ("" when it was not kept).
    void NoteScanDllReplaced(const std::string& installedPath, const std::string& oldFilePath);
    void NoteScanDllReplacedAtRestart(const std::string& installedPath, const std::string& oldFilePath);
    // A scan DLL moved aside and left there.
    void NoteScanDllMovedAside(const std::string& installedPath, const std::string& oldFilePath);

    // Nothing to undo, but told: a service restarted, a registration run again.
    void NoteServiceRestarted(const std::string& serviceName);
    void NoteRegisteredAgain(const std::string& commandLine);

    // Whether a file name is one an undo file is given.
    static bool IsUndoFileName(const std::string& fileName);

private:
    // Text of the ANSI code page in the file's form (UTF-16LE or REGEDIT4).
    std::string Text(const std::string& text) const;
    void AddEntry(const std::string& text);
    void AddChangeNote(const std::string& text);
    void AddNote(const std::string& text);
    bool Create();
    // The folder and name the run's time gives, without "-2" or the extension.
    std::string BaseName() const;
    bool Append(const std::string& text);
    // How far a write of the whole file got: whole under its name; not
    // written (the write or flush failed); or written but not given the name
    // (taken, or refused).
    enum class Written { kWhole, kNotWritten, kNotCreated };
    Written WriteWhole(DWORD moveFlags);
    void Abandon(const std::string& errorText);
    void RemoveFileAndCopies();

    SYSTEMTIME m_started = {};
    std::vector<std::string> m_aRunLines;
    std::vector<std::string> m_aNotesBeforeFirstChange;  // written again if the file is made afresh
    std::set<std::string> m_recordedValues;  // "<KEY PATH>\<VALUE NAME>"
    std::set<std::string> m_copiedFiles;     // the paths copied, upper case
    std::vector<std::string> m_aCopies;      // the copies beside the undo file
    std::map<std::string, std::string> m_copyOf;  // upper-case path -> its copy, as the copy line names it

    std::string m_store;  // the folder of the undo records, with its backslash
    unsigned long m_sequence = 0;
    bool m_bWindows9x = false;
    bool m_bRegedit4 = false;
    std::string m_strPath;
    std::string m_content;  // the file's bytes, as written last
    bool m_bCreated = false;
    bool m_bRunBegun = false;
    bool m_bAbandoned = false;
    bool m_bChangeMade = false;
};
