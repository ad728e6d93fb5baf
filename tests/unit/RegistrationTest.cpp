// The re-registrations by child processes, and the run's spooler and
// management-service steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "RunUtility.h"
#include "SimTestSupport.h"
#include "app/Remendo.h"

namespace {

const char kManagementExe[] = "C:\\WINDOWS\\system32\\cvqmgr40.exe";
const char kRegsvr32Exe[] = "C:\\WINDOWS\\system32\\regsvr32.exe";
const char kManagementName[] = "QMX Driver CVQ40";

machine::Service* FindService(machine::Machine& machine, const std::string& name)
{
    for (machine::Service& service : machine.services) {
        if (service.name == name)
            return &service;
    }
    return nullptr;
}

machine::Program& ProgramAt(machine::Machine& machine, const std::string& path)
{
    for (machine::Program& program : machine.programs) {
        if (program.path == path)
            return program;
    }
    throw std::logic_error("no such program: " + path);
}

std::vector<std::string> CommandLines(const sim::SimApi& api)
{
    std::vector<std::string> lines;
    for (const sim::StartedProcess& process : api.StartedProcesses())
        lines.push_back(process.commandLine);
    return lines;
}

TEST(ReInstallQMXService, RunsTheServiceProgramTwiceAndWaitsForEach)
{
    machine::Machine machine = test::BaseMachine();
    FindService(machine, kManagementName)->startType = "demand";
    sim::InstalledMachine hub(machine);
    EXPECT_TRUE(hub.app.ReInstallQMXService());
    EXPECT_EQ(CommandLines(hub.api), (std::vector<std::string>{
                                         "\"C:\\WINDOWS\\system32\\cvqmgr40.exe\" /UNREGSERVER",
                                         "\"C:\\WINDOWS\\system32\\cvqmgr40.exe\" /REGSERVER",
                                     }));
    EXPECT_EQ(test::LogLines(hub.api),
              (std::vector<std::string>{
                  "Remendo: ReInstallQMXService> - Can we re-start QMX service?",
                  "Remendo: ReInstallQMXService> ----- Can we first stop the QMX service?",
                  "Remendo: ReInstallQMXService> ------- Yes, service stopped",
                  "Remendo: ReInstallQMXService> ----- Can we get it restarted?",
                  "Remendo: ReInstallQMXService> ------- Yes, service restarted",
                  "Remendo: ReInstallQMXService> --- Yes, restarted QMX service successfully ##### Fixed",
              }));
    // Each run of 300 ms was waited for; the service program registered the service again.
    EXPECT_EQ(hub.api.ElapsedMilliseconds(), 600u);
    EXPECT_EQ(FindService(machine, kManagementName)->startType, "auto");
    EXPECT_FALSE(hub.app.m_bChangesMade);
    EXPECT_EQ(hub.api.OpenHandleCount(), 1u);  // the log file alone
}

struct FailureCase {
    const char* name;
    std::function<void(machine::Machine&)> arrange;
    bool win9x;
    std::size_t started;
    std::vector<std::string> lines;  // the lines after the ones of the successful steps
};

TEST(ReInstallQMXService, EachFailureStopsItWithItsLines)
{
    const std::string timedOut = "DebugLog: LogLastError> Timed out waiting for cvqmgr40.exe: The wait operation timed out.\r\n";
    const FailureCase cases[] = {
        {"9x", [](machine::Machine&) {}, true, 0,
         {"DebugLog: LogLastError> Not on NT platform: The operation completed successfully.\r\n",
          "Remendo: ReInstallQMXService> failed to restart QMX service"}},
        {"no system directory", [](machine::Machine& m) { m.faults.push_back({"GetSystemDirectoryA", 1, ERROR_ACCESS_DENIED}); },
         false, 0,
         {"DebugLog: LogLastError> GetSystemDirectory failed: Access is denied.\r\n",
          "Remendo: ReInstallQMXService> failed to restart QMX service"}},
        {"program missing", [](machine::Machine& m) { m.files.Remove(kManagementExe); }, false, 0,
         {"Remendo: ReInstallQMXService> - Can we re-start QMX service?",
          "Remendo: ReInstallQMXService> ----- Can we first stop the QMX service?",
          "Remendo: ReInstallQMXService> No, createProcess failed",
          "DebugLog: LogLastError> CreateProcess failed: The system cannot find the file specified.\r\n",
          "Remendo: ReInstallQMXService> failed to restart QMX service"}},
        {"unregistering hangs", [](machine::Machine& m) { ProgramAt(m, kManagementExe).runsMs = 5001; }, false, 1,
         {"Remendo: ReInstallQMXService> - Can we re-start QMX service?",
          "Remendo: ReInstallQMXService> ----- Can we first stop the QMX service?",
          "Remendo: ReInstallQMXService> No, waiting timed out", timedOut,
          "Remendo: ReInstallQMXService> failed to restart QMX service"}},
        {"second start refused", [](machine::Machine& m) { m.faults.push_back({"CreateProcessA", 2, ERROR_ACCESS_DENIED}); },
         false, 1,
         {"Remendo: ReInstallQMXService> - Can we re-start QMX service?",
          "Remendo: ReInstallQMXService> ----- Can we first stop the QMX service?",
          "Remendo: ReInstallQMXService> ------- Yes, service stopped",
          "Remendo: ReInstallQMXService> ----- Can we get it restarted?",
          "DebugLog: LogLastError> CreateProcess failed: Access is denied.\r\n",
          "Remendo: ReInstallQMXService> failed to restart QMX service"}},
        {"registering wait gives up", [](machine::Machine& m) { m.faults.push_back({"WaitForSingleObject", 2, WAIT_TIMEOUT}); },
         false, 2,
         {"Remendo: ReInstallQMXService> - Can we re-start QMX service?",
          "Remendo: ReInstallQMXService> ----- Can we first stop the QMX service?",
          "Remendo: ReInstallQMXService> ------- Yes, service stopped",
          "Remendo: ReInstallQMXService> ----- Can we get it restarted?", timedOut,
          "Remendo: ReInstallQMXService> failed to restart QMX service"}},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        machine::Machine machine = test::BaseMachine();
        c.arrange(machine);
        sim::InstalledMachine hub(machine);
        hub.app.m_bWin9x = c.win9x;
        EXPECT_FALSE(hub.app.ReInstallQMXService());
        EXPECT_EQ(hub.api.StartedProcesses().size(), c.started);
        EXPECT_EQ(test::LogLines(hub.api), c.lines);
        EXPECT_EQ(hub.api.OpenHandleCount(), 1u);  // the log file alone, also after a timeout
    }
}

struct DllCase {
    bool familyA, familyB, familyC;
    std::string windowsDirectory;
    std::string commandLine;
};

TEST(RegisterScanDll, ChoosesTheDllByFamilyAndStartsRegsvr32ByItsFullPath)
{
    const DllCase cases[] = {
        {false, true, false, "C:\\WINDOWS", "regsvr32 /s \"C:\\WINDOWS\\system32\\cvqscan3.dll\""},
        {true, false, false, "C:\\WINDOWS", "regsvr32 /s \"C:\\WINDOWS\\system32\\cvqscan.dll\""},
        {false, false, true, "C:\\WINDOWS", "regsvr32 /s \"C:\\WINDOWS\\system32\\cvqscan2.dll\""},
        {true, false, true, "C:\\WINDOWS", "regsvr32 /s \"C:\\WINDOWS\\system32\\cvqscan2.dll\""},
        {false, false, false, "C:\\WINDOWS", "regsvr32 /s \"C:\\WINDOWS\\system32\\cvqscan3.dll\""},
        {false, true, false, "C:\\", "regsvr32 /s \"C:\\system32\\cvqscan3.dll\""},
    };
    for (const DllCase& c : cases) {
        SCOPED_TRACE(c.commandLine);
        machine::Machine machine = test::BaseMachine();
        machine.paths.windows = c.windowsDirectory;
        // A stranger's regsvr32.exe beside the utility is not the one started.
        machine.files.Write("C:\\Tools\\regsvr32.exe", "MZ");
        sim::InstalledMachine hub(machine);
        hub.app.m_bFamilyA = c.familyA;
        hub.app.m_bFamilyB = c.familyB;
        hub.app.m_bFamilyC = c.familyC;
        hub.app.RegisterScanDll();
        ASSERT_EQ(hub.api.StartedProcesses().size(), 1u);
        EXPECT_EQ(hub.api.StartedProcesses()[0].commandLine, c.commandLine);
        EXPECT_EQ(hub.api.StartedProcesses()[0].program, kRegsvr32Exe);
        EXPECT_EQ(test::LogLines(hub.api),
                  (std::vector<std::string>{
                      "Remendo: RegisterScanDll> - Can we register the scan dll?",
                      "Remendo: RegisterScanDll> --- Yes, successfully registered scan dll",
                  }));
        // Not waited for, and its handles are closed at once.
        EXPECT_EQ(hub.api.ElapsedMilliseconds(), 0u);
        EXPECT_EQ(hub.api.OpenHandleCount(), 1u);
    }
}

TEST(RegisterScanDll, ProgramThatDoesNotStartIsLoggedWithTheCommandLine)
{
    machine::Machine machine = test::BaseMachine();
    ProgramAt(machine, kRegsvr32Exe).starts = false;
    sim::InstalledMachine hub(machine);
    hub.app.RegisterScanDll();
    EXPECT_EQ(test::LogLines(hub.api).back(),
              "DebugLog: LogLastError> CreateProcess on \"regsvr32 /s \"C:\\WINDOWS\\system32\\cvqscan3.dll\"\" "
              "failed: %1 is not a valid Win32 application.\r\n");
}

bool Contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

struct ManagementCase {
    const char* name;
    std::function<void(machine::Machine&)> arrange;
    std::string answer;
    bool reinstalled;
    bool changes;
};

TEST(Run, ManagementServiceCheckHasThreeOutcomesAndItsFlagRules)
{
    const ManagementCase cases[] = {
        {"automatic", [](machine::Machine&) {}, "Remendo: InitInstance> --- Yes, QMX service is installed and enabled",
         false, false},
        {"missing", [](machine::Machine& m) { m.services.pop_back(); },
         "Remendo: InitInstance> --- No, QMX service needs to be installed", true, true},
        {"demand start", [](machine::Machine& m) { FindService(m, kManagementName)->startType = "demand"; },
         "Remendo: InitInstance> --- No, QMX service configuration needs updating", true, true},
        {"disabled", [](machine::Machine& m) { FindService(m, kManagementName)->startType = "disabled"; },
         "Remendo: InitInstance> --- No, QMX service configuration needs updating", true, true},
        {"unreadable", [](machine::Machine& m) { m.faults.push_back({"QueryServiceConfigA", 1, ERROR_ACCESS_DENIED}); },
         "Remendo: InitInstance> --- Unknown, QMX service installed but can't query it", true, false},
        {"cannot be opened", [](machine::Machine& m) { FindService(m, kManagementName)->canOpen = false; },
         "Remendo: InitInstance> --- Unknown, QMX service installed but can't query it", true, false},
        // The flag is set before the reinstallation, whatever its outcome.
        {"reinstall fails", [](machine::Machine& m) {
             FindService(m, kManagementName)->startType = "demand";
             ProgramAt(m, kManagementExe).starts = false;
         },
         "Remendo: InitInstance> --- No, QMX service configuration needs updating", true, true},
    };
    for (const ManagementCase& c : cases) {
        SCOPED_TRACE(c.name);
        machine::Machine machine = test::BaseMachine();
        c.arrange(machine);
        sim::SimApi api(machine);
        sim::RunUtility(api);
        std::vector<std::string> lines = test::LogLines(api);
        EXPECT_TRUE(Contains(lines, c.answer));
        EXPECT_EQ(Contains(lines, "Remendo: ReInstallQMXService> - Can we re-start QMX service?"), c.reinstalled);
        EXPECT_EQ(test::BoxTexts(api).back(), c.changes ? "Changes were made that may have corrected a problem."
                                                        : "The utility has completed.");
    }
}

TEST(Run, StoppedSpoolerIsStartedAndCountsAsAChange)
{
    struct Case {
        const char* name;
        std::function<void(machine::Machine&)> arrange;
        std::vector<std::string> lines;
        std::string box;
    };
    const Case cases[] = {
        {"running", [](machine::Machine&) {}, {"Remendo: InitInstance> --- Yes, spooler is already running"},
         "The utility has completed."},
        {"status unreadable", [](machine::Machine& m) {
             FindService(m, "Spooler")->state = "stopped";
             m.faults.push_back({"QueryServiceStatus", 1, ERROR_ACCESS_DENIED});
         },
         {"Remendo: InitInstance> --- Yes, spooler is already running"}, "The utility has completed."},
        {"stopped", [](machine::Machine& m) { FindService(m, "Spooler")->state = "stopped"; },
         {"Remendo: InitInstance> --- No, Can we start it?",
          "Remendo: InitInstance> ------ Yes, spooler was just started ##### FIXED"},
         "Changes were made that may have corrected a problem."},
        {"stopped and disabled", [](machine::Machine& m) {
             FindService(m, "Spooler")->state = "stopped";
             FindService(m, "Spooler")->startType = "disabled";
         },
         {"Remendo: InitInstance> --- No, Can we start it?",
          "DebugLog: LogLastError> StartService failed: The service cannot be started, either because it is "
          "disabled or because it has no enabled devices associated with it.\r\n",
          "Remendo: InitInstance> No, the spooler could not be started"},
         "The utility has completed."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        machine::Machine machine = test::BaseMachine();
        c.arrange(machine);
        sim::SimApi api(machine);
        sim::RunUtility(api);
        std::vector<std::string> lines = test::LogLines(api);
        auto question = std::find(lines.begin(), lines.end(), "Remendo: InitInstance> - Is the spooler running?");
        ASSERT_NE(question, lines.end());
        // Failure lines of the status query come first; the answers follow the question.
        std::vector<std::string> answers;
        for (auto line = question + 1; line != lines.end() && line->find("> - ") == std::string::npos; ++line) {
            if (line->find("QueryServiceStatus failed") == std::string::npos)
                answers.push_back(*line);
        }
        EXPECT_EQ(answers, c.lines);
        EXPECT_EQ(test::BoxTexts(api).back(), c.box);
    }
}

TEST(Run, NineXFamilyChecksNoServiceButRegistersTheScanDll)
{
    machine::Machine machine = test::BaseMachine();
    machine.os.platform = VER_PLATFORM_WIN32_WINDOWS;
    machine.os.major = 4;
    machine.os.minor = 10;
    // On the 9x family the imaging devices are registered elsewhere.
    machine::RegKey& device = machine.registry.Create("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Image\\0000");
    device.SetValue("DriverDesc", REG_SZ, machine::StringData("CV Quillray 7250"));
    machine.registry.Create("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Image\\0000\\DeviceData");
    sim::SimApi api(machine);
    sim::RunUtility(api);
    EXPECT_EQ(api.CallCount("OpenSCManagerA"), 0);
    EXPECT_EQ(CommandLines(api), std::vector<std::string>{"regsvr32 /s \"C:\\WINDOWS\\system32\\cvqscan3.dll\""});
}

}  // namespace
