// End-to-end: what discovery finds on a real printer list, the confirmation
// box, and the connection dialog answered and cancelled.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "MachineSetup.h"
#include "RemendoE2E.h"
#include "UiAutomation.h"

namespace {
const char kPrinterName[] = "CV Quillray 7250";
const char kPrinterDriver[] = "CV Quillray 7250 RVX";
const char kNetworkPort[] = "IP_10.0.0.25";
const char kDialogCaption[] = "CV Quillray Remendo Utility";
const char kSeries[] = "CV Quillray 7250/7252/7255/7290/7292 Series";
// The dialog's controls (the utility's resource.h).
const int kProductCombo = 1006;
const int kNetworkRadio = 1002;
const int kIpAddressControl = 1000;
const int kHardwareAddressEdit = 1012;
const int kHostNameEdit = 1009;
const DWORD kDialogActionsTimeoutMs = 30000;

class Discovery : public RemendoE2E {
protected:
    void InstallPrinterOn(const std::string& port)
    {
        std::string error;
        ASSERT_TRUE(InstallOnlyPrinter({kPrinterName, port, kPrinterDriver}, &error)) << error;
    }

    // Runs the program until its connection dialog shows; fails the test when it does not.
    HWND WaitForConnectionDialog()
    {
        HWND dialog = m_run.WaitForDialog(kDialogCaption, kBoxTimeoutMs);
        EXPECT_NE(dialog, nullptr) << "no dialog \"" << kDialogCaption << "\"; exited: " << m_run.HasExited()
                                   << "; debugger output so far:\n"
                                   << Joined(m_run.DebugLines());
        return dialog;
    }

    // Declines the direct printer found and waits for the dialog.
    HWND DeclineAndWaitForDialog()
    {
        HWND box = NextBox();
        if (box == nullptr)
            return nullptr;
        EXPECT_EQ(uia::MessageBoxText(box), kDirectQuestion);
        Answer(box, IDNO);
        return WaitForConnectionDialog();
    }

