// The simulated backend: resources, message boxes, dialogs and their controls.
#include <algorithm>
#include <cstring>
#include <strings.h>

#include "machine/WindowsNames.h"
#include "sim/DialogTemplates.h"
#include "sim/SimApi.h"

namespace sim {

namespace {
int AnswerFromName(const std::string& answer)
{
    if (answer == "yes")
        return IDYES;
    if (answer == "no")
        return IDNO;
    if (answer == "cancel")
        return IDCANCEL;
    return IDOK;
}

// The answer a box gets when nobody is there to press a button: its first button.
int DefaultAnswer(UINT style)
{
    switch (style & MB_TYPEMASK) {
    case MB_YESNOCANCEL:
    case MB_YESNO:
        return IDYES;
    default:
        return IDOK;
    }
}

bool OffersAnswer(UINT style, int answer)
{
    switch (style & MB_TYPEMASK) {
    case MB_YESNOCANCEL:
        return answer == IDYES || answer == IDNO || answer == IDCANCEL;
    case MB_YESNO:
        return answer == IDYES || answer == IDNO;
    case MB_OKCANCEL:
        return answer == IDOK || answer == IDCANCEL;
    default:
        return answer == IDOK;
    }
}

// Icon handles of the simulated machine: a fixed base plus the resource ID.
const UINT_PTR kIconHandleBase = 0x7100000;

bool IsComboBox(const SimControl& control)
{
    return control.className == "COMBOBOX";
}
}  // namespace

BOOL SimApi::InitCommonControlsEx(const INITCOMMONCONTROLSEX*)
{
    return TRUE;
}

int SimApi::LoadStringA(HINSTANCE, UINT uID, LPSTR lpBuffer, int cchBufferMax)
{
    const char* text = FindResourceString(uID);
    if (text == nullptr || lpBuffer == nullptr || cchBufferMax <= 0) {
        m_lastError = ERROR_RESOURCE_NAME_NOT_FOUND;
        return 0;
    }
    std::size_t count = std::min(std::strlen(text), static_cast<std::size_t>(cchBufferMax - 1));
    std::memcpy(lpBuffer, text, count);
    lpBuffer[count] = '\0';
    return static_cast<int>(count);
}

int SimApi::MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    machine::ShownMessageBox box{lpText ? lpText : "", lpCaption ? lpCaption : "", uType, 0, 0};
    if (const SimWindow* owner = FindWindow(hWnd))
        box.ownerTemplate = owner->templateId;
    // A scripted answer is used only for a box that offers it: "ok" never answers a question.
    if (m_nextAnswer < m_machine.messageBoxAnswers.size() &&
        OffersAnswer(uType, AnswerFromName(m_machine.messageBoxAnswers[m_nextAnswer])))
        box.answer = AnswerFromName(m_machine.messageBoxAnswers[m_nextAnswer++]);
    else if (onUnscriptedMessageBox)
        box.answer = onUnscriptedMessageBox(box);
    else
        box.answer = DefaultAnswer(uType);
    m_transcript.push_back({TranscriptEntry::kMessageBox, box.text, box, {}});
    return box.answer;
}

HWND SimApi::NewWindowHandle()
{
    return reinterpret_cast<HWND>(m_nextHandle++);
}

SimWindow* SimApi::FindWindow(HWND hWnd)
{
    auto found = m_windows.find(hWnd);
    return found == m_windows.end() || found->second.destroyed ? nullptr : &found->second;
}

SimControl* SimApi::FindControl(HWND hWnd)
{
    auto owner = m_controlOwners.find(hWnd);
    if (owner == m_controlOwners.end())
        return nullptr;
    return FindDlgControl(owner->second.first, owner->second.second);
}

SimControl* SimApi::FindDlgControl(HWND hDlg, int id)
{
    SimWindow* window = FindWindow(hDlg);
    if (window == nullptr)
        return nullptr;
    auto control = window->controls.find(id);
    return control == window->controls.end() ? nullptr : &control->second;
}

HWND SimApi::CreateFromTemplate(int templateId, DLGPROC proc)
{
    const DialogTemplate* layout = FindDialogTemplate(templateId);
    if (layout == nullptr) {
        m_lastError = ERROR_RESOURCE_NAME_NOT_FOUND;
        return nullptr;
    }
    HWND hWnd = NewWindowHandle();
    SimWindow& window = m_windows[hWnd];
    window.templateId = layout->id;
    window.proc = proc;
    for (const ControlTemplate& item : layout->controls) {
        SimControl& control = window.controls[item.id];
        control.className = item.className;
        control.text = item.text;
        control.sorted = item.sorted;
        control.hwnd = NewWindowHandle();
        m_controlOwners[control.hwnd] = {hWnd, item.id};
    }
    return hWnd;
}

