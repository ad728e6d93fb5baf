// The environment checks: operating-system classification, the administrator
// check and the service manager's platform test.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>
#include <utility>

#include "SimTestSupport.h"
#include "app/Remendo.h"
#include "platform/WinApi.h"
#include "system/Service.h"

namespace {

struct OsCase {
    DWORD platform, major, minor;
    bool win9x, xpOrLater, ntPlatform;
};

TEST(SetupOs, ClassifiesByPlatformAndMinorNumber)
{
    const OsCase cases[] = {
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, true, false, false},
        {VER_PLATFORM_WIN32_WINDOWS, 5, 1, true, false, false},
        {VER_PLATFORM_WIN32_NT, 4, 0, false, false, false},
        {VER_PLATFORM_WIN32_NT, 5, 0, false, false, true},
        {VER_PLATFORM_WIN32_NT, 5, 1, false, true, true},
        {VER_PLATFORM_WIN32_NT, 5, 2, false, true, true},
        {VER_PLATFORM_WIN32_NT, 6, 0, false, false, true},
        {VER_PLATFORM_WIN32_NT, 6, 1, false, true, true},
    };
    for (const OsCase& c : cases) {
        machine::Machine machine = test::BaseMachine();
        machine.os.platform = c.platform;
        machine.os.major = c.major;
        machine.os.minor = c.minor;
        sim::InstalledMachine hub(machine);
        hub.app.SetupOs();
        SCOPED_TRACE(std::to_string(c.platform) + ":" + std::to_string(c.major) + "." + std::to_string(c.minor));
        EXPECT_EQ(hub.app.m_bWin9x, c.win9x);
        EXPECT_EQ(hub.app.m_bXpOrLater, c.xpOrLater);
        EXPECT_EQ(ServiceControl::IsNtPlatform(), c.ntPlatform);
        EXPECT_EQ(test::LogLines(hub.api).at(1),
                  "Remendo: SetupOs> --- Major Version: " + std::to_string(c.major) + ", Minor Version: " +
                      std::to_string(c.minor) + ", Build: 2600, Platform: " + std::to_string(c.platform) +
                      ", Service Pack 2");
    }
}

