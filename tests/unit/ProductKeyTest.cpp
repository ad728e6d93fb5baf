// The product-key repair: every value of the "Port" subkey by connection and family.
#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "app/Remendo.h"

namespace {

const char kKeyB[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\CV_Quillray_7250_7252_7255_7290\\Port";
const char kKeyA[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Quillray 7105_7110_7120_7180\\Port";

struct ProductKeyRun {
    machine::Machine machine = test::BaseMachine();
    sim::InstalledMachine hub{machine};

    machine::RegKey& Key(const char* path) { return machine.registry.Create(path); }
    void Set(const char* path, const char* name, const std::string& text)
    {
        Key(path).SetValue(name, REG_SZ, machine::StringData(text));
    }
    std::string Get(const char* path, const char* name)
    {
        const machine::RegValue* value = machine.registry.Find(path)->FindValue(name);
        return value ? machine::DataText(value->data) : "<missing>";
    }
    void Run(const std::string& keyName) { hub.app.FixCvProductKey(keyName); }
};

TEST(FixCvProductKey, NetworkedFamilyBTakesTheRunStateAndCreatesNothing)
{
    ProductKeyRun r;
    r.Set(kKeyB, "TWAIN", "old");
    r.Set(kKeyB, "IP Address", "10.0.0.1");
    r.Set(kKeyB, "Hostname", "old");
    r.Set(kKeyB, "Connection Type", "Direct");
    r.Set(kKeyB, "Port", "DOT4_001");
    r.hub.app.m_bNetworked = true;
    r.hub.app.m_bFamilyB = true;
    r.hub.app.m_strIpAddress = "10.0.0.9";
    r.hub.app.m_strHostName = "printer";
    r.hub.app.m_strHwAddress = "001122334455";
    r.hub.app.m_strPortName = "IP_10.0.0.9";
    r.Run("CV_Quillray_7250_7252_7255_7290");
    EXPECT_EQ(r.Get(kKeyB, "TWAIN"), "");
    EXPECT_EQ(r.Get(kKeyB, "IP Address"), "10.0.0.9");
    EXPECT_EQ(r.Get(kKeyB, "Hostname"), "printer");
    EXPECT_EQ(r.Get(kKeyB, "MAC Address"), "<missing>");
    EXPECT_EQ(r.Get(kKeyB, "Connection Type"), "Network");
    EXPECT_EQ(r.Get(kKeyB, "Port"), "IP_10.0.0.9");
    std::vector<std::string> lines = test::LogLines(r.hub.api);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Remendo: UpdateRegVar> --- No, Port\\MAC Address doesn't exist"),
              lines.end());
}

struct DeviceAddressCase {
    const char* stored;
    const char* portName;
    const char* expected;
};

TEST(FixCvProductKey, FamilyADeviceAddressIsRewrittenOnlyWhenEmptyOrDot4)
{
    const DeviceAddressCase cases[] = {
        {"DOT4_001", "IP_10.0.0.9", "IP_10.0.0.9"},
        {"\\\\.\\Dot4scan", "IP_10.0.0.9", "IP_10.0.0.9"},
        {"", "IP_10.0.0.9", "IP_10.0.0.9"},
        {"IP_10.0.0.1", "IP_10.0.0.9", "IP_10.0.0.1"},
        {"DOT4_001", "", "DOT4_001"},
    };
    for (const DeviceAddressCase& c : cases) {
        ProductKeyRun r;
        r.Set(kKeyA, "Device Address", c.stored);
        r.Set(kKeyA, "Port", "x");
        r.hub.app.m_bNetworked = true;
        r.hub.app.m_bFamilyA = true;
        r.hub.app.m_strPortName = c.portName;
        r.Run("Quillray 7105_7110_7120_7180");
        SCOPED_TRACE(std::string(c.stored) + " with port " + c.portName);
        EXPECT_EQ(r.Get(kKeyA, "Device Address"), c.expected);
        EXPECT_EQ(r.Get(kKeyA, "Port"), c.portName);
    }
}

TEST(FixCvProductKey, DirectConnectionEmptiesTheNetworkValues)
{
    ProductKeyRun r;
    r.Set(kKeyB, "IP Address", "10.0.0.1");
    r.Set(kKeyB, "Hostname", "old");
    r.Set(kKeyB, "MAC Address", "001122334455");
    r.Set(kKeyB, "Connection Type", "Network");
    r.Set(kKeyB, "Port", "IP_10.0.0.1");
    r.Set(kKeyB, "Device Address", "keep");
    r.hub.app.m_bFamilyB = true;
    r.hub.app.m_strPortName = "DOT4_001";
    r.Run("CV_Quillray_7250_7252_7255_7290");
    EXPECT_EQ(r.Get(kKeyB, "IP Address"), "");
    EXPECT_EQ(r.Get(kKeyB, "Hostname"), "");
    EXPECT_EQ(r.Get(kKeyB, "MAC Address"), "");
    EXPECT_EQ(r.Get(kKeyB, "Connection Type"), "Direct");
    EXPECT_EQ(r.Get(kKeyB, "Port"), "DOT4_001");
    EXPECT_EQ(r.Get(kKeyB, "Device Address"), "keep");
    std::vector<std::string> lines = test::LogLines(r.hub.api);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Remendo: FixCvProductKey> - Does the main connection type  need updating?"),
              lines.end());
}

TEST(FixCvProductKey, MissingKeyIsLoggedWithItsPath)
{
    ProductKeyRun r;
    r.Run("");
    EXPECT_EQ(test::LogLines(r.hub.api).back(),
              "DebugLog: LogLastError> Failed to open SOFTWARE\\Corvane\\\\Port: "
              "The system cannot find the file specified.\r\n");
}

}  // namespace
