// The simulated machine itself: registry exports, manifests and machine folders
// must read back what was written, and reject malformed input with its place.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "SimTestSupport.h"
#include <nlohmann/json.hpp>

#include "machine/JsonRead.h"
#include "machine/MachineDiff.h"
#include "machine/MachineFolder.h"
#include "machine/Manifest.h"
#include "machine/RegFile.h"
#include "machine/WindowsNames.h"

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
    machine::Registry registry;
    machine::ParseError error;
    ASSERT_TRUE(machine::ReadRegFile(text, registry, error)) << error.message;
    machine::RegKey* key = registry.Find("HKEY_LOCAL_MACHINE\\software\\TEST");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->FindValue("path")->data, std::string("C:\\dir\\\"q\"\0", 11));
    EXPECT_EQ(key->FindValue("")->data, std::string("default\0", 8));
    EXPECT_EQ(key->FindValue("Count")->data, std::string("\x2a\0\0\0", 4));
    EXPECT_EQ(key->FindValue("Expand")->type, REG_EXPAND_SZ);
    EXPECT_EQ(key->FindValue("Expand")->data, std::string("%SYS%\0", 6));
}

TEST(RegFile, WriteThenReadGivesTheSameRegistry)
{
    machine::Registry original;
    machine::RegKey& key = original.Create("HKEY_LOCAL_MACHINE\\SOFTWARE\\Round [trip]");
    key.SetValue("Text \xD0\x98\xD0\xBC\xD1\x8F", REG_SZ, machine::StringData("a \"quoted\" \\ value \xC3\xA9 \xE2\x82\xAC"));
    key.SetValue("", REG_SZ, machine::StringData(""));
    key.SetValue("NoTerminator", REG_SZ, "raw");
    key.SetValue("Expand", REG_EXPAND_SZ, machine::StringData("%SystemRoot%\\x"));
    key.SetValue("Number", REG_DWORD, std::string("\x01\x02\x03\x04", 4));
    key.SetValue("Blob", REG_BINARY, std::string(100, '\xff'));
    key.SetValue("Multi", REG_MULTI_SZ, std::string("a\0\xCE\xA3\0\0", 6));
    original.Create("HKEY_CURRENT_USER\\Empty\\Leaf");

    machine::Registry reread;
    machine::ParseError error;
    ASSERT_TRUE(machine::ReadRegFile(machine::WriteRegFile(original), reread, error)) << error.line << ": " << error.message;
    EXPECT_TRUE(reread == original);
}

// UTF-16LE with a byte-order mark, as regedit writes; \u0100 stands for a character beyond 8 bits.
std::string Utf16(const std::string& narrow)
{
    std::string wide = "\xff\xfe";
    for (std::size_t i = 0; i < narrow.size(); ++i) {
        bool beyond = narrow.compare(i, 6, "\\u0100") == 0;
        wide += beyond ? '\0' : narrow[i];
        wide += beyond ? '\x01' : '\0';
        i += beyond ? 5 : 0;
    }
    return wide;
}

TEST(RegFile, ReadsUtf16ExportsAsRegeditWritesThem)
{
    std::string wide = Utf16("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"V\"=\"x\xe9\"\r\n");
    machine::Registry registry;
    machine::ParseError error;
    ASSERT_TRUE(machine::ReadRegFile(wide, registry, error)) << error.message;
    EXPECT_EQ(registry.Find("HKEY_LOCAL_MACHINE\\A")->FindValue("V")->data, std::string("x\xC3\xA9\0", 4));
    // A character beyond 8 bits is the machine's as it is; a last odd byte is refused.
    ASSERT_TRUE(machine::ReadRegFile(Utf16("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\\\u0100]\r\n"), registry, error));
    EXPECT_NE(registry.Find("HKEY_LOCAL_MACHINE\\\xC4\x80"), nullptr);
    EXPECT_FALSE(machine::ReadRegFile(wide + "[", registry, error));
}

