// The hosts-file update: which lines are rewritten and how, what the log says,
// and that no failure or malformed file loses an entry.
#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "app/Remendo.h"
#include "log/DebugLog.h"
#include "system/HostsLines.h"

namespace {

const char kHosts[] = "C:\\WINDOWS\\system32\\drivers\\etc\\hosts";
const char kHostsNew[] = "C:\\WINDOWS\\system32\\drivers\\etc\\hosts.new";
const char kHostsBak[] = "C:\\WINDOWS\\system32\\drivers\\etc\\hosts.bak";
const char kAddress[] = "10.0.0.25";
const char kHost[] = "cvq7250";
const std::string kPrefix = "Remendo: UpdateHostsEntry> ";

// Text as a Windows text file holds it: each line feed preceded by a carriage return.
std::string OnDisk(const std::string& text)
{
    std::string bytes;
    for (char c : text) {
        if (c == '\n')
            bytes += '\r';
        bytes += c;
    }
    return bytes;
}

struct HostsRun {
    std::vector<std::string> log;
    bool changesMade = false;
};

HostsRun UpdateHosts(machine::Machine& machine, const std::string& address, const std::string& host)
{
    sim::InstalledMachine hub(machine);
    DebugLog runLog("InitInstance", "Remendo", "C:\\Tools\\Remendo.log");  // as the run opens the log
    hub.app.UpdateHostsEntry(address, host);
    // Only the log file itself stays open.
    EXPECT_EQ(hub.api.OpenHandleCount(), 1u);
    return {test::LogLines(hub.api), hub.app.m_bChangesMade};
}

machine::Machine MachineWithHosts(const std::string& bytes)
{
    machine::Machine machine = test::BaseMachine();
    machine.files.Write(kHosts, bytes);
    return machine;
}

// All the bytes of a literal, NUL bytes included.
template <std::size_t N>
std::string Bytes(const char (&text)[N])
{
    return std::string(text, N - 1);
}

bool Contains(const std::vector<std::string>& lines, const std::string& wanted)
{
    return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

TEST(HostsLines, RewritesOnlyLinesNamingExactlyOneOfTheTwoAsWholeFields)
{
    struct Case {
        const char* what;
        std::string address, host, line, written;
    };
    const std::string a = kAddress, h = kHost;
    const Case cases[] = {
        {"both named", a, h, "10.0.0.25 cvq7250\n", "10.0.0.25 cvq7250\n"},
        {"already the tab form", a, h, "10.0.0.25\tcvq7250\n", "10.0.0.25\tcvq7250\n"},
        {"address with another name", a, h, "10.0.0.25   oldname\n", "10.0.0.25\tcvq7250\n"},
        {"host with another address", a, h, "10.0.0.20 cvq7250\n", "10.0.0.25\tcvq7250\n"},
        {"comment holding both", a, h, "# 10.0.0.25 cvq7250 scanner\n", "# 10.0.0.25 cvq7250 scanner\n"},
        {"comment holding the address only", a, h, "#10.0.0.25 old\n", "10.0.0.25\tcvq7250\n"},
        {"neither", a, h, "127.0.0.1 localhost\n", "127.0.0.1 localhost\n"},
        {"longer address, longer name", a, h, "10.0.0.250 cvq7250-b\n", "10.0.0.250 cvq7250-b\n"},
        {"prefix address and name", "10.0.0.1", "printer", "10.0.0.12 printer2\n", "10.0.0.12 printer2\n"},
        {"address inside a longer token", a, h, "x10.0.0.25 other\n", "x10.0.0.25 other\n"},
        {"name ended by a number sign", "10.0.0.1", "printer", "10.0.0.9 printer#old\n", "10.0.0.1\tprinter\n"},
        {"whole address after a longer one", "10.0.0.1", "printer", "10.0.0.12 10.0.0.1 x\n", "10.0.0.1\tprinter\n"},
        {"address only: blank form", a, "", "10.0.0.25 name\n", "10.0.0.25\tname\n"},
        {"address only: tab form", a, "", "10.0.0.25\tname\n", "10.0.0.25\tname\n"},
        {"address only: aliases kept", a, "", "10.0.0.25   name  alias\n", "10.0.0.25\tname  alias\n"},
        {"host only: commented address", "", h, "#10.0.0.20 cvq7250\n", "10.0.0.20\tcvq7250\n"},
        // Without a known address only a line that starts with one can become an entry.
        {"host only: comment without an address", "", h, "# cvq7250 upstairs\n", "# cvq7250 upstairs\n"},
        {"host only: name first", "", h, "printer cvq7250\n", "printer cvq7250\n"},
        {"nothing known", "", "", "10.0.0.25 cvq\n", "10.0.0.25 cvq\n"},
        // Only the fields before an active entry's "#" name it.
        {"name in a trailing comment", a, h, "192.168.1.1 router # not cvq7250\n", "192.168.1.1 router # not cvq7250\n"},
        {"address in a trailing comment", a, h, "10.0.0.9 other #10.0.0.25\n", "10.0.0.9 other #10.0.0.25\n"},
        {"entry with a trailing comment", a, h, "10.0.0.20 cvq7250 # scanner\n", "10.0.0.25\tcvq7250\n"},
        // This machine's own entries stay, whatever else they name.
        {"loopback address with the host", a, h, "127.0.0.1 cvq7250\n", "127.0.0.1 cvq7250\n"},
        {"other loopback address", a, h, "127.1.2.3 cvq7250\n", "127.1.2.3 cvq7250\n"},
        {"IPv6 loopback", a, h, "::1 cvq7250\n", "::1 cvq7250\n"},
        {"commented loopback", "", h, "#127.0.0.1 cvq7250\n", "#127.0.0.1 cvq7250\n"},
        {"localhost alias on the address", a, h, "10.0.0.25 LocalHost\n", "10.0.0.25 LocalHost\n"},
        {"NetBIOS-style name", a, "CVQ_7250", "10.0.0.25 old\n", "10.0.0.25\tCVQ_7250\n"},
    };
    for (const Case& c : cases) {
        // Both pass the checks the update makes before it reads the file.
        EXPECT_TRUE((c.address.empty() || hostsfile::IsUnicastAddress(c.address)) &&
                    (c.host.empty() || hostsfile::IsHostName(c.host))) << c.what;
        std::string text = c.line.substr(0, c.line.size() - 1), replacement;
        bool rewritten = hostsfile::ChangeToLine(text, c.address, c.host, hostsfile::IsSameEntry, replacement) ==
                         hostsfile::LineChange::kRewritten;
        EXPECT_EQ(rewritten ? replacement + "\n" : c.line, c.written) << c.what;
        EXPECT_EQ(rewritten, c.line != c.written) << c.what;
    }
}

TEST(UpdateHostsEntry, LogsEachRewrittenAndEachUntouchedEntry)
{
    machine::Machine machine = MachineWithHosts(OnDisk("10.0.0.25   oldname\n127.0.0.1 localhost\n"));
    HostsRun run = UpdateHosts(machine, kAddress, kHost);
    const std::vector<std::string> expected = {
        kPrefix + "- Starting to update the Host file",
        kPrefix + "\tThe current hosts file: " + kHosts,
        kPrefix + "\tupdating hosts entry from:",
        kPrefix + "\t\t10.0.0.25   oldname\n",
        kPrefix + "\tto",
        kPrefix + "\t\t10.0.0.25\tcvq7250\n",
        kPrefix + "--- Done updating the Host file",
    };
    EXPECT_EQ(run.log, expected);

    machine::Machine tabForm = MachineWithHosts(OnDisk("10.0.0.25\tname\n"));
    run = UpdateHosts(tabForm, kAddress, "");
    EXPECT_TRUE(Contains(run.log, kPrefix + "\tleft this hosts entry alone:"));
    EXPECT_TRUE(Contains(run.log, kPrefix + "\t\t10.0.0.25\tname\n"));
    EXPECT_FALSE(run.changesMade);
}

TEST(UpdateHostsEntry, WritesNothingWhenNoLineIsRewritten)
{
    const std::string hosts = OnDisk("127.0.0.1 localhost\n");
    machine::Machine machine = MachineWithHosts(hosts);
    HostsRun run = UpdateHosts(machine, kAddress, kHost);
    EXPECT_EQ(run.log.size(), 3u);
    EXPECT_FALSE(run.changesMade);
    EXPECT_EQ(test::FileText(machine, kHosts), hosts);
    EXPECT_EQ(machine.files.Find(kHostsBak), nullptr);
    EXPECT_EQ(machine.files.Find(kHostsNew), nullptr);

    // The administrator's own backup, and one a cut-off run left half written, stay.
    machine::Machine withBackup = MachineWithHosts(hosts);
    withBackup.files.Write(kHostsBak, "my backup");
    withBackup.files.Write(kHostsNew, "left by a cut-off run");
    UpdateHosts(withBackup, kAddress, kHost);
    EXPECT_EQ(test::FileText(withBackup, kHostsBak), "my backup");
    EXPECT_EQ(withBackup.files.Find(kHostsNew), nullptr);
}

TEST(UpdateHostsEntry, HandlesLongLinesWhole)
{
    const std::string aliases(290, 'a');
    const std::string untouched = "192.168.1.1 " + std::string(300, 'b') + "\n";
    machine::Machine machine = MachineWithHosts(OnDisk("10.0.0.25 " + aliases + "\n" + untouched));
    UpdateHosts(machine, kAddress, kHost);
    EXPECT_EQ(test::FileText(machine, kHosts), OnDisk("10.0.0.25\tcvq7250\n" + untouched));

    machine::Machine addressOnly = MachineWithHosts(OnDisk("10.0.0.25  name " + aliases + "\n"));
    UpdateHosts(addressOnly, kAddress, "");
    EXPECT_EQ(test::FileText(addressOnly, kHosts), OnDisk("10.0.0.25\tname " + aliases + "\n"));
}

TEST(UpdateHostsEntry, KeepsEveryByteOfOddlyEndedOrBinaryFiles)
{
    struct Case {
        const char* what;
        std::string before, after;
    };
    const Case cases[] = {
        {"missing last line feed", "127.0.0.1 localhost\r\n10.0.0.25 old", "127.0.0.1 localhost\r\n10.0.0.25\tcvq7250\r\n"},
        {"no line end at all", "10.0.0.25 old", "10.0.0.25\tcvq7250\r\n"},
        {"line feeds only", "10.0.0.25 old\n127.0.0.1 localhost\n", "10.0.0.25\tcvq7250\n127.0.0.1 localhost\n"},
        {"carriage returns only", "127.0.0.1 localhost\r10.0.0.25 old\r10.0.0.9 other\r",
         "127.0.0.1 localhost\r10.0.0.25\tcvq7250\r10.0.0.9 other\r"},
        {"mixed line ends", "# a\n10.0.0.25 old\r\n\r\r\n10.0.0.20 cvq7250\n# b\r# c",
         "# a\n10.0.0.25\tcvq7250\r\n\r\r\n10.0.0.25\tcvq7250\n# b\r# c"},
        {"untouched line feeds only", "127.0.0.1 localhost\n# x\n\n", "127.0.0.1 localhost\n# x\n\n"},
        {"UTF-16 with a byte-order mark", Bytes("\xff\xfe" "1\0" "0\0" ".\0" "0\0" " \0" "x\0" "\r\0" "\n\0"),
         Bytes("\xff\xfe" "1\0" "0\0" ".\0" "0\0" " \0" "x\0" "\r\0" "\n\0")},
        // The file is read in blocks of 64 KiB: a CR LF pair and a line may span two.
        {"CR LF across a block boundary", "#" + std::string(65534, 'x') + "\r\n10.0.0.25 old\r\n",
         "#" + std::string(65534, 'x') + "\r\n10.0.0.25\tcvq7250\r\n"},
        {"lone CR ending a block", "#" + std::string(65534, 'x') + "\r10.0.0.25 old\r\n",
         "#" + std::string(65534, 'x') + "\r10.0.0.25\tcvq7250\r\n"},
        {"entries far apart in a large file",
         std::string(70000, '#') + "\n10.0.0.25 old\n" + std::string(70000, '\n') +
             "cvq72500 x\r\n10.0.0.2 cvq7250\n",
         std::string(70000, '#') + "\n10.0.0.25\tcvq7250\n" + std::string(70000, '\n') +
             "cvq72500 x\r\n10.0.0.25\tcvq7250\n"},
        {"line longer than a block", "10.0.0.25 " + std::string(140000, 'y') + "\n# z\r",
         "10.0.0.25\tcvq7250\n# z\r"},
        {"bytes of 0x80 and above", "\x80\xff\n\xe9t\xe9 10.0.0.9\r\n\x1b\n", "\x80\xff\n\xe9t\xe9 10.0.0.9\r\n\x1b\n"},
        {"NUL bytes", Bytes("10.0.0.25 old\0tail\r\n127.0.0.1\0x localhost\r\n"),
         Bytes("10.0.0.25\tcvq7250\r\n127.0.0.1\0x localhost\r\n")},
        {"empty file", "", ""},
        {"a Ctrl+Z, which ends a text-mode read", "127.0.0.1 localhost\r\n\x1a\r\n10.0.0.25 old\r\n# after\r\n",
         "127.0.0.1 localhost\r\n\x1a\r\n10.0.0.25\tcvq7250\r\n# after\r\n"},
    };
    for (const Case& c : cases) {
        machine::Machine machine = MachineWithHosts(c.before);
        UpdateHosts(machine, kAddress, kHost);
        EXPECT_EQ(test::FileText(machine, kHosts), c.after) << c.what;
        if (c.after == c.before)
            EXPECT_EQ(machine.files.Find(kHostsBak), nullptr) << c.what;
        else
            EXPECT_EQ(test::FileText(machine, kHostsBak), c.before) << c.what;
    }
}

TEST(UpdateHostsEntry, NeverWritesAMalformedAddressOrHostName)
{
    struct Case {
        std::string address, host;
    };
    const Case cases[] = {
        {"10.0.0.25 evil", kHost}, {"10.0.0", kHost},     {"256.0.0.1", kHost},   {"1.2.3.4.5", kHost},
        {"1.2.3.x", kHost},        {"1..2.3", kHost},     {kAddress, "two words"}, {kAddress, "cvq#7250"},
        {kAddress, "cvq\n7250"},   {kAddress, "a\tb"},    {kAddress, std::string(256, 'a')}, {"", "name\x01"},
        {kAddress, "cvq\xe9" "7250"},
        // Not one device's address or name.
        {"0.0.0.0", kHost},        {"127.0.0.1", kHost},  {"127.200.0.1", kHost}, {"255.255.255.255", kHost},
        {kAddress, "localhost"},   {"", "LOCALHOST"},
    };
    const std::string hosts = OnDisk("10.0.0.25 old\n10.0.0.20 cvq7250\n");
    for (const Case& c : cases) {
        machine::Machine machine = MachineWithHosts(hosts);
        HostsRun run = UpdateHosts(machine, c.address, c.host);
        EXPECT_EQ(test::FileText(machine, kHosts), hosts) << c.address << " / " << c.host;
        EXPECT_EQ(machine.files.Find(kHostsBak), nullptr);
        EXPECT_EQ(machine.files.Find(kHostsNew), nullptr);
        ASSERT_EQ(run.log.size(), 3u);
        EXPECT_EQ(run.log[1].rfind(kPrefix + "Not a ", 0), 0u) << run.log[1];
        EXPECT_EQ(run.log[1].find('\n'), std::string::npos);
        EXPECT_FALSE(run.changesMade);
    }

    machine::Machine longestName = MachineWithHosts(OnDisk("223.255.255.254 old\n"));
    UpdateHosts(longestName, "223.255.255.254", std::string(255, 'a'));
    EXPECT_EQ(test::FileText(longestName, kHosts), OnDisk("223.255.255.254\t" + std::string(255, 'a') + "\n"));
}

TEST(UpdateHostsEntry, EveryFailureLeavesAUsableHostsFile)
{
    enum Hosts { kOld, kNew };
    struct Case {
        const char* operation;
        int call;
        const char* message;
        Hosts hosts;
        bool backupWritten;
        bool newFileLeft;
    };
    const Case cases[] = {
        {"GetSystemDirectoryA", 1, "Unable to get system directory", kOld, false, false},
        {"fopen", 1, "unable to open hosts file", kOld, false, false},
        {"fopen", 2, "unable to create hosts.new file", kOld, false, false},
        {"fread", 1, "Error reading hosts file, it is left as it is", kOld, false, false},
        {"fwrite", 1, "Error writing hosts.new file, the hosts file is left as it is", kOld, false, false},
        {"fclose", 1, "Error writing hosts.new file, the hosts file is left as it is", kOld, false, false},
        // hosts.new is flushed to the disk before it is used (CreateFileA #1 opens the log).
        {"CreateFileA", 2, "Error writing hosts.new file, the hosts file is left as it is", kOld, false, false},
        {"FlushFileBuffers", 1, "Error writing hosts.new file, the hosts file is left as it is", kOld, false, false},
        // hosts.bak is written as hosts.bak.new, then renamed.
        {"CopyFileA", 1, "Error copying hosts to hosts.bak", kOld, false, false},
        {"MoveFileExA", 1, "Error copying hosts to hosts.bak", kOld, false, false},
        {"MoveFileExA", 2, "Error copying hosts.new to hosts", kOld, true, false},
    };
    const std::string before = OnDisk("10.0.0.25 old\n127.0.0.1 localhost\n");
    const std::string after = OnDisk("10.0.0.25\tcvq7250\n127.0.0.1 localhost\n");
    for (const Case& c : cases) {
        machine::Machine machine = MachineWithHosts(before);
        machine.faults.push_back({c.operation, c.call, ERROR_ACCESS_DENIED});
        HostsRun run = UpdateHosts(machine, kAddress, kHost);
        std::string what = std::string(c.operation) + " #" + std::to_string(c.call);
        EXPECT_EQ(test::FileText(machine, kHosts), c.hosts == kOld ? before : after) << what;
        EXPECT_EQ(machine.files.Find(kHostsBak) != nullptr, c.backupWritten) << what;
        if (c.backupWritten) {
            EXPECT_EQ(test::FileText(machine, kHostsBak), before) << what;
        }
        EXPECT_EQ(machine.files.Find(kHostsNew) != nullptr, c.newFileLeft) << what;
        // A change counts once it is in the hosts file.
        EXPECT_EQ(run.changesMade, c.hosts == kNew) << what;
        ASSERT_GE(run.log.size(), 2u);
        EXPECT_EQ(run.log[run.log.size() - 2],
                  std::string("DebugLog: LogLastError> ") + c.message + ": Access is denied.\r\n")
            << what;
        EXPECT_EQ(run.log.back(), kPrefix + "--- Done updating the Host file") << what;
    }
}

TEST(UpdateHostsEntry, ReadOnlyOrMissingHostsFileIsReportedAndKept)
{
    const std::string hosts = OnDisk("10.0.0.25 old\n");
    machine::Machine readOnly = MachineWithHosts(hosts);
    readOnly.files.Find(kHosts)->attributes = FILE_ATTRIBUTE_READONLY;
    HostsRun run = UpdateHosts(readOnly, kAddress, kHost);
    EXPECT_EQ(test::FileText(readOnly, kHosts), hosts);
    EXPECT_EQ(test::FileText(readOnly, kHostsBak), hosts);
    EXPECT_EQ(run.log[run.log.size() - 2].rfind("DebugLog: LogLastError> Error copying hosts.new to hosts: ", 0), 0u);
    EXPECT_EQ(readOnly.files.Find(kHostsNew), nullptr);
    EXPECT_FALSE(run.changesMade);

    machine::Machine missing = test::BaseMachine();
    run = UpdateHosts(missing, kAddress, kHost);
    EXPECT_EQ(run.log[run.log.size() - 2].rfind("DebugLog: LogLastError> unable to open hosts file: ", 0), 0u);
    EXPECT_EQ(missing.files.Find(kHosts), nullptr);
    EXPECT_EQ(missing.files.Find(kHostsNew), nullptr);
}

TEST(HostsLines, OnlyABlankSplitsAnEntrysHeadFromItsTail)
{
    struct Case {
        std::string existing, replacement;
        bool same;
    };
    const Case cases[] = {
        {"  10.0.0.25   name  \n", "10.0.0.25 name", true},
        {"10.0.0.25 name\n", "10.0.0.25\tname\n", false},
        {"10.0.0.25\tname\n", "10.0.0.25\tname\n", true},
        {"10.0.0.25\tname\n", "10.0.0.25\tother\n", false},
        {"10.0.0.25\t name", "10.0.0.25 name", false},
        {"a b  c", "a b c", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(hostsfile::IsSameEntry(c.existing, c.replacement), c.same) << c.existing << " / " << c.replacement;
}

}  // namespace
