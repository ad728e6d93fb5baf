// End-to-end: the run's service steps and re-registrations against Wine's
// real service manager and regsvr32, with stand-ins of ours for the maker's
// management program and scan DLL.
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <string>
#include <vector>

#include "MachineSetup.h"
#include "RemendoE2E.h"

namespace {
const char kManagementService[] = "QMX Driver CVQ40";
const char kSpooler[] = "spooler";
// The stand-ins record their calls beside themselves (see programs/).
const char kCallsSuffix[] = ".calls";
const char kRegisteredSuffix[] = ".registered";
const DWORD kRegistrationWaitMs = 10000;
const DWORD kPollMs = 100;

// Windows file names are the same whatever their case.
std::string Lowered(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class Services : public RemendoE2E {
protected:
    // Copies a program of the tests into the system directory, removing what it recorded before.
    void InstallIntoSystemDirectory(const std::string& builtPath, const std::string& name, const char* recordSuffix)
    {
        std::string installed = SystemDirectory() + "\\" + name;
        ASSERT_TRUE(::CopyFileA(WindowsPath(builtPath).c_str(), installed.c_str(), FALSE))
            << "cannot copy " << builtPath << " to " << installed << ": error " << ::GetLastError();
        ::DeleteFileA((installed + recordSuffix).c_str());
    }
};

TEST_F(Services, ManagementServiceOnDemandStartIsReRegisteredByItsProgram)
{
    std::string program = SystemDirectory() + "\\cvqmgr40.exe";
    InstallIntoSystemDirectory(Programs().managementStandIn, "cvqmgr40.exe", kCallsSuffix);
    std::string error;
    ASSERT_TRUE(InstallService(kManagementService, program, SERVICE_DEMAND_START, &error)) << error;

    Start();
    RunToCompletion(kDirectQuestion, kChangesMadeMessage);
    // Before the service is started and stopped below.
    CompareWithSimulation();

    EXPECT_EQ(MissingInOrder(LogLines(),
                             {"Remendo: InitInstance> - Is the QMX service installed and enabled?",
                              "Remendo: InitInstance> --- No, QMX service configuration needs updating",
                              "Remendo: ReInstallQMXService> - Can we re-start QMX service?",
                              "Remendo: ReInstallQMXService> ----- Can we first stop the QMX service?",
                              "Remendo: ReInstallQMXService> ------- Yes, service stopped",
                              "Remendo: ReInstallQMXService> ----- Can we get it restarted?",
                              "Remendo: ReInstallQMXService> ------- Yes, service restarted",
                              "Remendo: ReInstallQMXService> --- Yes, restarted QMX service successfully ##### Fixed"}),
              "");
    std::string calls;
    ASSERT_TRUE(ReadBytes(program + kCallsSuffix, &calls)) << "cvqmgr40.exe was never started";
    EXPECT_EQ(calls, "/UNREGSERVER\r\n/REGSERVER\r\n");
    // What the program registered is a service that starts with the system, and really runs.
    EXPECT_EQ(ServiceStartType(kManagementService), static_cast<DWORD>(SERVICE_AUTO_START));
    ASSERT_TRUE(StartServiceAndWait(kManagementService, &error)) << error;
    ASSERT_TRUE(StopServiceAndWait(kManagementService, &error)) << error;
}

TEST_F(Services, FamilyScanDllIsRegisteredByTheSystemsRegsvr32)
{
    std::string dll = SystemDirectory() + "\\cvqscan3.dll";
    InstallIntoSystemDirectory(Programs().olderScanDll, "cvqscan3.dll", kRegisteredSuffix);

    Start();
    RunToCompletion();

    EXPECT_EQ(MissingInOrder(LogLines(), {"Remendo: RegisterScanDll> - Can we register the scan dll?",
                                          "Remendo: RegisterScanDll> --- Yes, successfully registered scan dll"}),
              "");
    // regsvr32 is not waited for by the run.
    std::string registered;
    for (DWORD waited = 0; !ReadBytes(dll + kRegisteredSuffix, &registered) && waited < kRegistrationWaitMs;
         waited += kPollMs)
        ::Sleep(kPollMs);
    EXPECT_EQ(Lowered(registered), Lowered(dll + "\r\n")) << "DllRegisterServer of " << dll << " was not called";
}

TEST_F(Services, StoppedSpoolerIsStartedByTheRun)
{
    std::string error;
    ASSERT_TRUE(StopServiceAndWait(kSpooler, &error)) << error;
    ASSERT_EQ(ServiceState(kSpooler), static_cast<DWORD>(SERVICE_STOPPED));

    Start();
    RunToCompletion(kDirectQuestion, kChangesMadeMessage);

    EXPECT_EQ(MissingInOrder(LogLines(), {"Remendo: InitInstance> - Is the spooler running?",
                                          "Remendo: InitInstance> --- No, Can we start it?",
                                          "Remendo: InitInstance> ------ Yes, spooler was just started ##### FIXED"}),
              "");
    EXPECT_EQ(ServiceState(kSpooler), static_cast<DWORD>(SERVICE_RUNNING));
}

}  // namespace