HWND SimApi::CreateDialogParamA(HINSTANCE, LPCSTR lpTemplateName, HWND, DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    if (Fails(__func__))
        return nullptr;
    int templateId = static_cast<int>(reinterpret_cast<UINT_PTR>(lpTemplateName));
    HWND hWnd = CreateFromTemplate(templateId, lpDialogFunc);
    if (hWnd == nullptr)
        return nullptr;
    if (lpDialogFunc != nullptr)
        lpDialogFunc(hWnd, WM_INITDIALOG, 0, dwInitParam);
    m_windows[hWnd].visible = FindDialogTemplate(templateId)->visible;
    return hWnd;
}

INT_PTR SimApi::DialogBoxParamA(HINSTANCE, LPCSTR lpTemplateName, HWND, DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    if (Fails(__func__))
        return -1;
    if (lpDialogFunc == nullptr) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return -1;
    }
    HWND hWnd = CreateFromTemplate(static_cast<int>(reinterpret_cast<UINT_PTR>(lpTemplateName)), lpDialogFunc);
    if (hWnd == nullptr)
        return -1;
    m_windows[hWnd].modal = true;
    lpDialogFunc(hWnd, WM_INITDIALOG, 0, dwInitParam);
    // A dialog may end while it initialises; otherwise it shows and waits for its user.
    if (!m_windows[hWnd].ended) {
        m_windows[hWnd].visible = true;
        PlayDialogUser(hWnd);
    }
    INT_PTR result = m_windows[hWnd].result;
    DestroyWindow(hWnd);
    return result;
}

BOOL SimApi::EndDialog(HWND hDlg, INT_PTR nResult)
{
    SimWindow* window = FindWindow(hDlg);
    if (window == nullptr || !window->modal) {
        m_lastError = ERROR_INVALID_WINDOW_HANDLE;
        return FALSE;
    }
    window->ended = true;
    window->result = nResult;
    return TRUE;
}

HWND SimApi::SetFocus(HWND hWnd)
{
    auto owner = m_controlOwners.find(hWnd);
    SimWindow* window = owner == m_controlOwners.end() ? nullptr : FindWindow(owner->second.first);
    if (window == nullptr) {
        m_lastError = ERROR_INVALID_WINDOW_HANDLE;
        return nullptr;
    }
    HWND previous = nullptr;
    if (window->focus != 0)
        previous = window->controls[window->focus].hwnd;
    window->focus = owner->second.second;
    m_focus = hWnd;
    return previous;
}

HWND SimApi::GetFocus()
{
    auto owner = m_controlOwners.find(m_focus);
    return owner != m_controlOwners.end() && FindWindow(owner->second.first) != nullptr ? m_focus : nullptr;
}

// The letters of the machine's code page: each to its capital when the code
// page holds that, else as it is.
DWORD SimApi::CharUpperBuffA(LPSTR lpsz, DWORD cchLength)
{
    if (lpsz == nullptr)
        return 0;
    for (DWORD i = 0; i < cchLength; ++i) {
        bool missing = false;
        std::string upper = AnsiText(machine::WindowsUpper(MachineText(std::string(1, lpsz[i]))), &missing);
        if (!missing && upper.size() == 1)
            lpsz[i] = upper[0];
    }
    return cchLength;
}

HICON SimApi::LoadIconA(HINSTANCE, LPCSTR lpIconName)
{
    int id = static_cast<int>(reinterpret_cast<UINT_PTR>(lpIconName));
    if (!HasIconResource(id)) {
        m_lastError = ERROR_RESOURCE_NAME_NOT_FOUND;
        return nullptr;
    }
    return reinterpret_cast<HICON>(static_cast<UINT_PTR>(kIconHandleBase + id));
}

BOOL SimApi::ShowWindow(HWND hWnd, int nCmdShow)
{
    SimWindow* window = FindWindow(hWnd);
    if (window == nullptr)
        return FALSE;
    BOOL wasVisible = window->visible;
    window->visible = nCmdShow != SW_HIDE;
    return wasVisible;
}

BOOL SimApi::UpdateWindow(HWND hWnd)
{
    return FindWindow(hWnd) != nullptr;
}

BOOL SimApi::DestroyWindow(HWND hWnd)
{
    SimWindow* window = FindWindow(hWnd);
    if (window == nullptr) {
        m_lastError = ERROR_INVALID_WINDOW_HANDLE;
        return FALSE;
    }
    window->destroyed = true;
    window->visible = false;
    return TRUE;
}