    // Runs the program to its end, counting the message boxes it shows on the way.
    int MessageBoxesUntilExit()
    {
        uia::DialogQuery query;
        query.processId = m_run.ProcessId();
        query.messageBoxOnly = true;
        int boxes = 0;
        m_run.RunUntil(
            [&] {
                boxes += static_cast<int>(uia::FindDialogs(query).size());
                return false;
            },
            kExitTimeoutMs);
        EXPECT_TRUE(m_run.HasExited()) << "still running";
        return boxes;
    }
};

TEST_F(Discovery, NetworkedPrinterOnASystemMonitorPortIsOfferedWithItsAddressAndHost)
{
    InstallPrinterOn(kNetworkPort);
    std::string error;
    ASSERT_TRUE(DescribeStandardTcpIpPort(
        kNetworkPort, {{"IPAddress", "10.0.0.25"}, {"HWAddress", "0010B5A1C2D3"}, {"HostName", "cvq7250"}}, &error))
        << error;
    Start();
    RunToCompletion("Found CV Quillray 7250 networked at 10.0.0.25 using cvq7250, Continue with this information?");
    EXPECT_EQ(MissingInOrder(LogLines(), {"Remendo: DetermineInfo> --- networked",
                                          "Remendo: InitInstance> --- Yes, let's fix it!",
                                          "Remendo: InitInstance> - How many imaging devices are on this PC?"}),
              "");
}

TEST_F(Discovery, DirectPrinterOnADot4PortIsOfferedWithItsPort)
{
    InstallPrinterOn("DOT4_001");
    Start();
    RunToCompletion(kDirectQuestion);
    EXPECT_EQ(MissingInOrder(LogLines(), {"Remendo: DetermineInfo> --- Direct",
                                          "Remendo: InitInstance> --- Yes, let's fix it!",
                                          "Remendo: InitInstance> - How many imaging devices are on this PC?"}),
              "");
}

TEST_F(Discovery, DecliningOpensTheDialogWhoseAnswersTheRunTakes)
{
    InstallPrinterOn("DOT4_001");
    Start();
    HWND dialog = DeclineAndWaitForDialog();
    ASSERT_NE(dialog, nullptr);

    m_answers.dialog = {machine::DialogAnswers{kSeries, std::string("network"), std::nullopt, std::string("10.0.0.31"),
                                          std::string("00:10:b5:a1:c2:d3"), std::string("cvq7250-lab"), {"fixit"}}};
    bool answered = false;
    ASSERT_TRUE(m_run.RunAlongside(
        [&] {
            answered = uia::SelectComboString(dialog, kProductCombo, kSeries) &&
                       uia::ClickControl(dialog, kNetworkRadio) &&
                       uia::SetIpAddress(dialog, kIpAddressControl, "10.0.0.31") &&
                       uia::SetControlText(dialog, kHardwareAddressEdit, "00:10:b5:a1:c2:d3") &&
                       uia::SetControlText(dialog, kHostNameEdit, "cvq7250-lab") && uia::PressButton(dialog, IDOK);
        },
        kDialogActionsTimeoutMs));
    ASSERT_TRUE(answered) << "a dialog control could not be set";
    ASSERT_TRUE(WaitUntilGone(dialog)) << "the dialog stayed open after \"Fix It\"";
    FinishWithBox(kCompletedMessage);

    EXPECT_EQ(MissingInOrder(
                  LogLines(),
                  {"Remendo: InitInstance> --- No, user doesn't want to use it, let's prompt for new info.",
                   "Remendo: PromptUserForInfo> User selected a CV Quillray 7250/7252/7255/7290/7292 Series",
                   "Remendo: PromptUserForInfo> \tOn Network",
                   "Remendo: PromptUserForInfo> \tUser entered IP of 10.0.0.31",
                   "Remendo: PromptUserForInfo> \tUser entered host name of cvq7250-lab",
                   "Remendo: PromptUserForInfo> \tUser entered hardware address of 0010B5A1C2D3",
                   "Remendo: InitInstance> - How many imaging devices are on this PC?"}),
              "");
}

// 0.0.0.0, shown when no address is known, is no answer. The box that asks
// for one belongs to the dialog, which stays disabled until it is answered.
TEST_F(Discovery, AnAddressLeftAsShownIsAskedForWhileTheDialogWaits)
{
    InstallPrinterOn("DOT4_001");
    Start();
    HWND dialog = DeclineAndWaitForDialog();
    ASSERT_NE(dialog, nullptr);

    std::string shown;
    bool answered = false;
    ASSERT_TRUE(m_run.RunAlongside(
        [&] {
            shown = uia::ControlText(dialog, kIpAddressControl);
            answered = uia::ClickControl(dialog, kNetworkRadio) &&
                       uia::SetControlText(dialog, kHardwareAddressEdit, "0010B5A1C2D3") &&
                       uia::SetControlText(dialog, kHostNameEdit, "cvq7250") && uia::PressButton(dialog, IDOK);
        },
        kDialogActionsTimeoutMs));
    ASSERT_TRUE(answered) << "a dialog control could not be set";
    EXPECT_EQ(shown, "0.0.0.0");
    HWND box = NextBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(uia::MessageBoxText(box), "Please enter an IP address as found on the printer config page.");
    EXPECT_EQ(::GetWindow(box, GW_OWNER), dialog);
    EXPECT_FALSE(::IsWindowEnabled(dialog));
    Answer(box, IDOK);
    EXPECT_TRUE(::IsWindowEnabled(dialog));

    ASSERT_TRUE(uia::PressButton(dialog, IDCANCEL));
    EXPECT_EQ(MessageBoxesUntilExit(), 0);
    std::vector<std::string> lines = LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Remendo: InitInstance> user canceled prompt for info");
}

TEST_F(Discovery, CancelInTheDialogEndsTheRunWithoutAFinalBox)
{
    InstallPrinterOn("DOT4_001");
    Start();
    HWND dialog = DeclineAndWaitForDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(uia::PressButton(dialog, IDCANCEL));
    m_answers.dialog = {machine::DialogAnswers{}};
    m_answers.dialog.back().buttons = {"cancel"};

    EXPECT_EQ(MessageBoxesUntilExit(), 0);
    EXPECT_EQ(m_run.ExitCode(), 0u);
    std::vector<std::string> lines = LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
              (std::vector<std::string>{"Remendo: PromptUserForInfo> User canceled out of dialog",
                                        "Remendo: InitInstance> user canceled prompt for info"}));
}

TEST_F(Discovery, PrinterOnAUsbPortBringsTheWrongPortBoxThenTheDialog)
{
    InstallPrinterOn("USB001");
    Start();
    HWND box = NextBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(uia::MessageBoxText(box),
              "--- Direct but printer is installed incorrectly on the USB001 port.  Please re-install correctly.");
    Answer(box, IDOK);
    HWND dialog = WaitForConnectionDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(uia::PressButton(dialog, IDCANCEL));
    m_answers.dialog = {machine::DialogAnswers{}};
    m_answers.dialog.back().buttons = {"cancel"};

    EXPECT_EQ(MessageBoxesUntilExit(), 0);
    std::vector<std::string> lines = LogLines();
    EXPECT_EQ(MissingInOrder(lines, {"Remendo: DetermineInfo> --- Direct but printer is installed incorrectly on the "
                                     "USB001 port.  Please re-install correctly.",
                                     "Remendo: InitInstance> --- No, lets prompt the user for info",
                                     "Remendo: PromptUserForInfo> User canceled out of dialog",
                                     "Remendo: InitInstance> User canceled prompt for info"}),
              "");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Remendo: InitInstance> User canceled prompt for info");
}

}  // namespace
