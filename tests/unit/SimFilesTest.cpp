// The simulated machine's file operations behave as the Windows calls and the
// C runtime do: text-mode line ends and Ctrl+Z, sharing, read-only files, delayed moves.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "SimTestSupport.h"
#include "sim/Restart.h"

namespace {

const char kFile[] = "C:\\Data\\file.txt";
const char kOther[] = "C:\\Data\\other.txt";

// What a read gives, character by character; a read in blocks (of three
// bytes, so that CR LF pairs fall across them) must give the same.
std::string ReadAll(sim::SimApi& api, const char* path, const char* mode)
{
    FILE* stream = api.fopen(path, mode);
    EXPECT_NE(stream, nullptr);
    std::string text;
    for (int c = api.fgetc(stream); c != EOF; c = api.fgetc(stream))
        text += static_cast<char>(c);
    api.fclose(stream);

    stream = api.fopen(path, mode);
    std::string blocks;
    char block[3];
    for (size_t read; (read = api.fread(block, 1, sizeof block, stream)) > 0;)
        blocks.append(block, read);
    api.fclose(stream);
    EXPECT_EQ(blocks, text) << mode;
    return text;
}

TEST(SimFiles, TextModeStreamsTranslateOnlyCrLfPairs)
{
    machine::Machine machine = test::BaseMachine();
    sim::SimApi api(machine);
    machine.files.Write(kFile, std::string("a\r\nb\rc\n\0\xff", 9));
    EXPECT_EQ(ReadAll(api, kFile, "r"), std::string("a\nb\rc\n\0\xff", 8));
    EXPECT_EQ(ReadAll(api, kFile, "rb"), std::string("a\r\nb\rc\n\0\xff", 9));
    // A Ctrl+Z ends a text-mode read, as the C runtime on Windows does.
    machine.files.Write(kFile, "a\r\n\x1a" "b\r\n");
    EXPECT_EQ(ReadAll(api, kFile, "r"), "a\n");
    EXPECT_EQ(ReadAll(api, kFile, "rb"), "a\r\n\x1a" "b\r\n");

    FILE* stream = api.fopen(kOther, "w");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(api.fwrite("x\ny\r", 1, 4, stream), 4u);
    EXPECT_EQ(api.fclose(stream), 0);
    EXPECT_EQ(test::FileText(machine, kOther), "x\r\ny\r");
    EXPECT_EQ(api.OpenHandleCount(), 0u);
}

TEST(SimFiles, OpeningFailsAsTheRuntimeDoes)
{
    machine::Machine machine = test::BaseMachine();
    machine.files.Write(kFile, "text").attributes = FILE_ATTRIBUTE_READONLY;
    sim::SimApi api(machine);
    struct Case {
        const char* path;
        const char* mode;
        DWORD error;
    };
    const Case cases[] = {
        {kOther, "r", ERROR_FILE_NOT_FOUND},
        {"C:\\Nowhere\\file.txt", "w", ERROR_PATH_NOT_FOUND},
        {kFile, "w", ERROR_ACCESS_DENIED},
        {"C:\\Data", "r", ERROR_ACCESS_DENIED},
        {kFile, "r+", ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(api.fopen(c.path, c.mode), nullptr) << c.path << " " << c.mode;
        EXPECT_EQ(api.GetLastError(), c.error) << c.path << " " << c.mode;
    }
    EXPECT_EQ(test::FileText(machine, kFile), "text");
}

TEST(SimFiles, CopyAndMoveRespectExistingAndReadOnlyTargets)
{
    machine::Machine machine = test::BaseMachine();
    machine.files.Write(kFile, "source").version = "1.2.3.4";
    machine.files.Find(kFile)->attributes = FILE_ATTRIBUTE_HIDDEN;
    machine.files.Write(kOther, "target").attributes = FILE_ATTRIBUTE_READONLY;
    sim::SimApi api(machine);

    EXPECT_FALSE(api.CopyFileA(kFile, kOther, FALSE));
    EXPECT_EQ(api.GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(api.MoveFileExA(kFile, kOther, MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(api.GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    ASSERT_TRUE(api.SetFileAttributesA(kOther, FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_FALSE(api.CopyFileA(kFile, kOther, TRUE));
    EXPECT_EQ(api.GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    EXPECT_FALSE(api.MoveFileA(kFile, kOther));
    EXPECT_EQ(api.GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));

    ASSERT_TRUE(api.CopyFileA(kFile, kOther, FALSE));
    EXPECT_EQ(test::FileText(machine, kOther), "source");
    EXPECT_EQ(machine.files.Find(kOther)->attributes, static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(machine.files.Find(kOther)->version, "1.2.3.4");

    // An open stream keeps its file from being moved or deleted.
    FILE* stream = api.fopen(kOther, "r");
    EXPECT_FALSE(api.MoveFileExA(kFile, kOther, MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(api.GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(api.DeleteFileA(kOther));
    api.fclose(stream);
    EXPECT_TRUE(api.MoveFileExA(kOther, kFile, MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(machine.files.Find(kOther), nullptr);
}

TEST(SimFiles, FileHeldByAnotherProcessMeetsTheRunAsOnWindows)
{
    machine::Machine machine = test::BaseMachine();
    machine.files.Write(kFile, "held");
    machine.files.Write(kOther, "other");
    machine.heldFiles.push_back({kFile, GENERIC_READ, FILE_SHARE_READ});
    sim::SimApi api(machine);
    EXPECT_FALSE(api.DeleteFileA(kFile));
    EXPECT_EQ(api.GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(api.CopyFileA(kOther, kFile, FALSE));
    EXPECT_EQ(api.GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    // Reading is shared; a success clears the last error, as the system does.
    FILE* stream = api.fopen(kFile, "r");
    EXPECT_NE(stream, nullptr);
    EXPECT_EQ(api.GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    api.fclose(stream);
    api.SetLastError(ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(api.CopyFileA(kFile, "C:\\Data\\copy.txt", FALSE));
    EXPECT_EQ(api.GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

    // Shared for deletion too, it can be replaced.
    machine.heldFiles[0].share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    EXPECT_TRUE(api.MoveFileExA(kOther, kFile, MOVEFILE_REPLACE_EXISTING));
}

TEST(SimFiles, DelayedMovesWaitForTheRestart)
{
    machine::Machine machine = test::BaseMachine();
    machine.files.Write(kFile, "new");
    machine.files.Write(kOther, "old");
    sim::SimApi api(machine);
    ASSERT_TRUE(api.MoveFileExA(kFile, kOther, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT));
    EXPECT_FALSE(api.MoveFileExA("C:\\Data\\gone.txt", kOther, MOVEFILE_DELAY_UNTIL_REBOOT));
    EXPECT_EQ(test::FileText(machine, kOther), "old");
    ASSERT_EQ(machine.pendingRenames.size(), 1u);

    // A move onto a directory, or beneath a file, cannot be made: it is dropped.
    machine.files.Write("C:\\Data\\stays.txt", "stays");
    machine.files.MakeDirectory("C:\\Data\\Folder");
    machine.pendingRenames.push_back({"C:\\Data\\stays.txt", "C:\\Data\\Folder", true});
    machine.pendingRenames.push_back({"C:\\Data\\stays.txt", std::string(kOther) + "\\inside.txt", true});

    sim::Restart(machine);
    EXPECT_EQ(test::FileText(machine, kOther), "new");
    EXPECT_EQ(machine.files.Find(kFile), nullptr);
    EXPECT_EQ(test::FileText(machine, "C:\\Data\\stays.txt"), "stays");
    EXPECT_TRUE(machine.pendingRenames.empty());
}

// A search lists the folder's own files that fit the pattern, in name order:
// not its folders' files, nor those of a folder whose name starts as its does.
TEST(SimFiles, FolderSearchListsOnlyTheFolderOwnFiles)
{
    machine::Machine machine = test::BaseMachine();
    for (const char* path : {"C:\\Data\\b.log", "C:\\Data\\A.log", "C:\\Data\\c.txt", "C:\\Data\\Sub\\d.log",
                             "C:\\Data\\Sub\\Deeper\\i.log", "C:\\Data\\Sub_.log", "C:\\Data!\\e.log",
                             "C:\\Data2\\f.log", "C:\\Dat\\g.log", "C:\\h.log"})
        machine.files.Write(path, "x");
    sim::SimApi api(machine);
    const struct {
        const char* pattern;
        std::vector<std::string> names;
    } cases[] = {{"C:\\Data\\*.log", {"A.log", "b.log", "Sub_.log"}},
                 {"C:\\Data\\*", {"A.log", "b.log", "c.txt", "Sub_.log"}},
                 {"C:\\*.log", {"h.log"}},
                 {"C:\\Data\\*.ini", {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        std::vector<std::string> names;
        WIN32_FIND_DATAA data = {};
        HANDLE search = api.FindFirstFileA(c.pattern, &data);
        for (BOOL found = search != INVALID_HANDLE_VALUE; found; found = api.FindNextFileA(search, &data))
            names.push_back(data.cFileName);
        if (search != INVALID_HANDLE_VALUE)
            api.FindClose(search);
        EXPECT_EQ(names, c.names);
    }
    // A file removed while the search goes on is passed over.
    WIN32_FIND_DATAA data = {};
    HANDLE search = api.FindFirstFileA("C:\\Data\\*.log", &data);
    ASSERT_TRUE(api.DeleteFileA("C:\\Data\\b.log"));
    ASSERT_TRUE(api.FindNextFileA(search, &data));
    EXPECT_STREQ(data.cFileName, "Sub_.log");
    api.FindClose(search);
}

// The disks find each file by any spelling of its path however it came
// there; a copy finds its own; a handle reads the file its name holds now.
TEST(SimFiles, FilesAreFoundAfterMovesRemovalsAndCopies)
{
    machine::Machine machine = test::BaseMachine();
    machine.files.Write("C:\\A\\one.txt", "1");
    machine.files.Write("C:\\A\\Sub\\two.txt", "2");
    ASSERT_TRUE(machine.files.Rename("c:/a//ONE.txt", "C:\\B\\uno.txt"));
    machine.files.RenameDirectory("C:\\A\\Sub", "C:\\A\\Moved");
    machine::FileSystem copy = machine.files;
    ASSERT_TRUE(machine.files.Remove("C:\\B\\UNO.TXT"));
    EXPECT_EQ(machine.files.Find("C:\\A\\one.txt"), nullptr);
    EXPECT_EQ(machine.files.Find("c:\\b\\uno.txt"), nullptr);
    EXPECT_EQ(copy.Find("c:\\b\\uno.txt")->bytes, "1");
    EXPECT_EQ(machine.files.Find("C:\\A\\Sub\\two.txt"), nullptr);
    ASSERT_NE(machine.files.Find("C:\\a\\moved\\two.txt"), nullptr);
    EXPECT_NE(copy.Find("C:\\A\\Moved\\two.txt"), machine.files.Find("C:\\A\\Moved\\two.txt"));

    // Among many, each removal and rename leaves every other file found as it stands.
    machine::FileSystem many;
    auto name = [](int i) { return "C:\\Many\\f" + std::to_string(i); };
    const int kMany = 3000;
    for (int i = 0; i < kMany; ++i)
        many.Write(name(i), std::to_string(i));
    std::map<std::string, std::string> model;
    for (int i = 0; i < kMany; ++i)
        model[name(i)] = std::to_string(i);
    for (int step = 0; step < kMany; step += 2) {
        int i = (step * 7919) % kMany;  // scattered through the table
        if (step % 3 == 0) {
            ASSERT_EQ(many.Remove(name(i)), model.erase(name(i)) == 1);
        } else if (model.count(name(i)) != 0) {
            ASSERT_TRUE(many.Rename(name(i), name(i + kMany)));
            model[name(i + kMany)] = model[name(i)];
            model.erase(name(i));
        }
    }
    for (int i = 0; i < 2 * kMany; ++i) {
        const machine::SimFile* found = many.Find(name(i));
        auto expected = model.find(name(i));
        ASSERT_EQ(found != nullptr, expected != model.end()) << name(i);
        if (found != nullptr) {
            EXPECT_EQ(found->bytes, expected->second) << name(i);
        }
    }

    machine.files.Write(kFile, "old");
    sim::SimApi api(machine);
    HANDLE file = api.CreateFileA(kFile, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char bytes[8] = {};
    DWORD read = 0;
    ASSERT_TRUE(api.DeleteFileA(kFile));
    EXPECT_FALSE(api.ReadFile(file, bytes, sizeof bytes, &read, nullptr));
    machine.files.Write(kFile, "anew");
    EXPECT_TRUE(api.ReadFile(file, bytes, sizeof bytes, &read, nullptr));
    EXPECT_EQ(std::string(bytes, read), "anew");
    api.CloseHandle(file);
}

TEST(SimFiles, SystemDirectoryReportsTheSizeItNeeds)
{
    machine::Machine machine = test::BaseMachine();
    sim::SimApi api(machine);
    UINT needed = api.GetSystemDirectoryA(nullptr, 0);
    EXPECT_EQ(needed, machine.paths.system.size() + 1);
    std::vector<char> buffer(needed);
    EXPECT_EQ(api.GetSystemDirectoryA(buffer.data(), needed), needed - 1);
    EXPECT_EQ(std::string(buffer.data()), machine.paths.system);
}

}  // namespace

namespace {
// The last error each call leaves when it succeeds, as measured under Wine:
// the C runtime's fopen reports ERROR_ALREADY_EXISTS when "w" replaces a file.
TEST(SimFiles, SuccessfulCallsLeaveTheLastErrorAsTheSystemDoes)
{
    machine::Machine machine = test::BaseMachine();
    machine.files.Write(kFile, "source").version = "1.2.3.4";
    machine.files.Write(kOther, "other").version = "1.0.0.0";
    sim::SimApi api(machine);
    const char kNew[] = "C:\\Data\\new.txt";
    struct Case {
        const char* call;
        std::function<bool()> succeeds;
        DWORD lastError;
    };
    std::vector<FILE*> streams;
    auto opens = [&](const char* path, const char* mode) {
        streams.push_back(api.fopen(path, mode));
        return streams.back() != nullptr;
    };
    const Case cases[] = {
        {"fopen w, new file", [&] { return opens(kNew, "w"); }, ERROR_SUCCESS},
        {"fopen w, existing file", [&] { return opens(kFile, "w"); }, ERROR_ALREADY_EXISTS},
        {"GetFileVersionInfoSizeA", [&] { return api.GetFileVersionInfoSizeA(kOther, nullptr) != 0; }, ERROR_SUCCESS},
        {"OpenSCManagerA",
         [&] {
             SC_HANDLE manager = api.OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
             DWORD error = api.GetLastError();
             api.CloseServiceHandle(manager);
             api.SetLastError(error);
             return manager != nullptr;
         },
         ERROR_SUCCESS},
    };
    for (const Case& c : cases) {
        api.SetLastError(ERROR_FILE_NOT_FOUND);
        ASSERT_TRUE(c.succeeds()) << c.call;
        EXPECT_EQ(api.GetLastError(), c.lastError) << c.call;
    }
    for (FILE* stream : streams)
        api.fclose(stream);
}
}  // namespace
