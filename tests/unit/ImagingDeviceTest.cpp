// The imaging-device repair: which devices are taken for the selected
// all-in-one, and what each branch changes.
#include <gtest/gtest.h>

#include <algorithm>

#include "SimTestSupport.h"
#include "app/Remendo.h"

namespace {

const char kClassKey[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";
const char kSeriesA[] = "CV Quillray 7105/7110/7120/7180 Series";
const char kSeriesB[] = "CV Quillray 7250/7252/7255/7290/7292 Series";

std::string DevicePath(const std::string& subkey)
{
    return std::string("HKEY_LOCAL_MACHINE\\") + kClassKey + "\\" + subkey;
}

void AddDevice(machine::Machine& machine, const std::string& subkey, const std::string& description,
               const std::string& twainDs = "Twain Source")
{
    machine::RegKey& device = machine.registry.Create(DevicePath(subkey));
    device.SetValue("DriverDesc", REG_SZ, machine::StringData(description));
    device.SetValue("DeviceID", REG_SZ, machine::StringData("old id"));
    device.SetValue("CreateFileName", REG_SZ, machine::StringData("\\\\.\\Dot4Scan001"));
    machine::RegKey& data = machine.registry.Create(DevicePath(subkey) + "\\DeviceData");
    data.SetValue("TwainDS", REG_SZ, machine::StringData(twainDs));
    data.SetValue("PortID", REG_SZ, machine::StringData("10.0.0.1"));
    data.SetValue("NetworkHostName", REG_SZ, machine::StringData("oldname"));
}

std::string Value(machine::Machine& machine, const std::string& key, const std::string& name)
{
    machine::RegKey* found = machine.registry.Find(key);
    const machine::RegValue* value = found ? found->FindValue(name) : nullptr;
    return value ? machine::DataText(value->data) : "<missing>";
}

struct Scenario {
    machine::Machine machine = test::BaseMachine();
    sim::InstalledMachine hub{machine};

    Scenario()
    {
        hub.app.m_strImagingClassKey = kClassKey;
        hub.app.m_bXpOrLater = true;
    }
    bool Logged(const std::string& line) const
    {
        std::vector<std::string> lines = test::LogLines(hub.api);
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

struct SelectionCase {
    const char* description;
    const char* series;
    bool repaired;
    const char* line;
};

TEST(FixImagingDevice, TakesOnlyDevicesOfTheSelectedFamily)
{
    const SelectionCase cases[] = {
        {"CV Quillray 7250", "", true, "\tAppears to be an 7250/7252/7255/7290/7292"},
        {"cv Quillray 7110", "", true, "\tAppears to be a 7105/7110/7120/7180"},
        {"CV Color Quillray 6430", "", true, "\tAppears to be a 6410/6420/6430"},
        {"CV Quillray 7110", "", false, "\tDevice is not supported and user didn't specify anything"},
        {"CV Quillray 7250 ", "", false, "\tDevice is not supported and user didn't specify anything"},
        {"CV Quillray 7250", kSeriesA, false, "\tAlthough this device is supported, it is not the one selected."},
        {"Some Scanner", kSeriesB, false, "\tAlthough this device is supported, it is not the one selected."},
        {"Some Scanner", "My own series", true, "\t0000\\DriverDesc = Some Scanner"},
        {"cv Quillray 7180", kSeriesA, true, "\tAppears to be a 7105/7110/7120/7180"},
    };
    for (const SelectionCase& c : cases) {
        Scenario s;
        AddDevice(s.machine, "0000", c.description);
        s.hub.app.m_strSeriesName = c.series;
        s.hub.app.m_bNetworked = true;
        s.hub.app.m_bWin9x = true;  // only the device's own values
        s.hub.app.m_strIpAddress = "10.0.0.9";
        s.hub.app.m_strHostName = "printer";
        SCOPED_TRACE(std::string(c.description) + " / " + c.series);
        EXPECT_EQ(s.hub.app.FixImagingDevice("0000"), c.repaired);
        EXPECT_TRUE(s.Logged(std::string("Remendo: FixImagingDevice> ") + c.line));
        EXPECT_EQ(Value(s.machine, DevicePath("0000"), "CreateFileName"),
                  c.repaired ? "AUTO" : "\\\\.\\Dot4Scan001");
        EXPECT_EQ(s.hub.app.m_bChangesMade, c.repaired);
    }
}

TEST(FixImagingDevice, NetworkBranchOnNineXTouchesOnlyTheThreeStiValues)
{
    Scenario s;
    AddDevice(s.machine, "0001", "CV Quillray 7252");
    s.machine.files.Write("C:\\WINDOWS\\system32\\drivers\\etc\\hosts", "10.0.0.1 oldname\r\n");
    s.hub.app.m_bNetworked = true;
    s.hub.app.m_bWin9x = true;
    s.hub.app.m_bXpOrLater = false;
    s.hub.app.m_strIpAddress = "10.0.0.9";
    s.hub.app.m_strHostName = "printer";
    EXPECT_TRUE(s.hub.app.FixImagingDevice("0001"));
    EXPECT_EQ(Value(s.machine, DevicePath("0001"), "DeviceID"), "old id");
    EXPECT_EQ(Value(s.machine, DevicePath("0001") + "\\DeviceData", "PortID"), "10.0.0.9");
    EXPECT_EQ(Value(s.machine, DevicePath("0001") + "\\DeviceData", "NetworkHostName"), "printer");
    EXPECT_EQ(test::FileText(s.machine, "C:\\WINDOWS\\system32\\drivers\\etc\\hosts"), "10.0.0.1 oldname\r\n");
    EXPECT_FALSE(s.Logged("Remendo: FixImagingDevice> - Does the device id need updating?"));
    EXPECT_EQ(s.hub.api.CallCount("OpenSCManagerA"), 0);
}

TEST(FixImagingDevice, DeviceIdOnlyFromXpOnAndTwainSourceFromTheLastDevice)
{
    Scenario s;
    AddDevice(s.machine, "0000", "cv Quillray 7105", "First TWAIN");
    AddDevice(s.machine, "0001", "cv Quillray 7120", "Second");
    s.hub.app.m_bWin9x = true;
    s.hub.app.m_bNetworked = true;
    s.hub.app.m_bFamilyA = true;
    EXPECT_TRUE(s.hub.app.EnumerateImagingClass());
    ASSERT_EQ(s.hub.app.m_aImagingDevices, (std::vector<std::string>{"0000", "0001"}));
    for (const std::string& device : s.hub.app.m_aImagingDevices)
        s.hub.app.FixImagingDevice(device);
    EXPECT_EQ(Value(s.machine, DevicePath("0001"), "DeviceID"), "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0001");
    EXPECT_EQ(s.hub.app.m_strTwainDs, "Second TWAIN");
}

TEST(FixImagingDevice, UnopenableKeysAreLoggedAndSkipped)
{
    Scenario s;
    AddDevice(s.machine, "0000", "CV Quillray 7250");
    s.machine.registry.Delete(DevicePath("0000") + "\\DeviceData");
    s.hub.app.m_bWin9x = true;
    s.hub.app.m_bNetworked = true;
    EXPECT_FALSE(s.hub.app.FixImagingDevice("0000"));
    EXPECT_TRUE(s.Logged("DebugLog: LogLastError> Failed to open 0000\\DeviceData key: "
                         "The system cannot find the file specified.\r\n"));
    EXPECT_FALSE(s.hub.app.FixImagingDevice("0009"));
    EXPECT_TRUE(s.Logged("DebugLog: LogLastError> Failed to open 0009 Imaging key so skipping it: "
                         "The system cannot find the file specified.\r\n"));
    EXPECT_EQ(s.hub.api.OpenHandleCount(), 1u) << "every key closed; only the log stays open";
}

TEST(EnumerateImagingClass, MissingClassKeyLeavesTheListEmpty)
{
    Scenario s;
    s.machine.registry.Delete(std::string("HKEY_LOCAL_MACHINE\\") + kClassKey);
    EXPECT_FALSE(s.hub.app.EnumerateImagingClass());
    EXPECT_TRUE(s.hub.app.m_aImagingDevices.empty());
    s.machine.registry.Create(std::string("HKEY_LOCAL_MACHINE\\") + kClassKey);
    EXPECT_TRUE(s.hub.app.EnumerateImagingClass());
    EXPECT_TRUE(s.hub.app.m_aImagingDevices.empty());
}

}  // namespace
