#include "UiAutomation.h"

#include <commctrl.h>

#include <cstdio>

namespace uia {
namespace {
const char kDialogClass[] = "#32770";
const int kMessageBoxTextId = 0xFFFF;
const DWORD kPollMs = 20;
const UINT kAnswerTimeoutMs = 5000;

struct Search {
    const DialogQuery* query;
    std::vector<HWND> found;
};

bool Matches(HWND window, const DialogQuery& query)
{
    if (ClassName(window) != kDialogClass)
        return false;
    if (query.visibleOnly && !::IsWindowVisible(window))
        return false;
    if (query.processId != 0) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner != query.processId)
            return false;
    }
    if (!query.anyCaption && WindowText(window) != query.caption)
        return false;
    return !query.messageBoxOnly || ::GetDlgItem(window, kMessageBoxTextId) != nullptr;
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM param)
{
    Search* search = reinterpret_cast<Search*>(param);
    if (Matches(window, *search->query))
        search->found.push_back(window);
    return TRUE;
}
struct Owned {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowOfProcess(HWND window, LPARAM param)
{
    Owned* owned = reinterpret_cast<Owned*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == owned->processId)
        owned->found.push_back(window);
    return TRUE;
}
}  // namespace

std::vector<HWND> FindDialogs(const DialogQuery& query)
{
    Search search{&query, {}};
    ::EnumWindows(&CollectDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> WindowsOfProcess(DWORD processId)
{
    Owned owned{processId, {}};
    ::EnumWindows(&CollectWindowOfProcess, reinterpret_cast<LPARAM>(&owned));
    return owned.found;
}

HWND WaitForDialog(const DialogQuery& query, DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        std::vector<HWND> found = FindDialogs(query);
        if (!found.empty())
            return found.front();
        if (::GetTickCount() - start >= timeoutMs)
            return nullptr;
        ::Sleep(kPollMs);
    }
}

std::string WindowText(HWND window)
{
    char text[4096] = {};
    int length = ::GetWindowTextA(window, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}

std::string ClassName(HWND window)
{
    char name[256] = {};
    int length = ::GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? length : 0);
}

std::string ControlText(HWND dialog, int controlId)
{
    HWND control = ::GetDlgItem(dialog, controlId);
    if (control == nullptr)
        return std::string();
    char text[4096] = {};
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutA(control, WM_GETTEXT, sizeof text - 1, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                               kAnswerTimeoutMs, &length))
        return std::string();
    return std::string(text);
}

std::string MessageBoxText(HWND box)
{
    // The text the system keeps for the window, not a WM_GETTEXT that would
    // wait for ever on a program stopped at a debug event (its DLL loads, too).
    HWND control = ::GetDlgItem(box, kMessageBoxTextId);
    return control != nullptr ? WindowText(control) : std::string();
}

int ButtonId(const std::string& name)
{
    if (name == "ok")
        return IDOK;
    if (name == "cancel")
        return IDCANCEL;
    if (name == "yes")
        return IDYES;
    if (name == "no")
        return IDNO;
    int id = 0;
    char rest = 0;
    if (std::sscanf(name.c_str(), "%d%c", &id, &rest) == 1 && id > 0)
        return id;
    return 0;
}

bool PressButton(HWND dialog, int buttonId)
{
    HWND button = ::GetDlgItem(dialog, buttonId);
    return ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(button)) !=
           FALSE;
}

bool ClickControl(HWND dialog, int controlId)
{
    HWND control = ::GetDlgItem(dialog, controlId);
    return control != nullptr && ::PostMessageA(control, BM_CLICK, 0, 0) != FALSE;
}

bool SetControlText(HWND dialog, int controlId, const std::string& text)
{
    HWND control = ::GetDlgItem(dialog, controlId);
    DWORD_PTR result = 0;
    return control != nullptr &&
           ::SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                                 kAnswerTimeoutMs, &result) != 0 &&
           result != FALSE;
}

bool SelectComboString(HWND dialog, int controlId, const std::string& text)
{
    HWND combo = ::GetDlgItem(dialog, controlId);
    DWORD_PTR index = static_cast<DWORD_PTR>(CB_ERR);
    if (combo == nullptr ||
        !::SendMessageTimeoutA(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()),
                               SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &index) ||
        static_cast<LRESULT>(index) == CB_ERR)
        return false;
    return ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(controlId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo)) !=
           FALSE;
}

bool SetIpAddress(HWND dialog, int controlId, const std::string& dotted)
{
    unsigned b1 = 0, b2 = 0, b3 = 0, b4 = 0;
    char rest = 0;
    if (std::sscanf(dotted.c_str(), "%u.%u.%u.%u%c", &b1, &b2, &b3, &b4, &rest) != 4 || b1 > 255 || b2 > 255 ||
        b3 > 255 || b4 > 255)
        return false;
    // Only the direct children of the dialog: the control's four inner edits all have ID 1.
    HWND control = ::GetDlgItem(dialog, controlId);
    DWORD_PTR result = 0;
    return control != nullptr && ::SendMessageTimeoutA(control, IPM_SETADDRESS, 0, MAKEIPADDRESS(b1, b2, b3, b4),
                                                       SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &result) != 0;
}

}  // namespace uia
