// The simulated backend: the Windows calls answered from a Machine in memory.
//
// Sleeps advance a virtual clock, message boxes take scripted answers, and each
// call the list (WinCalls.h) marks faultable can be made to fail by name and
// call count (Machine::faults).
#pragma once

#include <algorithm>
#include <array>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/WinApi.h"
#include "machine/Machine.h"

namespace sim {

struct SystemCall;

// A child process started with CreateProcessA.
struct StartedProcess {
    std::string program;      // the executable that ran, as found on the machine's disks
    std::string commandLine;  // the command line it was given
};

// One entry of a run's transcript, in the order things happened.
struct TranscriptEntry {
    enum Kind { kDebugOutput, kMessageBox, kProcessStarted } kind;
    std::string text;  // the debugger-output text, or the message box's text
    machine::ShownMessageBox box;
    StartedProcess process;
};

struct SimControl {
    std::string className;
    std::string text;
    bool enabled = true;
    int check = BST_UNCHECKED;
    std::vector<std::string> items;  // combo-box entries
    bool sorted = false;
    int position = 0;        // progress bar
    std::vector<int> positionsSet;        // every PBM_SETPOS, in order
    std::vector<std::string> textsSet;    // every SetDlgItemTextA, in order
    std::array<int, 4> ipFields = {-1, -1, -1, -1};  // IP address control, -1 = blank field
    int textLimit = 0;       // characters a user can type (EM_LIMITTEXT), 0 = no limit
    HWND hwnd = nullptr;
};

struct SimWindow {
    int templateId = 0;
    bool visible = false;
    bool destroyed = false;
    DLGPROC proc = nullptr;
    std::map<int, SimControl> controls;
    bool modal = false;
    bool ended = false;       // EndDialog was called
    INT_PTR result = 0;       // the modal dialog's result
    HICON bigIcon = nullptr;  // WM_SETICON
    HICON smallIcon = nullptr;
    int focus = 0;            // ID of the control with the focus
};

// Thrown by a platform call where the process is cut off half-way.
struct ProcessStopped {};

class SimApi : public WinApi {
public:
    explicit SimApi(machine::Machine& machine);
    ~SimApi() override;
    SimApi(const SimApi&) = delete;  // its facts of operations point into its own counts
    SimApi& operator=(const SimApi&) = delete;

    machine::Machine& machine() { return m_machine; }

    // What the run showed: debugger output and message boxes, in order.
    const std::deque<TranscriptEntry>& Transcript() const { return m_transcript; }
    std::vector<std::string> DebugOutput() const;
    std::vector<machine::ShownMessageBox> MessageBoxes() const;
    std::vector<StartedProcess> StartedProcesses() const;
    // Every pause asked for, in milliseconds, and their sum.
    const std::vector<DWORD>& Sleeps() const { return m_sleeps; }
    unsigned long long ElapsedMilliseconds() const { return m_elapsedMs; }
    // Windows created so far (destroyed ones included), by handle.
    const std::map<HWND, SimWindow>& Windows() const { return m_windows; }
    // How often an operation was called.
    int CallCount(const std::string& operation) const;
    // Every operation that can be made to fail and was called, with its number of calls.
    const std::map<std::string, int>& CallCounts() const { return m_callCounts; }
    // Calls of every operation that can be made to fail, together.
    int TotalCallCount() const { return m_totalCalls; }
    // The process is cut off (ProcessStopped is thrown) at this call, counted
    // as TotalCallCount does (or the next one, for a release), before the
    // call has any effect; 0 for never.
    int stopAtCall = 0;
    // The call the process is cut off at does part of its work first, as a
    // killed process or a power cut leaves it: a copy (CopyFileA) or a write
    // (WriteFile, fwrite) leaves the first half of its bytes at the
    // destination. A move is whole or not at all, so it is cut before it.
    bool stopPartWay = false;
    // Whether the run was cut off part-way through a copy or a write.
    bool StoppedPartWay() const { return m_bStoppedPartWay; }
    // Handles still open (kernel objects, file streams, service handles and registry keys).
    std::size_t OpenHandleCount() const { return m_handles.size() + m_keys.size(); }

