// The direct-connection scan-port repair and the port-monitor repair.
#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "app/Remendo.h"
#include "platform/WinApi.h"

namespace {

const char kClassKey[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";
const char kChannel[] = "\\\\.\\Dot4scanUSB001";

std::string Hklm(const std::string& path)
{
    return "HKEY_LOCAL_MACHINE\\" + path;
}

std::string Device(const std::string& subkey)
{
    return Hklm(std::string(kClassKey) + "\\" + subkey);
}

std::string StoredText(machine::Machine& machine, const std::string& keyPath, const std::string& value)
{
    const machine::RegKey* key = machine.registry.Find(keyPath);
    const machine::RegValue* found = key == nullptr ? nullptr : key->FindValue(value);
    return found == nullptr ? "(missing)" : machine::DataText(found->data);
}

void SetText(machine::Machine& machine, const std::string& keyPath, const std::string& value, const std::string& text)
{
    machine.registry.Create(keyPath).SetValue(value, REG_SZ, machine::StringData(text));
}

// Three imaging devices: ours (0000), one on our channel (0001) and one elsewhere (0002).
machine::Machine DirectMachine(const std::string& ownChannel, bool withPortValue)
{
    machine::Machine machine = test::BaseMachine();
    SetText(machine, Device("0000"), "CreateFileName", ownChannel);
    if (withPortValue)
        SetText(machine, Device("0000"), "CreateFileNamePort", "DOT4_009");
    SetText(machine, Device("0001"), "CreateFileName", kChannel);
    SetText(machine, Device("0002"), "CreateFileName", "\\\\.\\Dot4scanUSB002");
    return machine;
}

// Runs the repair on device 0000 and gives its log lines.
std::vector<std::string> RepairDirect(machine::Machine& machine, bool xpOrLater, bool* changes = nullptr)
{
    sim::InstalledMachine hub(machine);
    hub.app.m_bXpOrLater = xpOrLater;
    hub.app.m_strPortName = "DOT4_001";
    hub.app.m_strImagingClassKey = kClassKey;
    hub.app.m_aImagingDevices = {"0000", "0001", "0002"};
    HKEY device = nullptr;
    EXPECT_EQ(Win().RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kClassKey) + "\\0000").c_str(), 0,
                                  KEY_ALL_ACCESS, &device),
              0);
    hub.app.FixDirectScanDevice(device, "0000");
    Win().RegCloseKey(device);
    if (changes != nullptr)
        *changes = hub.app.m_bChangesMade;
    EXPECT_EQ(hub.api.OpenHandleCount(), 1u);  // the log file alone
    return test::LogLines(hub.api);
}

TEST(FixDirectScanDevice, BeforeXpUpdatesCreateFileNameOnly)
{
    machine::Machine machine = DirectMachine(kChannel, true);
    EXPECT_EQ(RepairDirect(machine, false),
              (std::vector<std::string>{
                  "Remendo: FixDirectScanDevice> On 2k or older so updating CreateFileName",
                  "Remendo: FixDirectScanDevice> - Does the CreateFileName need updating?",
                  std::string("Remendo: UpdateRegVar> --- Yes, changed 0000\\CreateFileName from ") + kChannel +
                      " to DOT4_001 ##### FIXED",
                  "Remendo: FixDirectScanDevice> Cycling through the other CreateFileNames to fix contention issues",
              }));
    EXPECT_EQ(StoredText(machine, Device("0000"), "CreateFileNamePort"), "DOT4_009");
    EXPECT_EQ(StoredText(machine, Device("0001"), "CreateFileName"), kChannel);
}

TEST(FixDirectScanDevice, XpWithoutThePortValueFallsBackToCreateFileName)
{
    machine::Machine machine = DirectMachine("DOT4_001", false);
    std::vector<std::string> lines = RepairDirect(machine, true);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "DebugLog: LogLastError> Didn't find CreateFileNamePort: "
                        "The system cannot find the file specified.\r\n");
    EXPECT_EQ(lines[1], "Remendo: FixDirectScanDevice> - Does the CreateFileName need updating?");
    EXPECT_EQ(lines[2], "Remendo: UpdateRegVar> --- No, 0000\\CreateFileName as expected (DOT4_001), leaving as is");
    EXPECT_EQ(StoredText(machine, Device("0000"), "CreateFileNamePort"), "(missing)");
}

