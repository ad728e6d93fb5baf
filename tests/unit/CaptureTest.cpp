// remendo-capture's reading, run on simulated machines: what it writes must
// read back as the machine it read, and reading must change nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "Capture.h"
#include "ConsoleWindow.h"
#include "SimTestSupport.h"
#include "machine/FaultOperations.h"
#include "machine/MachineDiff.h"
#include "machine/MachineFolder.h"
#include "machine/RegFile.h"

namespace {

const char kMakerKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane";
const char kMonitorPorts[] =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";

// The capture of the machine, its remendo.exe at `exe` (by default the machine's own).
machine::Machine CaptureOf(machine::Machine& machine, std::vector<std::string>* progress = nullptr,
                       std::vector<std::string>* leftOut = nullptr, const capture::WideText* exe = nullptr)
{
    sim::SimApi api(machine);
    test::ScopedBackend backend(api);
    auto into = [](std::vector<std::string>* lines) {
        return [lines](const std::string& line) {
            if (lines != nullptr)
                lines->push_back(line);
        };
    };
    machine::Machine captured = capture::CaptureMachine(exe != nullptr ? *exe : capture::WideOf(machine.paths.executable),
                                                    into(progress), into(leftOut));
    // Every operation the capture calls can be named by a machine's faults.
    for (const auto& counted : api.CallCounts())
        EXPECT_TRUE(machine::IsFaultableOperation(counted.first)) << counted.first;
    return captured;
}

// A machine whose names and values are what a careless reader gets wrong:
// printf directives, backslashes, quotes, characters of its code page beyond
// ASCII (`beyondAscii`), long values.
machine::Machine HostileMachine(DWORD codePage, const std::string& beyondAscii)
{
    machine::Machine machine = test::BaseMachine();
    machine.ansiCodePage = codePage;
    const std::string odd = "100% \\\\srv\\q \"%s\" " + beyondAscii;
    machine.printers = {{"CV Quillray 7250 " + odd, "IP_10.0.0.7", "Driver " + odd},
                        {"Other %n", "DOT4_001", "d"}};
    machine.ports = {"IP_10.0.0.7", "DOT4_001", "%d\\port"};
    machine::RegKey& product = machine.registry.Create(std::string(kMakerKey) + "\\Key " + odd + "\\Port");
    product.SetValue("IP Address", REG_SZ, machine::StringData("10.0.0.8"));
    product.SetValue("Name " + odd, REG_SZ, machine::StringData(std::string(20000, 'v') + odd));
    product.SetValue(std::string(16383, 'n'), REG_BINARY, std::string("\0\xff\x01", 3));
    product.SetValue("Multi", REG_MULTI_SZ, std::string("a", 2) + odd + std::string(2, '\0'));
    product.SetValue("", REG_EXPAND_SZ, machine::StringData("%SystemRoot%\\" + odd));
    machine.registry.Create(std::string(kMonitorPorts) + "\\IP_10.0.0.7")
        .SetValue("IPAddress", REG_SZ, machine::StringData("10.0.0.7"));
    machine.hostNames = {{"10.0.0.7", "h" + beyondAscii + "-%s"}, {"10.0.0.8", "second"}, {"10.0.0.9", "never looked up"}};
    const std::string hosts = machine.paths.system + "\\drivers\\etc\\hosts";
    machine.files.Write(hosts,
                        std::string("10.0.0.7 h\xe9st\r# \x1a\0 ctrl-z and NUL\r\n\xff", 36));
    machine.files.Write(machine.paths.system + "\\cvqscan3.dll", "MZ binary").version = "2.1.65535.7";
    machine.files.Find(machine.paths.system + "\\cvqscan3.dll")->attributes =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    machine.services[0].displayName = "Spooler " + odd;
    machine.services[0].state = "stopped";
    machine.services[0].startType = "demand";
    machine.services[2].canOpen = false;
    machine.namedObjects.insert("cvRemendoUtility");
    machine.heldFiles = {{machine.paths.system + "\\cvqscan3.dll", GENERIC_READ, FILE_SHARE_READ},
                         {hosts, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE}};
    return machine;
}

TEST(Capture, AHostileMachineIsReadAndWrittenWithoutLossAndLeftAsItWas)
{
    const struct {
        DWORD codePage;
        std::string beyondAscii;
    } kCases[] = {{1252, "\xC3\xA9\xC3\xBF\xE2\x82\xAC"}, {1251, "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD \xD1\x91 \xE2\x82\xAC"}};
    for (const auto& c : kCases) {
    SCOPED_TRACE(c.codePage);
    machine::Machine machine = HostileMachine(c.codePage, c.beyondAscii);
    machine::Machine before = HostileMachine(c.codePage, c.beyondAscii);
    std::vector<std::string> progress, leftOut;
    machine::Machine captured = test::ThroughFolder(CaptureOf(machine, &progress, &leftOut), "remendo-capture-hostile");
    EXPECT_EQ(captured.ansiCodePage, c.codePage);

    EXPECT_EQ(machine::DescribeChanges(before, machine), std::vector<std::string>());
    EXPECT_EQ(progress.size(), 6u);
    EXPECT_EQ(leftOut, std::vector<std::string>());

    ASSERT_NE(captured.registry.Find(kMakerKey), nullptr);
    EXPECT_TRUE(*captured.registry.Find(kMakerKey) == *machine.registry.Find(kMakerKey));
    ASSERT_NE(captured.registry.Find(kMonitorPorts), nullptr);
    EXPECT_TRUE(*captured.registry.Find(kMonitorPorts) == *machine.registry.Find(kMonitorPorts));

    ASSERT_EQ(captured.printers.size(), machine.printers.size());
    for (std::size_t i = 0; i < machine.printers.size(); ++i) {
        EXPECT_EQ(captured.printers[i].name, machine.printers[i].name);
        EXPECT_EQ(captured.printers[i].port, machine.printers[i].port);
        EXPECT_EQ(captured.printers[i].driver, machine.printers[i].driver);
    }
    EXPECT_EQ(captured.ports, machine.ports);
    // Only the addresses the run could look up.
    EXPECT_EQ(captured.hostNames,
              (std::map<std::string, std::string>{{"10.0.0.7", "h" + c.beyondAscii + "-%s"}, {"10.0.0.8", "second"}}));

    ASSERT_EQ(captured.services.size(), 3u);
    EXPECT_EQ(captured.services[0].displayName, machine.services[0].displayName);
    EXPECT_EQ(captured.services[0].state, "stopped");
    EXPECT_EQ(captured.services[0].startType, "demand");
    EXPECT_EQ(captured.services[1].state, "running");
    EXPECT_EQ(captured.services[0].binaryPath, machine.services[0].binaryPath);
    EXPECT_FALSE(captured.services[2].canOpen);
    EXPECT_EQ(captured.namedObjects, machine.namedObjects);
    ASSERT_EQ(captured.heldFiles.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(machine::FileSystem::Key(captured.heldFiles[i].path), machine::FileSystem::Key(machine.heldFiles[i].path));
        EXPECT_EQ(captured.heldFiles[i].access, machine.heldFiles[i].access);
        EXPECT_EQ(captured.heldFiles[i].share, machine.heldFiles[i].share);
    }

    std::string hosts = machine.paths.system + "\\drivers\\etc\\hosts";
    ASSERT_NE(captured.files.Find(hosts), nullptr);
    EXPECT_EQ(captured.files.Find(hosts)->bytes, machine.files.Find(hosts)->bytes);
    // A DLL is a stand-in: its version and attributes, none of its bytes.
    const machine::SimFile* dll = captured.files.Find(machine.paths.system + "\\cvqscan3.dll");
    ASSERT_NE(dll, nullptr);
    EXPECT_EQ(dll->bytes, "");
    EXPECT_EQ(dll->version, "2.1.65535.7");
    EXPECT_EQ(dll->attributes, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    ASSERT_NE(captured.files.Find(machine.paths.executable), nullptr);
    EXPECT_EQ(captured.files.Find(machine.paths.executable)->version, "1.0.0.0");
    ASSERT_EQ(captured.programs.size(), 1u);
    EXPECT_EQ(captured.programs[0].service, "QMX Driver CVQ40");

    EXPECT_EQ(captured.paths.system, machine.paths.system);
    EXPECT_EQ(captured.paths.temp, machine.paths.temp);
    EXPECT_EQ(captured.registryView, sizeof(void*) == 4 ? "32-bit" : "64-bit");
    }
}

TEST(Capture, TokensVersionAndPendingRenamesAreReadAsTheRunSeesThem)
{
    const char* const kinds[] = {"admin", "admin-deny-only", "user", "no-groups"};
    for (const char* kind : kinds) {
        machine::Machine machine = test::BaseMachine();
        machine.tokens = {kind, kind};
        machine::Machine captured = CaptureOf(machine);
        EXPECT_EQ(captured.tokens.thread, kind);
        EXPECT_EQ(captured.tokens.process, kind);
    }
    machine::Machine machine = test::BaseMachine();
    machine.tokens = {"denied", "denied"};
    machine.os = {4, 10, 222, 2, "A \xC3\xA9 pack", false};
    machine.startTime = {2030, 1, 3, 31, 23, 59, 58, 0};
    // Kept: drive paths, beyond the code page too. Left out: the forms no machine path
    // has (UNC, a device, a "\\?\\" path), as source and as target.
    const char kRenames[] = "\\??\\C:\\a.dll\0!\\??\\C:\\b.dll\0"
                            "\\??\\UNC\\srv\\share\\x.dll\0\0"
                            "\\Device\\HarddiskVolume1\\x.dll\0\\??\\C:\\y.dll\0"
                            "\\??\\\\?\\C:\\x.dll\0\0"
                            "\\??\\C:\\c.dll\0!\\\\srv\\share\\c.dll\0"
                            "\\??\\C:\\\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\\gone.tmp\0\0";
    std::string renames(kRenames, sizeof kRenames);
    machine.registry.Create("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager")
        .SetValue("PendingFileRenameOperations", REG_MULTI_SZ, renames);
    std::vector<std::string> leftOut;
    machine::Machine captured = test::ThroughFolder(CaptureOf(machine, nullptr, &leftOut), "remendo-capture-tokens");
    EXPECT_EQ(captured.tokens.thread, "denied");
    EXPECT_EQ(captured.os.servicePack, "A \xC3\xA9 pack");
    EXPECT_EQ(captured.os.platform, 2u);
    EXPECT_EQ(captured.os.build, 222u);
    EXPECT_EQ(captured.startTime.wYear, 2030);
    EXPECT_EQ(captured.startTime.wSecond, 58);
    ASSERT_EQ(captured.pendingRenames.size(), 2u);
    EXPECT_EQ(captured.pendingRenames[0].from, "C:\\a.dll");
    EXPECT_EQ(captured.pendingRenames[0].to, "C:\\b.dll");
    EXPECT_TRUE(captured.pendingRenames[0].replaceExisting);
    EXPECT_EQ(captured.pendingRenames[1].from, "C:\\\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\\gone.tmp");
    EXPECT_EQ(captured.pendingRenames[1].to, "");
    EXPECT_FALSE(captured.pendingRenames[1].replaceExisting);
    ASSERT_EQ(leftOut.size(), 4u);
    EXPECT_EQ(leftOut[0], "Left out: the pending deletion of \\??\\UNC\\srv\\share\\x.dll (UNC\\srv\\share\\x.dll: it is "
                          "not a full path \"X:\\...\" on a drive)");
    EXPECT_EQ(leftOut[3], "Left out: the pending rename of \\??\\C:\\c.dll to !\\\\srv\\share\\c.dll "
                          "(\\\\srv\\share\\c.dll: it is not a full path \"X:\\...\" on a drive)");
}

// remendo.exe's path, as the capture is given it in wide text: held as it
// is, beyond the code page too; one the machine cannot hold is left out,
// with the files beside it, and the capture still reads back.
TEST(Capture, AnExePathTheMachineCannotHoldIsLeftOutWithTheFilesBesideIt)
{
    const struct {
        std::u16string exe;
        const char* held;  // the machine's path, or nullptr when left out
        const char* line;  // what the left-out line says of it
    } kCases[] = {
        {u"C:\\cp-test\\\u0418\u0432\u0430\u043d\\remendo.exe", "C:\\cp-test\\\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\\remendo.exe",
         nullptr},
        {u"C:\\\u0141ukasz\\remendo.exe", "C:\\\xC5\x81ukasz\\remendo.exe", nullptr},
        {u"\\\\srv\\share\\remendo.exe", nullptr, "it is not a full path"},
        {u"C:\\a\nb\\remendo.exe", nullptr, "C:\\a\\nb\\remendo.exe and the files beside it (it holds the control"},
        {u"C:\\Jos\u00e9\\remendo.exe", "C:\\Jos\xC3\xA9\\remendo.exe", nullptr},
    };
    for (const auto& test : kCases) {
        machine::Machine machine = test::BaseMachine();
        capture::WideText exe(test.exe.begin(), test.exe.end());
        std::vector<std::string> leftOut;
        machine::Machine captured = test::ThroughFolder(CaptureOf(machine, nullptr, &leftOut, &exe), "remendo-capture-exe");
        EXPECT_EQ(captured.paths.executable, test.held != nullptr ? test.held : "") << test.line;
        EXPECT_EQ(captured.paths.system, machine.paths.system);
        if (test.held != nullptr) {
            EXPECT_EQ(leftOut, std::vector<std::string>());
            continue;
        }
        ASSERT_EQ(leftOut.size(), 1u) << test.line;
        EXPECT_EQ(leftOut[0].rfind("Left out: remendo.exe's path ", 0), 0u) << leftOut[0];
        EXPECT_NE(leftOut[0].find(test.line), std::string::npos) << leftOut[0];
        for (const auto& file : captured.files.Files())
            EXPECT_NE(file.second.path.find(machine.paths.system), std::string::npos) << file.second.path;
    }
}

// registry.reg writes each name on one line: a key or value named with a
// line break is left out, the rest of its key kept; and it holds keys as deep
// as Windows allows, so a deeper one is left out with what lies beneath it.
TEST(Capture, RegistryNamesWithLineBreaksAndKeysTooDeepAreLeftOut)
{
    machine::Machine machine = test::BaseMachine();
    machine::RegKey& maker = machine.registry.Create(kMakerKey);
    std::string deepest = std::string(kMakerKey) + "\\Deep";
    while (machine::SplitKeyPath(deepest).size() - 1 < machine::kMaxKeyDepth)
        deepest += "\\d";
    machine.registry.Create(deepest + "\\d\\d");
    maker.SetValue("Kept", REG_SZ, machine::StringData("v"));
    maker.SetValue("Line\r\nbreak", REG_SZ, machine::StringData("v"));
    maker.SetValue("Line\nfeed", REG_DWORD, std::string(4, '\0'));
    maker.CreateSubkey("Key\rname").SetValue("Inside", REG_SZ, machine::StringData("v"));
    maker.CreateSubkey("Plain").SetValue("Inside", REG_SZ, machine::StringData("v"));
    std::vector<std::string> leftOut;
    machine::Machine captured = test::ThroughFolder(CaptureOf(machine, nullptr, &leftOut), "remendo-capture-line-breaks");

    const machine::RegKey* key = captured.registry.Find(kMakerKey);
    ASSERT_NE(key, nullptr);
    EXPECT_NE(key->FindValue("Kept"), nullptr);
    EXPECT_NE(captured.registry.Find(std::string(kMakerKey) + "\\Plain"), nullptr);
    EXPECT_NE(captured.registry.Find(deepest), nullptr);
    EXPECT_EQ(key->subkeys.size(), 2u);
    EXPECT_EQ(key->values.size(), 1u);
    EXPECT_EQ(leftOut, (std::vector<std::string>{
                           "Left out: the value \"Line\\r\\nbreak\" of " + std::string(kMakerKey) +
                               " (its name holds a line break)",
                           "Left out: the value \"Line\\nfeed\" of " + std::string(kMakerKey) +
                               " (its name holds a line break)",
                           "Left out: the key " + deepest + "\\d and all beneath it (deeper than the 512 levels a "
                               "registry export holds)",
                           "Left out: the key " + std::string(kMakerKey) + "\\Key\\rname and all beneath it "
                               "(its name holds a line break)"}));
}

// The capture waits for Enter only in a console window someone looks at: the
// first look that finds it visible decides; minimised (start /min), hidden or
// without a window, it does not wait.
TEST(CaptureConsole, WaitsOnlyInAWindowShownAndNotMinimised)
{
    const WindowLook none{}, hidden{true, false, false}, shown{true, true, false}, minimised{true, true, true};
    const struct {
        const char* what;
        std::vector<WindowLook> looks;
        bool shown;
        std::size_t taken;
    } cases[] = {
        {"shown at once", {shown}, true, 1},
        {"shown a moment after the start", {hidden, hidden, shown}, true, 3},
        {"minimised", {minimised, shown}, false, 1},
        {"minimised once shown", {hidden, minimised}, false, 2},
        {"hidden throughout", {hidden, hidden, hidden, hidden}, false, 3},
        {"no window", {none, shown}, false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::size_t taken = 0;
        EXPECT_EQ(WindowShown([&] { return c.looks.at(taken++); }, 3), c.shown);
        EXPECT_EQ(taken, c.taken);
    }
}

}  // namespace
