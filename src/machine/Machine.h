// The state of one simulated Windows machine: what a machine folder holds.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/WinTypes.h"
#include "machine/FileSystem.h"
#include "machine/Registry.h"
#include "machine/TextEncodings.h"

namespace machine {

struct OsVersion {
    DWORD major = 5;
    DWORD minor = 1;
    DWORD build = 2600;
    DWORD platform = VER_PLATFORM_WIN32_NT;
    std::string servicePack = "Service Pack 2";
    bool queryFails = false;
};

// What opening a token gives: "none" (no token of its own: ERROR_NO_TOKEN),
// "denied" (cannot be opened), or a token whose groups are "admin",
// "admin-deny-only", "user" or "no-groups".
struct Tokens {
    std::string thread = "none";
    std::string process = "admin";
};

struct Paths {
    std::string executable = "C:\\Program Files\\Remendo\\Remendo.exe";  // "" when it cannot be obtained
    std::string windows = "C:\\WINDOWS";
    std::string system = "C:\\WINDOWS\\system32";
    std::string temp = "C:\\WINDOWS\\TEMP\\";
    // The common application data folder; "" for where the machine's Windows
    // keeps it (none before Windows 2000).
    std::string commonAppData;
};

struct Printer {
    std::string name;
    std::string port;
    std::string driver;
};

struct Service {
    std::string name;
    std::string displayName;
    std::string state = "stopped";   // "stopped" or "running"
    std::string startType = "demand";  // "boot", "system", "auto", "demand" or "disabled"
    std::string binaryPath;
    int startChecks = 1;  // status checks until a start shows as running
    int stopChecks = 1;   // status checks until a stop shows as stopped
    bool canOpen = true;  // false: OpenServiceA is refused with ERROR_ACCESS_DENIED
    // While a start or stop is under way, the status checks still to come that show
    // it pending. Not kept in a machine folder: a machine written out shows the
    // state the service is heading for.
    int pendingChecks = 0;
};

// A program that can be started as a child process. Its executable is a file of
// the machine (one is created, empty, when the disks do not hold it).
struct Program {
    std::string path;     // full path of the executable
    DWORD runsMs = 0;     // how long it runs before it ends, on the virtual clock
    bool starts = true;   // false: CreateProcessA fails with ERROR_BAD_EXE_FORMAT
    // For a service's executable: started with /REGSERVER it installs this service
    // set to start automatically; with /UNREGSERVER it removes it.
    std::string service;
};

// One message box shown during a run, and what it was answered.
struct ShownMessageBox {
    std::string text;
    std::string caption;
    UINT style = 0;
    int answer = 0;
    int ownerTemplate = 0;  // dialog template of the window that owns the box, 0 for none
};

// A file move the system carries out at its next start (MoveFileExA with
// MOVEFILE_DELAY_UNTIL_REBOOT); an empty target deletes the file.
struct PendingRename {
    std::string from;
    std::string to;
    bool replaceExisting = false;
};

// How the user answers the connection dialog (template 102), played as a user
// would: type the product, click the connection's radio button, fill the port
// or the network fields (a disabled field takes no typing), then press the
// buttons in order until the dialog closes. Unset fields keep what the dialog shows.
// When the buttons run out with the dialog still open, the user closes it.
struct DialogAnswers {
    std::optional<std::string> product;
    std::optional<std::string> connection;       // "direct" or "network"
    std::optional<std::string> port;
    std::optional<std::string> ipAddress;        // "a.b.c.d"; an empty field stays blank, "" clears all four
    std::optional<std::string> hardwareAddress;
    std::optional<std::string> hostName;
    std::vector<std::string> buttons;            // "fixit" or "cancel"
};

// A file another process holds open for the whole run, with this access and
// sharing: the run's own opens, moves and deletes meet it as Windows would.
struct HeldFile {
    std::string path;
    DWORD access = GENERIC_READ;     // GENERIC_READ and/or GENERIC_WRITE
    DWORD share = FILE_SHARE_READ;   // FILE_SHARE_READ, _WRITE and _DELETE
    bool loaded = false;  // mapped as a running image: it cannot be moved over or deleted
};

struct Fault {
    std::string operation;  // e.g. "CreateFileA"
    int call = 1;           // which call of that operation fails (1 = the first)
    DWORD error = ERROR_ACCESS_DENIED;
};

// Every text of a machine is Unicode, in UTF-8 (TextEncodings.h).
struct Machine {
    // The ANSI code page (GetACP) its ANSI calls see its texts in.
    DWORD ansiCodePage = kDefaultCodePage;
    Registry registry;
    FileSystem files;
    OsVersion os;
    Tokens tokens;
    Paths paths;
    SYSTEMTIME startTime = {2026, 12, 2, 8, 9, 30, 0, 0};
    std::set<std::string> namedObjects;  // kernel objects other processes hold, e.g. "cvRemendoUtility"
    std::vector<Printer> printers;
    std::vector<std::string> ports;
    int printerListNotReadyCalls = 0;  // EnumPrintersA calls answered ERROR_INVALID_PARAMETER first
    std::map<std::string, std::string> hostNames;  // dotted address -> name
    WORD socketsVersion = MAKEWORD(2, 2);          // the highest Windows Sockets version
    std::vector<Service> services;
    std::vector<Program> programs;
    std::vector<std::string> messageBoxAnswers;   // scripted answers, in order: "yes", "no", "cancel", "ok"
    std::vector<PendingRename> pendingRenames;
    // Scripted answers to the connection dialog: each set is played in turn
    // while the dialog stays open (after a Fix It it refused, say); empty: unscripted.
    std::vector<DialogAnswers> dialog;
    std::vector<HeldFile> heldFiles;
    // The view of HKEY_LOCAL_MACHINE\SOFTWARE a capture read, "32-bit" or
    // "64-bit", as the remendo.exe of that width sees it; "" for a machine written by hand.
    std::string registryView;
    std::vector<Fault> faults;
};

}  // namespace machine