TEST(FixDirectScanDevice, XpUpdatesThePortAndMovesOnlyDevicesOnTheSameChannel)
{
    machine::Machine machine = DirectMachine(kChannel, true);
    bool changes = false;
    EXPECT_EQ(RepairDirect(machine, true, &changes),
              (std::vector<std::string>{
                  "Remendo: FixDirectScanDevice> - Does the CreateFileNamePort need updating?",
                  "Remendo: UpdateRegVar> --- Yes, changed 0000\\CreateFileNamePort from DOT4_009 to DOT4_001 ##### FIXED",
                  "Remendo: FixDirectScanDevice> Cycling through the other CreateFileNames to fix contention issues",
                  "Remendo: FixDirectScanDevice> Change the other product CreateFileName to something else",
                  std::string("Remendo: UpdateRegVar> --- Yes, changed 0001\\CreateFileName\\CreateFileName from ") +
                      kChannel + " to Dot4Scan0000 ##### FIXED",
              }));
    EXPECT_TRUE(changes);
    EXPECT_EQ(StoredText(machine, Device("0000"), "CreateFileName"), kChannel);
    EXPECT_EQ(StoredText(machine, Device("0001"), "CreateFileName"), "Dot4Scan0000");
    EXPECT_EQ(StoredText(machine, Device("0002"), "CreateFileName"), "\\\\.\\Dot4scanUSB002");

    // A second pass finds no other device left on the channel.
    std::vector<std::string> again = RepairDirect(machine, true, &changes);
    EXPECT_EQ(again.back(),
              "Remendo: FixDirectScanDevice> Cycling through the other CreateFileNames to fix contention issues");
    EXPECT_FALSE(changes);
}

TEST(FixDirectScanDevice, MarkerIsCaseSensitiveAndFailuresOfOthersAreLogged)
{
    machine::Machine upper = DirectMachine("\\\\.\\DOT4SCANUSB001", true);
    SetText(upper, Device("0001"), "CreateFileName", "\\\\.\\DOT4SCANUSB001");
    RepairDirect(upper, true);
    EXPECT_EQ(StoredText(upper, Device("0001"), "CreateFileName"), "\\\\.\\DOT4SCANUSB001");

    // 0001 has gone from the registry and 0002 has no channel value: both are
    // logged and skipped.
    machine::Machine broken = DirectMachine(kChannel, true);
    broken.registry.Delete(Device("0001"));
    broken.registry.Find(Device("0002"))->values.clear();
    std::vector<std::string> lines = RepairDirect(broken, true);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "DebugLog: LogLastError> Failed to open 0001 key while enumerating for "
                                       "CreateFileName: The system cannot find the file specified.\r\n");
    EXPECT_EQ(lines.back(), "DebugLog: LogLastError> Read failed on 0002\\CreateFileName: "
                            "The system cannot find the file specified.\r\n");
}