TEST(RegFile, ReadsLinesAsRegeditDoes)
{
    machine::Registry registry;
    machine::ParseError error;
    // REGEDIT4 string data is 8-bit text, of any length; a comment ending in a
    // backslash continues nothing; a lone CR ends a line.
    ASSERT_TRUE(machine::ReadRegFile("REGEDIT4\r[HKEY_LOCAL_MACHINE\\Old]\r\"E\"=hex(2):41,42,43,00\r"
                                 "\"M\"=hex(7):61,00,00\r; a comment \\\r[HKEY_LOCAL_MACHINE\\Next]\r@=\"n\"\r",
                                 registry, error))
        << error.line << ": " << error.message;
    EXPECT_EQ(registry.Find("HKEY_LOCAL_MACHINE\\Old")->FindValue("E")->data, std::string("ABC\0", 4));
    EXPECT_EQ(registry.Find("HKEY_LOCAL_MACHINE\\Old")->FindValue("M")->data, std::string("a\0\0", 3));
    ASSERT_NE(registry.Find("HKEY_LOCAL_MACHINE\\Next"), nullptr);
    EXPECT_EQ(registry.Find("HKEY_LOCAL_MACHINE\\Next")->FindValue("")->data, std::string("n\0", 2));

    // Wine's regedit writes a line break in a text as \r\n; any other backslash stays.
    // A value removed and given again goes last, as a new one; a key given
    // again keeps its values, and a removed key takes its values with it.
    ASSERT_TRUE(machine::ReadRegFile("REGEDIT4\n[HKEY_LOCAL_MACHINE\\W]\n\"T\"=\"a\\r\\nb\\t\\\\n\"\n\"X\"=\"1\"\n"
                                 "\"y\"=\"2\"\n\"x\"=-\n[HKEY_LOCAL_MACHINE\\W\\Gone]\n\"g\"=\"3\"\n"
                                 "[-HKEY_LOCAL_MACHINE\\W\\Gone]\n[HKEY_LOCAL_MACHINE\\W]\n\"X\"=\"4\"\n\"y\"=-\n\"Y\"=\"5\"\n",
                                 registry, error))
        << error.line << ": " << error.message;
    const machine::RegKey* wine = registry.Find("HKEY_LOCAL_MACHINE\\W");
    EXPECT_EQ(wine->FindValue("T")->data, std::string("a\r\nb\\t\\n\0", 9));
    ASSERT_EQ(wine->values.size(), 3u);
    EXPECT_EQ(wine->values[1].name + wine->values[2].name, "XY");
    EXPECT_EQ(wine->values[2].data, std::string("5\0", 2));
    EXPECT_EQ(registry.Find("HKEY_LOCAL_MACHINE\\W\\Gone"), nullptr);
    // A key removed and given again is made anew; a key with many values
    // finds each by name after one of them was removed and another added.
    std::string many = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\M\\K]\n";
    for (char c = 'a'; c <= 'j'; ++c)
        many += std::string("\"") + c + "\"=\"1\"\n";
    ASSERT_TRUE(machine::ReadRegFile(many + "\"a\"=-\n\"New\"=\"2\"\n[-HKEY_LOCAL_MACHINE\\M]\n[HKEY_LOCAL_MACHINE\\M\\K]\n"
                                     "[HKEY_LOCAL_MACHINE\\Many]\n" + many.substr(many.find(']') + 2) + "\"a\"=-\n\"New\"=\"2\"\n",
                                     registry, error))
        << error.line << ": " << error.message;
    ASSERT_NE(registry.Find("HKEY_LOCAL_MACHINE\\M\\K"), nullptr);
    EXPECT_TRUE(registry.Find("HKEY_LOCAL_MACHINE\\M\\K")->values.empty());
    const machine::RegKey* manyValues = registry.Find("HKEY_LOCAL_MACHINE\\Many");
    ASSERT_EQ(manyValues->values.size(), 10u);
    EXPECT_EQ(manyValues->FindValue("NEW"), &manyValues->values[9]);
    EXPECT_EQ(manyValues->FindValue("J"), &manyValues->values[8]);
    EXPECT_EQ(manyValues->FindValue("a"), nullptr);

    // The deepest nesting Windows allows reads back; one level more is refused.
    std::string deep = "HKEY_LOCAL_MACHINE";
    for (int level = 0; level < 512; ++level)
        deep += "\\k";
    machine::Registry nested;
    nested.Create(deep).SetValue("v", REG_DWORD, std::string(4, '\0'));
    machine::Registry reread;
    ASSERT_TRUE(machine::ReadRegFile(machine::WriteRegFile(nested), reread, error)) << error.message;
    EXPECT_TRUE(reread == nested);
    EXPECT_FALSE(machine::ReadRegFile("REGEDIT4\n\n[" + deep + "\\k]\n", reread, error));
    EXPECT_EQ(error.line, 3);
    // Value names with line breaks, and a key name of the longest length, are written so they read back.
    machine::Registry odd;
    odd.Create("HKEY_LOCAL_MACHINE\\" + std::string(255, 'k'))
        .SetValue("two\nlines\r\\n\"", REG_DWORD, std::string(4, '\1'));
    odd.Create("HKEY_LOCAL_MACHINE\\A").SetValue("\n", REG_BINARY, std::string(100, 'x'));
    machine::Registry oddReread;
    ASSERT_TRUE(machine::ReadRegFile(machine::WriteRegFile(odd), oddReread, error)) << error.message;
    EXPECT_TRUE(oddReread == odd);
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
        {header + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex(7):00,01,00\n", 3},
        // Continuation joins hex data only: a string ending in a backslash does not take the next line.
        {header + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"x\\\n\"\n", 3},
        // A type wider than a DWORD, short and far too long.
        {header + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex(100000001):41\n", 3},
        {header + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex(" + std::string(40, '4') + "):41\n", 3},
        // A key name longer than the 255 characters the registry allows.
        {header + "[HKEY_LOCAL_MACHINE\\A\\" + std::string(256, 'k') + "\\B]\n", 2},
        // A removed key is gone for good: a value line after it has no key.
        {header + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"1\"\n[-HKEY_LOCAL_MACHINE\\A]\n\"w\"=\"2\"\n", 5},
    };
    for (const Case& c : cases) {
        machine::Registry registry;
        machine::ParseError error;
        EXPECT_FALSE(machine::ReadRegFile(c.text, registry, error)) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text;
        EXPECT_FALSE(error.message.empty());
    }
}

TEST(Manifest, RejectsUnknownFieldsAndWrongTypesWithTheirLine)
{
    machine::Machine machine;
    machine::ParseError error;
    EXPECT_FALSE(machine::ReadManifest("{\n  \"os\": {\n    \"major\": 5,\n    \"colour\": 1\n  }\n}\n", machine, error));
    EXPECT_EQ(error.line, 4);
    EXPECT_NE(error.message.find("colour"), std::string::npos);

    EXPECT_FALSE(machine::ReadManifest("{\n  \"token\": { \"thread\": \"root\" }\n}", machine, error));
    EXPECT_EQ(error.line, 2);

    EXPECT_FALSE(machine::ReadManifest("{\n  \"os\": {\n    \"major\": 5,,\n  }\n}", machine, error));
    EXPECT_EQ(error.line, 3);
    EXPECT_NE(error.message.find("not valid JSON"), std::string::npos);
}

TEST(Manifest, RejectsMalformedFieldsNumbersAndPaths)
{
    const char* const documents[] = {
        "{\"os\": {\"build\": 4294967296}}",
        "{\"services\": [{\"name\": \"s\", \"startChecks\": 2147483648}]}",
        "{\"faults\": [{\"operation\": \"CreatFileA\"}]}",
        "{\"faults\": [{\"operation\": \"CloseHandle\"}]}",
        "{\"faults\": [{\"operation\": \"CreateFileA\", \"call\": -1}]}",
        "{\"paths\": {\"windows\": \"WINDOWS\"}}",
        "{\"paths\": {\"system\": \"\\\\\\\\server\\\\share\"}}",
        "{\"fileVersions\": {\"X\": \"1.0.0.0\"}}",
        "{\"fileVersions\": {\"C:\\\\..\\\\..\\\\etc\": \"1.0.0.0\"}}",
        "{\"pendingRenames\": [{\"from\": \"a.dll\"}]}",
        "{\"programs\": [{\"path\": \"C:\"}]}",
        "{\"heldFiles\": [{\"path\": \"C:\\\\x\", \"share\": [\"none\"]}]}",
        "{\"heldFiles\": [{\"access\": [\"read\"]}]}",
        "{\"dialog\": []}",
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
        machine::Machine machine;
        machine::ParseError error;
        EXPECT_FALSE(machine::ReadManifest(document, machine, error)) << document;
    }
    machine::Machine machine;
    machine::ParseError error;
    ASSERT_TRUE(machine::ReadManifest("{\"dialog\": {\"ipAddress\": \"10..0.\", \"buttons\": []}}", machine, error))
        << error.message;
    EXPECT_EQ(machine.dialog.at(0).ipAddress, std::optional<std::string>("10..0."));
}

// Support staff fix a machine.json from its message alone: each kind of field
// names itself, the rule it broke and the line it stands on.
TEST(Manifest, NamesTheFieldTheRuleAndTheLine)
{
    const char* kYears = "\"localTime\" must be a date from the year 1601 to 30827, as Windows holds dates";
    const struct {
        const char* document;
        int line;
        std::string message;
    } cases[] = {
        {"[]", 0, "\"machine.json\" must be an object"},
        {"{\n\"ports\": [\"a\"],\n\"colour\": 1}", 3, "unknown field \"colour\" in machine.json"},
        {"{\n\"token\": {\n\"thread\": \"root\"}}", 3,
         "\"thread\" must be one of none, denied, admin, admin-deny-only, user, no-groups, not \"root\""},
        {"{\n\"os\": {\"build\": -1}}", 2, "\"build\" must be a whole number from 0 to 4294967295"},
        {"{\n\"services\": [{\"name\": \"s\",\n\"stopChecks\": 1.0}]}", 3,
         "\"stopChecks\" must be a whole number from 0 to 2147483647"},
        {"{\n\"os\": {\"queryFails\": 1}}", 2, "\"queryFails\" must be true or false"},
        {"{\n\"printers\": [{\"name\": 1}]}", 2, "\"name\" must be a string"},
        {"{\n\"printers\": [1]}", 2, "\"printers\" must be an object"},
        {"{\n\"ports\": \"LPT1:\"}", 2, "\"ports\" must be a list"},
        {"{\n\"paths\": {\"windows\": \"WINDOWS\"}}", 2, "\"windows\" must be a full path \"X:\\...\" on a drive, not \"WINDOWS\""},
        {"{\n\"paths\": {\"temp\": \"C:\\\\TEMP\\\\aux.tmp\\\\\"}}", 2,
         "\"temp\" is no path of the machine: \"aux.tmp\" names the device AUX on Windows, not a file"},
        {"{\n\"localTime\": \"2026-13-01 00:00:00\"}", 2, "\"localTime\" must be \"YYYY-MM-DD hh:mm:ss\""},
        {"{\n\"localTime\": \"2026-02-29 00:00:00\"}", 2, "\"localTime\" must be \"YYYY-MM-DD hh:mm:ss\""},
        {"{\n\"localTime\": \"100000-01-01 00:00:00\"}", 2, "\"localTime\" must be \"YYYY-MM-DD hh:mm:ss\""},
        {"{\n\"localTime\": \"0000-01-01 00:00:00\"}", 2, kYears},
        {"{\n\"localTime\": \"1600-12-31 23:59:59\"}", 2, kYears},
        {"{\n\"localTime\": \"30828-01-01 00:00:00\"}", 2, kYears},
        {"{\n\"localTime\": \"65535-01-01 00:00:00\"}", 2, kYears},
        {"{\n\"socketsVersion\": \"2.2x\"}", 2, "\"socketsVersion\" must be \"major.minor\""},
        {"{\n\"hostNames\": {\n\"1.2.3.4\": 5}}", 3, "\"1.2.3.4\" must be a string"},
        {"{\n\"programs\": [{\"runsMs\": 5}]}", 2, "every entry of \"programs\" needs a \"path\""},
        {"{\n\"heldFiles\": [{\"path\": \"C:\\\\x\", \"access\": [\"exec\"]}]}", 2, "unknown \"access\" flag \"exec\""},
        {"{\n\"faults\": [{\"operation\": \"CreatFileA\"}]}", 2, "no operation of the machine is called \"CreatFileA\""},
        {"{\n\"faults\": [{\"operation\": \"GetLastError\"}]}", 2,
         "no operation of the machine is called \"GetLastError\""},
        {"{\n\"registryView\": \"\"}", 2, "\"registryView\" must be one of 32-bit, 64-bit, not \"\""},
        {"{\n\"dialog\": []}", 2, "\"dialog\" needs at least one set of answers"},
        {"{\n\"dialog\": [{\"port\": \"LPT1:\"},\n{\"host\": \"h\"}]}", 3, "unknown field \"host\" in dialog"},
        {"{\n\"dialog\": {\"ipAddress\": \"10.0.x.1\"}}", 2,
         "\"ipAddress\" must be four fields \"a.b.c.d\" of 0-255, each may be empty"},
        {"{\n\"fileVersions\": {\n\"C:\\\\a\": \"1.0.0\"}}", 3, "the version of \"C:\\a\" must be \"a.b.c.d\""},
        {"{\n\"fileAttributes\": {\n\"C:\\\\a\": [\"pink\"]}}", 3,
         "unknown file attribute \"pink\" (readonly, hidden, system, archive or normal)"},
        {"{\n\"fileAttributes\": {\n\"C:\\\\nofile\": []}}", 3, "\"C:\\nofile\" names no file of the machine"},
        // The files named by versions and programs exist by the time attributes are set.
        {"{\n\"fileAttributes\": {\"C:\\\\b\": [], \"C:\\\\p.exe\": [\"pink\"]},\n\"fileVersions\": {\"C:\\\\b\": \"1.0.0.0\"},\n"
         "\"programs\": [{\"path\": \"C:\\\\p.exe\"}]}",
         2, "unknown file attribute \"pink\" (readonly, hidden, system, archive or normal)"},
        // Versions are checked once every other field has been read.
        {"{\n\"fileVersions\": {\"C:\\\\a\": \"1.0\"},\n\"ports\": 3}", 3, "\"ports\" must be a list"},        // A number no type holds, a name given twice, a code page not modelled.
        {"{\n\"printerListNotReadyCalls\":\n1e400}", 3, "not valid JSON: number overflow parsing '1e400'"},
        {"{\"ports\": [],\n\"os\": {\"major\": 5, \"minor\": 1},\n\"os\": {}}", 2, "\"os\" is given twice in one object"},
        {"{\"ports\": [],\n\"ansiCodePage\": 932}", 2,
         "\"ansiCodePage\" is 932, a code page the simulated machine does not model (it models 1250, 1251, 1252, "
         "1253, 1254, 1257)"},
        // Paths: control characters, names Windows cannot hold, a drive, a
        // directory, beneath a file.
        {"{\n\"paths\": {\"temp\": \"C:\\\\T\\nE\"}}", 2, "\"temp\" is no path of the machine: it holds the control character 0x0A"},
        {"{\n\"heldFiles\": [{\"path\": \"C:\\\\a?\"}]}", 2, "\"path\" is no path of the machine: it holds '?', which no Windows name holds"},
        {"{\n\"fileVersions\": {\"C:\\\\x\\\\..\\\\..\\\\b\": \"1.0.0.0\"}}", 2,
         "\"C:\\x\\..\\..\\b\" is no path of the machine: its \"..\" part leads out of its folder"},
        {"{\n\"fileVersions\": {\n\"C:\\\\\": \"1.0.0.0\"}}", 3, "\"C:\\\" cannot be a file: it is the drive itself"},
        {"{\n\"fileVersions\": {\n\"C:\\\\d\": \"1.0.0.0\"}}", 3, "\"C:\\d\" cannot be a file: it is a directory"},
        {"{\n\"programs\": [{\"path\":\n\"C:\\\\a\\\\p.exe\"}]}", 3, "\"C:\\a\\p.exe\" cannot be a file: it is beneath the file \"C:\\a\""},
    };
    for (const auto& c : cases) {
        machine::Machine machine;
        machine.files.Write("C:\\a", "");
        machine.files.MakeDirectory("C:\\d");
        machine::ParseError error;
        EXPECT_FALSE(machine::ReadManifest(c.document, machine, error)) << c.document;
        EXPECT_EQ(error.line, c.line) << c.document;
        EXPECT_EQ(error.message, c.message) << c.document;
    }
}

// machine.json is read by a fast reader where it can and by the JSON library
// otherwise: every text must be taken or refused as the library alone would,
// read into the same document and written back as the library writes it.
TEST(Manifest, ReadsEveryTextAsTheJsonLibraryDoes)
{
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    std::string manyNames = "{";
    for (int i = 0; i < 40; ++i)
        manyNames += "\"n" + std::to_string(i % 39) + "\": " + std::to_string(i) + (i < 39 ? ", " : "}");
    const std::string texts[] = {
        "\xEF\xBB\xBF{\"a\": 1}",                        // a byte order mark
        "{\"a\": \"\\uD83D\\uDE00 \xC3\xA9 \xF0\x9F\x98\x80\"}",  // a surrogate pair, UTF-8
        "{\"a\": \"\\uDC00\"}", "{\"a\": \"\\uD800x\"}",   // lone surrogates
        "{\"a\": \"\xC0\xAF\"}", "{\"a\": \"\xED\xA0\x80\"}", "{\"a\": \"\xF4\x90\x80\x80\"}",  // no UTF-8
        std::string("{}\0 x", 5), "{} x", "{\"a\": \"\t\"}", "{\"a\": 01}", "",  // no JSON
        "[0, -0, 18446744073709551615, -9223372036854775808, true, false, null]",
        "{\"\\u0000\\u001f\\\"\\\\\\/\\b\\f\\n\\r\\t\x7F\": \"\"}",  // escapes as the library writes them
        "{\"b\": {\"y\": [], \"x\": {}}, \"a\": [{}, [[]]]}",  // names in the order of their bytes
        "{\"a\": 1, \"a\": 2}", manyNames,                   // of a name given twice, the last
        "[1e400]", "[" + std::string(400, '9') + "]",           // too large for any number
    };
    for (const std::string& text : texts) {
        nlohmann::json library = nlohmann::json::parse(text, nullptr, false);
        machine::JsonTree tree;
        machine::ParseError error;
        bool read = machine::ReadJson(text, tree, error);
        EXPECT_EQ(read, !library.is_discarded()) << text.substr(0, 60);
        if (read)
            EXPECT_EQ(tree.Pretty(), library.dump(2)) << text.substr(0, 60);
        else
            EXPECT_EQ(error.message.rfind("not valid JSON: ", 0), 0u) << error.message;
    }
    // Whole numbers: unsigned unless negative, floats beyond 64 bits.
    machine::JsonTree numbers;
    machine::ParseError error;
    EXPECT_TRUE(machine::ReadJson(deep, numbers, error));  // without running the stack out
    ASSERT_TRUE(machine::ReadJson("[0, -0, 18446744073709551615, 18446744073709551616, 1.0, 1e300]", numbers, error));
    std::vector<machine::JsonType> types;
    for (machine::JsonValue item : numbers.Root().Items())
        types.push_back(item.Type());
    EXPECT_EQ(types, (std::vector<machine::JsonType>{machine::JsonType::Unsigned, machine::JsonType::Integer,
                                                    machine::JsonType::Unsigned, machine::JsonType::Float,
                                                    machine::JsonType::Float, machine::JsonType::Float}));
    EXPECT_EQ(numbers.Root().Items()[2].Unsigned(), 18446744073709551615u);
    // The first name given twice in document order, however large the object.
    ASSERT_TRUE(machine::ReadJson("{\"a\": {\"b\": 1, \"b\": 2}, \"a\": 1}", numbers, error));
    EXPECT_EQ(numbers.Twice(), std::optional<std::string>("b"));
    ASSERT_TRUE(machine::ReadJson(manyNames, numbers, error));
    EXPECT_EQ(numbers.Twice(), std::optional<std::string>("n0"));
    // A deep document of the days of 8-bit machines (no code page) is read
    // without running the stack out, and refused for its unknown field.
    machine::Machine machine;
    EXPECT_FALSE(machine::ReadManifest("{\"x\": " + deep + "}", machine, error));
    EXPECT_EQ(error.message, "unknown field \"x\" in machine.json");
}

// The first and last days a SYSTEMTIME holds, and a leap day, read back as written.
TEST(Manifest, LocalTimeKeepsTheDatesWindowsHolds)
{
    for (const char* date : {"1601-01-01 00:00:00", "30827-12-31 23:59:59", "2024-02-29 12:00:00"}) {
        SCOPED_TRACE(date);
        machine::Machine machine;
        machine::ParseError error;
        ASSERT_TRUE(machine::ReadManifest(std::string("{\"localTime\": \"") + date + "\"}", machine, error)) << error.message;
        machine::Machine reread;
        ASSERT_TRUE(machine::ReadManifest(machine::WriteManifest(machine), reread, error)) << error.message;
        EXPECT_NE(machine::WriteManifest(reread).find(date), std::string::npos);
    }
}

TEST(Manifest, WriteThenReadKeepsEveryField)
{
    machine::Machine original = test::BaseMachine();
    original.ansiCodePage = 1251;
    original.os = {4, 10, 0xFFFFFFFF, 1, "A \xC3\xA9 pack", true};
    original.tokens = {"admin-deny-only", "user"};
    original.namedObjects.insert("cvRemendoUtility");
    original.printers = {{"Printer \xD0\x98", "IP_1.2.3.4", "Driver"}};
    original.ports = {"DOT4_001"};
    original.printerListNotReadyCalls = 3;
    original.hostNames["1.2.3.4"] = "host";
    original.services.push_back({"stisvc", "Still", "running", "auto", "C:\\x.exe", 2147483647, 2, false});
    original.programs.push_back({"C:\\WINDOWS\\system32\\cvqmgr40.exe", 1200, false, "QMX Driver CVQ40"});
    original.socketsVersion = MAKEWORD(1, 1);
    original.dialog = {machine::DialogAnswers{"Series \xC3\xA9", "network", std::nullopt, "10..0.1", "00:1a", "h", {"fixit"}},
                       machine::DialogAnswers{std::nullopt, "direct", "DOT4_001", std::nullopt, std::nullopt, std::nullopt, {"cancel"}}};
    original.heldFiles.push_back({"C:\\WINDOWS\\twain_32\\held.ds", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE});
    original.messageBoxAnswers = {"no", "cancel"};
    original.faults.push_back({"CreateFileA", 2, 5});
    original.files.Find(original.paths.executable)->attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    original.pendingRenames.push_back({"C:\\Tools\\a.dll", "C:\\WINDOWS\\a.dll", true});
    original.pendingRenames.push_back({"C:\\Tools\\b.dll", "", false});
    original.registryView = "64-bit";
    original.startTime = {1999, 12, 5, 31, 23, 59, 58, 0};

    machine::Machine reread;
    reread.files = original.files;  // file versions and attributes name files of the machine
    reread.files.Find(original.paths.executable)->attributes = FILE_ATTRIBUTE_ARCHIVE;
    machine::ParseError error;
    ASSERT_TRUE(machine::ReadManifest(machine::WriteManifest(original), reread, error)) << error.message;
    EXPECT_EQ(machine::WriteManifest(reread), machine::WriteManifest(original));
    EXPECT_EQ(reread.ansiCodePage, 1251u);
    EXPECT_EQ(reread.os.servicePack, "A \xC3\xA9 pack");
    EXPECT_EQ(reread.os.build, 0xFFFFFFFFu);
    EXPECT_EQ(reread.printers.at(0).name, "Printer \xD0\x98");
    EXPECT_FALSE(reread.services.back().canOpen);
    EXPECT_EQ(reread.programs.at(0).service, "QMX Driver CVQ40");
    ASSERT_EQ(reread.dialog.size(), 2u);
    EXPECT_EQ(reread.dialog[0].product, std::optional<std::string>("Series \xC3\xA9"));
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

TEST(MachineFolder, ReportsMissingStrayAndClashingFiles)
{
    const std::string kSameName = " (case, trailing dots and spaces, / and \\ tell no names apart)";
    const std::string kOneName = ", which a Windows disk takes for the same name";
    std::string kLongCyrillicName;  // 255 characters, 510 bytes
    for (int i = 0; i < 255; ++i)
        kLongCyrillicName += "\xD0\x98";
    machine::Machine machine;
    machine::LoadError error;
    EXPECT_FALSE(machine::LoadMachine({{"machine.json", "{}"}}, machine, error));
    EXPECT_EQ(error.file, "registry.reg");

    const machine::FolderContents base = {{"machine.json", "{}"}, {"registry.reg", "Windows Registry Editor Version 5.00\n"}};
    const struct {
        std::vector<std::string> files;
        std::string refused;
        std::string problem;
    } cases[] = {
        {{"notes.txt"}, "notes.txt", "unexpected file: a machine folder holds registry.reg, machine.json and files/"},
        {{"files/hosts"}, "files/hosts", "files/ must hold one folder per drive letter"},
        // A Windows disk takes names that differ in case only for one.
        {{"files/C/etc/hosts", "files/C/ETC/HOSTS"}, "files/C/etc/hosts",
         "differs only in case from files/C/ETC, which a Windows disk takes for the same name"},
        {{"files/C/a", "files/c/b"}, "files/c/b",
         "differs only in case from files/C, which a Windows disk takes for the same name"},
        {{"files/C/a", "files/C/a/"}, "files/C/a/", "stands where the machine holds C:\\a"},
        {{"files/C/a\\..\\..\\b"}, "files/C/a\\..\\..\\b", "no name of the machine: its \"..\" part leads out of its folder"},
        {{"files/C/a\nb"}, "files/C/a\nb", "no name of the machine: it holds the control character 0x0A"},
        {{"files/C/a:b"}, "files/C/a:b", "no name of the machine: it holds ':', which no Windows name holds"},
        {{"files/C/" + std::string(256, 'n') + "/x"}, "files/C/" + std::string(256, 'n') + "/x",
         "no name of the machine: a name in it is longer than the 255 characters a Windows name can have"},
        // Nor does it tell apart case beyond ASCII (by its volumes' whole
        // table), a trailing dot or space, or '/' and '\\'.
        {{"files/C/\xC3\x89t\xC3\xA9", "files/C/\xC3\xA9t\xC3\x89"}, "files/C/\xC3\xA9t\xC3\x89",
         "differs only in case from files/C/\xC3\x89t\xC3\xA9" + kOneName},
        {{"files/C/\xC9t\xE9", "files/C/\xE9t\xC9"}, "files/C/\xE9t\xC9", "differs only in case from files/C/\xC9t\xE9" + kOneName},
        {{"files/C/\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB", "files/C/\xD0\xA4\xD0\x90\xD0\x99\xD0\x9B"},  // файл, ФАЙЛ
         "files/C/\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB", "differs only in case from files/C/\xD0\xA4\xD0\x90\xD0\x99\xD0\x9B" + kOneName},
        {{"files/C/\xCF\x83", "files/C/\xCE\xA3"}, "files/C/\xCF\x83", "differs only in case from files/C/\xCE\xA3" + kOneName},
        {{"files/C/\xC5\x82", "files/C/\xC5\x81"}, "files/C/\xC5\x82", "differs only in case from files/C/\xC5\x81" + kOneName},
        {{"files/C/\xEF\xBD\x81", "files/C/\xEF\xBC\xA1"}, "files/C/\xEF\xBD\x81",  // fullwidth a, A
         "differs only in case from files/C/\xEF\xBC\xA1" + kOneName},
        {{"files/C/\xC3\x9F", "files/C/SS"}, "", ""},  // sharp s: a name of its own
        // Any name is the machine's, beyond its code page too; its length counts characters.
        {{"files/C/\xC4\xB1", "files/C/" + kLongCyrillicName + "/x"}, "", ""},
        {{"files/C/system32./x"}, "files/C/system32./x",
         "no name of the machine: its name \"system32.\" ends in a dot or a space, which Windows leaves out"},
        {{"files/C/\xC3\xBF", "files/C/\xFF"}, "files/C/\xFF", "is the same name to Windows as files/C/\xC3\xBF" + kSameName},
        {{"files/C/hosts", "files/C/hosts."}, "files/C/hosts.", "is the same name to Windows as files/C/hosts" + kSameName},
        {{"files/C/hosts", "files/C/HOSTS "}, "files/C/hosts", "is the same name to Windows as files/C/HOSTS " + kSameName},
        {{"files/C/a/b", "files/C/a\\b"}, "files/C/a\\b", "is the same name to Windows as files/C/a/b" + kSameName},
        // Device names, which Windows opens instead of a file.
        {{"files/C/CON"}, "files/C/CON", "no name of the machine: \"CON\" names the device CON on Windows, not a file"},
        {{"files/C/x/com1.txt"}, "files/C/x/com1.txt",
         "no name of the machine: \"com1.txt\" names the device COM1 on Windows, not a file"},
        {{"files/C/CONIN$"}, "files/C/CONIN$", "no name of the machine: \"CONIN$\" names the device CONIN$ on Windows, not a file"},
        {{"files/C/Lpt9 .log"}, "files/C/Lpt9 .log",
         "no name of the machine: \"Lpt9 .log\" names the device LPT9 on Windows, not a file"},
        {{"files/C/nul/x/"}, "files/C/nul/x/", "no name of the machine: \"nul\" names the device NUL on Windows, not a file"},
    };
    // Dotless i and long s keep their case: no ASCII letter is their capital.
    EXPECT_NE(machine::WindowsNameKey("\xC4\xB1"), machine::WindowsNameKey("I"));
    EXPECT_NE(machine::WindowsNameKey("\xC5\xBF"), machine::WindowsNameKey("S"));
    for (const auto& c : cases) {
        machine::FolderContents contents = base;
        for (const std::string& file : c.files)
            contents[file] = "x";
        machine::Machine loaded;
        EXPECT_EQ(machine::LoadMachine(contents, loaded, error), c.refused.empty()) << c.refused;
        EXPECT_EQ(error.file, c.refused);
        EXPECT_EQ(error.where.message, c.problem) << c.refused;
    }
}

std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(MachineFolder, SaveReplacesOnlyAMachineFolderAndKeepsEmptyDirectories)
{
    namespace fs = std::filesystem;
    fs::path base = fs::temp_directory_path() / "remendo-save-test";
    fs::remove_all(base);
    fs::create_directories(base / "foreign");
    std::ofstream(base / "foreign" / "notes.txt") << "keep me";
    machine::Machine machine = test::BaseMachine();
    machine.files.MakeDirectory("C:\\Program Files\\Remendo\\Remendo.log");
    std::string problem;

    EXPECT_FALSE(machine::SaveMachine(machine, (base / "foreign").string(), problem));
    EXPECT_EQ(ReadText(base / "foreign" / "notes.txt"), "keep me");

    // Into a machine folder: its old content goes, empty directories come back.
    fs::path folder = base / "machine";
    ASSERT_TRUE(machine::SaveMachine(machine, folder.string(), problem)) << problem;
    std::ofstream(folder / "files" / "C" / "stale.txt") << "old";
    ASSERT_TRUE(machine::SaveMachine(machine, folder.string() + "/", problem)) << problem;
    EXPECT_FALSE(fs::exists(folder / "files" / "C" / "stale.txt"));
    machine::FolderContents contents;
    machine::LoadError error;
    ASSERT_TRUE(machine::ReadFolderContents(folder.string(), contents, error)) << error.Describe();
    machine::Machine reread;
    ASSERT_TRUE(machine::LoadMachine(contents, reread, error)) << error.Describe();
    EXPECT_TRUE(reread.files.DirectoryExists("C:\\Program Files\\Remendo\\Remendo.log"));
    EXPECT_TRUE(reread.files == machine.files);

    // A save that fails leaves the folder as it was, and nothing beside it.
    std::string before = ReadText(folder / "machine.json");
    machine.files.Write("relative\\file.txt", "x");
    machine.os.build = 1;
    EXPECT_FALSE(machine::SaveMachine(machine, folder.string(), problem));
    EXPECT_NE(problem.find("relative"), std::string::npos);
    EXPECT_EQ(ReadText(folder / "machine.json"), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(base), fs::directory_iterator()), 2);
    fs::remove_all(base);
}

// Names are Unicode in the machine and its folder; the ANSI calls see them in
// the machine's code page (a character it lacks as '?'), the wide calls as they are.
TEST(MachineFolder, NamesAreUnicodeAndTheAnsiCallsSeeThemInTheMachinesCodePage)
{
    const std::string kFile = "C:\\Data\\\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.txt";  // файл.txt
    const struct {
        DWORD codePage;
        std::string fileName;  // as FindFirstFileA gives it
        std::string valueName;  // as RegEnumValueA gives it
        std::string data;
    } kCases[] = {
        {1251, "\xF4\xE0\xE9\xEB.txt", "\xC8\xEC\xFF", std::string("\xC7\xED\xE0\xF7\xE5\xED\xE8\xE5\0", 9)},
        {1252, "????.txt", "???", std::string("????????\0", 9)},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.codePage);
        machine::Machine machine = test::BaseMachine();
        machine.ansiCodePage = c.codePage;
        machine.files.Write(kFile, "x");
        machine.registry.Create("HKEY_LOCAL_MACHINE\\SOFTWARE\\\xD0\xA2\xD0\xB5\xD1\x81\xD1\x82")  // Тест
            .SetValue("\xD0\x98\xD0\xBC\xD1\x8F", REG_SZ, machine::StringData("\xD0\x97\xD0\xBD\xD0\xB0\xD1\x87\xD0\xB5\xD0\xBD\xD0\xB8\xD0\xB5"));
        sim::SimApi api(machine);

        WIN32_FIND_DATAA found = {};
        HANDLE search = api.FindFirstFileA("C:\\Data\\*", &found);
        ASSERT_NE(search, INVALID_HANDLE_VALUE);
        api.FindClose(search);
        EXPECT_EQ(std::string(found.cFileName), c.fileName);
        // Opened by that name only where the code page holds it: '?' is no name's.
        EXPECT_EQ(api.GetFileAttributesA(("C:\\Data\\" + c.fileName).c_str()) != INVALID_FILE_ATTRIBUTES,
                  c.codePage == 1251);

        HKEY key = nullptr;
        ASSERT_EQ(api.RegOpenKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<LPCWSTR>(u"SOFTWARE\\\u0422\u0435\u0441\u0442"), 0,
                                    KEY_READ, &key),
                  ERROR_SUCCESS);
        char name[16] = {};
        BYTE data[32] = {};
        DWORD nameLength = sizeof name, size = sizeof data;
        ASSERT_EQ(api.RegEnumValueA(key, 0, name, &nameLength, nullptr, nullptr, data, &size), ERROR_SUCCESS);
        EXPECT_EQ(std::string(name, nameLength), c.valueName);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), c.data);
        size = sizeof data;
        ASSERT_EQ(api.RegQueryValueExW(key, reinterpret_cast<LPCWSTR>(u"\u0418\u043c\u044f"), nullptr, nullptr, data, &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(data), size / 2),
                  std::u16string(u"\u0417\u043d\u0430\u0447\u0435\u043d\u0438\u0435\0", 9));
        api.RegCloseKey(key);

        // The program's own writes by ANSI name land under the Unicode name,
        // and a name in capitals is the same name, as on a Windows disk.
        if (c.codePage == 1251) {
            EXPECT_NE(api.GetFileAttributesA("C:\\DATA\\\xD4\xC0\xC9\xCB.TXT"), INVALID_FILE_ATTRIBUTES);
            FILE* written = api.fopen("C:\\Data\\\xED\xEE\xE2\xFB\xE9.txt", "wb");  // новый.txt
            ASSERT_NE(written, nullptr);
            api.fclose(written);
            EXPECT_NE(machine.files.Find("C:\\Data\\\xD0\xBD\xD0\xBE\xD0\xB2\xD1\x8B\xD0\xB9.txt"), nullptr);
        }

        std::string manifest;
        machine::Machine reread = test::ThroughFolder(machine, "remendo-code-page-test", &manifest);
        EXPECT_NE(manifest.find("\"ansiCodePage\": " + std::to_string(c.codePage)), std::string::npos);
        EXPECT_EQ(reread.ansiCodePage, c.codePage);
        EXPECT_TRUE(reread.registry == machine.registry);
        EXPECT_TRUE(reread.files == machine.files);
    }
}

