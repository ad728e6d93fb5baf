#include "RemendoE2E.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "MachineSetup.h"
#include "UiAutomation.h"

namespace {
const char kTestRoot[] = "C:\\remendo-e2e\\";

std::string AnswerName(int buttonId)
{
    switch (buttonId) {
    case IDYES: return "yes";
    case IDNO: return "no";
    case IDCANCEL: return "cancel";
    default: return "ok";
    }
}
}  // namespace

std::string WindowsPath(const std::string& path)
{
    std::string result = path;
    if (!result.empty() && result[0] == '/')
        result = "Z:" + result;
    for (char& c : result)
        if (c == '/')
            c = '\\';
    return result;
}

bool ReadBytes(const std::string& path, std::string* bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<std::string> SplitCrLf(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    for (std::string::size_type end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(bytes.substr(start, end - start));
    return lines;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

std::string SystemDirectory()
{
    char buffer[MAX_PATH] = {};
    UINT length = ::GetSystemDirectoryA(buffer, MAX_PATH);
    return std::string(buffer, length < MAX_PATH ? length : 0);
}

std::string UndoStoreOuterFolder()
{
    // shlobj.h clashes with the headers the tests use: the one call is looked up.
    using GetFolderPath = HRESULT WINAPI(HWND, int, HANDLE, DWORD, LPSTR);
    const int kCommonAppData = 0x0023;  // CSIDL_COMMON_APPDATA
    HMODULE shell32 = ::LoadLibraryA("shell32.dll");
    auto getFolderPath = reinterpret_cast<GetFolderPath*>(
        reinterpret_cast<void*>(shell32 != nullptr ? ::GetProcAddress(shell32, "SHGetFolderPathA") : nullptr));
    char base[MAX_PATH] = {};
    if (getFolderPath == nullptr || getFolderPath(nullptr, kCommonAppData, nullptr, 0, base) != S_OK)
        return std::string();
    return std::string(base) + "\\Remendo\\";
}

std::string UndoStore()
{
    std::string outer = UndoStoreOuterFolder();
    return outer.empty() ? outer : outer + "Undo\\";
}

std::vector<std::string> UndoFilesInStore()
{
    std::vector<std::string> files;
    WIN32_FIND_DATAA found = {};
    HANDLE search = ::FindFirstFileA((UndoStore() + "Remendo-undo-*.reg").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do
        files.push_back(UndoStore() + found.cFileName);
    while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return files;
}

namespace {
// A folder and all it holds removed, attributes and all; links are removed, not followed.
void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA found = {};
    HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + "\\" + name;
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                            !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
            if (isFolder)
                RemoveTree(path);
            else
                ::DeleteFileA(path.c_str());
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryA(folder.c_str());
}
}  // namespace

void RemoveUndoStore()
{
    std::string outer = UndoStoreOuterFolder();
    if (outer.empty())
        return;
    outer.pop_back();
    RemoveTree(outer);
    // Folders a run moved aside.
    WIN32_FIND_DATAA found = {};
    HANDLE search = ::FindFirstFileA((outer + ".untrusted*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    std::string parent = outer.substr(0, outer.rfind('\\') + 1);
    do
        RemoveTree(parent + found.cFileName);
    while (::FindNextFileA(search, &found));
    ::FindClose(search);
}

std::string MissingInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& expected)
{
    std::vector<std::string>::const_iterator at = lines.begin();
    for (const std::string& line : expected) {
        at = std::find(at, lines.end(), line);
        if (at == lines.end())
            return "not found (in this order): \"" + line + "\"\nlog:\n" + Joined(lines);
        ++at;
    }
    return "";
}

void RemendoE2E::SetUp()
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    m_dir = std::string(kTestRoot) + test->test_suite_name() + "." + test->name() + "\\";
    ::CreateDirectoryA(kTestRoot, nullptr);
    ::CreateDirectoryA(m_dir.c_str(), nullptr);
    m_exe = m_dir + "remendo.exe";
    m_log = m_dir + "Remendo.log";
    ::DeleteFileA(m_log.c_str());
    RemoveUndoStore();
    ASSERT_TRUE(::CopyFileA(WindowsPath(Programs().remendoExe).c_str(), m_exe.c_str(), FALSE))
        << "cannot copy " << Programs().remendoExe << " to " << m_exe << ": error " << ::GetLastError();
    // Handed out together: the capture describes the remendo.exe beside it.
    std::string capture = m_dir + "remendo-capture.exe";
    ASSERT_TRUE(::CopyFileA(WindowsPath(Programs().captureExe).c_str(), capture.c_str(), FALSE))
        << "cannot copy " << Programs().captureExe << " to " << capture << ": error " << ::GetLastError();
    std::string error;
    ASSERT_TRUE(PrepareMachine(&error)) << error;
}

bool RemendoE2E::PrepareMachine(std::string* error)
{
    return PrepareHealthyDirectMachine(error);
}

void RemendoE2E::Start()
{
    std::string error;
    if (m_replayOnSimulation) {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_differential.emplace(m_dir, std::string(test->test_suite_name()) + "." + test->name());
        ASSERT_TRUE(m_differential->CaptureBeforeRun(&error)) << error;
        SYSTEMTIME now = {};
        ::GetLocalTime(&now);
        m_differential->NoteRunStart(now);
    }
    ASSERT_TRUE(m_run.Start(m_exe, &error)) << error;
}

void RemendoE2E::NoteRunStartForReplay(const SYSTEMTIME& at)
{
    ASSERT_TRUE(m_differential.has_value()) << "the run was not started with a replay";
    m_differential->NoteRunStart(at);
}

void RemendoE2E::CompareWithSimulation()
{
    if (m_compared || !m_differential || !m_run.HasExited() || HasFatalFailure())
        return;
    m_compared = true;
    std::string differences = m_differential->CompareWithRun(LogLines(), m_answers);
    CountComparedMachine(differences.empty());
    EXPECT_EQ(differences, "") << "remendo-sim on the capture differs from remendo.exe on the machine";
}

void RemendoE2E::TearDown()
{
    CompareWithSimulation();
}

HWND RemendoE2E::NextBox()
{
    HWND box = m_run.WaitForMessageBox(kBoxTimeoutMs);
    EXPECT_NE(box, nullptr) << "no message box; exited: " << m_run.HasExited() << "; debugger output so far:\n"
                            << Joined(m_run.DebugLines());
    return box;
}

void RemendoE2E::Answer(HWND window, int buttonId)
{
    ASSERT_TRUE(uia::PressButton(window, buttonId));
    m_answers.messageBoxes.push_back(AnswerName(buttonId));
    // The window goes before the next one can show.
    ASSERT_TRUE(WaitUntilGone(window)) << "window still there after pressing button " << buttonId;
}

void RemendoE2E::RunToCompletion(const std::string& question, const std::string& finalMessage)
{
    HWND box = NextBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(uia::MessageBoxText(box), question);
    Answer(box, IDYES);
    FinishWithBox(finalMessage);
}

void RemendoE2E::FinishWithBox(const std::string& finalMessage)
{
    HWND box = NextBox();
    ASSERT_NE(box, nullptr);
    OnFinalBox(box);
    EXPECT_EQ(uia::MessageBoxText(box), finalMessage);
    ASSERT_TRUE(uia::PressButton(box, IDOK));
    m_answers.messageBoxes.push_back(AnswerName(IDOK));
    ASSERT_TRUE(m_run.WaitForExit(kExitTimeoutMs)) << "still running after OK in the final box";
    EXPECT_EQ(m_run.ExitCode(), 0u);
}

bool RemendoE2E::WaitUntilGone(HWND window)
{
    m_run.RunUntil([window] { return !::IsWindow(window); }, kBoxTimeoutMs);
    return !::IsWindow(window);
}

std::string RemendoE2E::LogBytes()
{
    std::string bytes;
    EXPECT_TRUE(ReadBytes(m_log, &bytes)) << "no log at " << m_log;
    return bytes;
}

bool RemendoE2E::Logged(const std::string& line)
{
    std::vector<std::string> lines = LogLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}
