// Driving the utility's windows from another process, as a user would:
// finding its message boxes and dialogs, reading their texts, setting
// controls and pressing buttons. Used by the test driver in-process and by
// the uia command-line helper.
//
// Works across processes because it only uses messages the system carries
// between processes (WM_GETTEXT, WM_SETTEXT, CB_SELECTSTRING, BM_CLICK,
// IPM_SETADDRESS, WM_COMMAND) and reads of window data kept by the system
// (class, caption, style, owner). Never IPM_GETADDRESS: its pointer would not
// be translated and the dialog process may crash; read an IP address control
// with WindowText.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace uia {

// Which top-level dialog windows (class "#32770") to look for.
struct DialogQuery {
    DWORD processId = 0;           // 0: any process
    bool anyCaption = true;        // false: the caption must equal `caption`
    std::string caption;
    bool messageBoxOnly = false;   // only windows with a message box text (0xFFFF)
    bool visibleOnly = true;
};

// The dialog windows of the query, in the system's window order.
std::vector<HWND> FindDialogs(const DialogQuery& query);
// Every top-level window of a process, dialog or not, visible or not.
std::vector<HWND> WindowsOfProcess(DWORD processId);
// The first matching dialog, waiting up to timeoutMs; nullptr on timeout.
HWND WaitForDialog(const DialogQuery& query, DWORD timeoutMs);

// Texts kept by the system: a window's caption, a class name. No message is
// sent, so these work even while the owning process is stopped.
std::string WindowText(HWND window);
std::string ClassName(HWND window);
// The text of a dialog control by WM_GETTEXT (edits, combo boxes); "" when the
// owner does not answer within 5 s.
std::string ControlText(HWND dialog, int controlId);
// The text of a message box.
std::string MessageBoxText(HWND box);

// The button ID of "ok", "cancel", "yes" or "no", or of a decimal ID; 0 when unknown.
int ButtonId(const std::string& name);
// Presses a message-box or dialog button as the owner sees a click: WM_COMMAND.
bool PressButton(HWND dialog, int buttonId);
// Clicks a push or radio button control (BM_CLICK), which also checks a radio button.
bool ClickControl(HWND dialog, int controlId);
bool SetControlText(HWND dialog, int controlId, const std::string& text);
// Selects the first combo-box entry that begins with `text` and tells the
// dialog, as a selection by the user would (CBN_SELCHANGE).
bool SelectComboString(HWND dialog, int controlId, const std::string& text);
// Fills an IP address control with a dotted address ("192.168.1.20").
bool SetIpAddress(HWND dialog, int controlId, const std::string& dotted);

}  // namespace uia
