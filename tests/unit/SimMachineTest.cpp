// The simulated machine itself: registry exports, manifests and machine folders
// must read back what was written, and reject malformed input with its place.
#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "platform/sim/MachineFolder.h"
#include "platform/sim/Manifest.h"
#include "platform/sim/RegFile.h"

namespace {

TEST(RegFile, ReadsStringsDwordsAndWideHexValues)
{
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n"
        "\"Path\"=\"C:\\\\dir\\\\\\\"q\\\"\"\r\n"
        "@=\"default\"\r\n"
        "\"Count\"=dword:0000002a\r\n"
        "\"Expand\"=hex(2):25,00,53,00,59,00,53,00,\\\r\n"
        "  25,00,00,00\r\n";
    sim::Registry registry;
    sim::ParseError error;
    ASSERT_TRUE(sim::ReadRegFile(text, registry, error)) << error.message;
    sim::RegKey* key = registry.Find("HKEY_LOCAL_MACHINE\\software\\TEST");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->FindValue("path")->data, std::string("C:\\dir\\\"q\"\0", 11));
    EXPECT_EQ(key->FindValue("")->data, std::string("default\0", 8));
    EXPECT_EQ(key->FindValue("Count")->data, std::string("\x2a\0\0\0", 4));
    EXPECT_EQ(key->FindValue("Expand")->type, REG_EXPAND_SZ);
    EXPECT_EQ(key->FindValue("Expand")->data, std::string("%SYS%\0", 6));
}

