// The run's spine on a simulated machine: guard, log, banner, progress window,
// administrator check and the final report.
#include <gtest/gtest.h>

#include <algorithm>

#include "RunUtility.h"
#include "SimTestSupport.h"
#include "sim/SystemCalls.h"
#include "ui/resource.h"

namespace {

const char kLog[] = "C:\\Tools\\Remendo.log";

const sim::SimWindow* ProgressWindow(const sim::SimApi& api)
{
    for (const auto& entry : api.Windows()) {
        if (entry.second.templateId == IDD_PROGRESS)
            return &entry.second;
    }
    return nullptr;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(Run, StartsWithBannerDateOsAndAdministratorCheck)
{
    machine::Machine machine = test::BaseMachine();
    sim::SimApi api(machine);
    sim::RunUtility(api);
    std::vector<std::string> lines = test::LogLines(api);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 6),
              (std::vector<std::string>{
                  "Remendo: InitInstance> Remendo version 1.0",
                  "Remendo: InitInstance> Tuesday, December 08, 2026 at 09:30",
                  "Remendo: SetupOs> - What OS are we on?",
                  "Remendo: SetupOs> --- Major Version: 5, Minor Version: 1, Build: 2600, Platform: 2, Service Pack 2",
                  "Remendo: InitInstance> - Do we have administrator privileges?",
                  "Remendo: InitInstance> --- Yes, we have administrator privileges",
              }));
    // The file holds exactly the lines, each ending in CR LF.
    std::string expected;
    for (const std::string& line : lines)
        expected += line + "\r\n";
    EXPECT_EQ(test::FileText(machine, kLog), expected);
    ASSERT_FALSE(api.MessageBoxes().empty());
    EXPECT_EQ(api.MessageBoxes().front().caption, "Remendo");
    // The process ends with nothing left open, the log file included.
    EXPECT_EQ(api.OpenHandleCount(), 0u);
}

TEST(Run, ProcessCutOffAtAnyCallLeavesNothingOpen)
{
    machine::Machine full = test::BaseMachine();
    sim::SimApi fullApi(full);
    sim::RunUtility(fullApi);
    for (int call = 1; call <= fullApi.TotalCallCount(); ++call) {
        machine::Machine machine = test::BaseMachine();
        sim::SimApi api(machine);
        api.stopAtCall = call;
        sim::RunUtility(api);
        EXPECT_EQ(api.OpenHandleCount(), 0u) << "stopped at call " << call;
    }
}

TEST(Run, ProgressWindowShowsEveryStageOfADirectRunAndEndsAtOneHundred)
{
    machine::Machine machine = test::BaseMachine();
    sim::SimApi api(machine);
    sim::RunUtility(api);
    const sim::SimWindow* window = ProgressWindow(api);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->destroyed);
    EXPECT_EQ(window->controls.at(IDC_PROGRESS).positionsSet,
              (std::vector<int>{8, 16, 24, 32, 40, 48, 56, 64, 100}));
    // Created empty, then one status per stage.
    EXPECT_EQ(window->controls.at(IDC_STATUS).textsSet,
              (std::vector<std::string>{"", "Initializing", "Searching for information",
                                        "Looking for all imaging devices on the PC", "Stopping the sti service",
                                        "Fixing imaging registry keys for selected product",
                                        "Starting the sti service", "Checking the qmx service",
                                        "Re-registering necessary dlls"}));
}

