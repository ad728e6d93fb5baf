// remendo-capture: writes the machine folder of the PC it runs on, as the run
// of the remendo.exe beside it would see that PC, changing nothing.
//
//   remendo-capture [FOLDER]
//
// FOLDER defaults to Remendo-machine beside this program.
#include <iostream>
#include <string>

#include "Capture.h"
#include "ConsoleWait.h"
#include "machine/MachineFolder.h"
#include "win32/SystemLibrary.h"
#include "win32/Win32Api.h"

namespace {
const char kUsage[] = "usage: remendo-capture [FOLDER]\n";
const char kDefaultFolder[] = "Remendo-machine";
const char kRemendoExe[] = "remendo.exe";

// Writes the capture into a new folder, never into or over one that is there:
// an existing folder is left as it is, and the next free name is taken.
int WriteMachineFolder(const sim::Machine& machine, const std::string& folder)
{
    std::string written, problem;
    bool nextName = false;
    if (!sim::SaveNewMachine(machine, folder, written, nextName, problem)) {
        std::cerr << "remendo-capture: " << problem << "\n";
        return 2;
    }
    if (nextName)
        std::cout << folder << " exists: it is left as it is, and the machine goes to a new folder\n";
    std::cout << written << "\n";
    return 0;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::cerr << kUsage;
        return 1;
    }
    // Run beside remendo.exe, often from a Downloads folder, and elevated.
    NarrowDllSearch();
    Win32Api api;
    SetWin(&api);
    char self[MAX_PATH + 1] = {};
    DWORD length = Win().GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string ownFolder(self, length);
    std::string::size_type slash = ownFolder.rfind('\\');
    ownFolder = slash == std::string::npos ? std::string(".") : ownFolder.substr(0, slash);
    std::string folder = argc == 2 ? argv[1] : ownFolder + "\\" + kDefaultFolder;

    sim::Machine machine = capture::CaptureMachine(ownFolder + "\\" + kRemendoExe,
                                                   [](const std::string& line) { std::cout << line << "\n"; });
    std::cout << "Writing the machine folder" << std::endl;
    int exitCode = WriteMachineFolder(machine, folder);
    PauseIfAloneInConsole();
    return exitCode;
}