// A folder written when the machine's texts were 8-bit (no code page stated):
// its names, UTF-8 or raw bytes, and its registry's texts give the ANSI calls
// the bytes they gave before, of code page 1252; written back, it states it.
TEST(MachineFolder, AFolderOfEightBitDaysReplaysAsBefore)
{
    const machine::FolderContents contents = {
        {"machine.json", "{}"},
        {"registry.reg", Utf16("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"\x80\"=\"\xe9\x80\"\r\n")},
        {"files/C/\x80.txt", "raw byte"},
        {"files/C/D\xC2\x80/x", "UTF-8"},
    };
    machine::Machine machine;
    machine::LoadError error;
    ASSERT_TRUE(machine::LoadMachine(contents, machine, error)) << error.Describe();
    EXPECT_EQ(machine.ansiCodePage, 1252u);
    sim::SimApi api(machine);
    EXPECT_NE(api.GetFileAttributesA("C:\\\x80.txt"), INVALID_FILE_ATTRIBUTES);
    WIN32_FIND_DATAA found = {};
    HANDLE search = api.FindFirstFileA("C:\\D\x80\\*", &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    api.FindClose(search);
    HKEY key = nullptr;
    ASSERT_EQ(api.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_READ, &key), ERROR_SUCCESS);
    BYTE data[8] = {};
    DWORD size = sizeof data;
    ASSERT_EQ(api.RegQueryValueExA(key, "\x80", nullptr, nullptr, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), std::string("\xe9\x80\0", 3));
    api.RegCloseKey(key);

    std::string manifest;
    machine::Machine reread = test::ThroughFolder(machine, "remendo-eight-bit-test", &manifest);
    EXPECT_NE(manifest.find("\"ansiCodePage\": 1252"), std::string::npos);
    EXPECT_TRUE(reread.registry == machine.registry);
    EXPECT_TRUE(reread.files == machine.files);
}