// A directly attached all-in-one whose entries are already right: every step
// of the run writes its lines, in order, under the function that wrote them.
TEST(Run, DirectRunThatChangesNothingLogsEveryStepInOrder)
{
    machine::Machine machine = test::BaseMachine();
    sim::SimApi api(machine);
    sim::RunUtility(api);
    std::vector<std::string> lines = test::LogLines(api);
    ASSERT_GE(lines.size(), 6u);
    lines.erase(lines.begin(), lines.begin() + 6);  // banner to administrator check
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "Remendo: InitInstance> - Is the spooler running?",
                  "Remendo: InitInstance> --- Yes, spooler is already running",
                  "Remendo: InitInstance> - Can we figure out the connection information automatically?",
                  "Remendo: DetermineInfo> \tFound CV Quillray 7250 RVX 6",
                  "Remendo: DetermineInfo> \t===> Here are all the Quillray AiOs that were found:",
                  "Remendo: DetermineInfo> \t\"CV Quillray 7250\" found on DOT4_001",
                  "Remendo: DetermineInfo> --- Yes, only one Quillray found so using printer=\"CV Quillray 7250\", "
                  "port=\"DOT4_001\"",
                  "Remendo: DetermineInfo> - How is it connected?",
                  "Remendo: DetermineInfo> --- Direct",
                  "Remendo: InitInstance> - Does the user want to use the information found?",
                  "Remendo: InitInstance> --- Yes, let's fix it!",
                  "Remendo: InitInstance> - How many imaging devices are on this PC?",
                  "Remendo: InitInstance> --- 1 were found",
                  "Remendo: InitInstance> \tStopped the sti service",
                  "Remendo: InitInstance> \tLet's enumerate through each imaging device found on the PC",
                  "Remendo: FixImagingDevice> \t0000\\DriverDesc = CV Quillray 7250",
                  "Remendo: FixImagingDevice> \tAppears to be an 7250/7252/7255/7290/7292",
                  "Remendo: FixImagingDevice> - Does the device id need updating?",
                  "Remendo: UpdateRegVar> --- No, 0000\\DeviceID as expected "
                  "({6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000), leaving as is",
                  "DebugLog: LogLastError> Didn't find CreateFileNamePort: The system cannot find the file "
                  "specified.\r\n",
                  "Remendo: FixDirectScanDevice> - Does the CreateFileName need updating?",
                  "Remendo: UpdateRegVar> --- No, 0000\\CreateFileName as expected (DOT4_001), leaving as is",
                  "Remendo: FixDirectScanDevice> Cycling through the other CreateFileNames to fix contention issues",
                  "Remendo: InitInstance>  ",
                  "Remendo: InitInstance> \tDone enumerating",
                  "DebugLog: LogLastError> Failed to open SOFTWARE\\Corvane\\CV_Quillray_7250_7252_7255_7290\\Port: "
                  "The system cannot find the file specified.\r\n",
                  "Remendo: InitInstance> - Is the QMX service installed and enabled?",
                  "Remendo: InitInstance> --- Yes, QMX service is installed and enabled",
                  "Remendo: RegisterScanDll> - Can we register the scan dll?",
                  "Remendo: RegisterScanDll> --- Yes, successfully registered scan dll",
              }));
    EXPECT_EQ(test::BoxTexts(api), (std::vector<std::string>{"Found CV Quillray 7250 on DOT4_001, Continue with this "
                                                             "information?",
                                                             "The utility has completed."}));
    EXPECT_EQ(api.MessageBoxes().front().style, 0x23u);
    EXPECT_EQ(api.MessageBoxes().back().style, static_cast<UINT>(MB_OK));
}

TEST(Run, SecondInstanceLeavesAtOnceAndTouchesNothing)
{
    machine::Machine machine = test::BaseMachine();
    machine.namedObjects.insert("cvRemendoUtility");
    machine.files.Write(kLog, "the first instance's log\r\n");
    sim::SimApi api(machine);
    sim::RunUtility(api);
    EXPECT_TRUE(api.DebugOutput().empty());
    EXPECT_TRUE(api.MessageBoxes().empty());
    EXPECT_TRUE(api.Windows().empty());
    EXPECT_EQ(test::FileText(machine, kLog), "the first instance's log\r\n");
}

TEST(Run, NonAdministratorIsRefusedWithABoxAndNothingMore)
{
    machine::Machine machine = test::BaseMachine();
    machine.tokens = {"none", "user"};
    sim::SimApi api(machine);
    sim::RunUtility(api);
    std::vector<std::string> lines = test::LogLines(api);
    EXPECT_EQ(lines.back(), "Remendo: InitInstance> No, we don't administrator privileges");
    EXPECT_EQ(test::BoxTexts(api), std::vector<std::string>{"You need administrator privileges to run this utility"});
    const sim::SimWindow* window = ProgressWindow(api);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->destroyed);
    EXPECT_EQ(window->controls.at(IDC_PROGRESS).position, 8);
    EXPECT_EQ(window->controls.at(IDC_STATUS).text, "Initializing");
}

