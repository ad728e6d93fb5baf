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
#include "UiAutomation.h"

namespace {
const char kManagementService[] = "QMX Driver CVQ40";
const char kSpooler[] = "spooler";
// The stand-ins record their calls beside themselves (see programs/).
const char kCallsSuffix[] = ".calls";
const char kRegisteredSuffix[] = ".registered";
const char kPauseSuffix[] = ".pause";
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

TEST_F(Services, ProgressWindowAnswersWhileTheRunWaitsSecondsForAProgram)
{
    std::string program = SystemDirectory() + "\\cvqmgr40.exe";
    InstallIntoSystemDirectory(Programs().managementStandIn, "cvqmgr40.exe", kCallsSuffix);
    std::string error;
    ASSERT_TRUE(InstallService(kManagementService, program, SERVICE_DEMAND_START, &error)) << error;
    ASSERT_TRUE(WriteBytes(program + kPauseSuffix, "4000"));

    Start();
    HWND box = NextBox();
    ASSERT_NE(box, nullptr);
    Answer(box, IDYES);
    // The program has started and pauses: the run waits for it.
    m_run.RunUntil([&] { return ::GetFileAttributesA((program + kCallsSuffix).c_str()) != INVALID_FILE_ATTRIBUTES; },
                   kRegistrationWaitMs);
    uia::DialogQuery query;
    query.anyCaption = false;
    query.caption = kProgressCaption;
    query.processId = m_run.ProcessId();
    std::vector<HWND> progress = uia::FindDialogs(query);
    ASSERT_EQ(progress.size(), 1u);

    BOOL answered = FALSE;
    BOOL hung = TRUE;
    DWORD answerMs = 0;
    m_run.RunAlongside(
        [&] {
            DWORD start = ::GetTickCount();
            DWORD_PTR result = 0;
            answered = ::SendMessageTimeoutA(progress[0], WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0;
            answerMs = ::GetTickCount() - start;
            hung = ::IsHungAppWindow(progress[0]);
        },
        kRegistrationWaitMs);
    EXPECT_TRUE(answered);
    EXPECT_LT(answerMs, 1000u);
    EXPECT_FALSE(hung);
    std::string calls;
    ASSERT_TRUE(ReadBytes(program + kCallsSuffix, &calls));
    EXPECT_EQ(calls, "/UNREGSERVER\r\n") << "the answer came after the program's pause";
    ::DeleteFileA((program + kPauseSuffix).c_str());
    FinishWithBox(kChangesMadeMessage);
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