const char kMakersPorts[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\CV Standard TCP/IP Port\\Ports";
const char kSystemsPorts[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";

void AddPort(machine::Machine& machine, const char* monitorPorts, const std::string& port)
{
    std::string key = Hklm(std::string(monitorPorts) + "\\" + port);
    SetText(machine, key, "IPAddress", "10.0.0.1");
    SetText(machine, key, "HWAddress", "0010B5A1C2D3");
    SetText(machine, key, "HostName", "old");
}

struct PortResult {
    bool result;
    std::vector<std::string> lines;
    bool changes;
};

PortResult RepairPort(machine::Machine& machine, const std::string& hwAddress = "0010B5000001",
                      const std::string& hostName = "cvq7250")
{
    sim::InstalledMachine hub(machine);
    hub.app.m_strPortName = "IP_10.0.0.25";
    hub.app.m_strIpAddress = "10.0.0.25";
    hub.app.m_strHwAddress = hwAddress;
    hub.app.m_strHostName = hostName;
    bool result = hub.app.UpdatePrinterIPandMac();
    EXPECT_EQ(hub.api.OpenHandleCount(), 1u);  // the log file alone
    return {result, test::LogLines(hub.api), hub.app.m_bChangesMade};
}

TEST(UpdatePrinterIPandMac, MakersMonitorFirstAndTheSystemsOnlyWithoutThePort)
{
    machine::Machine both = test::BaseMachine();
    AddPort(both, kMakersPorts, "IP_10.0.0.25");
    AddPort(both, kSystemsPorts, "IP_10.0.0.25");
    PortResult inBoth = RepairPort(both);
    EXPECT_TRUE(inBoth.result);
    EXPECT_EQ(inBoth.lines.at(0), "Remendo: UpdatePrinterIPandMac> - Does the Ip address need updating in the CV port monitor?");
    EXPECT_EQ(inBoth.lines.at(1),
              "Remendo: UpdateRegVar> --- Yes, changed IP_10.0.0.25\\IPAddress from 10.0.0.1 to 10.0.0.25 ##### FIXED");
    EXPECT_EQ(inBoth.lines.size(), 6u);
    EXPECT_EQ(StoredText(both, Hklm(std::string(kMakersPorts) + "\\IP_10.0.0.25"), "HostName"), "cvq7250");
    EXPECT_EQ(StoredText(both, Hklm(std::string(kSystemsPorts) + "\\IP_10.0.0.25"), "HostName"), "old");

    // The maker's monitor holds other ports only, or is not installed at all.
    for (bool makersInstalled : {true, false}) {
        machine::Machine machine = test::BaseMachine();
        if (makersInstalled)
            AddPort(machine, kMakersPorts, "IP_10.0.0.99");
        AddPort(machine, kSystemsPorts, "IP_10.0.0.25");
        PortResult result = RepairPort(machine);
        EXPECT_TRUE(result.result);
        EXPECT_TRUE(result.changes);
        EXPECT_EQ(result.lines.at(0), "Remendo: UpdatePrinterIPandMac> - Does the Ip address need updating in the port monitor?");
        EXPECT_EQ(result.lines.at(4), "Remendo: UpdatePrinterIPandMac> - Does the HostName need updating in the port monitor?");
        EXPECT_EQ(StoredText(machine, Hklm(std::string(kSystemsPorts) + "\\IP_10.0.0.25"), "HWAddress"),
                  "0010B5000001");
    }
}

TEST(UpdatePrinterIPandMac, FindsOnlyTheExactPortName)
{
    machine::Machine machine = test::BaseMachine();
    AddPort(machine, kMakersPorts, "ip_10.0.0.25");
    AddPort(machine, kSystemsPorts, "IP_10.0.0.250");
    PortResult result = RepairPort(machine);
    EXPECT_FALSE(result.result);
    EXPECT_TRUE(result.lines.empty());
    EXPECT_FALSE(result.changes);
}

TEST(UpdatePrinterIPandMac, AlreadyCorrectValuesStillCountAsFound)
{
    machine::Machine machine = test::BaseMachine();
    AddPort(machine, kSystemsPorts, "IP_10.0.0.25");
    PortResult result = RepairPort(machine, "0010B5A1C2D3", "");
    EXPECT_TRUE(result.result);
    // Only the host name differs: it is emptied.
    EXPECT_EQ(result.lines.at(5), "Remendo: UpdateRegVar> --- Yes, changed IP_10.0.0.25\\HostName from old to  ##### FIXED");
    PortResult again = RepairPort(machine, "0010B5A1C2D3", "");
    EXPECT_TRUE(again.result);
    EXPECT_FALSE(again.changes);
}

TEST(UpdatePrinterIPandMac, GuardAndFailuresEndItWithFalse)
{
    machine::Machine empty = test::BaseMachine();
    AddPort(empty, kSystemsPorts, "IP_10.0.0.25");
    PortResult noHw = RepairPort(empty, "");
    EXPECT_FALSE(noHw.result);
    ASSERT_EQ(noHw.lines.size(), 1u);
    EXPECT_EQ(noHw.lines[0].rfind("DebugLog: LogLastError> Port, IP, or Mac is empty: ", 0), 0u);

    machine::Machine refused = test::BaseMachine();
    AddPort(refused, kSystemsPorts, "IP_10.0.0.25");
    refused.faults.push_back({"RegOpenKeyExA", 1, ERROR_ACCESS_DENIED});
    PortResult denied = RepairPort(refused);
    EXPECT_FALSE(denied.result);
    EXPECT_EQ(denied.lines, std::vector<std::string>{
                                "DebugLog: LogLastError> Error opening registry key: Access is denied.\r\n"});

    machine::Machine none = test::BaseMachine();
    PortResult noMonitor = RepairPort(none);
    EXPECT_FALSE(noMonitor.result);
    EXPECT_EQ(noMonitor.lines, std::vector<std::string>{"DebugLog: LogLastError> Error opening registry key: "
                                                        "The system cannot find the file specified.\r\n"});
}

}  // namespace
