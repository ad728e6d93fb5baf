// remendo-capture: writes the machine folder of the PC it runs on, as the run
// of the remendo.exe beside it would see that PC, changing nothing.
//
//   remendo-capture [FOLDER]
//
// FOLDER defaults to Remendo-machine beside this program.
#include <filesystem>
#include <iostream>
#include <string>

#include "Capture.h"
#include "ConsoleWait.h"
#include "machine/HostFolder.h"
#include "machine/MachineFolder.h"
#include "win32/SystemLibrary.h"
#include "win32/Win32Api.h"
// After the platform's headers, which bring in <windows.h> in the order Windows Sockets needs.
#include <shellapi.h>

namespace {
const char kUsage[] = "usage: remendo-capture [FOLDER]\n";
const wchar_t kDefaultFolder[] = L"Remendo-machine";
const wchar_t kRemendoExe[] = L"remendo.exe";

// Writes the capture into a new folder, never into or over one that is there:
// an existing folder is left as it is, and the next free name is taken.
int WriteMachineFolder(const machine::Machine& machine, const std::filesystem::path& folder)
{
    std::string written, problem;
    bool nextName = false;
    if (!machine::SaveNewMachine(machine, folder, written, nextName, problem)) {
        std::cerr << "remendo-capture: " << problem << "\n";
        return 2;
    }
    if (nextName)
        std::cout << folder.u8string() << " exists: it is left as it is, and the machine goes to a new folder\n";
    std::cout << written << "\n";
    return 0;
}

// Why the capture cannot write into the folder asked for; "" when it can. It
// makes a folder of its own there: a drive's or a share's root is no such
// folder (the next free name would be "C:\-2"), and a \\?\ or \\.\ path
// reaches past the path rules a folder is made by.
std::string FolderProblem(const std::filesystem::path& folder)
{
    std::wstring given = folder.wstring();
    if (given.rfind(L"\\\\?\\", 0) == 0 || given.rfind(L"\\\\.\\", 0) == 0 || given.rfind(L"\\??\\", 0) == 0)
        return folder.u8string() + " is a \\\\?\\ or \\\\.\\ path, which the capture does not take: give the folder "
                                   "as C:\\... or \\\\server\\share\\...";
    std::filesystem::path full = machine::host::FullPath(folder);
    std::size_t names = 0;
    for (const std::filesystem::path& name : full.relative_path())
        names += name.empty() ? 0 : 1;
    bool share = full.root_name().wstring().rfind(L"\\\\", 0) == 0;
    if (names < (share ? 2u : 1u))
        return folder.u8string() + " is the root of a drive or a share: give a folder to create there, as " +
               (full / kDefaultFolder).u8string();
    return std::string();
}

// This program's full path as the system gives it, in any folder; "" when it cannot be had.
std::wstring OwnPath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::wstring();
        // A path that filled the buffer may have been cut short (and, on XP, left unterminated).
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

int Capture(int argc, wchar_t** argv)
{
    if (argc > 2 || (argc == 2 && argv[1][0] == L'-')) {
        std::cerr << kUsage;
        return 1;
    }
    // Run beside remendo.exe, often from a Downloads folder, and elevated.
    NarrowDllSearch();
    Win32Api api;
    SetWin(&api);
    std::wstring ownFolder = OwnPath();
    std::wstring::size_type slash = ownFolder.rfind(L'\\');
    ownFolder = slash == std::wstring::npos ? std::wstring(L".") : ownFolder.substr(0, slash);
    std::filesystem::path folder(argc == 2 ? std::wstring(argv[1]) : ownFolder + L"\\" + kDefaultFolder);
    std::string problem = FolderProblem(folder);
    if (!problem.empty()) {
        std::cerr << "remendo-capture: " << problem << "\n";
        PauseIfAloneInConsole();
        return 2;
    }

    auto print = [](const std::string& line) { std::cout << line << "\n"; };
    machine::Machine machine = capture::CaptureMachine(ownFolder + L"\\" + kRemendoExe, print, print);
    std::cout << "Writing the machine folder" << std::endl;
    int exitCode = WriteMachineFolder(machine, folder);
    PauseIfAloneInConsole();
    return exitCode;
}
}  // namespace

// The arguments as wide text: a folder named beyond the code page is taken as it is.
int main()
{
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr) {
        std::cerr << kUsage;
        return 1;
    }
    int exitCode = Capture(argc, argv);
    ::LocalFree(argv);
    return exitCode;
}
