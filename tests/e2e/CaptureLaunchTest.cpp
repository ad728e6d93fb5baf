// End-to-end: remendo-capture however it is started and wherever it lies.
// Started hidden, as management tools and scheduled tasks start programs, it
// ends with its exit code, waiting for no one; beside a remendo.exe in a
// folder named beyond the code page it still writes a machine folder there,
// leaving out (with a line) what that folder cannot hold.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "Differential.h"
#include "RemendoE2E.h"
#include "machine/Machine.h"
#include "machine/Registry.h"

namespace {
const wchar_t kRoot[] = L"C:\\remendo-e2e-launch\\";
const wchar_t kMachineJson[] = L"\\Remendo-machine\\machine.json";
const wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPendingRenames[] = L"PendingFileRenameOperations";
const wchar_t kMakerKey[] = L"SOFTWARE\\Corvane";
const wchar_t kCyrillicKey[] = L"SOFTWARE\\Corvane\\\u0418\u0432\u0430\u043d";

std::wstring Widened(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

// A copy of remendo-capture.exe in `folder` (created under kRoot); its path.
std::wstring CopyCapture(const std::wstring& folder)
{
    ::CreateDirectoryW(kRoot, nullptr);
    std::wstring directory = kRoot + folder;
    ::CreateDirectoryW(directory.c_str(), nullptr);
    std::wstring exe = directory + L"\\remendo-capture.exe";
    EXPECT_TRUE(::CopyFileW(Widened(WindowsPath(Programs().captureExe)).c_str(), exe.c_str(), FALSE))
        << "error " << ::GetLastError();
    return exe;
}

// Starts the capture with CREATE_NO_WINDOW and no argument, its output into
// `output` when one is named (else the console it gets); its exit code, or
// -1 when it cannot start or does not end in time (it is then ended).
long RunHidden(const std::wstring& exe, const std::wstring& output)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = INVALID_HANDLE_VALUE;
    if (!output.empty()) {
        file = ::CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            ADD_FAILURE() << "cannot create the capture's output file: error " << ::GetLastError();
            return -1;
        }
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = file;
        startup.hStdError = file;
        startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    }
    std::wstring line = L"\"" + exe + L"\"";
    PROCESS_INFORMATION process = {};
    BOOL started = ::CreateProcessW(nullptr, &line[0], nullptr, nullptr, file != INVALID_HANDLE_VALUE,
                                    CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    if (file != INVALID_HANDLE_VALUE)
        ::CloseHandle(file);
    if (!started) {
        ADD_FAILURE() << "cannot start the capture: error " << ::GetLastError();
        return -1;
    }
    DWORD code = 1;
    bool ended = ::WaitForSingleObject(process.hProcess, kExitTimeoutMs) == WAIT_OBJECT_0;
    if (ended)
        ::GetExitCodeProcess(process.hProcess, &code);
    else
        ::TerminateProcess(process.hProcess, 1);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return ended ? static_cast<long>(code) : -1;
}

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Sets the system's pending renames (pairs of names, each ended by a NUL) for as long as it lives.
class PendingRenames {
public:
    explicit PendingRenames(const std::wstring& pairs)
    {
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &m_key,
                          nullptr);
        std::wstring data = pairs + L'\0';
        EXPECT_EQ(::RegSetValueExW(m_key, kPendingRenames, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                                   static_cast<DWORD>(data.size() * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
    ~PendingRenames()
    {
        ::RegDeleteValueW(m_key, kPendingRenames);
        ::RegCloseKey(m_key);
    }
    PendingRenames(const PendingRenames&) = delete;
    PendingRenames& operator=(const PendingRenames&) = delete;

private:
    HKEY m_key = nullptr;
};

void SetText(HKEY key, const wchar_t* name, const std::wstring& text)
{
    EXPECT_EQ(::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                               static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

// The maker's key with names and a text beyond Latin-1 beside ones in it, for as long as it lives.
class MakerKeyNames {
public:
    MakerKeyNames()
    {
        HKEY cyrillic = nullptr;
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kCyrillicKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &cyrillic, nullptr);
        ::RegCloseKey(cyrillic);
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kMakerKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &m_key, nullptr);
        SetText(m_key, L"\u0141ukasz", L"x");
        SetText(m_key, L"Price", L"5 \u20ac");
        SetText(m_key, L"Jos\u00e9", L"caf\u00e9");
    }
    ~MakerKeyNames()
    {
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kCyrillicKey);
        ::RegCloseKey(m_key);
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kMakerKey);
    }
    MakerKeyNames(const MakerKeyNames&) = delete;
    MakerKeyNames& operator=(const MakerKeyNames&) = delete;

private:
    HKEY m_key = nullptr;
};
}  // namespace

TEST(CaptureLaunch, StartedHiddenItEndsAtOnceAndWritesItsFolder)
{
    std::wstring exe = CopyCapture(L"hidden");
    EXPECT_EQ(RunHidden(exe, L""), 0) << "the hidden capture waited for Enter, or failed";
    EXPECT_TRUE(Exists(std::wstring(kRoot) + L"hidden" + kMachineJson));
}

// Each folder beyond the cp1252 of the tests' Windows, as in the Russian
// user's Downloads, and one in Latin-1: the machine keeps every one, and the
// code page. Each comes with pending renames, one beyond Latin-1, kept, and
// one in a form no machine path has, left out; and the registry's names and
// texts beyond Latin-1, kept.
TEST(CaptureLaunch, InAFolderNamedBeyondTheCodePageItWritesAMachineThatReadsBack)
{
    const struct {
        const wchar_t* folder;
        const char* executable;  // as the machine holds it; "" when left out
    } kCases[] = {
        {L"\u0418\u0432\u0430\u043d", "C:\\remendo-e2e-launch\\\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\\remendo.exe"},
        {L"\u0141ukasz", "C:\\remendo-e2e-launch\\\xC5\x81ukasz\\remendo.exe"},
        {L"\u20ac", "C:\\remendo-e2e-launch\\\xE2\x82\xAC\\remendo.exe"},
        {L"Jos\u00e9", "C:\\remendo-e2e-launch\\Jos\xC3\xA9\\remendo.exe"},
    };
    PendingRenames renames(std::wstring(L"\\??\\C:\\kept.dll") + L'\0' + L"" + L'\0' +
                           L"\\??\\C:\\\u0418\u0432\u0430\u043d.dll" + L'\0' + L"" + L'\0' +
                           L"\\??\\UNC\\srv\\share\\x.dll" + L'\0' + L"!\\??\\C:\\y.dll" + L'\0');
    MakerKeyNames names;
    int n = 0;
    for (const auto& test : kCases) {
        std::wstring exe = CopyCapture(test.folder);
        // A file of each run's own: Wine may still hold the last one's a moment after its end.
        std::wstring output = std::wstring(kRoot) + L"output-" + std::to_wstring(n + 1) + L".txt";
        EXPECT_EQ(RunHidden(exe, output), 0) << test.executable;
        std::wstring written = std::wstring(kRoot) + test.folder + L"\\Remendo-machine";
        ASSERT_TRUE(Exists(written + L"\\machine.json")) << test.executable;
        std::string shown;
        ReadBytes("C:\\remendo-e2e-launch\\output-" + std::to_string(n + 1) + ".txt", &shown);
        // Read back from a folder of plain letters: the tests' own reading of a folder takes ANSI paths.
        std::string plain = "C:\\remendo-e2e-launch\\read-back-" + std::to_string(++n);
        ASSERT_TRUE(::MoveFileW(written.c_str(), Widened(plain).c_str())) << "error " << ::GetLastError();
        machine::Machine machine;
        std::string error;
        ASSERT_TRUE(LoadFolder(plain, machine, &error)) << error;
        EXPECT_EQ(machine.paths.executable, test.executable);
        EXPECT_EQ(machine.ansiCodePage, 1252u);
        EXPECT_EQ(shown.find("Left out: remendo.exe's path "), std::string::npos) << shown;
        ASSERT_EQ(machine.pendingRenames.size(), 2u) << shown;
        EXPECT_EQ(machine.pendingRenames[0].from, "C:\\kept.dll");
        EXPECT_EQ(machine.pendingRenames[1].from, "C:\\\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD.dll");
        EXPECT_NE(shown.find("Left out: the pending rename of \\??\\UNC\\srv\\share\\x.dll"), std::string::npos)
            << shown;
        const machine::RegKey* maker = machine.registry.Find("HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane");
        ASSERT_NE(maker, nullptr);
        EXPECT_NE(maker->FindSubkey("\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD"), nullptr);
        ASSERT_EQ(maker->values.size(), 3u);
        EXPECT_NE(maker->FindValue("\xC5\x81ukasz"), nullptr);
        ASSERT_NE(maker->FindValue("Price"), nullptr);
        EXPECT_EQ(maker->FindValue("Price")->data, std::string("5 \xE2\x82\xAC", 6));
        ASSERT_NE(maker->FindValue("Jos\xC3\xA9"), nullptr);
        EXPECT_EQ(maker->FindValue("Jos\xC3\xA9")->data, std::string("caf\xC3\xA9", 6));
    }
}
