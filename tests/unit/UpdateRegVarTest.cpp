// The registry value primitive: its four answers, what it writes and what it
// never does (create a value, change a type, write text over a non-string).
#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "app/Remendo.h"
#include "platform/WinApi.h"

namespace {

const char kKeyPath[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\0000";

struct Stored {
    bool exists;
    DWORD type;
    std::string data;
};

struct Case {
    const char* name;
    Stored before;
    std::string wanted;
    std::string line;  // after "Remendo: UpdateRegVar> "
    Stored after;
    bool changed;
};

// Built by functions, not braces inside the case table: GCC 12 at -O2 takes
// the strings of brace-built members in that table for uninitialized.
Stored Raw(DWORD type, const std::string& data)
{
    return {true, type, data};
}

Stored Text(const std::string& text, DWORD type = REG_SZ)
{
    return Raw(type, text + '\0');
}

const Stored kMissing = {false, REG_NONE, ""};

TEST(UpdateRegVar, AnswersAndWritesByWhatIsStored)
{
    const std::string long259(259, 'a');
    const std::string long260(260, 'b');
    const std::string long300(300, 'c');
    const Case cases[] = {
        {"equal", Text("DOT4_001"), "DOT4_001", "--- No, 0000\\Port as expected (DOT4_001), leaving as is",
         Text("DOT4_001"), false},
        {"case differs", Text("dot4_001"), "DOT4_001",
         "--- Yes, changed 0000\\Port from dot4_001 to DOT4_001 ##### FIXED", Text("DOT4_001"), true},
        {"both empty", Text(""), "", "--- No, 0000\\Port as expected (), leaving as is", Text(""), false},
        {"emptied", Text("old"), "", "--- Yes, changed 0000\\Port from old to  ##### FIXED", Text(""), true},
        {"missing", kMissing, "x", "--- No, 0000\\Port doesn't exist", kMissing, false},
        {"expandable kept", Text("%Old%", REG_EXPAND_SZ), "%New%",
         "--- Yes, changed 0000\\Port from %Old% to %New% ##### FIXED", Text("%New%", REG_EXPAND_SZ), true},
        {"too long to read", Text(long260), "x", "--- No, 0000\\Port doesn't exist", Text(long260), false},
        {"longest readable", Text(long259), "y",
         "--- Yes, changed 0000\\Port from " + long259 + " to y ##### FIXED", Text("y"), true},
        {"long wanted written in full", Text("short"), long300,
         "--- Yes, changed 0000\\Port from short to " + long300 + " ##### FIXED", Text(long300), true},
        {"unterminated fills the buffer", Raw(REG_SZ, long260.substr(0, 260)), "z",
         "--- Yes, changed 0000\\Port from " + long260 + " to z ##### FIXED", Text("z"), true},
        {"number", Raw(REG_DWORD, std::string("\x8c\x23\0\0", 4)), "9100", "Couldn't fix 0000\\Port = 9100",
         Raw(REG_DWORD, std::string("\x8c\x23\0\0", 4)), false},
        {"binary", Raw(REG_BINARY, "\x01\xff"), "x", "Couldn't fix 0000\\Port = 01,ff",
         Raw(REG_BINARY, "\x01\xff"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        machine::Machine machine = test::BaseMachine();
        machine::RegKey& key = machine.registry.Create(kKeyPath);
        if (c.before.exists)
            key.SetValue("Port", c.before.type, c.before.data);
        sim::InstalledMachine hub(machine);
        HKEY opened = nullptr;
        ASSERT_EQ(Win().RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test\\0000", 0, KEY_ALL_ACCESS, &opened), 0);
        hub.app.UpdateRegVar(opened, "Port", c.wanted, "0000");
        Win().RegCloseKey(opened);

        EXPECT_EQ(test::LogLines(hub.api), std::vector<std::string>{"Remendo: UpdateRegVar> " + c.line});
        EXPECT_EQ(hub.app.m_bChangesMade, c.changed);
        const machine::RegValue* value = key.FindValue("Port");
        ASSERT_EQ(value != nullptr, c.after.exists);
        if (value != nullptr) {
            EXPECT_EQ(value->type, c.after.type);
            EXPECT_EQ(value->data, c.after.data);
        }
    }
}

TEST(UpdateRegVar, RefusedWriteIsAnErrorNamingTheValueStillStored)
{
    machine::Machine machine = test::BaseMachine();
    machine.registry.Create(kKeyPath).SetValue("Port", REG_SZ, std::string("old\0", 4));
    machine.faults.push_back({"RegSetValueExA", 1, ERROR_ACCESS_DENIED});
    sim::InstalledMachine hub(machine);
    HKEY opened = nullptr;
    ASSERT_EQ(Win().RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test\\0000", 0, KEY_ALL_ACCESS, &opened), 0);
    hub.app.UpdateRegVar(opened, "Port", "new", "0000");
    hub.app.UpdateRegVar(opened, "Port", "new", "0000");
    Win().RegCloseKey(opened);
    // The second call, with the write allowed, changes it.
    EXPECT_EQ(test::LogLines(hub.api),
              (std::vector<std::string>{
                  "Remendo: UpdateRegVar> Couldn't fix 0000\\Port = old",
                  "Remendo: UpdateRegVar> --- Yes, changed 0000\\Port from old to new ##### FIXED",
              }));
    EXPECT_TRUE(hub.app.m_bChangesMade);
}

}  // namespace
