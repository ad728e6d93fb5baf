#include "log/DebugLog.h"

#include "log/Format.h"
#include "platform/Owned.h"
#include "platform/WinApi.h"

namespace {
const char kUnitDebugLog[] = "DebugLog";
const char kTempLogName[] = "temp.log";
const int kNoNumber = -1;

// Log texts, word for word and spelling included: support staff search logs for them.
const char kLineFormat[] = "%s: %s> %s\r\n";
const char kEntered[] = "Entered";
const char kExiting[] = "Exiting";
const char kErrorBoxPrefix[] = "### Error ###";
const char kFyi[] = "*** FYI ***";
const char kCouldNotOpen[] = "'%s' could not be created or opened, defaulting to temp dir\n";
const char kFallbackFailed[] = "'%s' could not be created or opened either, the log goes to the debugger output only\n";
const char kLastErrorFormat[] = "%s: %s";
const char kNoSystemText[] = "%s: Unknown error %u";

// The unit is the source path's last component.
std::string UnitFromSourcePath(const std::string& sourcePath)
{
    std::string::size_type slash = sourcePath.rfind('\\');
    return slash == std::string::npos ? sourcePath : sourcePath.substr(slash + 1);
}

std::string WithNumber(const std::string& text, int number)
{
    return number == kNoNumber ? text : Format(text.c_str(), {number});
}

// The log must not disturb the error code its callers are about to report.
class LastErrorKeeper {
public:
    LastErrorKeeper() : m_saved(Win().GetLastError()) {}
    ~LastErrorKeeper() { Win().SetLastError(m_saved); }

private:
    DWORD m_saved;
};

// The one log file of the process. Made on first use, which comes after the
// backend is installed: at the end of the process it is closed before the
// backend goes.
KernelHandle& LogFile()
{
    static KernelHandle file;
    return file;
}
}  // namespace

std::string DebugLog::s_strLogPath;
int DebugLog::s_nLevel = 1;
DebugLog::ErrorBox DebugLog::s_pShowErrorBox = nullptr;
bool DebugLog::s_bErrorShown = false;
bool DebugLog::s_bFallbackFailed = false;
std::string DebugLog::s_strTempLogName = kTempLogName;

DebugLog::DebugLog(const std::string& function, const std::string& sourceFile, const std::string& logPath)
    : m_strFunction(function), m_strUnit(UnitFromSourcePath(sourceFile))
{
    if (!logPath.empty())
        s_strLogPath = logPath;
    if (s_nLevel >= 3)
        Write(kEntered);
    if (!LogFile().IsOpen() && !s_bFallbackFailed)
        OpenLogFile();
}

DebugLog::~DebugLog()
{
    if (s_nLevel >= 3)
        Write(kExiting);
}

void DebugLog::Write(const std::string& text, int number)
{
    LastErrorKeeper keepLastError;
    m_strLine = Format(kLineFormat, {m_strUnit, m_strFunction, WithNumber(text, number)});
    Win().OutputDebugStringA(m_strLine.c_str());
    if (LogFile().IsOpen()) {
        DWORD written = 0;
        Win().WriteFile(LogFile().Get(), m_strLine.data(), static_cast<DWORD>(m_strLine.size()), &written, nullptr);
    }
}

void DebugLog::Writef(const char* format, const std::string& argument)
{
    m_strLine = Format(format, {argument});
    Write(m_strLine);
}

void DebugLog::Error(const std::string& text, int number)
{
    ShowFirstErrorBox(text, number);
    Write(text, number);
}

void DebugLog::Errorf(const char* format, const std::string& argument)
{
    m_strLine = Format(format, {argument});
    Error(m_strLine);
}

void DebugLog::ShowFirstErrorBox(const std::string& text, int number)
{
    if (s_pShowErrorBox == nullptr || s_bErrorShown)
        return;
    LastErrorKeeper keepLastError;
    std::string boxText = m_strUnit + ":" + m_strFunction + "> " + kErrorBoxPrefix + WithNumber(text, number);
    s_pShowErrorBox(boxText, MB_OK);
    s_bErrorShown = true;
}

void DebugLog::LogLastError(const std::string& text)
{
    DebugLog log("LogLastError", kUnitDebugLog);
    DWORD code = Win().GetLastError();
    LocalMemory systemText;
    DWORD length = Win().FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(systemText.Receive()), 0, nullptr);
    if (length != 0 && systemText.IsOpen())
        log.Error(Format(kLastErrorFormat, {text, reinterpret_cast<const char*>(systemText.Get())}));
    else
        log.Error(Format(kNoSystemText, {text, code}));
}

HANDLE DebugLog::OpenForWriting(DWORD creationDisposition)
{
    return NullIfInvalid(Win().CreateFileA(s_strLogPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                           nullptr, creationDisposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

BOOL DebugLog::OpenLogFile()
{
    LogFile().Close();
    if (!s_strLogPath.empty()) {
        LogFile().Attach(OpenForWriting(OPEN_ALWAYS));
        if (LogFile().IsOpen())
            return TRUE;
    }
    m_strLine = Format(kCouldNotOpen, {s_strLogPath});
    Win().OutputDebugStringA((kFyi + m_strLine).c_str());

    s_strLogPath = Format("%s%s", {TempDirectory(), s_strTempLogName});
    // The fallback file may hold an older run's log: start it empty so that no
    // stale lines follow this run's.
    LogFile().Attach(OpenForWriting(CREATE_ALWAYS));
    if (!LogFile().IsOpen()) {
        s_bFallbackFailed = true;
        m_strLine = Format(kFallbackFailed, {s_strLogPath});
        Win().OutputDebugStringA((kFyi + m_strLine).c_str());
    }
    return TRUE;
}

void DebugLog::SetLevel(int level)
{
    s_nLevel = level;
}

void DebugLog::SetTempLogName(const std::string& name)
{
    s_strTempLogName = name;
}

void DebugLog::SetErrorBoxes(ErrorBox showBox)
{
    s_pShowErrorBox = showBox;
}

void DebugLog::ResetProcessState()
{
    LogFile().Close();
    s_strLogPath.clear();
    s_nLevel = 1;
    s_pShowErrorBox = nullptr;
    s_bErrorShown = false;
    s_bFallbackFailed = false;
    s_strTempLogName = kTempLogName;
}

void LogRegistryError(DebugLog& log, LONG status, const std::string& text)
{
    Win().SetLastError(static_cast<DWORD>(status));
    log.LogLastError(text);
}