HWND SimApi::GetDlgItem(HWND hDlg, int nIDDlgItem)
{
    SimControl* control = FindDlgControl(hDlg, nIDDlgItem);
    if (control == nullptr) {
        m_lastError = ERROR_INVALID_WINDOW_HANDLE;
        return nullptr;
    }
    return control->hwnd;
}

BOOL SimApi::SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString)
{
    SimControl* control = FindDlgControl(hDlg, nIDDlgItem);
    if (control == nullptr) {
        m_lastError = ERROR_INVALID_WINDOW_HANDLE;
        return FALSE;
    }
    control->text = lpString ? lpString : "";
    control->textsSet.push_back(control->text);
    return TRUE;
}

UINT SimApi::GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax)
{
    SimControl* control = FindDlgControl(hDlg, nIDDlgItem);
    if (control == nullptr || lpString == nullptr || cchMax <= 0) {
        m_lastError = ERROR_INVALID_WINDOW_HANDLE;
        return 0;
    }
    std::size_t count = std::min(control->text.size(), static_cast<std::size_t>(cchMax - 1));
    std::memcpy(lpString, control->text.data(), count);
    lpString[count] = '\0';
    return static_cast<UINT>(count);
}

BOOL SimApi::EnableWindow(HWND hWnd, BOOL bEnable)
{
    SimControl* control = FindControl(hWnd);
    if (control == nullptr)
        return FALSE;
    BOOL wasDisabled = !control->enabled;
    control->enabled = bEnable != FALSE;
    return wasDisabled;
}

LRESULT SimApi::SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (SimWindow* window = FindWindow(hWnd)) {
        if (Msg != WM_SETICON)
            return 0;
        HICON& icon = wParam == ICON_BIG ? window->bigIcon : window->smallIcon;
        HICON previous = icon;
        icon = reinterpret_cast<HICON>(lParam);
        return reinterpret_cast<LRESULT>(previous);
    }
    SimControl* control = FindControl(hWnd);
    if (control == nullptr)
        return 0;
    switch (Msg) {
    case PBM_SETPOS: {
        int previous = control->position;
        control->position = std::clamp(static_cast<int>(wParam), 0, 100);
        control->positionsSet.push_back(control->position);
        return previous;
    }
    case PBM_GETPOS:
        return control->position;
    case BM_SETCHECK:
        control->check = static_cast<int>(wParam);
        return 0;
    case BM_GETCHECK:
        return control->check;
    case CB_ADDSTRING: {
        std::string item = reinterpret_cast<const char*>(lParam);
        auto at = control->items.end();
        if (control->sorted) {
            at = std::upper_bound(control->items.begin(), control->items.end(), item,
                                  [](const std::string& a, const std::string& b) {
                                      return strcasecmp(a.c_str(), b.c_str()) < 0;
                                  });
        }
        return std::distance(control->items.begin(), control->items.insert(at, item));
    }
    case CB_GETCOUNT:
        return static_cast<LRESULT>(control->items.size());
    case CB_SELECTSTRING: {
        // The first entry that begins with the text, ignoring case, as the combo box searches.
        std::string prefix = reinterpret_cast<const char*>(lParam);
        for (std::size_t i = 0; i < control->items.size(); ++i) {
            if (strncasecmp(control->items[i].c_str(), prefix.c_str(), prefix.size()) == 0) {
                control->text = control->items[i];
                return static_cast<LRESULT>(i);
            }
        }
        return CB_ERR;
    }
    case IPM_SETADDRESS: {
        DWORD address = static_cast<DWORD>(lParam);
        control->ipFields = {static_cast<int>(FIRST_IPADDRESS(address)), static_cast<int>(SECOND_IPADDRESS(address)),
                             static_cast<int>(THIRD_IPADDRESS(address)), static_cast<int>(FOURTH_IPADDRESS(address))};
        return TRUE;
    }
    case IPM_GETADDRESS: {
        // Blank fields read as 0; the result is the number of fields filled in.
        DWORD address = 0;
        int filled = 0;
        for (int field : control->ipFields) {
            address = (address << 8) | static_cast<DWORD>(field < 0 ? 0 : field);
            filled += field < 0 ? 0 : 1;
        }
        *reinterpret_cast<DWORD*>(lParam) = address;
        return filled;
    }
    case IPM_ISBLANK:
        return std::all_of(control->ipFields.begin(), control->ipFields.end(), [](int field) { return field < 0; });
    case IPM_CLEARADDRESS:
        control->ipFields = {-1, -1, -1, -1};
        return 0;
    case EM_LIMITTEXT:
        control->textLimit = static_cast<int>(wParam);
        return 0;
    default:
        return IsComboBox(*control) ? CB_ERR : 0;
    }
}

}  // namespace sim