TEST(Run, NineXFamilySkipsTheAdministratorCheck)
{
    machine::Machine machine = test::BaseMachine();
    machine.os.platform = VER_PLATFORM_WIN32_WINDOWS;
    machine.os.major = 4;
    machine.os.minor = 10;
    machine.tokens = {"none", "user"};
    sim::SimApi api(machine);
    sim::RunUtility(api);
    std::vector<std::string> lines = test::LogLines(api);
    EXPECT_FALSE(Contains(lines, "Remendo: InitInstance> - Do we have administrator privileges?"));
    EXPECT_EQ(api.CallCount("OpenThreadToken"), 0);
}

// On the 9x family the run calls none of the stubs the import table says it
// never calls there (only those it falls back from), and no service or
// security call; on NT 4.0 every service call ends at "Not on NT platform",
// and the run goes on as on a system whose services cannot be asked.
TEST(Run, OldWindowsTakeTheirBranches)
{
    machine::Machine ninetyEight = test::ExampleMachine("windows-98-family-c");
    sim::SimApi api(ninetyEight);
    sim::RunUtility(api);
    EXPECT_EQ(test::BoxTexts(api).back(), "Changes were made that may have corrected a problem.");
    for (const auto& call : api.CallCounts()) {
        const sim::SystemCall* row = sim::FindSystemCall(call.first);
        ASSERT_NE(row, nullptr) << call.first << " is not in the import table";
        EXPECT_TRUE(!row->stubOn9x || row->calledOn9x) << call.first << " is only a stub on the 9x family";
    }
    for (const char* call : {"OpenSCManagerA", "OpenThreadToken", "OpenProcessToken"})
        EXPECT_EQ(api.CallCount(call), 0) << call;

    machine::Machine ntFour = test::ExampleMachine("networked-family-b");
    ntFour.os = {4, 0, 1381, VER_PLATFORM_WIN32_NT, "Service Pack 6a", false};
    sim::SimApi ntApi(ntFour);
    sim::RunUtility(ntApi);
    std::vector<std::string> lines = test::LogLines(ntApi);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.rfind("DebugLog: LogLastError> Not on NT platform: ", 0) == 0;
                            }),
              7);
    for (const char* line : {"Remendo: InitInstance> --- Yes, we have administrator privileges",
                             "Remendo: InitInstance> --- Yes, spooler is already running",
                             "Remendo: InitInstance> Trouble stopping sti service",
                             "Remendo: InitInstance> Trouble starting the sti service",
                             "Remendo: InitInstance> --- Unknown, QMX service installed but can't query it"})
        EXPECT_TRUE(Contains(lines, line)) << line;
    EXPECT_FALSE(Contains(lines, "Remendo: FixImagingDevice> - Does the device id need updating?"));
    EXPECT_EQ(ntApi.CallCount("OpenSCManagerA"), 0);
}

TEST(Run, OldLogIsDeletedAndMissingExecutablePathUsesTheTempDirectory)
{
    machine::Machine machine = test::BaseMachine();
    machine.files.Write(kLog, std::string(5000, '~'));
    sim::SimApi api(machine);
    sim::RunUtility(api);
    EXPECT_EQ(test::FileText(machine, kLog).find('~'), std::string::npos);

    machine::Machine pathless = test::BaseMachine();
    pathless.faults.push_back({"GetModuleFileNameW", 1, ERROR_INSUFFICIENT_BUFFER});
    sim::SimApi pathlessApi(pathless);
    sim::RunUtility(pathlessApi);
    EXPECT_NE(test::FileText(pathless, "C:\\WINDOWS\\TEMP\\Remendo.log").find("- What OS are we on?"),
              std::string::npos);
}

