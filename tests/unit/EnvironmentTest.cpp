// The environment checks: operating-system classification, the administrator
// check and the service manager's platform test.
#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "app/Remendo.h"
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
        sim::Machine machine = test::BaseMachine();
        machine.os.platform = c.platform;
        machine.os.major = c.major;
        machine.os.minor = c.minor;
        sim::SimApi api(machine);
        test::ScopedBackend backend(api);
        CRemendoApp app;
        app.SetupOs();
        SCOPED_TRACE(std::to_string(c.platform) + ":" + std::to_string(c.major) + "." + std::to_string(c.minor));
        EXPECT_EQ(app.m_bWin9x, c.win9x);
        EXPECT_EQ(app.m_bXpOrLater, c.xpOrLater);
        EXPECT_EQ(ServiceControl::IsNtPlatform(), c.ntPlatform);
        EXPECT_EQ(test::LogLines(api).at(1),
                  "Remendo: SetupOs> --- Major Version: " + std::to_string(c.major) + ", Minor Version: " +
                      std::to_string(c.minor) + ", Build: 2600, Platform: " + std::to_string(c.platform) +
                      ", Service Pack 2");
    }
}

TEST(SetupOs, FailedQueryDefaultsToNt)
{
    sim::Machine machine = test::BaseMachine();
    machine.os.queryFails = true;
    sim::SimApi api(machine);
    test::ScopedBackend backend(api);
    CRemendoApp app;
    app.m_bWin9x = true;
    app.SetupOs();
    EXPECT_FALSE(app.m_bWin9x);
    EXPECT_FALSE(app.m_bXpOrLater);
    EXPECT_EQ(test::LogLines(api),
              (std::vector<std::string>{"Remendo: SetupOs> - What OS are we on?",
                                        "DebugLog: LogLastError> Unknown as GetVersionEx failed, defaulting to NT: "
                                        "The parameter is incorrect.\r\n"}));
    EXPECT_FALSE(ServiceControl::IsNtPlatform());
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
        sim::Machine machine = test::BaseMachine();
        machine.tokens = {c.thread, c.process};
        sim::SimApi api(machine);
        test::ScopedBackend backend(api);
        CRemendoApp app;
        SCOPED_TRACE(std::string(c.thread) + "/" + c.process);
        EXPECT_EQ(app.RunningAsAdministrator(), c.administrator);
        EXPECT_EQ(api.CallCount("OpenProcessToken"), c.processTokenOpens);
        EXPECT_TRUE(test::LogLines(api).empty());
        EXPECT_EQ(api.OpenHandleCount(), 1u) << "only the log file stays open";
    }
}

TEST(RunningAsAdministrator, AnyFailingStepGivesFalse)
{
    for (const char* operation : {"OpenProcessToken", "GetTokenInformation", "AllocateAndInitializeSid"}) {
        for (int call = 1; call <= 2; ++call) {
            sim::Machine machine = test::BaseMachine();
            machine.faults.push_back({operation, call, ERROR_ACCESS_DENIED});
            sim::SimApi api(machine);
            test::ScopedBackend backend(api);
            CRemendoApp app;
            bool failedCallHappened = false;
            bool result = app.RunningAsAdministrator();
            failedCallHappened = api.CallCount(operation) >= call;
            SCOPED_TRACE(std::string(operation) + " call " + std::to_string(call));
            EXPECT_EQ(result, !failedCallHappened);
        }
    }
}

}  // namespace
