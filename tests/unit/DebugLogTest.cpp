// The diagnostic log: line shape, scopes, error boxes, last-error lines and
// where the file goes when it cannot be opened.
#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "log/DebugLog.h"
#include "ui/WinApp.h"

namespace {

const char kLogPath[] = "C:\\Tools\\Remendo.log";

class DebugLogTest : public ::testing::Test {
protected:
    DebugLogTest() : machine(test::BaseMachine()), api(machine), backend(api) {}

    std::string LogFile() const { return test::FileText(machine, kLogPath); }

    machine::Machine machine;
    sim::SimApi api;
    test::ScopedBackend backend;
};

TEST_F(DebugLogTest, LinesCarryUnitAndFunctionAndEndInCrLf)
{
    DebugLog run("InitInstance", "Remendo", kLogPath);
    run.Write("- Is it there?");
    {
        DebugLog inner("SetupOs", "C:\\src\\app\\Remendo.cpp");
        inner.Write("\tdetail 100%");
    }
    run.Write("--- %d were found", 3);
    const std::string expected =
        "Remendo: InitInstance> - Is it there?\r\n"
        "Remendo.cpp: SetupOs> \tdetail 100%\r\n"
        "Remendo: InitInstance> --- 3 were found\r\n";
    EXPECT_EQ(LogFile(), expected);
    // Every line reaches the debugger output as well.
    EXPECT_EQ(test::LogLines(api),
              (std::vector<std::string>{"Remendo: InitInstance> - Is it there?",
                                        "Remendo.cpp: SetupOs> \tdetail 100%",
                                        "Remendo: InitInstance> --- 3 were found"}));
}

TEST_F(DebugLogTest, FormatsNeverInterpretTheirArguments)
{
    DebugLog log("F", "Unit", kLogPath);
    log.Writef("\tIgnoring %s", "driver %s %n %d");
    log.Errorf("Found %s", "50%");
    EXPECT_EQ(LogFile(), "Unit: F> \tIgnoring driver %s %n %d\r\nUnit: F> Found 50%\r\n");
}

TEST_F(DebugLogTest, EntryAndExitLinesOnlyFromLevelThree)
{
    DebugLog run("Run", "Unit", kLogPath);
    { DebugLog quiet("Quiet", "Unit"); }
    DebugLog::SetLevel(3);
    { DebugLog loud("Loud", "Unit"); }
    EXPECT_EQ(LogFile(), "Unit: Loud> Entered\r\nUnit: Loud> Exiting\r\n");
}

TEST_F(DebugLogTest, OnlyTheFirstErrorShowsABoxAndFileLinesCarryNoMarker)
{
    DebugLog log("Fix", "Remendo", kLogPath);
    log.Error("first failure");
    DebugLog::SetErrorBoxes(AfxMessageBox);
    log.Error("--- %d failed", 2);
    log.Errorf("again %s", "x");
    EXPECT_EQ(test::BoxTexts(api), std::vector<std::string>{"Remendo:Fix> ### Error ###--- 2 failed"});
    EXPECT_EQ(LogFile(), "Remendo: Fix> first failure\r\nRemendo: Fix> --- 2 failed\r\nRemendo: Fix> again x\r\n");
}

TEST_F(DebugLogTest, LastErrorLineUsesItsOwnScopeAndTheSystemText)
{
    DebugLog log("EnumeratePortMonitor", "Remendo", kLogPath);
    Win().SetLastError(ERROR_FILE_NOT_FOUND);
    log.Write("a line in between keeps the error code");
    log.LogLastError("Error opening port monitor registry key");
    Win().SetLastError(987654);
    log.LogLastError("Odd failure");
    EXPECT_EQ(LogFile(),
              "Remendo: EnumeratePortMonitor> a line in between keeps the error code\r\n"
              "DebugLog: LogLastError> Error opening port monitor registry key: "
              "The system cannot find the file specified.\r\n\r\n"
              "DebugLog: LogLastError> Odd failure: Unknown error 987654\r\n");
}

TEST_F(DebugLogTest, UnopenableLogFallsBackToAFreshTempLog)
{
    machine.files.Write("C:\\WINDOWS\\TEMP\\temp.log", "stale lines of an older run that is much longer\r\n");
    DebugLog log("InitInstance", "Remendo", "C:\\No such folder\\Remendo.log");
    log.Write("new");
    EXPECT_EQ(test::FileText(machine, "C:\\WINDOWS\\TEMP\\temp.log"), "Remendo: InitInstance> new\r\n");
    std::vector<std::string> output = api.DebugOutput();
    ASSERT_FALSE(output.empty());
    EXPECT_EQ(output.front(),
              "*** FYI ***'C:\\No such folder\\Remendo.log' could not be created or opened, defaulting to temp dir\n");
}

TEST_F(DebugLogTest, WhenNoFileCanBeOpenedLinesGoToTheDebuggerOnlyWithoutRetrying)
{
    machine.paths.temp = "C:\\Missing temp\\";
    DebugLog log("InitInstance", "Remendo", "C:\\No such folder\\Remendo.log");
    int attempts = api.CallCount("CreateFileA");
    for (int i = 0; i < 5; ++i) {
        DebugLog scope("Step", "Remendo");
        scope.Write("still logged");
    }
    EXPECT_EQ(api.CallCount("CreateFileA"), attempts);
    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(test::LogLines(api).back(), "Remendo: Step> still logged");
    EXPECT_EQ(machine.files.Find("C:\\Missing temp\\temp.log"), nullptr);
}

TEST_F(DebugLogTest, ExistingLogIsWrittenFromItsStart)
{
    // The run deletes its log before opening it; the log itself only opens.
    machine.files.Write(kLogPath, "0123456789");
    DebugLog log("F", "U", kLogPath);
    log.Write("x");
    EXPECT_EQ(LogFile(), "U: F> x\r\n9");
}

}  // namespace