// How a run ends: early, with no final box, when there is no imaging device
// to repair; otherwise with the box its outcome calls for, whatever a service
// step did.
TEST(Run, EndsAsItsOutcomeSays)
{
    const std::string classKey = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
                                 "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";
    const std::string confirmation = "Found CV Quillray 7250 on DOT4_001, Continue with this information?";
    const std::string none = "Remendo: InitInstance> None, failed to enumerate Imaging class";
    struct Case {
        const char* what;
        const char* example;  // nullptr: the base machine
        void (*setUp)(machine::Machine&, const std::string& classKey);
        std::vector<std::string> lines;  // logged, in this order
        std::string lastLine;            // "" when the run goes on to the end
        std::vector<std::string> lastBoxes;
    };
    const Case cases[] = {
        {"class cannot be opened", nullptr, [](machine::Machine& m, const std::string& key) { m.registry.Delete(key); },
         {}, none, {confirmation}},
        {"class without a device", nullptr,
         [](machine::Machine& m, const std::string& key) { m.registry.Delete(key + "\\0000"); }, {}, none, {confirmation}},
        {"sti service cannot be stopped", nullptr,
         [](machine::Machine& m, const std::string&) { m.faults.push_back({"ControlService", 1, ERROR_ACCESS_DENIED}); },
         {"Remendo: InitInstance> Trouble stopping sti service", "Remendo: InitInstance> \tDone enumerating"}, "",
         {"The utility has completed."}},
        {"sti service cannot be started", nullptr,
         [](machine::Machine& m, const std::string&) { m.faults.push_back({"StartServiceA", 1, ERROR_ACCESS_DENIED}); },
         {"Remendo: InitInstance> Trouble starting the sti service",
          "Remendo: InitInstance> - Is the QMX service installed and enabled?"},
         "", {"The utility has completed."}},
        {"scan DLL replaced at the restart", "networked-family-b",
         // The still-image service holds the installed file: it can be neither replaced nor moved aside.
         [](machine::Machine& m, const std::string&) {
             m.heldFiles.push_back({"C:\\WINDOWS\\system32\\cvqscan3.dll", GENERIC_READ, FILE_SHARE_READ});
         },
         {"Remendo: UpdateFiles> --- Need to update the file on the next reboot"}, "",
         {"Changes were made that require a reboot to take affect."}},
    };
    for (const Case& c : cases) {
        machine::Machine machine = c.example != nullptr ? test::ExampleMachine(c.example) : test::BaseMachine();
        c.setUp(machine, classKey);
        sim::SimApi api(machine);
        sim::RunUtility(api);
        std::vector<std::string> lines = test::LogLines(api);
        auto at = lines.begin();
        for (const std::string& line : c.lines) {
            at = std::find(at, lines.end(), line);
            EXPECT_NE(at, lines.end()) << c.what << ": " << line;
        }
        if (!c.lastLine.empty()) {
            EXPECT_EQ(lines.back(), c.lastLine) << c.what;
        }
        std::vector<std::string> boxes = test::BoxTexts(api);
        ASSERT_GE(boxes.size(), c.lastBoxes.size()) << c.what;
        EXPECT_EQ(std::vector<std::string>(boxes.end() - static_cast<long>(c.lastBoxes.size()), boxes.end()),
                  c.lastBoxes)
            << c.what;
        // Boxes shown during the run belong to the progress window; the last one
        // comes once it is gone.
        std::vector<machine::ShownMessageBox> shown = api.MessageBoxes();
        EXPECT_EQ(shown.front().ownerTemplate, IDD_PROGRESS) << c.what;
        EXPECT_EQ(shown.back().ownerTemplate, c.lastLine.empty() ? 0 : IDD_PROGRESS) << c.what;
    }
}

TEST(Run, BannerIsLeftOutWhenTheVersionCannotBeRead)
{
    machine::Machine machine = test::BaseMachine();
    machine.files.Find("C:\\Tools\\Remendo.exe")->version.clear();
    sim::SimApi api(machine);
    sim::RunUtility(api);
    EXPECT_EQ(test::LogLines(api).front(), "Remendo: InitInstance> Tuesday, December 08, 2026 at 09:30");
}

}  // namespace
