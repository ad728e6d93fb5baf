// DetermineInfo: which printers are recognised, which one is chosen, and how
// its port name classifies the connection.
#include <gtest/gtest.h>

#include "DiscoveryTestSupport.h"

namespace {

using test::AppOnMachine;
using test::MachineWithPrinters;

TEST(DetermineInfo, RecognisesOnlyDriversWithTheLanguageTokenAndAFamilyString)
{
    struct Case {
        const char* driver;
        bool recognised;
    };
    const Case cases[] = {
        {"CV Quillray 7250 RVX 6", true},
        {"CV Color Quillray 6420 RVX", true},
        {"cv Quillray 7105 RVX 6", true},
        {"CV Quillray 7105 RVX 6", false},  // family A is spelt with a lower-case cv
        {"CV Quillray 7250 PCL 6", false},  // no printer-language token
        {"CV Quillray 7250 rvx 6", false},
        {"Generic Laser RVX", false},
    };
    for (const Case& c : cases) {
        AppOnMachine run(MachineWithPrinters({{"Scanner 7250", "DOT4_001", c.driver}}));
        EXPECT_EQ(run.app.DetermineInfo(), c.recognised) << c.driver;
        std::string expected = std::string(c.recognised ? "Remendo: DetermineInfo> \tFound " : "Remendo: DetermineInfo> \tIgnoring ") + c.driver;
        EXPECT_TRUE(run.Logged(expected)) << c.driver;
        EXPECT_EQ(run.app.m_strPortName, c.recognised ? "DOT4_001" : "") << c.driver;
    }
}

TEST(DetermineInfo, FamilyComesFromTheModelNumberInThePrinterName)
{
    struct Case {
        const char* printer;
        bool a, b, c;
    };
    const Case cases[] = {
        {"CV Quillray 7180", true, false, false},
        {"Color 6430 upstairs", false, false, true},
        {"Quillray 7292", false, true, false},
        {"7250 beside the 7110", true, false, false},  // family A is tested first
    };
    for (const Case& c : cases) {
        AppOnMachine run(MachineWithPrinters({{c.printer, "DOT4_001", "CV Quillray 7250 RVX 6"}}));
        run.app.m_bFamilyB = true;
        EXPECT_TRUE(run.app.DetermineInfo());
        EXPECT_EQ(run.app.m_bFamilyA, c.a) << c.printer;
        EXPECT_EQ(run.app.m_bFamilyB, c.b) << c.printer;
        EXPECT_EQ(run.app.m_bFamilyC, c.c) << c.printer;
    }

    // A name of the user's own: the flags stay, the connection is still classified.
    AppOnMachine own(MachineWithPrinters({{"Front desk scanner", "DOT4_002", "CV Quillray 7250 RVX 6"}}));
    own.app.m_bFamilyC = true;
    EXPECT_TRUE(own.app.DetermineInfo());
    EXPECT_TRUE(own.Logged("Remendo: DetermineInfo> Can't determine product"));
    EXPECT_TRUE(own.app.m_bFamilyC);
    EXPECT_TRUE(own.Logged("Remendo: DetermineInfo> --- Direct"));
}

TEST(DetermineInfo, OnePortAmongSeveralPrintersChoosesTheFirstPrinterOnIt)
{
    AppOnMachine run(MachineWithPrinters({
        {"Office Laser", "LPT1:", "Generic Laser PCL"},
        {"CV Quillray 7250", "DOT4_001", "CV Quillray 7250 RVX 6"},
        {"CV Quillray 7250 (copy 1)", "DOT4_001", "CV Quillray 7250 RVX 5"},
        {"CV Quillray 7250", "DOT4_001", "CV Quillray 7250 RVX 6"},
    }));
    EXPECT_TRUE(run.app.DetermineInfo());
    EXPECT_EQ(run.Log(), (std::vector<std::string>{
                             "Remendo: DetermineInfo> \tIgnoring Generic Laser PCL",
                             "Remendo: DetermineInfo> \tFound CV Quillray 7250 RVX 6",
                             "Remendo: DetermineInfo> \tduplicate CV Quillray 7250 ",
                             "Remendo: DetermineInfo> \t===> Here are all the Quillray AiOs that were found:",
                             "Remendo: DetermineInfo> \t\"CV Quillray 7250\" found on DOT4_001",
                             "Remendo: DetermineInfo> \t\"CV Quillray 7250 (copy 1)\" found on DOT4_001",
                             "Remendo: DetermineInfo> --- Yes, only one Quillray found so using "
                             "printer=\"CV Quillray 7250\", port=\"DOT4_001\"",
                             "Remendo: DetermineInfo> - How is it connected?",
                             "Remendo: DetermineInfo> --- Direct",
                         }));
    EXPECT_EQ(run.app.m_strPrinterName, "CV Quillray 7250");
    EXPECT_FALSE(run.app.m_bNetworked);
}

TEST(DetermineInfo, TwoPortsOrNoneLeaveTheChoiceToTheUser)
{
    AppOnMachine two(MachineWithPrinters({
        {"CV Quillray 7250", "DOT4_001", "CV Quillray 7250 RVX 6"},
        {"CV Quillray 7290", "IP_10.0.0.5", "CV Quillray 7290 RVX 6"},
    }));
    two.app.m_strPortName = "as before";
    EXPECT_FALSE(two.app.DetermineInfo());
    EXPECT_EQ(two.Log().back(), "Remendo: DetermineInfo> --- No, more than one port found, prompting user");
    EXPECT_EQ(two.app.m_strPortName, "as before");
    EXPECT_EQ(two.app.m_strPrinterName, "");

    AppOnMachine none(MachineWithPrinters({{"Office Laser", "LPT1:", "Generic Laser PCL"}}));
    EXPECT_FALSE(none.app.DetermineInfo());
    EXPECT_EQ(none.Log().back(), "Remendo: DetermineInfo> \t===> Here are all the Quillray AiOs that were found:");
}

TEST(DetermineInfo, PortNameClassifiesTheConnection)
{
    struct Case {
        const char* port;
        bool result;
        bool networked;
        const char* portAfter;
    };
    const Case cases[] = {
        {"DOT4_001", true, false, "DOT4_001"},
        {"\\\\.\\Dot4scan001", true, false, "\\\\.\\Dot4scan001"},
        {"Dot4_001", true, true, "Dot4_001"},  // not upper case: not a DOT4 port
        {"IP_10.0.0.5", true, true, "IP_10.0.0.5"},
        {"USB001", false, false, ""},
        {"LPT1:", false, false, ""},
        {"FILE:", false, false, ""},
    };
    for (const Case& c : cases) {
        AppOnMachine run(MachineWithPrinters({{"CV Quillray 7250", c.port, "CV Quillray 7250 RVX 6"}}));
        run.app.m_bNetworked = !c.networked;
        EXPECT_EQ(run.app.DetermineInfo(), c.result) << c.port;
        EXPECT_EQ(run.app.m_bNetworked, c.networked) << c.port;
        EXPECT_EQ(run.app.m_strPortName, c.portAfter) << c.port;
        EXPECT_EQ(run.Logged("Remendo: DetermineInfo> --- networked"), c.networked) << c.port;
    }
}

TEST(DetermineInfo, WrongKindOfPortIsLoggedAndShownInABox)
{
    AppOnMachine run(MachineWithPrinters({{"CV Quillray 7250", "USB001", "CV Quillray 7250 RVX 6"}}));
    EXPECT_FALSE(run.app.DetermineInfo());
    const std::string text =
        "--- Direct but printer is installed incorrectly on the USB001 port.  Please re-install correctly.";
    EXPECT_EQ(run.Log().back(), "Remendo: DetermineInfo> " + text);
    ASSERT_EQ(run.api.MessageBoxes().size(), 1u);
    EXPECT_EQ(run.api.MessageBoxes()[0].text, text);
    EXPECT_EQ(run.api.MessageBoxes()[0].style, MB_OK);
}

TEST(DetermineInfo, BusySpoolerIsAskedSixTimesTwoSecondsApart)
{
    auto machine = []() { return MachineWithPrinters({{"CV Quillray 7250", "DOT4_001", "CV Quillray 7250 RVX 6"}}); };
    machine::Machine late = machine();
    late.printerListNotReadyCalls = 5;
    AppOnMachine lateReady(std::move(late));
    EXPECT_TRUE(lateReady.app.DetermineInfo());
    EXPECT_EQ(lateReady.api.Sleeps(), std::vector<DWORD>(5, 2000));
    EXPECT_EQ(lateReady.app.m_strPortName, "DOT4_001");

    machine::Machine never = machine();
    never.printerListNotReadyCalls = 6;
    AppOnMachine neverReady(std::move(never));
    EXPECT_FALSE(neverReady.app.DetermineInfo());
    EXPECT_EQ(neverReady.api.Sleeps(), std::vector<DWORD>(5, 2000));
    EXPECT_EQ(neverReady.api.CallCount("EnumPrintersA"), 6);
    EXPECT_EQ(neverReady.Log(),
              std::vector<std::string>{"Remendo: DetermineInfo> Error when getting size for enumerating printers"});
}

TEST(DetermineInfo, PrinterListFailuresAndAnEmptyList)
{
    auto machine = []() { return MachineWithPrinters({{"CV Quillray 7250", "DOT4_001", "CV Quillray 7250 RVX 6"}}); };

    // A sizing call failing otherwise ends silently with nothing chosen.
    machine::Machine denied = machine();
    denied.faults.push_back({"EnumPrintersA", 1, ERROR_ACCESS_DENIED});
    AppOnMachine deniedRun(std::move(denied));
    EXPECT_TRUE(deniedRun.app.DetermineInfo());
    EXPECT_TRUE(deniedRun.Log().empty());
    EXPECT_EQ(deniedRun.app.m_strPortName, "");

    AppOnMachine empty(MachineWithPrinters({}));
    EXPECT_TRUE(empty.app.DetermineInfo());
    EXPECT_TRUE(empty.Log().empty());

    machine::Machine readFails = machine();
    readFails.faults.push_back({"EnumPrintersA", 2, ERROR_NOT_ENOUGH_MEMORY});
    AppOnMachine readRun(std::move(readFails));
    EXPECT_FALSE(readRun.app.DetermineInfo());
    EXPECT_EQ(readRun.Log(), std::vector<std::string>{"Remendo: DetermineInfo> Error enumerating printers"});
}

TEST(DetermineInfo, OutsideTextIsLoggedAsItIs)
{
    const std::string longName = "CV Quillray 7250 " + std::string(300, 'L');
    const std::string oddPort = "IP_%s%n%d_\xe9";
    AppOnMachine run(MachineWithPrinters({
        {"", "LPT2:", "%s%s%n driver \xff"},
        {longName, oddPort, "CV Quillray 7250 RVX %s%d"},
        {"", oddPort, "CV Quillray 7250 RVX 6"},
    }));
    EXPECT_TRUE(run.app.DetermineInfo());
    EXPECT_TRUE(run.Logged("Remendo: DetermineInfo> \tIgnoring %s%s%n driver \xff"));
    EXPECT_TRUE(run.Logged("Remendo: DetermineInfo> \tFound CV Quillray 7250 RVX %s%d"));
    EXPECT_TRUE(run.Logged("Remendo: DetermineInfo> \t\"\" found on " + oddPort));
    EXPECT_TRUE(run.Logged("Remendo: DetermineInfo> \t\"" + longName + "\" found on " + oddPort));
    EXPECT_EQ(run.app.m_strPrinterName, longName);
    EXPECT_EQ(run.app.m_strPortName, oddPort);
    EXPECT_TRUE(run.app.m_bNetworked);

    AppOnMachine wrongPort(MachineWithPrinters({{"CV Quillray 7250", "USB%s%n", "CV Quillray 7250 RVX 6"}}));
    EXPECT_FALSE(wrongPort.app.DetermineInfo());
    EXPECT_EQ(test::BoxTexts(wrongPort.api),
              std::vector<std::string>{
                  "--- Direct but printer is installed incorrectly on the USB%s%n port.  Please re-install correctly."});
}

}  // namespace