// What a user who can write beside the folder plants there: the save removes
// nothing through a link, and nothing it did not write; such a folder is
// refused before anything is written, and the foreign folder stays whole.
TEST(MachineFolder, SaveRefusesLinksAndWhatIsNoPlainFile)
{
    namespace fs = std::filesystem;
    fs::path base = fs::temp_directory_path() / "remendo-link-test";
    fs::remove_all(base);
    fs::create_directories(base / "foreign");
    std::ofstream(base / "foreign" / "precious.txt") << "keep me";
    machine::Machine machine = test::BaseMachine();
    std::string problem;
    const struct {
        const char* what;
        std::function<void(const fs::path& folder)> plant;
        const char* reason;
    } cases[] = {
        {"a directory link in files/", [&](const fs::path& folder) {
             fs::create_directory_symlink(base / "foreign", folder / "files" / "C" / "planted");
         }, "files/C/planted is a link"},
        {"a file link in files/", [&](const fs::path& folder) {
             fs::create_symlink(base / "foreign" / "precious.txt", folder / "files" / "C" / "planted.txt");
         }, "files/C/planted.txt is a link"},
        {"registry.reg a link", [&](const fs::path& folder) {
             fs::remove(folder / "registry.reg");
             fs::create_symlink(base / "foreign" / "precious.txt", folder / "registry.reg");
         }, "registry.reg is a link"},
        {"machine.json a directory", [&](const fs::path& folder) {
             fs::remove(folder / "machine.json");
             fs::create_directories(folder / "machine.json" / "inside");
         }, "machine.json is not a plain file"},
        {"files/ a link", [&](const fs::path& folder) {
             fs::remove_all(folder / "files");
             fs::create_directory_symlink(base / "foreign", folder / "files");
         }, "files is a link"},
        {"the folder a link", [&](const fs::path& folder) {
             fs::remove_all(folder);
             fs::create_directory_symlink(base / "foreign", folder);
         }, "is a link, junction or reparse point: it is left as it is"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::path folder = base / "machine";
        fs::remove_all(folder);
        ASSERT_TRUE(machine::SaveMachine(machine, folder.string(), problem)) << problem;
        c.plant(folder);
        EXPECT_FALSE(machine::CanReplaceFolder(folder.string(), problem));
        EXPECT_NE(problem.find(c.reason), std::string::npos) << problem;
        EXPECT_FALSE(machine::SaveMachine(machine, folder.string(), problem));
        EXPECT_EQ(ReadText(base / "foreign" / "precious.txt"), "keep me");
        EXPECT_EQ(std::distance(fs::directory_iterator(base / "foreign"), fs::directory_iterator()), 1);
        // Reading such a folder refuses the link too.
        machine::FolderContents contents;
        machine::LoadError error;
        if (!fs::is_symlink(folder)) {
            machine::Machine reread;
            EXPECT_FALSE(machine::ReadFolderContents(folder.string(), contents, error) &&
                         machine::LoadMachine(contents, reread, error));
        }
    }
    // Nothing is left beside the folder: no half-written or old copy.
    EXPECT_EQ(std::distance(fs::directory_iterator(base), fs::directory_iterator()), 2);
    fs::remove_all(base);
}

// The capture writes into a folder of its own making and takes the next free
// name while one is taken, by anything; what was there is left as it is.
TEST(MachineFolder, ANewMachineTakesTheNextFreeName)
{
    namespace fs = std::filesystem;
    fs::path base = fs::temp_directory_path() / "remendo-new-test";
    fs::remove_all(base);
    fs::create_directories(base / "foreign");
    fs::create_directories(base / "Remendo-machine" / "files");
    std::ofstream(base / "Remendo-machine" / "notes.txt") << "mine";
    fs::create_directory_symlink(base / "foreign", base / "Remendo-machine-2");
    std::ofstream(base / "Remendo-machine-3") << "a file";
    machine::Machine machine = test::BaseMachine();
    std::string written, problem;
    bool nextName = false;
    ASSERT_TRUE(machine::SaveNewMachine(machine, (base / "Remendo-machine").string(), written, nextName, problem))
        << problem;
    EXPECT_TRUE(nextName);
    EXPECT_EQ(written, (base / "Remendo-machine-4").string());
    EXPECT_EQ(ReadText(base / "Remendo-machine" / "notes.txt"), "mine");
    EXPECT_TRUE(fs::is_empty(base / "foreign"));
    EXPECT_EQ(ReadText(base / "Remendo-machine-3"), "a file");
    machine::FolderContents contents;
    machine::LoadError error;
    machine::Machine reread;
    ASSERT_TRUE(machine::ReadFolderContents(written, contents, error) && machine::LoadMachine(contents, reread, error))
        << error.Describe();
    EXPECT_TRUE(reread.files == machine.files);

    ASSERT_TRUE(machine::SaveNewMachine(machine, (base / "fresh").string() + "/", written, nextName, problem)) << problem;
    EXPECT_FALSE(nextName);
    EXPECT_EQ(written, (base / "fresh").string());
    fs::remove_all(base);
}

TEST(MachineDiff, WalksKeysNestedBeyondWhatTheStackHolds)
{
    machine::Machine before, after;
    std::string deep = "HKEY_LOCAL_MACHINE";
    for (int level = 0; level < 5000; ++level)
        deep += "\\k";
    before.registry.Create(deep);
    after.registry.Create(deep).SetValue("v", REG_SZ, machine::StringData("x"));
    after.registry.Create("HKEY_LOCAL_MACHINE\\k\\added");
    before.registry.Create("HKEY_LOCAL_MACHINE\\k\\zgone");
    before.registry.Create("HKEY_LOCAL_MACHINE\\k\\Same");
    after.registry.Create("HKEY_LOCAL_MACHINE\\k\\SAME");
    std::vector<std::string> changes = machine::DescribeChanges(before, after);
    ASSERT_EQ(changes.size(), 3u);
    // In the order a depth-first walk gives: the deepest key's value, then
    // beside the chain the key removed, then the one added; a key whose name
    // differs only in case is the same key.
    EXPECT_EQ(changes[0], "registry value added: " + deep + " [v] \"x\" (REG_SZ)");
    EXPECT_EQ(changes[1], "registry key removed: HKEY_LOCAL_MACHINE\\k\\zgone");
    EXPECT_EQ(changes[2], "registry key added: HKEY_LOCAL_MACHINE\\k\\added");
}

// A service is compared with the first of its name (as Windows compares
// names) in the other list, whether or not the lists name the same services.
TEST(MachineDiff, ComparesEachServiceWithTheFirstOfItsName)
{
    auto service = [](const char* name, const char* state) {
        machine::Service s;
        s.name = name;
        s.state = state;
        return s;
    };
    const struct {
        std::vector<machine::Service> before, after;
        std::vector<std::string> changes;
    } cases[] = {
        {{service("a", "stopped"), service("A", "running")}, {service("a", "running"), service("A", "running")},
         {"service a: stopped -> running"}},
        {{service("a", "stopped"), service("b", "stopped")}, {service("B", "running"), service("c", "stopped")},
         {"service removed: a", "service b: stopped -> running", "service added: c (stopped, start type demand)"}},
    };
    for (const auto& c : cases) {
        machine::Machine before, after;
        before.services = c.before;
        after.services = c.after;
        EXPECT_EQ(machine::DescribeChanges(before, after), c.changes);
    }
}

}  // namespace
