// The diagnostic log: one scope object per traced function, one process-wide file.
//
// Every line is "<unit>: <function>> <text>\r\n"; it goes to the debugger output
// and to the log file. Writing never changes the course of the run.
#pragma once

#include <string>

#include "platform/WinTypes.h"

// The unit of the run's own lines: its steps are all members of the
// application, whichever file defines them.
const char kRemendoSourceFile[] = "Remendo";

class DebugLog {
public:
    DebugLog(const std::string& function, const std::string& sourceFile, const std::string& logPath = std::string());
    virtual ~DebugLog();

    DebugLog(const DebugLog&) = delete;
    DebugLog& operator=(const DebugLog&) = delete;

    // A number other than -1 is first put into the text's one "%d".
    void Write(const std::string& text, int number = -1);
    void Writef(const char* format, const std::string& argument);
    void Error(const std::string& text, int number = -1);
    void Errorf(const char* format, const std::string& argument);
    // Writes "<text>: <the system's text for the last error>" under the
    // DebugLog unit and the "LogLastError" function.
    void LogLastError(const std::string& text);
    BOOL OpenLogFile();

    // Where the log is written, the temp-directory fallback included.
    static const std::string& LogPath() { return s_strLogPath; }

    static void SetLevel(int level);
    // The name the log takes in the temp directory when its own place fails
    // ("temp.log" unless a program says otherwise before its first line).
    static void SetTempLogName(const std::string& name);
    // Shows an error text in a message box of the given style. The log sits
    // below the windows, so the application hands it the box to show.
    using ErrorBox = int (*)(const std::string& text, UINT type);
    // The first error of the process is also shown in a box through `showBox`;
    // nullptr (the start) shows none.
    static void SetErrorBoxes(ErrorBox showBox);

    // Closes the log file and forgets the process-wide state: the process
    // ends, or a new one starts (used when one process hosts several
    // simulated runs). Called while the backend the file was opened through
    // is still in force.
    static void ResetProcessState();

private:
    void ShowFirstErrorBox(const std::string& text, int number);
    HANDLE OpenForWriting(DWORD creationDisposition);

    std::string m_strLine;
    std::string m_strFunction;
    std::string m_strUnit;

    static std::string s_strLogPath;
    static int s_nLevel;
    static ErrorBox s_pShowErrorBox;
    static bool s_bErrorShown;
    static bool s_bFallbackFailed;
    static std::string s_strTempLogName;
};

// Writes `text` with the system's text for a registry call's result. The
// registry calls return their error rather than setting the last error, so it
// is set from the result first.
void LogRegistryError(DebugLog& log, LONG status, const std::string& text);
