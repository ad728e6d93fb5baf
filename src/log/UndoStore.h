// Where the runs keep their undo records, and how a program that runs with
// an administrator's rights tells a record it may trust.
//
// The store is "<common application data>\Remendo\Undo" (ProgramData from
// Vista on, All Users' Application Data on 2000 and XP; the Windows folder
// where the system has none): made by the run with owner Administrators and
// full control for the system and Administrators alone, nothing inherited. A
// standard user may make folders there too, before the first run: a folder of
// that name is trusted only when its owner is Administrators or the system
// and no one else may write, append, delete, change its permissions or take
// it over. The same test holds for every file read from it, made through the
// handle it is read with, so nothing can be swapped in between.
#pragma once

#include <string>
#include <vector>

#include "platform/Owned.h"
#include "platform/WinTypes.h"

namespace undostore {

// "...\Remendo\" and "...\Remendo\Undo\" under the common application data
// folder; "" when it cannot be had. WindowsFolderStore() is the one under the
// Windows folder, for a system without the other (and read by the undo too).
std::string OuterFolder(const std::string& base);
std::string StoreFolder(const std::string& base);
std::string CommonBase();
std::string WindowsBase();

// Why a file or folder is one others than the system and Administrators may
// change ("owned by S-1-5-21-...", "S-1-5-32-545 may write to it"); "" when
// it is not. `error` is set, with the reason, when its security cannot be read.
struct Verdict {
    bool readable = false;  // its security was read
    std::string why;        // "" when trusted
    bool Trusted() const { return readable && why.empty(); }
};
Verdict WhoElseMayChange(HANDLE handle);

// Opens a file (or, `folder`, a folder) for reading without following a
// link or junction at its place, and checks it; the handle stays open for
// the read. False with why in `problem` when it cannot be opened, is a link,
// is not what was asked, or is not trusted.
bool OpenChecked(const std::string& path, bool folder, KernelHandle& handle, std::string& problem);
// The same, telling a file or folder others may change (kUntrusted) from one
// whose security cannot be read at all (kUnreadable, the last error set).
enum class Checked { kTrusted, kUntrusted, kUnreadable };
Checked OpenAndCheck(const std::string& path, bool folder, KernelHandle& handle, std::string& problem);
// All the bytes of an open file, up to `most`; false when it reads short or is longer.
bool ReadWhole(HANDLE file, std::size_t most, std::string& bytes);

// The descriptor every folder and file of the store is given.
std::string AdministratorsOnlyDescriptor();

// For the run: the store made or checked, ready for the run's files; a
// folder at its place that others may change is moved aside first (logged).
// The 9x family has no accounts, so nothing there is checked.
// False, with the last error set, when there is none to write to.
bool PrepareStore(bool windows9x, std::string& storeFolder);

}  // namespace undostore
