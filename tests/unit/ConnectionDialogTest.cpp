// PromptUserForInfo and the connection dialog's rules, played on the simulated
// machine as a user would answer the dialog.
#include <gtest/gtest.h>

#include "DiscoveryTestSupport.h"
#include "ui/resource.h"

namespace {

using test::AppOnMachine;

const char kSeriesA[] = "CV Quillray 7105/7110/7120/7180 Series";
const char kSeriesB[] = "CV Quillray 7250/7252/7255/7290/7292 Series";
const char kSeriesC[] = "CV Color Quillray 6410/6420/6430 Series";

const sim::SimWindow& Dialog(const sim::SimApi& api)
{
    for (const auto& entry : api.Windows()) {
        if (entry.second.templateId == IDD_REMENDO_DIALOG)
            return entry.second;
    }
    throw std::runtime_error("the connection dialog was not shown");
}

machine::Machine MachineWithPorts(std::vector<std::string> ports, machine::DialogAnswers answers)
{
    machine::Machine machine = test::BaseMachine();
    machine.ports = std::move(ports);
    machine.dialog = {std::move(answers)};
    return machine;
}

machine::DialogAnswers CancelAtOnce()
{
    machine::DialogAnswers answers;
    answers.buttons = {"cancel"};
    return answers;
}

TEST(ConnectionDialog, PortListAndConnectionAsTheDialogOpens)
{
    struct Case {
        const char* name;
        std::vector<std::string> ports;
        const char* presetPort;
        bool presetNetworked;
        std::vector<std::string> listed;
        const char* portText;
        bool network;
    };
    const Case cases[] = {
        {"greatest DOT4 port", {"DOT4_002", "LPT1:", "DOT4_001", "DOT4_002"}, "DOT4_001", false,
         {"DOT4_001", "DOT4_002"}, "DOT4_002", false},
        {"network port name above DOT4", {"DOT4_001"}, "IP_10.0.0.5", true, {"DOT4_001"}, "IP_10.0.0.5", true},
        {"no DOT4 port", {"LPT1:", "IP_10.0.0.5"}, "", false, {"(none)"}, "", true},
    };
    for (const Case& c : cases) {
        AppOnMachine run(MachineWithPorts(c.ports, CancelAtOnce()));
        run.app.m_strPortName = c.presetPort;
        run.app.m_bNetworked = c.presetNetworked;
        EXPECT_FALSE(run.app.PromptUserForInfo()) << c.name;
        EXPECT_EQ(run.Log().back(), "Remendo: PromptUserForInfo> User canceled out of dialog") << c.name;

        const sim::SimWindow& dialog = Dialog(run.api);
        const auto& controls = dialog.controls;
        EXPECT_EQ(controls.at(IDC_PORT).items, c.listed) << c.name;
        EXPECT_EQ(controls.at(IDC_PORT).text, c.portText) << c.name;
        EXPECT_EQ(controls.at(IDC_RADIO_NETWORK).check, c.network ? BST_CHECKED : BST_UNCHECKED) << c.name;
        EXPECT_EQ(controls.at(IDC_RADIO_DIRECT).check, c.network ? BST_UNCHECKED : BST_CHECKED) << c.name;
        EXPECT_EQ(controls.at(IDC_PORT).enabled, !c.network) << c.name;
        for (int id : {IDC_IPADDRESS, IDC_HWADDR, IDC_HOST, IDC_IP_LABEL, IDC_HW_LABEL, IDC_HOST_LABEL})
            EXPECT_EQ(controls.at(id).enabled, c.network) << c.name << " control " << id;
        EXPECT_EQ(dialog.focus, IDC_PORT) << c.name;
        EXPECT_NE(dialog.bigIcon, nullptr);
        EXPECT_EQ(dialog.smallIcon, dialog.bigIcon);
        EXPECT_EQ(run.app.m_strPortName, c.presetPort) << c.name;
    }
}

TEST(ConnectionDialog, PortsThatCannotBeListedLeaveOnlyNone)
{
    machine::Machine machine = MachineWithPorts({"DOT4_001"}, CancelAtOnce());
    machine.faults.push_back({"EnumPortsA", 2, ERROR_ACCESS_DENIED});
    AppOnMachine run(std::move(machine));
    run.app.PromptUserForInfo();
    EXPECT_TRUE(run.Logged("DebugLog: LogLastError> Couldn't enum ports: Access is denied.\r\n"));
    EXPECT_EQ(Dialog(run.api).controls.at(IDC_PORT).items, std::vector<std::string>{"(none)"});
}

TEST(ConnectionDialog, ProductPresetFollowsTheFamilyFlags)
{
    struct Case {
        bool a, b, c;
        const char* product;
    };
    const Case cases[] = {
        {true, false, false, kSeriesA},
        {false, false, true, kSeriesC},
        {false, true, false, kSeriesB},
        {false, false, false, kSeriesB},
    };
    for (const Case& c : cases) {
        AppOnMachine run(MachineWithPorts({"DOT4_001"}, CancelAtOnce()));
        run.app.m_bFamilyA = c.a;
        run.app.m_bFamilyB = c.b;
        run.app.m_bFamilyC = c.c;
        run.app.PromptUserForInfo();
        const sim::SimControl& product = Dialog(run.api).controls.at(IDC_PRODUCT);
        EXPECT_EQ(product.text, c.product);
        EXPECT_EQ(product.items, (std::vector<std::string>{kSeriesC, kSeriesA, kSeriesB}));
    }
}

TEST(ConnectionDialog, PresetAddressIsCutIntoFourNumbers)
{
    struct Case {
        const char* preset;
        std::array<int, 4> fields;
    };
    const Case cases[] = {
        {"10.0.0.25", {10, 0, 0, 25}},
        {"10.0.0", {10, 0, 0, 10}},  // the fourth number wraps round to the first
        {"", {0, 0, 0, 0}},
        {"300.-1. 7x.99999999999", {44, 255, 7, 255}},
        {"a.b.c.d.e", {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        AppOnMachine run(MachineWithPorts({"DOT4_001"}, CancelAtOnce()));
        run.app.m_strIpAddress = c.preset;
        run.app.PromptUserForInfo();
        EXPECT_EQ(Dialog(run.api).controls.at(IDC_IPADDRESS).ipFields, c.fields) << c.preset;
    }
}

TEST(ConnectionDialog, FixItAsksForTheFirstMissingNetworkDetail)
{
    struct Case {
        const char* ip;  // nullptr: left as the dialog shows it
        const char* hw;
        const char* host;
        std::vector<std::string> boxes;
    };
    const std::string enterIp = "Please enter an IP address as found on the printer config page.";
    const std::string enterHw = "Please enter a hardware address as found on the printer config page.";
    const std::string enterHost = "Please enter a Host name as found on the printer config page.";
    const Case cases[] = {
        {"", "", "", {enterIp}},
        {"10.0.0.5", "", "", {enterHw}},
        {"10.0.0.5", ":::::", "cvq", {enterHw}},
        {"10.0.0.5", "0010B5A1C2D3", "", {enterHost}},
        {"10.0.0.5", "0010B5A1C2D3", "cvq", {}},
        // 0.0.0.0, as shown when no address was known or as typed, is no address.
        {nullptr, "0010B5A1C2D3", "cvq", {enterIp}},
        {"0.0.0.0", "0010B5A1C2D3", "cvq", {enterIp}},
        {"0.0.0.1", "0010B5A1C2D3", "cvq", {}},
    };
    for (const Case& c : cases) {
        machine::DialogAnswers answers;
        answers.connection = "network";
        if (c.ip != nullptr)
            answers.ipAddress = c.ip;
        answers.hardwareAddress = c.hw;
        answers.hostName = c.host;
        answers.buttons = {"fixit"};
        AppOnMachine run(MachineWithPorts({"DOT4_001"}, answers));
        bool taken = run.app.PromptUserForInfo();
        std::string what = std::string(c.ip ? c.ip : "(as shown)") + "/" + c.hw + "/" + c.host;
        EXPECT_EQ(taken, c.boxes.empty()) << what;
        EXPECT_EQ(test::BoxTexts(run.api), c.boxes) << what;
        // The box belongs to the dialog the user is typing in.
        for (const machine::ShownMessageBox& box : run.api.MessageBoxes())
            EXPECT_EQ(box.ownerTemplate, IDD_REMENDO_DIALOG) << what;
    }
}

TEST(ConnectionDialog, NetworkAnswersAreTakenOverNormalised)
{
    machine::DialogAnswers answers;
    answers.product = kSeriesC;
    answers.connection = "network";
    answers.ipAddress = "10..0.30";
    answers.hardwareAddress = "00:1a:2b:3c:4d:5e:ff";  // the edit takes 17 characters
    answers.hostName = "cvq%s\xe9";
    answers.buttons = {"fixit"};
    AppOnMachine run(MachineWithPorts({"DOT4_001"}, answers));
    run.app.m_strPortName = "DOT4_001";
    run.app.m_bFamilyB = true;
    EXPECT_TRUE(run.app.PromptUserForInfo());
    EXPECT_EQ(run.Log(), (std::vector<std::string>{
                             std::string("Remendo: PromptUserForInfo> User selected a ") + kSeriesC,
                             "Remendo: PromptUserForInfo> \tOn Network",
                             "Remendo: PromptUserForInfo> \tUser entered IP of 10.0.0.30",
                             "Remendo: PromptUserForInfo> \tUser entered host name of cvq%s\xe9",
                             "Remendo: PromptUserForInfo> \tUser entered hardware address of 001A2B3C4D5E",
                         }));
    EXPECT_TRUE(run.app.m_bFamilyC);
    EXPECT_FALSE(run.app.m_bFamilyB);
    EXPECT_TRUE(run.app.m_bNetworked);
    EXPECT_EQ(run.app.m_strPortName, "DOT4_001");
    EXPECT_EQ(Dialog(run.api).controls.at(IDC_HWADDR).text, "00:1a:2b:3c:4d:5e");
}

TEST(ConnectionDialog, HardwareAddressIsCutToTheEditsLimitAndUpperCased)
{
    struct Case {
        const char* preset;
        const char* typed;  // nullptr: left as preset
        const char* shown;
        const char* taken;
    };
    const Case cases[] = {
        {"00:1a:2b:3c:4d:5e:ff:ee", nullptr, "00:1a:2b:3c:4d:5e", "001A2B3C4D5E"},
        {"0010b5a1c2d3", nullptr, "0010b5a1c2d3", "0010B5A1C2D3"},
        // The letters of the ANSI code page, not only A to Z.
        {"", "00:\xe9\xff:ab", "00:\xe9\xff:ab", "00\xc9\x9f" "AB"},
    };
    for (const Case& c : cases) {
        machine::DialogAnswers answers;
        answers.connection = "network";
        answers.ipAddress = "10.0.0.5";
        answers.hostName = "cvq";
        if (c.typed != nullptr)
            answers.hardwareAddress = c.typed;
        answers.buttons = {"fixit"};
        AppOnMachine run(MachineWithPorts({"DOT4_001"}, answers));
        run.app.m_strHwAddress = c.preset;
        EXPECT_TRUE(run.app.PromptUserForInfo()) << c.preset;
        EXPECT_EQ(Dialog(run.api).controls.at(IDC_HWADDR).text, c.shown) << c.preset;
        EXPECT_EQ(run.app.m_strHwAddress, c.taken) << c.preset;
    }
}

TEST(ConnectionDialog, DirectAnswersTakeThePortTextAsItIs)
{
    // No DOT4 port: the user may still choose the direct connection and "(none)".
    machine::DialogAnswers answers;
    answers.product = "My own scanner";
    answers.connection = "direct";
    answers.port = "(none)";
    answers.buttons = {"fixit"};
    AppOnMachine none(MachineWithPorts({"LPT1:"}, answers));
    none.app.m_bFamilyA = true;
    none.app.m_strIpAddress = "10.0.0.5";
    EXPECT_TRUE(none.app.PromptUserForInfo());
    EXPECT_EQ(none.app.m_strPortName, "(none)");
    EXPECT_EQ(none.app.m_strSeriesName, "My own scanner");
    EXPECT_FALSE(none.app.m_bFamilyA || none.app.m_bFamilyB || none.app.m_bFamilyC);
    EXPECT_EQ(none.app.m_strIpAddress, "10.0.0.5");
    EXPECT_EQ(none.Log().back(), "Remendo: PromptUserForInfo> \tDirect connected");

    // An emptied port text is caught after the dialog; product and connection are taken over.
    answers.product = kSeriesA;
    answers.port = "";
    AppOnMachine empty(MachineWithPorts({"DOT4_001"}, answers));
    empty.app.m_bNetworked = true;
    EXPECT_FALSE(empty.app.PromptUserForInfo());
    EXPECT_EQ(empty.Log().back(), "Remendo: PromptUserForInfo> Empty Port");
    EXPECT_TRUE(empty.app.m_bFamilyA);
    EXPECT_FALSE(empty.app.m_bNetworked);
}

TEST(ConnectionDialog, ValidationKeepsTheDialogOpenForTheNextPress)
{
    machine::DialogAnswers answers;
    answers.connection = "network";
    answers.ipAddress = "10.0.0.5";
    answers.hardwareAddress = "0010B5A1C2D3";
    answers.buttons = {"fixit", "fixit", "cancel"};
    AppOnMachine run(MachineWithPorts({"DOT4_001"}, answers));
    run.app.m_strHostName = "";
    EXPECT_FALSE(run.app.PromptUserForInfo());
    EXPECT_EQ(test::BoxTexts(run.api).size(), 2u);
    EXPECT_EQ(Dialog(run.api).result, IDCANCEL);
    EXPECT_EQ(run.app.m_strSeriesName, "");

    // The user fills in what the box asked for before the next press.
    machine::DialogAnswers fixed;
    fixed.hostName = "cvq7250b";
    fixed.buttons = {"fixit"};
    machine::Machine machine = MachineWithPorts({"DOT4_001"}, answers);
    machine.dialog[0].buttons = {"fixit"};
    machine.dialog.push_back(fixed);
    AppOnMachine second(std::move(machine));
    second.app.m_strHostName = "";
    EXPECT_TRUE(second.app.PromptUserForInfo());
    EXPECT_EQ(test::BoxTexts(second.api).size(), 1u);
    EXPECT_EQ(second.app.m_strHostName, "cvq7250b");
}

TEST(ConnectionDialog, DialogThatCannotBeShownAnswersNothing)
{
    machine::Machine machine = MachineWithPorts({"DOT4_001"}, CancelAtOnce());
    machine.faults.push_back({"DialogBoxParamA", 1, ERROR_NOT_ENOUGH_MEMORY});
    AppOnMachine run(std::move(machine));
    run.app.m_strPortName = "DOT4_001";
    EXPECT_FALSE(run.app.PromptUserForInfo());
    EXPECT_EQ(run.Log(), std::vector<std::string>{"DebugLog: LogLastError> Couldn't show the connection dialog: "
                                                  "Not enough storage is available to process this command.\r\n"});
    EXPECT_EQ(run.app.m_strSeriesName, "");
}

}  // namespace
