// Re-registration of the maker's management service and of the family's scan
// DLL, each by running a program as a child process.
#include <vector>

#include "app/Remendo.h"
#include "log/DebugLog.h"
#include "log/Format.h"
#include "platform/Owned.h"
#include "platform/WinApi.h"
#include "system/SystemDirectory.h"

namespace {
// Each command line is a quotation mark, the system directory, then one of these.
const char kUnregisterSuffix[] = "\\cvqmgr40.exe\" /UNREGSERVER";
const char kRegisterSuffix[] = "\\cvqmgr40.exe\" /REGSERVER";
const char kQuote[] = "\"";
const char kServiceRegistration[] = "cvqmgr40.exe /UNREGSERVER and /REGSERVER";
const DWORD kChildWaitMs = 5000;

const char kScanDllCommandFormat[] = "regsvr32 /s \"%ssystem32\\%s\"";
const char kRegsvr32Name[] = "\\regsvr32.exe";
const char kFamilyADll[] = "cvqscan.dll";
const char kFamilyBDll[] = "cvqscan3.dll";
const char kFamilyCDll[] = "cvqscan2.dll";

// Log texts, word for word and spelling included: support staff search logs for them.
const char kRestartQuestion[] = "- Can we re-start QMX service?";
const char kStopQuestion[] = "----- Can we first stop the QMX service?";
const char kStopped[] = "------- Yes, service stopped";
const char kRestartSubQuestion[] = "----- Can we get it restarted?";
const char kRestarted[] = "------- Yes, service restarted";
const char kRestartSucceeded[] = "--- Yes, restarted QMX service successfully ##### Fixed";
const char kRestartFailed[] = "failed to restart QMX service";
const char kNoCreateProcess[] = "No, createProcess failed";
const char kNoWaitTimedOut[] = "No, waiting timed out";
const char kNotOnNt[] = "Not on NT platform";
const char kNoSystemDirectory[] = "GetSystemDirectory failed";
const char kCreateProcessFailed[] = "CreateProcess failed";
const char kWaitTimedOut[] = "Timed out waiting for cvqmgr40.exe";
const char kRegisterQuestion[] = "- Can we register the scan dll?";
const char kRegistered[] = "--- Yes, successfully registered scan dll";
const char kRegisterFailedFormat[] = "CreateProcess on \"%s\" failed";

// A child process whose two handles are closed when it is done with.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() { Close(); }

    // Starts the program with the parent's environment and directory; false
    // when it did not start. The handles of an earlier start are closed first.
    bool Start(const char* applicationName, const std::string& commandLine)
    {
        Close();
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        // CreateProcessA may write to the command line: it gets a copy of its own.
        std::vector<char> line(commandLine.begin(), commandLine.end());
        line.push_back('\0');
        PROCESS_INFORMATION started = {};
        BOOL ok = Win().CreateProcessA(applicationName, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                       &startup, &started);
        m_process.Attach(started.hProcess);
        m_thread.Attach(started.hThread);
        return ok != FALSE;
    }

    // False only when the wait timed out; any other outcome counts as ended.
    bool WaitForEnd(DWORD milliseconds)
    {
        if (Win().WaitForSingleObject(m_process.Get(), milliseconds) != WAIT_TIMEOUT)
            return true;
        // The wait's result is no error code of the system: set it for the log.
        Win().SetLastError(WAIT_TIMEOUT);
        return false;
    }

    // The process handle first, then the thread's.
    void Close()
    {
        m_process.Close();
        m_thread.Close();
    }

private:
    KernelHandle m_process;
    KernelHandle m_thread;
};

// Runs cvqmgr40.exe with /UNREGSERVER, then with /REGSERVER, each waited for.
// nullptr on success, else what stopped it (not yet logged).
const char* RunServiceRegistration(DebugLog& log, ChildProcess& process)
{
    std::string systemDirectory = SystemDirectory();
    if (systemDirectory.empty())
        return kNoSystemDirectory;
    log.Write(kRestartQuestion);
    log.Write(kStopQuestion);
    if (!process.Start(nullptr, kQuote + systemDirectory + kUnregisterSuffix)) {
        log.Error(kNoCreateProcess);
        return kCreateProcessFailed;
    }
    if (!process.WaitForEnd(kChildWaitMs)) {
        log.Error(kNoWaitTimedOut);
        return kWaitTimedOut;
    }
    log.Write(kStopped);

    systemDirectory = SystemDirectory();
    if (systemDirectory.empty())
        return kNoSystemDirectory;
    log.Write(kRestartSubQuestion);
    if (!process.Start(nullptr, kQuote + systemDirectory + kRegisterSuffix))
        return kCreateProcessFailed;
    if (!process.WaitForEnd(kChildWaitMs))
        return kWaitTimedOut;
    log.Write(kRestarted);
    return nullptr;
}
}  // namespace

bool CRemendoApp::ReInstallQMXService()
{
    DebugLog log("ReInstallQMXService", kRemendoSourceFile);
    ChildProcess process;
    const char* stop = m_bWin9x ? kNotOnNt : RunServiceRegistration(log, process);
    if (stop != nullptr)
        log.LogLastError(stop);
    process.Close();
    if (stop != nullptr) {
        log.Error(kRestartFailed);
        return false;
    }
    m_undoFile.NoteRegisteredAgain(kServiceRegistration);
    log.Write(kRestartSucceeded);
    return true;
}

void CRemendoApp::RegisterScanDll()
{
    DebugLog log("RegisterScanDll", kRemendoSourceFile);
    char windows[MAX_PATH] = {};
    Win().GetWindowsDirectoryA(windows, MAX_PATH);
    std::string windowsDirectory = windows;
    if (!windowsDirectory.empty() && windowsDirectory.back() != '\\')
        windowsDirectory += '\\';
    const char* dll = m_bFamilyC ? kFamilyCDll : m_bFamilyA ? kFamilyADll : kFamilyBDll;
    std::string commandLine = Format(kScanDllCommandFormat, {windowsDirectory, dll});

    log.Write(kRegisterQuestion);
    // regsvr32 is started by its full path: by its bare name Windows would look
    // beside this program first and could run a stranger's regsvr32.exe.
    std::string systemDirectory = SystemDirectory();
    ChildProcess regsvr32;
    if (!systemDirectory.empty() && regsvr32.Start((systemDirectory + kRegsvr32Name).c_str(), commandLine)) {
        // regsvr32 is not waited for: the answer says only that it was started.
        m_undoFile.NoteRegisteredAgain(commandLine);
        log.Write(kRegistered);
        return;
    }
    log.LogLastError(Format(kRegisterFailedFormat, {commandLine}));
}
