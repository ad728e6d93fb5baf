// The network details of a chosen printer: the two port monitors, the product
// key, and the reverse name lookup.
#include <gtest/gtest.h>

#include "DiscoveryTestSupport.h"

namespace {

using test::AppOnMachine;
using test::SetStrings;

const std::string kMakerPorts =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\CV Standard TCP/IP Port\\Ports";
const std::string kSystemPorts =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";
const std::string kNotFound = "The system cannot find the file specified.\r\n";
const char kPort[] = "IP_10.0.0.5";

void SetPortValues(machine::Machine& machine, const std::string& monitor, const std::string& ip, const std::string& hw,
                   const std::string& host)
{
    SetStrings(machine, monitor + "\\" + kPort, {{"IPAddress", ip}, {"HWAddress", hw}, {"HostName", host}});
}

TEST(GetInfoFromPortMonitor, MakersMonitorFirstThenTheSystemsWithOneOfFiveAnswers)
{
    struct Case {
        const char* name;
        void (*setUp)(machine::Machine&);
        const char* answer;
        const char* ip;
    };
    const Case cases[] = {
        {"maker's has the port", [](machine::Machine& m) {
             SetPortValues(m, kMakerPorts, "10.0.0.5", "0010B5A1C2D3", "cvq");
             SetPortValues(m, kSystemPorts, "10.9.9.9", "", "");
         }, "--- Yes, got some info in CV Standard TCP/IP Port", "10.0.0.5"},
        {"maker's has the port, empty", [](machine::Machine& m) {
             SetPortValues(m, kMakerPorts, "", "", "");
             SetPortValues(m, kSystemPorts, "10.9.9.9", "", "");
         }, "--- No, didn't get info from CV Standard TCP/IP Port", ""},
        {"only the system's has the port", [](machine::Machine& m) {
             m.registry.Create(kMakerPorts + "\\IP_10.0.0.6");
             SetPortValues(m, kSystemPorts, "10.0.0.5", "", "");
         }, "--- Yes, got some info in Standard TCP/IP Port", "10.0.0.5"},
        {"system's has the port, empty", [](machine::Machine& m) { SetPortValues(m, kSystemPorts, "", "", ""); },
         "--- No, didn't get info from Standard TCP/IP Port", ""},
        {"neither has it, case differs", [](machine::Machine& m) {
             m.registry.Create(kSystemPorts + "\\ip_10.0.0.5");
         }, "--- No, failed to find info in eithor port monitor", ""},
    };
    for (const Case& c : cases) {
        machine::Machine machine = test::BaseMachine();
        c.setUp(machine);
        AppOnMachine run(std::move(machine));
        run.app.m_strPortName = kPort;
        run.app.GetInfoFromPortMonitor();
        std::vector<std::string> lines = run.Log();
        EXPECT_EQ(lines.front(), "Remendo: GetInfoFromPortMonitor> - Can we get some info from the port monitor?")
            << c.name;
        EXPECT_EQ(lines.back(), std::string("Remendo: GetInfoFromPortMonitor> ") + c.answer) << c.name;
        EXPECT_EQ(run.app.m_strIpAddress, c.ip) << c.name;
        EXPECT_EQ(run.HandlesLeftOpen(), 0u) << c.name;
    }
}

TEST(GetInfoFromPortMonitor, MissingMakersMonitorIsLoggedAndNineXIsSkipped)
{
    machine::Machine machine = test::BaseMachine();
    SetPortValues(machine, kSystemPorts, "10.0.0.5", "0010B5A1C2D3", "cvq");
    machine::Machine nineXMachine = test::BaseMachine();
    SetPortValues(nineXMachine, kSystemPorts, "10.0.0.5", "0010B5A1C2D3", "cvq");
    AppOnMachine run(std::move(machine));
    run.app.m_strPortName = kPort;
    run.app.GetInfoFromPortMonitor();
    EXPECT_EQ(run.Log(), (std::vector<std::string>{
                             "Remendo: GetInfoFromPortMonitor> - Can we get some info from the port monitor?",
                             "DebugLog: LogLastError> Error opening port monitor registry key: " + kNotFound,
                             "Remendo: EnumeratePortMonitor> \tIP = 10.0.0.5",
                             "Remendo: EnumeratePortMonitor> \thardware address = 0010B5A1C2D3",
                             "Remendo: EnumeratePortMonitor> \tHostname = cvq",
                             "Remendo: GetInfoFromPortMonitor> --- Yes, got some info in Standard TCP/IP Port",
                         }));

    AppOnMachine nineX(std::move(machine));
    nineX.app.m_bWin9x = true;
    nineX.app.m_strPortName = kPort;
    nineX.app.GetInfoFromPortMonitor();
    EXPECT_TRUE(nineX.Log().empty());
    EXPECT_EQ(nineX.api.CallCount("RegOpenKeyExA"), 0);
}

TEST(EnumeratePortMonitor, ValueReadBeforeAFailedReadIsKept)
{
    machine::Machine machine = test::BaseMachine();
    SetStrings(machine, kMakerPorts + "\\" + kPort, {{"IPAddress", "10.0.0.5"}});
    AppOnMachine run(std::move(machine));
    run.app.m_strPortName = kPort;
    run.app.m_strHwAddress = "as before";
    EXPECT_FALSE(run.app.EnumeratePortMonitor(
        "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\CV Standard TCP/IP Port\\Ports"));
    EXPECT_EQ(run.Log(), (std::vector<std::string>{
                             "Remendo: EnumeratePortMonitor> \tIP = 10.0.0.5",
                             "DebugLog: LogLastError> Failed to read mac value: " + kNotFound,
                         }));
    EXPECT_EQ(run.app.m_strIpAddress, "10.0.0.5");
    EXPECT_EQ(run.app.m_strHwAddress, "as before");
    EXPECT_EQ(run.HandlesLeftOpen(), 0u);
}

TEST(EnumeratePortMonitor, NamesAndValuesLongerThanTheBufferFailAsOnWindows)
{
    const std::string path = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";
    machine::Machine machine = test::BaseMachine();
    // A subkey name too long for the buffer comes first and is passed over.
    machine.registry.Create(kSystemPorts + "\\A" + std::string(300, 'x'));
    SetStrings(machine, kSystemPorts + "\\" + kPort, {{"IPAddress", std::string(260, '1')}});
    AppOnMachine run(std::move(machine));
    run.app.m_strPortName = kPort;
    EXPECT_FALSE(run.app.EnumeratePortMonitor(path));
    EXPECT_EQ(run.Log(), std::vector<std::string>{
                             "DebugLog: LogLastError> Failed to read IP value: More data is available.\r\n"});
    EXPECT_EQ(run.app.m_strIpAddress, "");

    // A value that just fits (259 characters and its NUL) is read whole.
    machine::Machine fits = test::BaseMachine();
    SetPortValues(fits, kSystemPorts, std::string(259, '2'), "%s%n", "\xe9h\xf4te");
    AppOnMachine fitsRun(std::move(fits));
    fitsRun.app.m_strPortName = kPort;
    EXPECT_TRUE(fitsRun.app.EnumeratePortMonitor(path));
    EXPECT_EQ(fitsRun.app.m_strIpAddress, std::string(259, '2'));
    EXPECT_TRUE(fitsRun.Logged("Remendo: EnumeratePortMonitor> \thardware address = %s%n"));
    EXPECT_TRUE(fitsRun.Logged("Remendo: EnumeratePortMonitor> \tHostname = \xe9h\xf4te"));
}

TEST(EnumeratePortMonitor, AnUnreadableSubkeyListEndsTheSearch)
{
    machine::Machine machine = test::BaseMachine();
    SetPortValues(machine, kSystemPorts, "10.0.0.5", "", "");
    machine.faults.push_back({"RegEnumKeyExA", 1, ERROR_ACCESS_DENIED});
    AppOnMachine run(std::move(machine));
    run.app.m_strPortName = kPort;
    EXPECT_FALSE(run.app.EnumeratePortMonitor(
        "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports"));
    EXPECT_EQ(run.Log(), std::vector<std::string>{
                             "DebugLog: LogLastError> Error enumerating port monitor registry key: Access is denied.\r\n"});
    EXPECT_EQ(run.api.CallCount("RegEnumKeyExA"), 1);
    EXPECT_EQ(run.HandlesLeftOpen(), 0u);
}

TEST(GetInfoFromProduct, FillsOnlyEmptyFieldsFromTheSelectedFamilysKey)
{
    machine::Machine machine = test::BaseMachine();
    SetStrings(machine, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Quillray 7105_7110_7120_7180\\Port",
               {{"IP Address", "10.0.0.7"}, {"MAC Address", "0010B5000007"}, {"Hostname", "cvq7105"}});
    AppOnMachine run(std::move(machine));
    run.app.m_bFamilyA = true;
    run.app.m_strIpAddress = "10.0.0.5";
    run.app.m_strHwAddress = "0010B5A1C2D3";
    EXPECT_TRUE(run.app.GetInfoFromProduct());
    EXPECT_EQ(run.Log(), (std::vector<std::string>{
                             "Remendo: GetInfoFromProduct> - Can we get the info from the product keys?",
                             "Remendo: GetInfoFromProduct> --- Yes, host name is cvq7105",
                         }));
    EXPECT_EQ(run.app.m_strIpAddress, "10.0.0.5");
    EXPECT_EQ(run.app.m_strHwAddress, "0010B5A1C2D3");
    EXPECT_EQ(run.app.m_strHostName, "cvq7105");
    EXPECT_EQ(run.HandlesLeftOpen(), 0u);
}

TEST(GetInfoFromProduct, UnknownFamilyMissingKeyAndNothingFound)
{
    AppOnMachine unknown(test::BaseMachine());
    EXPECT_FALSE(unknown.app.GetInfoFromProduct());
    EXPECT_EQ(unknown.Log().back(), "Remendo: GetInfoFromProduct> Don't know what product it is");
    EXPECT_EQ(unknown.api.CallCount("RegOpenKeyExA"), 0);

    AppOnMachine missing(test::BaseMachine());
    missing.app.m_bFamilyC = true;
    EXPECT_FALSE(missing.app.GetInfoFromProduct());
    EXPECT_EQ(missing.Log().back(), "Remendo: GetInfoFromProduct> No, couldn't open product key");

    machine::Machine empty = test::BaseMachine();
    SetStrings(empty, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\CV_Quillray_7250_7252_7255_7290\\Port",
               {{"IP Address", ""}});
    AppOnMachine nothing(std::move(empty));
    nothing.app.m_bFamilyB = true;
    EXPECT_TRUE(nothing.app.GetInfoFromProduct());
    EXPECT_EQ(nothing.Log().back(),
              "Remendo: GetInfoFromProduct> --- No, couldn't find any information from product keys");
}

// A number, binary data or a list where text is expected is no text: the read
// fails as an unreadable one does, and nothing of it reaches the run state.
TEST(RegistryTextReads, ValuesThatAreNotTextReadAsUnreadable)
{
    struct Case {
        const char* what;
        DWORD type;
        std::string data;
    };
    const Case cases[] = {
        {"number", REG_DWORD, std::string("\x0a\x00\x00\x19", 4)},
        {"binary", REG_BINARY, "\n\x01"},
        {"list", REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
    };
    const std::string unsupported = "Data of this type is not supported.\r\n";
    const std::string productKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\CV_Quillray_7250_7252_7255_7290\\Port";
    const std::string classKey =
        "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";
    for (const Case& c : cases) {
        machine::Machine monitor = test::BaseMachine();
        SetPortValues(monitor, kMakerPorts, "", "0010B5A1C2D3", "cvq");
        monitor.registry.Find(kMakerPorts + "\\" + kPort)->SetValue("IPAddress", c.type, c.data);
        AppOnMachine fromMonitor(std::move(monitor));
        fromMonitor.app.m_strPortName = kPort;
        EXPECT_FALSE(fromMonitor.app.EnumeratePortMonitor(
            "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\CV Standard TCP/IP Port\\Ports"));
        EXPECT_TRUE(fromMonitor.Logged("DebugLog: LogLastError> Failed to read IP value: " + unsupported)) << c.what;
        EXPECT_EQ(fromMonitor.app.m_strIpAddress, "") << c.what;

        machine::Machine product = test::BaseMachine();
        SetStrings(product, productKey, {{"IP Address", "10.0.0.7"}});
        product.registry.Find(productKey)->SetValue("Hostname", c.type, c.data);
        AppOnMachine fromProduct(std::move(product));
        fromProduct.app.m_bFamilyB = true;
        EXPECT_TRUE(fromProduct.app.GetInfoFromProduct()) << c.what;
        EXPECT_EQ(fromProduct.app.m_strIpAddress, "10.0.0.7") << c.what;
        EXPECT_EQ(fromProduct.app.m_strHostName, "") << c.what;

        machine::Machine device = test::BaseMachine();
        device.registry.Find("HKEY_LOCAL_MACHINE\\" + classKey + "\\0000\\DeviceData")->SetValue("TwainDS", c.type, c.data);
        AppOnMachine repair(std::move(device));
        repair.app.m_strImagingClassKey = classKey;
        repair.app.m_strPortName = "DOT4_001";
        EXPECT_TRUE(repair.app.FixImagingDevice("0000")) << c.what;
        EXPECT_TRUE(repair.Logged("DebugLog: LogLastError> Read failed on TwainDS: " + unsupported)) << c.what;
        EXPECT_EQ(repair.app.m_strTwainDs, "") << c.what;
    }
}

TEST(ResolveHostFromIP, LookupOutcomes)
{
    struct Case {
        const char* name;
        const char* ip;
        void (*setUp)(machine::Machine&);
        bool result;
        const char* host;
        const char* lastLine;
    };
    const Case cases[] = {
        {"known address", "10.0.0.5", [](machine::Machine&) {}, true, "cvq.corp.example",
         "Remendo: ResolveHostFromIP> --- Yes, found host name via IP as cvq.corp.example"},
        {"no reverse entry", "10.0.0.6", [](machine::Machine&) {}, true, "as before",
         "Remendo: ResolveHostFromIP> Can't determine host name"},
        {"not an address", "printer", [](machine::Machine&) {}, true, "as before",
         "Remendo: ResolveHostFromIP> Can't determine host name"},
        {"sockets cannot start", "10.0.0.5", [](machine::Machine& m) { m.faults.push_back({"WSAStartup", 1, 10091}); },
         false, "as before", "Remendo: ResolveHostFromIP> Failed to initialize sockets"},
        {"sockets 1.1 only", "10.0.0.5", [](machine::Machine& m) { m.socketsVersion = MAKEWORD(1, 1); }, false,
         "as before", "Remendo: ResolveHostFromIP> Correct version of sockets is not available"},
        {"clean-up fails", "10.0.0.5", [](machine::Machine& m) { m.faults.push_back({"WSACleanup", 1, 10093}); }, true,
         "cvq.corp.example", "Remendo: ResolveHostFromIP> Failed to clean up sockets"},
    };
    for (const Case& c : cases) {
        machine::Machine machine = test::BaseMachine();
        machine.hostNames["10.0.0.5"] = "cvq.corp.example";
        c.setUp(machine);
        AppOnMachine run(std::move(machine));
        std::string host = "as before";
        EXPECT_EQ(run.app.ResolveHostFromIP(c.ip, host), c.result) << c.name;
        EXPECT_EQ(host, c.host) << c.name;
        EXPECT_EQ(run.Log().front(), "Remendo: ResolveHostFromIP> - Can we get the host name from the ip?") << c.name;
        EXPECT_EQ(run.Log().back(), c.lastLine) << c.name;
        // Sockets opened are closed again on every path.
        bool opened = std::string(c.name) != "sockets cannot start";
        EXPECT_EQ(run.api.CallCount("WSACleanup"), opened ? 1 : 0)
            << c.name;
    }
}

TEST(DetermineInfo, NetworkedPrinterGathersWhatIsMissingAndNoMore)
{
    machine::Machine complete = test::MachineWithPrinters({{"CV Quillray 7250", kPort, "CV Quillray 7250 RVX 6"}});
    SetPortValues(complete, kMakerPorts, "10.0.0.5", "0010B5A1C2D3", "cvq");
    AppOnMachine full(std::move(complete));
    EXPECT_TRUE(full.app.DetermineInfo());
    EXPECT_EQ(full.api.CallCount("WSAStartup"), 0);
    EXPECT_FALSE(full.Logged("Remendo: GetInfoFromProduct> - Can we get the info from the product keys?"));
    EXPECT_EQ(full.app.m_nProgressPos, 8);  // the progress step of the name lookup

    machine::Machine partial = test::MachineWithPrinters({{"CV Quillray 7250", kPort, "CV Quillray 7250 RVX 6"}});
    SetPortValues(partial, kSystemPorts, "10.0.0.5", "", "");
    partial.hostNames["10.0.0.5"] = "cvq.corp.example";
    SetStrings(partial, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\CV_Quillray_7250_7252_7255_7290\\Port",
               {{"IP Address", "10.0.0.99"}, {"MAC Address", "0010B5A1C2D3"}, {"Hostname", "old"}});
    AppOnMachine gathered(std::move(partial));
    EXPECT_TRUE(gathered.app.DetermineInfo());
    EXPECT_EQ(gathered.app.m_strIpAddress, "10.0.0.5");
    EXPECT_EQ(gathered.app.m_strHostName, "cvq.corp.example");
    EXPECT_EQ(gathered.app.m_strHwAddress, "0010B5A1C2D3");
    EXPECT_TRUE(gathered.Logged("Remendo: GetInfoFromProduct> --- Yes, Mac address is 0010B5A1C2D3"));
}

}  // namespace
