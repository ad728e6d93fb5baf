// The run's discovery steps: the confirmation box, and the dialog when nothing
// was found or the user declines, with the two spellings of a cancel.
#include <gtest/gtest.h>

#include "RunUtility.h"
#include "SimTestSupport.h"

namespace {

std::vector<std::string> RunLines(sim::SimApi& api)
{
    sim::RunUtility(api);
    return test::LogLines(api);
}

TEST(RunDiscovery, ConfirmationAnswers)
{
    struct Case {
        std::vector<std::string> answers;
        const char* lastLine;
        std::size_t boxes;
    };
    const Case cases[] = {
        {{"yes"}, nullptr, 2},
        {{"cancel"}, "Remendo: InitInstance> --- No, user canceled prompt for info", 1},
        {{"no"}, "Remendo: InitInstance> user canceled prompt for info", 1},
    };
    for (const Case& c : cases) {
        machine::Machine machine = test::BaseMachine();
        machine.messageBoxAnswers = c.answers;
        sim::SimApi api(machine);
        std::vector<std::string> lines = RunLines(api);
        std::vector<machine::ShownMessageBox> boxes = api.MessageBoxes();
        ASSERT_EQ(boxes.size(), c.boxes) << c.answers[0];
        EXPECT_EQ(boxes[0].text, "Found CV Quillray 7250 on DOT4_001, Continue with this information?");
        EXPECT_EQ(boxes[0].style, 0x23u);
        if (c.lastLine != nullptr)
            EXPECT_EQ(lines.back(), c.lastLine);
        else
            EXPECT_NE(std::find(lines.begin(), lines.end(), "Remendo: InitInstance> --- Yes, let's fix it!"), lines.end());
    }
}

TEST(RunDiscovery, NothingFoundOpensTheDialogAndItsCancelEndsTheRun)
{
    machine::Machine machine = test::BaseMachine();
    machine.printers.clear();
    sim::SimApi api(machine);
    std::vector<std::string> lines = RunLines(api);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
              (std::vector<std::string>{
                  "Remendo: InitInstance> --- No, lets prompt the user for info",
                  "Remendo: PromptUserForInfo> User canceled out of dialog",
                  "Remendo: InitInstance> User canceled prompt for info",
              }));
    EXPECT_TRUE(api.MessageBoxes().empty());
}

TEST(RunDiscovery, DeclinedNetworkInformationIsReplacedByTheUsersAnswers)
{
    machine::Machine machine = test::ExampleMachine("networked-family-b");
    machine.messageBoxAnswers = {"no"};
    machine.dialog = {machine::DialogAnswers{"CV Quillray 7250/7252/7255/7290/7292 Series", "network", std::nullopt,
                                         "10.0.0.30", "00:10:b5:a1:c2:d4", "cvq7250b", {"fixit"}}};
    sim::SimApi api(machine);
    std::vector<std::string> lines = RunLines(api);
    std::vector<std::string> boxes = test::BoxTexts(api);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], "Found CV Quillray 7250 networked at 10.0.0.25 using cvq7250, Continue with this information?");
    auto at = std::find(lines.begin(), lines.end(),
                        "Remendo: InitInstance> --- No, user doesn't want to use it, let's prompt for new info.");
    ASSERT_NE(at, lines.end());
    EXPECT_EQ(std::vector<std::string>(at + 1, at + 6),
              (std::vector<std::string>{
                  "Remendo: PromptUserForInfo> User selected a CV Quillray 7250/7252/7255/7290/7292 Series",
                  "Remendo: PromptUserForInfo> \tOn Network",
                  "Remendo: PromptUserForInfo> \tUser entered IP of 10.0.0.30",
                  "Remendo: PromptUserForInfo> \tUser entered host name of cvq7250b",
                  "Remendo: PromptUserForInfo> \tUser entered hardware address of 0010B5A1C2D4",
              }));
}

TEST(RunDiscovery, NetworkedConfirmationWithoutAHostNameShowsItEmpty)
{
    machine::Machine machine = test::ExampleMachine("networked-family-b");
    machine.hostNames.clear();
    machine.registry.Delete("HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\CV_Quillray_7250_7252_7255_7290\\Port");
    sim::SimApi api(machine);
    RunLines(api);
    ASSERT_FALSE(api.MessageBoxes().empty());
    EXPECT_EQ(api.MessageBoxes()[0].text,
              "Found CV Quillray 7250 networked at 10.0.0.25 using , Continue with this information?");
}

}  // namespace