    // Asked for a message box's answer when no scripted answer is left;
    // without it the box gets its default button.
    std::function<int(const machine::ShownMessageBox&)> onUnscriptedMessageBox;
    // The program runs as a 32-bit one on 64-bit Windows (WoW64): the machine
    // folder does not say so, a test does.
    bool wow64 = false;
    // Asked for the user's next answers to an open modal dialog when the machine
    // scripts none; no answer (or no asker) closes the dialog.
    std::function<std::optional<machine::DialogAnswers>(const SimWindow&)> onUnscriptedDialog;

    // WinApi: each call of the list (WinCalls.h), answered in the file its heading names.
#define PLATFORM_CALL(Result, Name, Parameters, Faults) Result Name Parameters override;
#include "platform/WinCalls.h"
#undef PLATFORM_CALL

private:
    // Counts the call and, when a fault names this call, sets its error and says so.
    // Each call passes its own name, __func__.
    bool Fails(const char* operation);
    // A copy or write that the process is cut off part-way through: after
    // Fails, it writes `bytes` cut to half their length (from `from`) and
    // throws ProcessStopped; otherwise it does nothing.
    void StopPartWayThrough(std::string& destination, std::size_t from, const std::string& bytes);
    // The machine's text (UTF-8) as its ANSI calls see it, in its code page:
    // a character the code page lacks as '?', and `missing` (when given) says so.
    std::string AnsiText(const std::string& text, bool* missing = nullptr) const;
    // The text of an ANSI call (in the machine's code page; "" for none) and of
    // a wide call (UTF-16), as the machine holds it.
    std::string MachineText(const std::string& ansi) const;
    std::string MachineText(LPCSTR ansi) const { return MachineText(std::string(ansi != nullptr ? ansi : "")); }
    static std::string MachineText(const std::basic_string<WCHAR>& wide);
    static std::string MachineText(LPCWSTR wide)
    {
        return wide != nullptr ? MachineText(std::basic_string<WCHAR>(wide)) : std::string();
    }
    // The machine's text as a caller of the ANSI (`Char` char) or the wide
    // (WCHAR) call sees it.
    template <typename Char>
    std::basic_string<Char> CallerText(const std::string& text) const;
    // A registry value's data as the ANSI or the `wide` call gives it: text in
    // the code page or in UTF-16LE, other types as they are.
    std::string CallerData(const machine::RegValue& value, bool wide) const;
    // Copies the text into a caller's buffer of this size, cut to fit and
    // terminated; the number of characters copied.
    template <typename Char>
    static std::size_t CopyText(const std::basic_string<Char>& text, Char* buffer, std::size_t size)
    {
        if (buffer == nullptr || size == 0)
            return 0;
        std::size_t count = std::min(text.size(), size - 1);
        std::copy(text.begin(), text.begin() + static_cast<long>(count), buffer);
        buffer[count] = Char();
        return count;
    }
    static std::size_t CopyText(const std::string& text, LPSTR buffer, std::size_t size)
    {
        return CopyText<char>(text, buffer, size);
    }
    // A path into a caller's buffer as the system's path calls give it: too
    // small a buffer gets the size needed, terminator included, and nothing
    // copied; else the path and its length.
    template <typename Char>
    static DWORD CopyWholePath(const std::basic_string<Char>& path, Char* buffer, std::size_t size);
    // GetModuleFileNameA and GetModuleFileNameW, `operation` the one called:
    // the executable's path, cut to fit as the system cuts it.
    template <typename Char>
    DWORD ModuleFileName(const char* operation, Char* buffer, DWORD size);
    // GetTempPathA and GetTempPathW: the temp folder, with its backslash.
    template <typename Char>
    DWORD TempPath(const char* operation, DWORD size, Char* buffer);
    // The file a bare name or a full path names, as the loader would look it up.
    const machine::SimFile* FindModuleFile(const std::string& name) const;
    // The open or predefined key's path ("" for an unknown handle).
    std::string PathOfKey(HKEY key) const;
    machine::RegKey* ResolveKey(HKEY key, LONG& status);
    // The A and W registry calls, `operation` the one called, a wide
    // `Char` for W: a subkey's opening (after its name is read), the name of
    // the subkey at an index (ERROR_MORE_DATA when it does not fit with its
    // NUL), and the value at an index, its name and text as the machine holds
    // them or, wide, as UTF-16.
    LONG OpenSubkey(HKEY hKey, const std::string& subKey, REGSAM samDesired, PHKEY phkResult);
    template <typename Char>
    LONG EnumKey(const char* operation, HKEY hKey, DWORD dwIndex, Char* lpName, LPDWORD lpcchName);
    const machine::RegKey& NthSubkey(HKEY hKey, const machine::RegKey& key, DWORD index);
    template <typename Char>
    LONG EnumValue(const char* operation, HKEY hKey, DWORD dwIndex, Char* lpValueName, LPDWORD lpcchValueName,
                   LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
    // RegQueryValueExA and RegQueryValueExW after the name: text as the
    // machine holds it, or `wide`, as UTF-16LE.
    LONG QueryValue(HKEY hKey, const std::string& valueName, bool wide, LPDWORD lpType, LPBYTE lpData,
                    LPDWORD lpcbData);
    // RegSetValueExA and RegSetValueExW after the name, with data as the machine keeps it.
    LONG SetValue(HKEY hKey, const std::string& name, DWORD type, std::string data);
    SimWindow* FindWindow(HWND hWnd);
    SimControl* FindControl(HWND hWnd);
    SimControl* FindDlgControl(HWND hDlg, int id);
    HWND NewWindowHandle();
    // The service an open service handle names (nullptr, with the last error set, when none).
    machine::Service* ServiceOfHandle(SC_HANDLE hService);
    // The executable CreateProcessA would run ("" when none is found).
    std::string ResolveProgram(LPCSTR applicationName, const std::string& commandLine) const;
    const machine::Program* FindProgram(const std::string& path) const;
    void RegisterOrRemoveService(const machine::Program& program, const std::string& commandLine);
    void KeepStartValue(const machine::Service& service);
    HWND CreateFromTemplate(int templateId, DLGPROC proc);
    // The user at an open modal dialog: scripted, asked, or closing it.
    void PlayDialogUser(HWND hDlg);
    void ApplyDialogAnswers(HWND hDlg, const machine::DialogAnswers& answers);
    void PressButton(HWND hDlg, int id);

    struct OpenObject {
        enum Kind { kFile, kStream, kMapping, kToken, kServiceManager, kService, kProcess, kThread, kSearch } kind;
        std::string name;  // file key, mapping name, token kind, service name or program path
        DWORD access = 0;
        DWORD share = 0;
        std::size_t position = 0;
        bool textMode = false;     // streams: CR LF on disk is a line feed in memory
        bool streamError = false;  // streams: what ferror reports
        unsigned long long endsAtMs = 0;  // a process: when it ends, on the virtual clock
        machine::SimFile* file = nullptr;   // files and streams: the file, as last looked up
        unsigned long filesGeneration = 0;  // files and streams: the disks' generation at that look-up
        std::vector<std::string> found = {};  // a search: the names it finds, handed out from `position` on
        std::vector<const machine::SimFile*> foundFiles = {};  // a search: their files at `filesGeneration`, or nullptr
        bool directory = false;  // a file handle open on a folder (FILE_FLAG_BACKUP_SEMANTICS)
    };
    // The next byte a read of the stream gives from the file's bytes, as the
    // runtime reads it in the stream's mode; EOF at the end.
    static int NextStreamByte(OpenObject& stream, const std::string& bytes);
    // True when a handle or stream open on the file (by key) keeps an access
    // with this access and sharing from being granted.
    bool SharingConflict(const std::string& key, DWORD access, DWORD share) const;
    // True when a handle or stream open on the file (by key) forbids deleting or renaming it.
    bool IsLoadedImage(const std::string& key) const;
    bool HeldWithoutDeleteSharing(const std::string& key) const;
    // The error for a path that names no file: missing file or missing directory.
    DWORD MissingFileError(const std::string& path) const;
    OpenObject* FindStream(FILE* stream);
    // The file a handle or stream is open on (nullptr when it is gone), looked
    // up again only after a file was removed or renamed.
    machine::SimFile* FileOf(OpenObject& open);
    // The open object of that kind the handle names; nullptr, with
    // ERROR_INVALID_HANDLE as the last error, when it names none.
    OpenObject* FindOpenObject(HANDLE handle, OpenObject::Kind kind);
    // MoveFileA and MoveFileExA without the delayed mode.
    BOOL MoveNow(const std::string& from, const std::string& to, bool replaceExisting);
    BOOL MoveDirectory(const std::string& from, const std::string& to);

    machine::Machine& m_machine;
    DWORD m_lastError = 0;
    unsigned long long m_elapsedMs = 0;
    std::vector<DWORD> m_sleeps;
    // A deque: a run of millions of lines grows it without moving what it holds.
    std::deque<TranscriptEntry> m_transcript;
    std::size_t m_nextAnswer = 0;
    std::map<std::string, int> m_callCounts;
    // What every call of an operation asks of it, found by its name once: by
    // the address of the name its callers give (each its own function's
    // name), checked against the name itself.
    struct OperationFacts {
        std::string name;
        std::map<std::string, int>::iterator count;  // in m_callCounts
        bool releases;
        bool partWay;
        const SystemCall* systemCall;
    };
    const OperationFacts& FactsOf(const char* operation);
    std::unordered_map<const char*, OperationFacts> m_operationFacts;
    // The machine's faults by operation and call, the first of each kept;
    // built again when the list has grown since.
    std::map<std::pair<std::string, int>, DWORD> m_faultsByCall;
    std::size_t m_faultsIndexed = 0;
    int m_totalCalls = 0;
    bool m_bStopped = false;
    bool m_bCutPending = false;  // the current call is cut off part-way through
    bool m_bStoppedPartWay = false;
    std::uintptr_t m_nextHandle = 0x100;
    std::map<HANDLE, OpenObject> m_handles;
    // Where the handle's enumeration of subkeys stopped, so the next index
    // is one step on rather than a walk from the first.
    struct SubkeyCursor {
        const machine::RegKey* key = nullptr;
        std::uint64_t version = 0;
        DWORD index = 0;
        machine::RegKey::Subkeys::const_iterator place;
    };
    struct OpenKey {
        std::string path;  // "HKEY_LOCAL_MACHINE\..."
        REGSAM access = 0;
        SubkeyCursor cursor;
        // The key the path led to, while the registry's KeysVersion is `resolvedAt`.
        machine::RegKey* resolved = nullptr;
        std::uint64_t resolvedAt = 0;
    };
    std::map<HKEY, OpenKey> m_keys;
    std::set<void*> m_allocations;       // SIDs and message buffers handed out
    std::map<HWND, SimWindow> m_windows;
    HWND m_focus = nullptr;  // the control SetFocus last gave the focus
    std::map<HWND, std::pair<HWND, int>> m_controlOwners;  // control -> (dialog, id)
    bool m_dialogScriptUsed = false;
    int m_socketsStarted = 0;  // WSAStartup calls not yet matched by WSACleanup
    // The host entry gethostbyaddr hands out, valid until its next call.
    std::string m_hostName;
    std::vector<char*> m_hostAliases;
    std::array<char, 4> m_hostAddress = {};
    std::vector<char*> m_hostAddresses;
    hostent m_hostEntry = {};
};

template <>
std::basic_string<char> SimApi::CallerText<char>(const std::string& text) const;
template <>
std::basic_string<WCHAR> SimApi::CallerText<WCHAR>(const std::string& text) const;

}  // namespace sim