TEST(RegFile, WriteThenReadGivesTheSameRegistry)
{
    sim::Registry original;
    sim::RegKey& key = original.Create("HKEY_LOCAL_MACHINE\\SOFTWARE\\Round [trip]");
    key.SetValue("Text", REG_SZ, sim::StringData("a \"quoted\" \\ value \xe9"));
    key.SetValue("", REG_SZ, sim::StringData(""));
    key.SetValue("NoTerminator", REG_SZ, "raw");
    key.SetValue("Expand", REG_EXPAND_SZ, sim::StringData("%SystemRoot%\\x"));
    key.SetValue("Number", REG_DWORD, std::string("\x01\x02\x03\x04", 4));
    key.SetValue("Blob", REG_BINARY, std::string(100, '\xff'));
    key.SetValue("Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
    original.Create("HKEY_CURRENT_USER\\Empty\\Leaf");

    sim::Registry reread;
    sim::ParseError error;
    ASSERT_TRUE(sim::ReadRegFile(sim::WriteRegFile(original), reread, error)) << error.line << ": " << error.message;
    EXPECT_TRUE(reread == original);
}

TEST(RegFile, ReadsUtf16ExportsAsRegeditWritesThem)
{
    std::string narrow = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"V\"=\"x\"\r\n";
    std::string wide = "\xff\xfe";
    for (char c : narrow) {
        wide += c;
        wide += '\0';
    }
    sim::Registry registry;
    sim::ParseError error;
    ASSERT_TRUE(sim::ReadRegFile(wide, registry, error)) << error.message;
    EXPECT_EQ(registry.Find("HKEY_LOCAL_MACHINE\\A")->FindValue("V")->data, std::string("x\0", 2));
}

TEST(RegFile, RejectsMalformedLinesNamingTheLine)
{
    struct Case {
        std::string text;
        int line;
    };
    const std::string header = "Windows Registry Editor Version 5.00\n";
    const Case cases[] = {
        {"REGEDIT5\n", 1},
        {header + "\"orphan\"=\"value\"\n", 2},
        {header + "[HKEY_NOWHERE\\A]\n", 2},
        {header + "[HKEY_LOCAL_MACHINE\\A\n", 2},
        {header + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:123456789\n", 3},
        {header + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:zz\n", 3},
        {header + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"unterminated\n", 3},
        {header + "[HKEY_LOCAL_MACHINE\\A]\n\"v\" \"x\"\n", 3},
        {header + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex(2):41\n", 3},
        // A type wider than a DWORD, short and far too long.
        {header + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex(100000001):41\n", 3},
        {header + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex(" + std::string(40, '4') + "):41\n", 3},
    };
    for (const Case& c : cases) {
        sim::Registry registry;
        sim::ParseError error;
        EXPECT_FALSE(sim::ReadRegFile(c.text, registry, error)) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text;
        EXPECT_FALSE(error.message.empty());
    }
}

TEST(Manifest, RejectsUnknownFieldsAndWrongTypesWithTheirLine)
{
    sim::Machine machine;
    sim::ParseError error;
    EXPECT_FALSE(sim::ReadManifest("{\n  \"os\": {\n    \"major\": 5,\n    \"colour\": 1\n  }\n}\n", machine, error));
    EXPECT_EQ(error.line, 4);
    EXPECT_NE(error.message.find("colour"), std::string::npos);

    EXPECT_FALSE(sim::ReadManifest("{\n  \"token\": { \"thread\": \"root\" }\n}", machine, error));
    EXPECT_EQ(error.line, 2);

    EXPECT_FALSE(sim::ReadManifest("{\n  \"os\": {\n    \"major\": 5,,\n  }\n}", machine, error));
    EXPECT_EQ(error.line, 3);
    EXPECT_NE(error.message.find("not valid JSON"), std::string::npos);
}

TEST(Manifest, RejectsMalformedDialogAnswersAndSocketsVersion)
{
    const char* const documents[] = {
        "{\"dialog\": {\"ipAddress\": \"10.0.0\"}}",
        "{\"dialog\": {\"ipAddress\": \"10.0.0.256\"}}",
        "{\"dialog\": {\"ipAddress\": \"10.0.x.1\"}}",
        "{\"dialog\": {\"buttons\": [\"ok\"]}}",
        "{\"dialog\": {\"connection\": \"usb\"}}",
        "{\"dialog\": {\"host\": \"h\"}}",
        "{\"socketsVersion\": \"2\"}",
        "{\"socketsVersion\": \"2.256\"}",
    };
    for (const char* document : documents) {
        sim::Machine machine;
        sim::ParseError error;
        EXPECT_FALSE(sim::ReadManifest(document, machine, error)) << document;
    }
    sim::Machine machine;
    sim::ParseError error;
    ASSERT_TRUE(sim::ReadManifest("{\"dialog\": {\"ipAddress\": \"10..0.\", \"buttons\": []}}", machine, error))
        << error.message;
    EXPECT_EQ(machine.dialog.at(0).ipAddress, std::optional<std::string>("10..0."));
}

TEST(Manifest, WriteThenReadKeepsEveryField)
{
    sim::Machine original = test::BaseMachine();
    original.os = {4, 10, 222, 1, "A \xe9 pack", true};
    original.tokens = {"admin-deny-only", "user"};
    original.namedObjects.insert("cvRemendoUtility");
    original.printers = {{"Printer \xe9", "IP_1.2.3.4", "Driver"}};
    original.ports = {"DOT4_001"};
    original.printerListNotReadyCalls = 3;
    original.hostNames["1.2.3.4"] = "host";
    original.services.push_back({"stisvc", "Still", "running", "auto", "C:\\x.exe", 3, 2, false});
    original.programs.push_back({"C:\\WINDOWS\\system32\\cvqmgr40.exe", 1200, false, "QMX Driver CVQ40"});
    original.socketsVersion = MAKEWORD(1, 1);
    original.dialog = {sim::DialogAnswers{"Series \xe9", "network", std::nullopt, "10..0.1", "00:1a", "h", {"fixit"}},
                       sim::DialogAnswers{std::nullopt, "direct", "DOT4_001", std::nullopt, std::nullopt, std::nullopt, {"cancel"}}};
    original.heldFiles.push_back({"C:\\WINDOWS\\twain_32\\held.ds", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE});
    original.messageBoxAnswers = {"no", "cancel"};
    original.faults.push_back({"CreateFileA", 2, 5});
    original.files.Find(original.paths.executable)->attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    original.pendingRenames.push_back({"C:\\Tools\\a.dll", "C:\\WINDOWS\\a.dll", true});
    original.pendingRenames.push_back({"C:\\Tools\\b.dll", "", false});

    sim::Machine reread;
    reread.files = original.files;  // file versions and attributes name files of the machine
    reread.files.Find(original.paths.executable)->attributes = FILE_ATTRIBUTE_ARCHIVE;
    sim::ParseError error;
    ASSERT_TRUE(sim::ReadManifest(sim::WriteManifest(original), reread, error)) << error.message;
    EXPECT_EQ(sim::WriteManifest(reread), sim::WriteManifest(original));
    EXPECT_EQ(reread.os.servicePack, "A \xe9 pack");
    EXPECT_EQ(reread.printers.at(0).name, "Printer \xe9");
    EXPECT_FALSE(reread.services.back().canOpen);
    EXPECT_EQ(reread.programs.at(0).service, "QMX Driver CVQ40");
    ASSERT_EQ(reread.dialog.size(), 2u);
    EXPECT_EQ(reread.dialog[0].product, std::optional<std::string>("Series \xe9"));
    EXPECT_FALSE(reread.dialog[0].port.has_value());
    EXPECT_EQ(reread.dialog[1].port, std::optional<std::string>("DOT4_001"));
    ASSERT_EQ(reread.heldFiles.size(), 1u);
    EXPECT_EQ(reread.heldFiles[0].share, static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_DELETE));
    EXPECT_EQ(reread.socketsVersion, MAKEWORD(1, 1));
    EXPECT_EQ(reread.files.Find("C:\\TOOLS\\remendo.exe")->version, "1.0.0.0");
    EXPECT_EQ(reread.files.Find("C:\\TOOLS\\remendo.exe")->attributes,
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    ASSERT_EQ(reread.pendingRenames.size(), 2u);
    EXPECT_EQ(reread.pendingRenames[1].from, "C:\\Tools\\b.dll");
    EXPECT_FALSE(reread.pendingRenames[1].replaceExisting);
}

TEST(MachineFolder, ReportsMissingAndStrayFiles)
{
    sim::Machine machine;
    sim::LoadError error;
    EXPECT_FALSE(sim::LoadMachine({{"machine.json", "{}"}}, machine, error));
    EXPECT_EQ(error.file, "registry.reg");

    sim::Machine other;
    EXPECT_FALSE(sim::LoadMachine({{"machine.json", "{}"},
                                   {"registry.reg", "Windows Registry Editor Version 5.00\n"},
                                   {"notes.txt", "x"}},
                                  other, error));
    EXPECT_EQ(error.file, "notes.txt");
}

}  // namespace
