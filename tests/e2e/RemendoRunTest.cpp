// End-to-end tests: the real remendo.exe on a Wine machine, driven and
// checked from outside as a user and a support engineer would.
#include <gtest/gtest.h>
#include <windows.h>

#include <regex>
#include <string>
#include <vector>

#include "RemendoE2E.h"
#include "UiAutomation.h"

namespace {
const char kStatusAfterStart[] = "Initializing";
// The first line the run writes after its progress window is up.
const char kFirstLineAfterWindow[] = "Remendo: SetupOs> - What OS are we on?\r\n";
const int kStatusControl = 13;
const int kProgressControl = 1008;

// Where the bytes break the CR LF rule: a lone CR or LF, or an end that is
// not CR LF; "" when they keep it.
std::string CrLfProblem(const std::string& bytes)
{
    for (std::string::size_type i = 0; i < bytes.size(); ++i) {
        bool lone = (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')) ||
                    (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r'));
        if (lone)
            return "a lone CR or LF at byte " + std::to_string(i) + " in: " + bytes.substr(i > 60 ? i - 60 : 0, 80);
    }
    if (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\r\n") != 0)
        return "the text does not end in CR LF";
    return "";
}

// The date line's text for a moment: the line's fixed form, in the pictures
// of the system's own date and time formatting, with English names.
std::string DateText(const SYSTEMTIME& time)
{
    char date[64] = {}, clock[16] = {};
    ::GetDateFormatA(LOCALE_INVARIANT, 0, &time, "dddd, MMMM dd, yyyy", date, sizeof date);
    ::GetTimeFormatA(LOCALE_INVARIANT, 0, &time, "HH:mm", clock, sizeof clock);
    return std::string(date) + " at " + clock;
}

// What the progress window looked like at one moment.
struct ProgressSnapshot {
    int windows = 0;
    bool visible = false;
    LONG style = 0;
    std::string status;
    std::string statusClass;
    std::string barClass;
};

ProgressSnapshot TakeProgressSnapshot(DWORD processId)
{
    uia::DialogQuery query;
    query.processId = processId;
    query.anyCaption = false;
    query.caption = kProgressCaption;
    query.visibleOnly = false;
    std::vector<HWND> found = uia::FindDialogs(query);
    ProgressSnapshot snapshot;
    snapshot.windows = static_cast<int>(found.size());
    if (found.empty())
        return snapshot;
    HWND window = found.front();
    snapshot.visible = ::IsWindowVisible(window) != FALSE;
    snapshot.style = ::GetWindowLongA(window, GWL_STYLE);
    HWND status = ::GetDlgItem(window, kStatusControl);
    HWND bar = ::GetDlgItem(window, kProgressControl);
    snapshot.status = status != nullptr ? uia::WindowText(status) : "<no control 13>";
    snapshot.statusClass = status != nullptr ? uia::ClassName(status) : "";
    snapshot.barClass = bar != nullptr ? uia::ClassName(bar) : "";
    return snapshot;
}

class RunLog : public RemendoE2E {};
class SingleInstance : public RemendoE2E {};

// Looks at the progress window twice: when the run has just started (stopped
// at its first line after the window is up) and when the final box shows.
class ProgressWindow : public RemendoE2E {
protected:
    void SetUp() override
    {
        RemendoE2E::SetUp();
        m_run.OnDebugLine([this](const std::string& line) {
            if (line == kFirstLineAfterWindow)
                m_early = TakeProgressSnapshot(m_run.ProcessId());
        });
    }
    void OnFinalBox(HWND) override { m_atFinalBox = TakeProgressSnapshot(m_run.ProcessId()); }

    ProgressSnapshot m_early;
    ProgressSnapshot m_atFinalBox;
};

TEST_F(RunLog, StartsWithBannerDateAndEnvironmentChecksAndEndsInTheFinalBox)
{
    SYSTEMTIME before = {};
    ::GetLocalTime(&before);
    Start();
    RunToCompletion();
    SYSTEMTIME after = {};
    ::GetLocalTime(&after);

    std::string bytes = LogBytes();
    EXPECT_EQ(CrLfProblem(bytes), "");
    std::vector<std::string> lines = SplitCrLf(bytes);
    ASSERT_GE(lines.size(), 6u) << bytes;
    EXPECT_EQ(lines[0], "Remendo: InitInstance> Remendo version 1.0");
    const std::string datePrefix = "Remendo: InitInstance> ";
    EXPECT_TRUE(lines[1] == datePrefix + DateText(before) || lines[1] == datePrefix + DateText(after))
        << lines[1] << "\nexpected " << datePrefix + DateText(before);
    EXPECT_EQ(lines[2], "Remendo: SetupOs> - What OS are we on?");
    EXPECT_EQ(lines[3].rfind("Remendo: SetupOs> --- Major Version: ", 0), 0u) << lines[3];
    EXPECT_EQ(lines[4], "Remendo: InitInstance> - Do we have administrator privileges?");
    EXPECT_EQ(lines[5], "Remendo: InitInstance> --- Yes, we have administrator privileges");
}

// A minute that turns between the moment the test notes the start and the
// exe's date line is no difference: noted at hh:mm:59.9 of the minute before
// the one the exe wrote, the replay (at the end of the test) still agrees.
TEST_F(RunLog, AReplayNotedJustBeforeTheMinuteTheExeWroteAgrees)
{
    SYSTEMTIME before = {};
    ::GetLocalTime(&before);
    Start();
    RunToCompletion();
    SYSTEMTIME after = {};
    ::GetLocalTime(&after);
    std::vector<std::string> lines = LogLines();
    ASSERT_GE(lines.size(), 2u);
    const std::string datePrefix = "Remendo: InitInstance> ";
    SYSTEMTIME written = lines[1] == datePrefix + DateText(before) ? before : after;
    ASSERT_EQ(lines[1], datePrefix + DateText(written));
    written.wSecond = 0;
    written.wMilliseconds = 0;
    FILETIME instant = {};
    ASSERT_TRUE(::SystemTimeToFileTime(&written, &instant));
    ULARGE_INTEGER ticks = {};
    ticks.LowPart = instant.dwLowDateTime;
    ticks.HighPart = instant.dwHighDateTime;
    ticks.QuadPart -= 100 * 10000;  // 100 ms, in 100 ns ticks
    instant.dwLowDateTime = ticks.LowPart;
    instant.dwHighDateTime = ticks.HighPart;
    SYSTEMTIME noted = {};
    ASSERT_TRUE(::FileTimeToSystemTime(&instant, &noted));
    ASSERT_EQ(noted.wSecond, 59);
    NoteRunStartForReplay(noted);
}

// Each write is one record on the debugger output, so the records show where
// each log line begins and ends, even one that carries the system's own line
// break (a last-error text).
TEST_F(RunLog, EveryLineIsShapedAndAlsoGoesToTheDebuggerOutput)
{
    Start();
    RunToCompletion();
    const std::vector<std::string>& records = m_run.DebugLines();
    ASSERT_FALSE(records.empty());
    std::string written;
    const std::regex shape("[A-Za-z]+: [A-Za-z]+> [^]*\r\n");
    for (const std::string& record : records) {
        EXPECT_TRUE(std::regex_match(record, shape)) << "not \"unit: function> text\\r\\n\": " << record;
        written += record;
    }
    EXPECT_EQ(LogBytes(), written);
}

TEST_F(SingleInstance, SecondInstanceLeavesAtOnceShowingNothingAndKeepsTheLog)
{
    HANDLE guard = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READONLY, 0, 32, "cvRemendoUtility");
    ASSERT_NE(guard, nullptr) << "error " << ::GetLastError();
    ASSERT_NE(::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "something else holds the guard";
    const std::string previous("Remendo: InitInstance> a previous run\r\n\x01\xff no CR LF here", 56);
    ASSERT_TRUE(WriteBytes(m_log, previous));

    Start();
    int windowsSeen = 0;
    m_run.RunUntil(
        [&] {
            windowsSeen += static_cast<int>(uia::WindowsOfProcess(m_run.ProcessId()).size());
            return false;
        },
        kExitTimeoutMs);
    ::CloseHandle(guard);

    ASSERT_TRUE(m_run.HasExited()) << "the second instance is still running; windows seen: " << windowsSeen;
    EXPECT_EQ(m_run.ExitCode(), 0u);
    EXPECT_EQ(windowsSeen, 0);
    EXPECT_EQ(m_run.DebugLines(), std::vector<std::string>());
    EXPECT_EQ(LogBytes(), previous);
}

TEST_F(SingleInstance, WithoutAnotherInstanceTheOldLogIsReplaced)
{
    const std::string previous(8192, 'x');
    ASSERT_TRUE(WriteBytes(m_log, previous));
    Start();
    RunToCompletion();
    std::string bytes = LogBytes();
    EXPECT_EQ(bytes.find('x' + std::string(20, 'x')), std::string::npos) << "old bytes left in the log";
    EXPECT_EQ(bytes.rfind("Remendo: InitInstance> Remendo version 1.0\r\n", 0), 0u) << bytes.substr(0, 200);
    EXPECT_EQ(CrLfProblem(bytes), "");
}

TEST_F(ProgressWindow, ShowsInitializingWithNoCloseBoxOnceTheRunHasStarted)
{
    Start();
    RunToCompletion();

    ASSERT_EQ(m_early.windows, 1) << "progress windows captioned \"" << kProgressCaption << "\" when the run wrote "
                                  << kFirstLineAfterWindow;
    EXPECT_TRUE(m_early.visible);
    EXPECT_EQ(m_early.status, kStatusAfterStart);
    EXPECT_EQ(m_early.statusClass, "Static");
    EXPECT_EQ(m_early.barClass, "msctls_progress32");
    EXPECT_EQ(m_early.style & WS_CAPTION, WS_CAPTION);
    EXPECT_EQ(m_early.style & WS_POPUP, static_cast<LONG>(WS_POPUP));
    EXPECT_EQ(m_early.style & WS_SYSMENU, 0) << "the window must have no close box";
}

TEST_F(ProgressWindow, IsGoneWhenTheFinalBoxShows)
{
    Start();
    RunToCompletion();
    ASSERT_EQ(m_early.windows, 1) << "the window never showed, so its end cannot be seen";
    EXPECT_EQ(m_atFinalBox.windows, 0);
}

// How the exe loads: what its manifest asks of Windows, and where its DLLs come from.
class Loading : public RemendoE2E {};

TEST_F(Loading, TheManifestAsksForElevationVisualStylesAndDpiAwareness)
{
    HMODULE exe = ::LoadLibraryExA(m_exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr) << "error " << ::GetLastError();
    HRSRC found = ::FindResourceA(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    ASSERT_NE(found, nullptr) << "no manifest resource";
    HGLOBAL loaded = ::LoadResource(exe, found);
    std::string manifest(static_cast<const char*>(::LockResource(loaded)), ::SizeofResource(exe, found));
    ::FreeLibrary(exe);
    for (const char* wanted : {"level=\"requireAdministrator\" uiAccess=\"false\"",
                               "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                               "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
                               "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>"})
        EXPECT_NE(manifest.find(wanted), std::string::npos) << wanted;
}

TEST_F(Loading, ASpoolerDllBesideTheExeIsNeverLoaded)
{
    std::string planted = m_dir + "winspool.drv";
    std::string marker = planted + ".loaded";
    ::DeleteFileA(marker.c_str());
    ASSERT_TRUE(::CopyFileA(WindowsPath(Programs().spoolerProbe).c_str(), planted.c_str(), FALSE));
    // The suite runs with Wine preferring a native winspool.drv to its own.
    char overrides[1024] = {};
    ::GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof overrides);
    ASSERT_NE(std::string(overrides).find("winspool=n"), std::string::npos) << overrides;
    m_replayOnSimulation = false;
    Start();
    // The printer list was still read, through the system's winspool.drv.
    RunToCompletion();

    EXPECT_EQ(::GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES) << "the planted winspool.drv was loaded";
    // The version resource was read through the system's version.dll.
    EXPECT_EQ(LogLines().at(0), "Remendo: InitInstance> Remendo version 1.0");
}

}  // namespace
