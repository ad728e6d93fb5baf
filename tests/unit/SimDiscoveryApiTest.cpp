// The simulated machine's spooler, sockets, version query and subkey
// enumeration behave as the Windows calls do.
#include <gtest/gtest.h>

#include <cstring>

#include "SimTestSupport.h"

namespace {

TEST(SimSpooler, PrinterListIsSizedThenReadWithItsTextsInTheBuffer)
{
    machine::Machine machine;
    machine.printers = {{"P1", "DOT4_001", "D1"}, {"Printer two", "IP_10.0.0.5", ""}};
    sim::SimApi api(machine);
    DWORD needed = 0, count = 99;
    EXPECT_FALSE(api.EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, nullptr, 0, &needed,
                                   &count));
    EXPECT_EQ(api.GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed, 2 * sizeof(PRINTER_INFO_2A) + 3 + 9 + 3 + 12 + 12 + 1);
    EXPECT_EQ(count, 0u);

    std::vector<BYTE> buffer(needed);
    EXPECT_FALSE(api.EnumPrintersA(6, nullptr, 2, buffer.data(), needed - 1, &needed, &count));
    ASSERT_TRUE(api.EnumPrintersA(6, nullptr, 2, buffer.data(), needed, &needed, &count));
    ASSERT_EQ(count, 2u);
    const PRINTER_INFO_2A* records = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    EXPECT_STREQ(records[1].pPrinterName, "Printer two");
    EXPECT_STREQ(records[1].pPortName, "IP_10.0.0.5");
    EXPECT_STREQ(records[0].pDriverName, "D1");
    for (const char* text : {records[0].pPrinterName, records[1].pDriverName}) {
        EXPECT_GE(reinterpret_cast<const BYTE*>(text), buffer.data());
        EXPECT_LT(reinterpret_cast<const BYTE*>(text), buffer.data() + buffer.size());
    }
    EXPECT_FALSE(api.EnumPrintersA(6, nullptr, 1, buffer.data(), needed, &needed, &count));
    EXPECT_EQ(api.GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
}

// Each index names the subkey at that place in name order as the key stands at
// the call, however the key changed since the last one and whichever handle asks.
TEST(SimRegistry, SubkeyIndexesFollowTheKeyAsItStandsAtEachCall)
{
    const std::string kParent = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Maker";
    machine::Machine machine;
    for (const char* name : {"b", "A", "c"})
        machine.registry.Create(kParent + "\\" + name);
    sim::SimApi api(machine);
    HKEY first = nullptr, second = nullptr;
    ASSERT_EQ(api.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Maker", 0, KEY_READ, &first), ERROR_SUCCESS);
    ASSERT_EQ(api.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Maker", 0, KEY_READ, &second), ERROR_SUCCESS);
    const struct {
        const char* change;  // "+name" created, "-name" deleted before the call
        HKEY* handle;
        DWORD index;
        const char* name;  // nullptr: no more items
    } steps[] = {
        {"", &first, 0, "A"},     {"", &first, 1, "b"},     {"", &second, 0, "A"},   {"", &first, 2, "c"},
        {"", &first, 3, nullptr}, {"", &first, 1, "b"},     {"+B1", &first, 2, "B1"}, {"-A", &first, 2, "c"},
        {"", &second, 1, "B1"},   {"+a0", &second, 2, "B1"}, {"", &first, 0, "a0"},    {"-c", &second, 3, nullptr},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(std::string(step.change) + " index " + std::to_string(step.index));
        std::string change = step.change;
        if (!change.empty() && change[0] == '+') {
            machine.registry.Create(kParent + "\\" + change.substr(1));
        } else if (!change.empty()) {
            ASSERT_TRUE(machine.registry.Delete(kParent + "\\" + change.substr(1)));
        }
        char name[16] = {};
        DWORD size = sizeof name;
        LONG status = api.RegEnumKeyExA(*step.handle, step.index, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (step.name == nullptr) {
            EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
        } else {
            EXPECT_EQ(status, ERROR_SUCCESS);
            EXPECT_STREQ(name, step.name);
        }
    }
}

TEST(SimSockets, AddressTextsAndLookups)
{
    struct Case {
        const char* text;
        const char* dotted;  // nullptr: INADDR_NONE
    };
    const Case cases[] = {
        {"10.0.0.25", "10.0.0.25"},   {"10.1", "10.0.0.1"},      {"0x0A.010.0.9", "10.8.0.9"},
        {"10.0.0.256", nullptr},      {"printer", nullptr},      {"", nullptr},
        {"1.2.3.4.5", nullptr},       {"10..0.1", nullptr},
    };
    machine::Machine machine;
    sim::SimApi api(machine);
    for (const Case& c : cases) {
        ULONG address = api.inet_addr(c.text);
        if (c.dotted == nullptr) {
            EXPECT_EQ(address, INADDR_NONE) << c.text;
            continue;
        }
        BYTE bytes[4];
        std::memcpy(bytes, &address, 4);
        EXPECT_EQ(std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]) + "." +
                      std::to_string(bytes[3]),
                  c.dotted)
            << c.text;
    }

    machine.hostNames["10.0.0.25"] = "cvq7250";
    ULONG address = api.inet_addr("10.0.0.25");
    const char* addr = reinterpret_cast<const char*>(&address);
    EXPECT_EQ(api.gethostbyaddr(addr, 4, AF_INET), nullptr);
    EXPECT_EQ(api.GetLastError(), static_cast<DWORD>(WSANOTINITIALISED));
    WSADATA data = {};
    ASSERT_EQ(api.WSAStartup(MAKEWORD(2, 0), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(2, 0));
    const hostent* entry = api.gethostbyaddr(addr, 4, AF_INET);
    ASSERT_NE(entry, nullptr);
    EXPECT_STREQ(entry->h_name, "cvq7250");
    ULONG unknown = api.inet_addr("10.0.0.26");
    EXPECT_EQ(api.gethostbyaddr(reinterpret_cast<const char*>(&unknown), 4, AF_INET), nullptr);
    EXPECT_EQ(api.GetLastError(), static_cast<DWORD>(WSAHOST_NOT_FOUND));
    EXPECT_EQ(api.WSACleanup(), 0);
    EXPECT_NE(api.WSACleanup(), 0);
}

TEST(SimSystem, VersionIsGivenInEitherVersionStructureOnly)
{
    machine::Machine machine;
    sim::SimApi api(machine);
    for (DWORD size : {static_cast<DWORD>(sizeof(OSVERSIONINFOA)), static_cast<DWORD>(sizeof(OSVERSIONINFOEXA))}) {
        OSVERSIONINFOEXA info = {};
        info.dwOSVersionInfoSize = size;
        EXPECT_TRUE(api.GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info))) << size;
        EXPECT_EQ(info.dwMajorVersion, machine.os.major);
        EXPECT_EQ(std::string(info.szCSDVersion), machine.os.servicePack);
    }
    for (DWORD size : {0u, 147u, 149u, 155u, 157u}) {
        OSVERSIONINFOEXA info = {};
        info.dwOSVersionInfoSize = size;
        EXPECT_FALSE(api.GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info))) << size;
        EXPECT_EQ(api.GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    }
}

}  // namespace
