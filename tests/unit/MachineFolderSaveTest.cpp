// Saving over a machine folder: nothing outside what the save wrote is ever
// removed, whatever is swapped in when, and a save cut off at any point is set
// right by the next one.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <stdlib.h>

#include "SimTestSupport.h"
#include "machine/HostFolder.h"
#include "machine/MachineFolder.h"

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A folder of its own for one test ("<name>-XXXXXX", so that test runs side
// by side never share one), with a foreign folder beside the machine's.
struct Scratch {
    explicit Scratch(const char* name) : base(MadeFolder(name))
    {
        fs::create_directories(base / "foreign");
        std::ofstream(base / "foreign" / "precious.txt") << "keep me";
    }
    ~Scratch() { fs::remove_all(base); }
    bool ForeignIsWhole() const
    {
        return ReadText(base / "foreign" / "precious.txt") == "keep me" &&
               std::distance(fs::directory_iterator(base / "foreign"), fs::directory_iterator()) == 1;
    }
    fs::path base;

private:
    static fs::path MadeFolder(const char* name)
    {
        std::string pattern = (fs::temp_directory_path() / (std::string(name) + "-XXXXXX")).string();
        if (mkdtemp(&pattern[0]) == nullptr)
            throw std::runtime_error("cannot make a folder like " + pattern);
        return pattern;
    }
};

// Swaps an entry for a link to the foreign folder once, at the moment the
// removal has checked it and is about to remove it.
struct SwapForLink {
    fs::path entry;
    fs::path foreign;
    bool done = false;
    void operator()(const fs::path& path)
    {
        if (done || path != entry)
            return;
        done = true;
        fs::rename(entry, entry.parent_path() / "moved-away");
        fs::create_directory_symlink(foreign, entry);
    }
};

TEST(MachineFolder, RemovalNeverFollowsALinkSwappedInAfterTheCheck)
{
    const struct {
        const char* swapped;  // relative to the machine folder
    } cases[] = {{"files"}, {"files/C"}, {"files/C/WINDOWS"}, {"registry.reg"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.swapped);
        Scratch scratch("remendo-removal-race");
        fs::path folder = scratch.base / "machine";
        std::string problem;
        ASSERT_TRUE(machine::SaveMachine(test::BaseMachine(), folder.string(), problem)) << problem;
        SwapForLink swap{folder / c.swapped, scratch.base / "foreign"};
        auto anything = [](const std::string&, machine::host::EntryKind) { return std::string(); };
        EXPECT_FALSE(machine::host::RemoveTree(folder, anything, problem, std::ref(swap)));
        EXPECT_TRUE(swap.done);
        EXPECT_TRUE(scratch.ForeignIsWhole()) << problem;
    }
}

// Each state a save passes through, as a cut would leave it: the next run
// finds the whole machine in the folder and nothing of the save beside it.
TEST(MachineFolder, ACutOffSaveIsSetRightByTheNextRun)
{
    const struct {
        const char* cut;
        std::function<void(const fs::path& folder)> leave;
        const char* note;
    } cases[] = {
        {"while the new machine is written",
         [](const fs::path& folder) {
             fs::create_directories(folder.string() + ".new/files/C");
             std::ofstream(folder.string() + ".new/registry.reg") << "partial";
         },
         ".new is removed"},
        {"between moving the old machine aside and the new one in",
         [](const fs::path& folder) {
             fs::create_directories(folder.string() + ".old");
             fs::copy(folder, folder.string() + ".new", fs::copy_options::recursive);
             fs::rename(folder, fs::path(folder.string() + ".old") / folder.filename());
         },
         "is put back from"},
        {"while the old machine is removed",
         [](const fs::path& folder) {
             fs::copy(folder, folder.string() + ".new", fs::copy_options::recursive);
             fs::remove(folder.string() + ".new/registry.reg");
         },
         ".new is removed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cut);
        Scratch scratch("remendo-cut-save");
        fs::path folder = scratch.base / "machine";
        std::string problem;
        ASSERT_TRUE(machine::SaveMachine(test::BaseMachine(), folder.string(), problem)) << problem;
        std::string machineJson = ReadText(folder / "machine.json");
        c.leave(folder);
        std::vector<std::string> notes;
        ASSERT_TRUE(machine::ClearSaveLeftovers(folder.string(), notes, problem)) << problem;
        ASSERT_FALSE(notes.empty());
        EXPECT_NE(notes.front().find(c.note), std::string::npos) << notes.front();
        EXPECT_EQ(ReadText(folder / "machine.json"), machineJson);
        EXPECT_FALSE(fs::exists(folder.string() + ".new"));
        EXPECT_FALSE(fs::exists(folder.string() + ".old"));
    }
}

std::size_t EntriesBeneath(const fs::path& folder)
{
    std::error_code ignored;
    return std::distance(fs::recursive_directory_iterator(folder, ignored), fs::recursive_directory_iterator());
}

// What stands beside the folder under a save's names but is not wholly a
// save's own is left whole, whatever order its entries are listed in, and is
// refused before the run; a link there is never followed, nor moved back.
TEST(MachineFolder, AForeignFolderUnderASaveNameIsLeftWhole)
{
    const struct {
        const char* suffix;
        const char* plant;  // "notes" a user's notes alone, "machine+NAME" a save's machine and that file,
                            // "link" a link to the foreign folder holding a machine under the folder's name
    } cases[] = {
        {".new", "notes"},          {".old", "notes"},          {".new", "machine+aa-notes.txt"},
        {".new", "machine+zz-notes.txt"}, {".old", "machine+aa-notes.txt"}, {".old", "machine+zz-notes.txt"},
        {".new", "link"},           {".old", "link"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.suffix) + " " + c.plant);
        Scratch scratch("remendo-foreign-leftover");
        fs::path folder = scratch.base / "machine";
        fs::path planted = folder.string() + c.suffix;
        std::string problem;
        std::string plant = c.plant;
        if (plant == "link") {
            ASSERT_TRUE(machine::SaveMachine(test::BaseMachine(), (scratch.base / "foreign" / "machine").string(),
                                             problem)) << problem;
            fs::create_directory_symlink(scratch.base / "foreign", planted);
        } else {
            fs::path inside = std::string(c.suffix) == ".old" ? planted / "machine" : planted;
            fs::create_directories(planted);
            if (plant != "notes") {
                ASSERT_TRUE(machine::SaveMachine(test::BaseMachine(), inside.string(), problem)) << problem;
            }
            std::ofstream(planted / (plant == "notes" ? "notes.txt" : plant.substr(8))) << "mine";
        }
        std::size_t before = EntriesBeneath(planted), foreignBefore = EntriesBeneath(scratch.base / "foreign");
        std::vector<std::string> notes;
        EXPECT_FALSE(machine::ClearSaveLeftovers(folder.string(), notes, problem));
        EXPECT_NE(problem.find(planted.string() + " stands where"), std::string::npos) << problem;
        EXPECT_NE(problem.find("it is left as it is"), std::string::npos) << problem;
        EXPECT_EQ(EntriesBeneath(planted), before);
        EXPECT_EQ(EntriesBeneath(scratch.base / "foreign"), foreignBefore);
        EXPECT_FALSE(fs::exists(folder));
    }
}

// Shapes that once took time in proportion to their square: a key with many
// values set by name, and a deep chain of folders with entries at its foot,
// saved and read back. Each stays whole, and well within a bound the square
// would pass by far (the bench gives the figures).
TEST(MachineFolder, ManyValuesInOneKeyAndADeepChainTakeTimeInProportion)
{
    const auto start = std::chrono::steady_clock::now();
    machine::RegKey key;
    const int kValues = 100000;
    for (int i = 0; i < kValues; ++i)
        key.SetValue("Value " + std::to_string(i), REG_DWORD, std::string(4, '\0'));
    key.SetValue("VALUE 7", REG_SZ, machine::StringData("set again"));
    EXPECT_EQ(key.values.size(), static_cast<std::size_t>(kValues));
    EXPECT_EQ(key.FindValue("value 7")->type, static_cast<DWORD>(REG_SZ));

    Scratch scratch("remendo-deep-chain");
    machine::Machine machine = test::BaseMachine();
    std::string foot = "C:\\Deep";
    for (int level = 0; level < 500; ++level)
        foot += "\\d";
    for (int i = 0; i < 200; ++i) {
        machine.files.Write(foot + "\\file" + std::to_string(i) + ".txt", std::to_string(i));
        machine.files.MakeDirectory(foot + "\\empty" + std::to_string(i));
    }
    std::string folder = (scratch.base / "deep").string(), problem;
    ASSERT_TRUE(machine::SaveMachine(machine, folder, problem)) << problem;
    machine::FolderContents contents;
    machine::LoadError error;
    machine::Machine back;
    ASSERT_TRUE(machine::ReadFolderContents(folder, contents, error) && machine::LoadMachine(contents, back, error))
        << error.Describe();
    EXPECT_TRUE(back.files == machine.files);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 30.0);
}

TEST(MachineFolder, AnInputWithinTheOutputIsRefusedEitherWay)
{
    Scratch scratch("remendo-nested");
    std::string out = (scratch.base / "machine").string();
    const struct {
        std::string input;
        bool refused;
    } cases[] = {
        {out, true},
        {out + "/files/C", true},
        {out + ".old/machine", true},
        {out + ".new", true},
        {scratch.base.string(), true},
        {(scratch.base / "foreign").string(), false},
        {out + "-2", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        std::string problem = machine::OverlapProblem(c.input, out);
        EXPECT_EQ(!problem.empty(), c.refused) << problem;
        if (c.refused) {
            EXPECT_NE(problem.find(c.input), std::string::npos);
        }
    }
}

}  // namespace
