// Service control on the simulated service manager: results, failure lines,
// bounded waits and handles that are always closed.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "SimTestSupport.h"
#include "system/Service.h"

namespace {

const char kStiName[] = "stisvc";
// Successful calls leave the last error as it was: none, on a fresh machine.
const char kNoError[] = "The operation completed successfully.";

machine::Service& Sti(machine::Machine& machine)
{
    for (machine::Service& service : machine.services) {
        if (service.name == kStiName)
            return service;
    }
    throw std::logic_error("the base machine has no stisvc");
}

std::string LastErrorLine(const std::string& text, const std::string& systemText)
{
    return "DebugLog: LogLastError> " + text + ": " + systemText + "\r\n";
}

// Each failure of the table: what fails, the operation, its result and its one log line.
struct FailureCase {
    const char* name;
    std::function<void(machine::Machine&)> arrange;
    std::function<long(ServiceControl&)> operation;  // the result: 0/1, or whether a record came back
    long result;
    std::string line;
};

long Exist(ServiceControl& service) { return service.Exist(); }
long QueryStatus(ServiceControl& service) { return service.QueryStatus() != nullptr; }
long QueryConfig(ServiceControl& service) { return service.QueryServiceConfig() != nullptr; }
long Start(ServiceControl& service) { return service.Start(); }
long Stop(ServiceControl& service) { return service.Stop(); }

void MakeNineX(machine::Machine& machine)
{
    machine.os.platform = VER_PLATFORM_WIN32_WINDOWS;
    machine.os.major = 4;
}

std::function<void(machine::Machine&)> FailCall(const char* operation, DWORD error, int call = 1)
{
    return [=](machine::Machine& machine) { machine.faults.push_back({operation, call, error}); };
}

TEST(ServiceControl, EveryFailureOfTheTableGivesItsResultAndLine)
{
    const FailureCase cases[] = {
        {"9x, Exist", MakeNineX, Exist, 1, LastErrorLine("Not on NT platform", kNoError)},
        {"9x, Start", MakeNineX, Start, 0, LastErrorLine("Not on NT platform", kNoError)},
        {"manager, Exist", FailCall("OpenSCManagerA", ERROR_ACCESS_DENIED), Exist, 1,
         LastErrorLine("OpenSCManager failed", "Access is denied.")},
        {"manager, QueryStatus", FailCall("OpenSCManagerA", ERROR_ACCESS_DENIED), QueryStatus, 0,
         LastErrorLine("OpenSCManager failed", "Access is denied.")},
        {"missing, Exist", [](machine::Machine& m) { m.services.clear(); }, Exist, 0,
         LastErrorLine("Service does not exist", "The specified service does not exist as an installed service.")},
        {"missing, Stop", [](machine::Machine& m) { m.services.clear(); }, Stop, 0,
         LastErrorLine("OpenService failed", "The specified service does not exist as an installed service.")},
        {"refused, Exist", [](machine::Machine& m) { Sti(m).canOpen = false; }, Exist, 1,
         LastErrorLine("OpenService failed", "Access is denied.")},
        {"status", FailCall("QueryServiceStatus", ERROR_ACCESS_DENIED), QueryStatus, 0,
         LastErrorLine("QueryServiceStatus failed", "Access is denied.")},
        {"config size", FailCall("QueryServiceConfigA", ERROR_ACCESS_DENIED), QueryConfig, 0,
         LastErrorLine("QueryServiceConfig failed", "Access is denied.")},
        {"config read", FailCall("QueryServiceConfigA", ERROR_ACCESS_DENIED, 2), QueryConfig, 0,
         LastErrorLine("QueryServiceConfig failed", "Access is denied.")},
        {"start running", [](machine::Machine&) {}, Start, 0,
         LastErrorLine("StartService failed", "An instance of the service is already running.")},
        {"start timeout",
         [](machine::Machine& m) {
             Sti(m).state = "stopped";
             Sti(m).startChecks = 12;
         },
         Start, 0,
         LastErrorLine("Timed out waiting for Sti service to start",
                       "The service cannot accept control messages at this time.")},
        {"stop refused", FailCall("ControlService", ERROR_ACCESS_DENIED), Stop, 0,
         LastErrorLine("ControlService failed", "Access is denied.")},
        {"stop timeout", [](machine::Machine& m) { Sti(m).stopChecks = 12; }, Stop, 0,
         LastErrorLine("An error occured when trying to stop the service", kNoError)},
        {"already stopped", [](machine::Machine& m) { Sti(m).state = "stopped"; }, Stop, 1, ""},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        machine::Machine machine = test::BaseMachine();
        c.arrange(machine);
        sim::SimApi api(machine);
        test::ScopedBackend backend(api);
        {
            ServiceControl service(kStiName);
            EXPECT_EQ(c.operation(service), c.result);
        }
        std::vector<std::string> lines = test::LogLines(api);
        if (c.line.empty()) {
            EXPECT_TRUE(lines.empty());
        } else {
            EXPECT_EQ(lines, std::vector<std::string>{c.line});
        }
        EXPECT_EQ(api.OpenHandleCount(), 1u);  // the log file alone
    }
}

TEST(ServiceControl, StopOnAStoppedServiceSendsNoControl)
{
    machine::Machine machine = test::BaseMachine();
    Sti(machine).state = "stopped";
    sim::SimApi api(machine);
    test::ScopedBackend backend(api);
    EXPECT_EQ(ServiceControl(kStiName).Stop(), 1);
    EXPECT_EQ(api.CallCount("ControlService"), 0);
    EXPECT_TRUE(test::LogLines(api).empty());
}

struct WaitCase {
    const char* name;
    bool start;      // Start on a stopped service, else Stop on a running one
    int checks;      // status checks the service needs
    int result;
    std::size_t pauses;
};

TEST(ServiceControl, WaitsAtMostElevenChecksAndTenPausesOnTheClock)
{
    const WaitCase cases[] = {
        {"start at once", true, 1, 1, 0},
        {"start at the third check", true, 3, 1, 2},
        {"start at the eleventh check", true, 11, 1, 10},
        {"start too slow", true, 12, 0, 10},
        {"stop at once", false, 1, 1, 0},
        {"stop at the eleventh check", false, 11, 1, 10},
        {"stop too slow", false, 40, 0, 10},
    };
    for (const WaitCase& c : cases) {
        SCOPED_TRACE(c.name);
        machine::Machine machine = test::BaseMachine();
        Sti(machine).state = c.start ? "stopped" : "running";
        Sti(machine).startChecks = c.checks;
        Sti(machine).stopChecks = c.checks;
        sim::SimApi api(machine);
        test::ScopedBackend backend(api);
        ServiceControl service(kStiName);
        EXPECT_EQ(c.start ? service.Start() : service.Stop(), c.result);
        EXPECT_EQ(api.Sleeps(), std::vector<DWORD>(c.pauses, 500));
        EXPECT_EQ(api.ElapsedMilliseconds(), 500 * c.pauses);
        // Stop reads the status once before it asks the service to stop.
        int checks = static_cast<int>(c.pauses) + 1 + (c.start ? 0 : 1);
        EXPECT_EQ(api.CallCount("QueryServiceStatus"), checks);
    }
}

TEST(ServiceControl, CloseFailuresAreLoggedWithTheOperationsTexts)
{
    struct Case {
        std::function<long(ServiceControl&)> operation;
        std::string serviceText, managerText;
    };
    const Case cases[] = {
        {QueryStatus, "CloseServiceHandle failed", "CloseServiceHandle failed"},
        {Stop, "CloseServiceHandle(hSTI) failed", "CloseServiceHandle(hSCManager) failed"},
    };
    for (const Case& c : cases) {
        machine::Machine machine = test::BaseMachine();
        machine.faults.push_back({"CloseServiceHandle", 1, ERROR_INVALID_HANDLE});
        machine.faults.push_back({"CloseServiceHandle", 2, ERROR_INVALID_HANDLE});
        sim::SimApi api(machine);
        test::ScopedBackend backend(api);
        ServiceControl service(kStiName);
        EXPECT_EQ(c.operation(service), 1);
        // The service handle is closed first, then the manager's.
        EXPECT_EQ(test::LogLines(api),
                  (std::vector<std::string>{
                      "DebugLog: LogLastError> " + c.serviceText + ": The handle is invalid.\r\n",
                      "DebugLog: LogLastError> " + c.managerText + ": The handle is invalid.\r\n",
                  }));
    }
}

TEST(ServiceControl, RecordsBelongToTheObject)
{
    machine::Machine machine = test::BaseMachine();
    Sti(machine).startType = "demand";
    sim::SimApi api(machine);
    test::ScopedBackend backend(api);
    ServiceControl service(kStiName);

    SERVICE_STATUS* status = service.QueryStatus();
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->dwCurrentState, SERVICE_RUNNING);
    ASSERT_EQ(service.Stop(), 1);
    EXPECT_EQ(service.QueryStatus(), status);
    EXPECT_EQ(status->dwCurrentState, SERVICE_STOPPED);

    QUERY_SERVICE_CONFIGA* config = service.QueryServiceConfig();
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->dwStartType, SERVICE_DEMAND_START);
    EXPECT_STREQ(config->lpDisplayName, "Windows Image Acquisition (WIA)");
    Sti(machine).startType = "auto";
    config = service.QueryServiceConfig();
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->dwStartType, SERVICE_AUTO_START);
    EXPECT_EQ(api.OpenHandleCount(), 1u);  // the log file alone
}

TEST(ServiceControl, StartsAStoppedServiceAndNamesCompareWithoutCase)
{
    machine::Machine machine = test::BaseMachine();
    Sti(machine).state = "stopped";
    sim::SimApi api(machine);
    test::ScopedBackend backend(api);
    EXPECT_EQ(ServiceControl("STISVC").Start(), 1);
    EXPECT_EQ(Sti(machine).state, "running");
    EXPECT_TRUE(test::LogLines(api).empty());
}

}  // namespace
