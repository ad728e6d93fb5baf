// The run's spine on a simulated machine: guard, log, banner, progress window,
// administrator check and the final report.
#include <gtest/gtest.h>

#include <algorithm>

#include "SimTestSupport.h"
#include "platform/sim/SimProcess.h"
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
    sim::Machine machine = test::BaseMachine();
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
}

TEST(Run, ProgressWindowShowsTheStagesAndEndsAtOneHundred)
{
    sim::Machine machine = test::BaseMachine();
    sim::SimApi api(machine);
    sim::RunUtility(api);
    const sim::SimWindow* window = ProgressWindow(api);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->destroyed);
    EXPECT_EQ(window->controls.at(IDC_PROGRESS).position, 100);
}

TEST(Run, SecondInstanceLeavesAtOnceAndTouchesNothing)
{
    sim::Machine machine = test::BaseMachine();
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
    sim::Machine machine = test::BaseMachine();
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
    sim::Machine machine = test::BaseMachine();
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

TEST(Run, OldLogIsDeletedAndMissingExecutablePathUsesTheTempDirectory)
{
    sim::Machine machine = test::BaseMachine();
    machine.files.Write(kLog, std::string(5000, '~'));
    sim::SimApi api(machine);
    sim::RunUtility(api);
    EXPECT_EQ(test::FileText(machine, kLog).find('~'), std::string::npos);

    sim::Machine pathless = test::BaseMachine();
    pathless.faults.push_back({"GetModuleFileNameA", 1, ERROR_INSUFFICIENT_BUFFER});
    sim::SimApi pathlessApi(pathless);
    sim::RunUtility(pathlessApi);
    EXPECT_NE(test::FileText(pathless, "C:\\WINDOWS\\TEMP\\Remendo.log").find("- What OS are we on?"),
              std::string::npos);
}

TEST(Run, BannerIsLeftOutWhenTheVersionCannotBeRead)
{
    sim::Machine machine = test::BaseMachine();
    machine.files.Find("C:\\Tools\\Remendo.exe")->version.clear();
    sim::SimApi api(machine);
    sim::RunUtility(api);
    EXPECT_EQ(test::LogLines(api).front(), "Remendo: InitInstance> Tuesday, December 08, 2026 at 09:30");
}

}  // namespace