// The version a program is told depends on the systems its manifest declares:
// Windows 8.1, 10 and 11 report 6.2 (build 9200) to a program that declares
// none of them. The highest declared system is what the newest ones report.
std::pair<DWORD, DWORD> VersionNewestWindowsReports(const std::string& manifest)
{
    const std::pair<const char*, std::pair<DWORD, DWORD>> declared[] = {
        {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", {6, 0}},   // Vista
        {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", {6, 1}},   // 7
        {"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", {6, 2}},   // 8
        {"{1f676c76-80e1-4239-95bb-83d0f6d0da78}", {6, 3}},   // 8.1
        {"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", {10, 0}},  // 10 and 11
    };
    std::pair<DWORD, DWORD> reported{6, 2};
    std::regex supportedOs("<supportedOS\\s+Id=\"(\\{[0-9a-fA-F-]+\\})\"");
    for (std::sregex_iterator it(manifest.begin(), manifest.end(), supportedOs), end; it != end; ++it) {
        std::string id = (*it)[1];
        std::transform(id.begin(), id.end(), id.begin(), [](unsigned char c) { return std::tolower(c); });
        for (const auto& known : declared)
            if (id == known.first)
                reported = std::max(reported, known.second);
    }
    return reported;
}

bool XpOrLaterOn(DWORD major, DWORD minor)
{
    machine::Machine machine = test::BaseMachine();
    machine.os.platform = VER_PLATFORM_WIN32_NT;
    machine.os.major = major;
    machine.os.minor = minor;
    sim::InstalledMachine hub(machine);
    hub.app.SetupOs();
    return hub.app.m_bXpOrLater;
}

TEST(SetupOs, WhatEachWindowsReportsToTheProgram)
{
    struct Reported {
        const char* windows;
        DWORD major, minor;
        bool xpOrLater;
    };
    const Reported cases[] = {
        {"XP", 5, 1, true},          {"XP x64, Server 2003", 5, 2, true}, {"Vista, Server 2008", 6, 0, false},
        {"7, Server 2008 R2", 6, 1, true}, {"8, 8.1, 10, 11", 6, 2, true},
    };
    for (const Reported& c : cases) {
        SCOPED_TRACE(c.windows);
        EXPECT_EQ(XpOrLaterOn(c.major, c.minor), c.xpOrLater);
    }
    // What they would report if the manifest declared them: the minor number
    // alone would call Windows 10 and 11 "2000 or older".
    EXPECT_FALSE(XpOrLaterOn(10, 0));
}

TEST(SetupOs, TheManifestKeepsWindows10And11ReportingAClassifiedVersion)
{
    std::ifstream file(REMENDO_MANIFEST_PATH);
    ASSERT_TRUE(file) << REMENDO_MANIFEST_PATH;
    std::string manifest((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_NE(manifest.find("supportedOS"), std::string::npos);
    std::pair<DWORD, DWORD> reported = VersionNewestWindowsReports(manifest);
    SCOPED_TRACE(std::to_string(reported.first) + "." + std::to_string(reported.second));
    EXPECT_TRUE(XpOrLaterOn(reported.first, reported.second));
}

TEST(SetupOs, FailedQueryDefaultsToNt)
{
    machine::Machine machine = test::BaseMachine();
    machine.os.queryFails = true;
    sim::InstalledMachine hub(machine);
    hub.app.m_bWin9x = true;
    hub.app.SetupOs();
    EXPECT_FALSE(hub.app.m_bWin9x);
    EXPECT_FALSE(hub.app.m_bXpOrLater);
    EXPECT_EQ(test::LogLines(hub.api),
              (std::vector<std::string>{"Remendo: SetupOs> - What OS are we on?",
                                        "DebugLog: LogLastError> Unknown as GetVersionEx failed, defaulting to NT: "
                                        "The parameter is incorrect.\r\n"}));
    EXPECT_FALSE(ServiceControl::IsNtPlatform());
}

// What the oldest systems answer: the 9x family's wide, service and security
// calls are stubs, so the program's and the temp folder come through the ANSI
// calls there; before 2000 a conversion into the code page takes no
// WC_NO_BEST_FIT_CHARS, and a text the code page lacks is still refused. The
// 9x family's build number carries its version in the high word, and the log
// gives it as it is.
TEST(OldWindows, AnswerAsThoseSystemsDoAndThePathsStillCome)
{
    struct Case {
        const char* windows;
        machine::OsVersion os;
        bool stubs;
    };
    const Case cases[] = {
        {"98 SE", {4, 10, 0x040A08AE, VER_PLATFORM_WIN32_WINDOWS, " A ", false}, true},
        {"Me", {4, 90, 0x045A0BB8, VER_PLATFORM_WIN32_WINDOWS, " ", false}, true},
        {"NT 4.0", {4, 0, 1381, VER_PLATFORM_WIN32_NT, "Service Pack 6a", false}, false},
        {"2000", {5, 0, 2195, VER_PLATFORM_WIN32_NT, "Service Pack 4", false}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.windows);
        machine::Machine machine = test::BaseMachine();
        machine.os = c.os;
        sim::InstalledMachine hub(machine);
        WCHAR path[MAX_PATH] = {};
        EXPECT_EQ(hub.api.GetModuleFileNameW(nullptr, path, MAX_PATH) == 0, c.stubs);
        SC_HANDLE manager = hub.api.OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        EXPECT_EQ(manager == nullptr, c.stubs);
        if (manager != nullptr)
            hub.api.CloseServiceHandle(manager);
        else
            EXPECT_EQ(hub.api.GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
        EXPECT_EQ(ProgramDirectory(), "C:\\Tools\\");
        EXPECT_EQ(TempDirectory(), machine.paths.temp);
        std::string ansi;
        EXPECT_TRUE(WideToAnsi(u"Caf\u00e9", ansi));
        EXPECT_EQ(ansi, "Caf\xe9");
        EXPECT_FALSE(WideToAnsi(u"\u65e5", ansi));

        hub.app.SetupOs();
        EXPECT_EQ(test::LogLines(hub.api).at(1),
                  "Remendo: SetupOs> --- Major Version: " + std::to_string(c.os.major) + ", Minor Version: " +
                      std::to_string(c.os.minor) + ", Build: " + std::to_string(static_cast<int>(c.os.build)) +
                      ", Platform: " + std::to_string(c.os.platform) + ", " + c.os.servicePack);
        EXPECT_EQ(hub.app.m_bWin9x, c.os.platform == VER_PLATFORM_WIN32_WINDOWS);
        EXPECT_FALSE(hub.app.m_bXpOrLater);
    }
}

struct TokenCase {
    const char* thread;
    const char* process;
    bool administrator;
    int processTokenOpens;
};

TEST(RunningAsAdministrator, ThreadTokenFirstAndMembershipAloneCounts)
{
    const TokenCase cases[] = {
        {"none", "admin", true, 1},
        {"none", "user", false, 1},
        {"none", "denied", false, 1},
        {"admin", "user", true, 0},
        {"user", "admin", false, 0},
        {"denied", "admin", false, 0},  // only a missing thread token falls back
        {"admin-deny-only", "user", true, 0},
        {"no-groups", "admin", false, 0},
    };
    for (const TokenCase& c : cases) {
        machine::Machine machine = test::BaseMachine();
        machine.tokens = {c.thread, c.process};
        sim::InstalledMachine hub(machine);
        SCOPED_TRACE(std::string(c.thread) + "/" + c.process);
        EXPECT_EQ(hub.app.RunningAsAdministrator(), c.administrator);
        EXPECT_EQ(hub.api.CallCount("OpenProcessToken"), c.processTokenOpens);
        EXPECT_TRUE(test::LogLines(hub.api).empty());
        EXPECT_EQ(hub.api.OpenHandleCount(), 1u) << "only the log file stays open";
    }
}

TEST(RunningAsAdministrator, AnyFailingStepGivesFalse)
{
    for (const char* operation : {"OpenProcessToken", "GetTokenInformation", "AllocateAndInitializeSid"}) {
        for (int call = 1; call <= 2; ++call) {
            machine::Machine machine = test::BaseMachine();
            machine.faults.push_back({operation, call, ERROR_ACCESS_DENIED});
            sim::InstalledMachine hub(machine);
            bool failedCallHappened = false;
            bool result = hub.app.RunningAsAdministrator();
            failedCallHappened = hub.api.CallCount(operation) >= call;
            SCOPED_TRACE(std::string(operation) + " call " + std::to_string(call));
            EXPECT_EQ(result, !failedCallHappened);
        }
    }
}

}  // namespace
