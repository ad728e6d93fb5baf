#include "ui/WinApp.h"

#include <algorithm>

#include "platform/WinApi.h"
#include "ui/Dialog.h"

namespace {
CWinApp* s_pApp = nullptr;
const int kStringBufferSize = 1024;
}  // namespace

CWinApp::CWinApp()
{
    s_pApp = this;
}

CWinApp::~CWinApp()
{
    if (s_pApp == this)
        s_pApp = nullptr;
}

std::string CWinApp::AppTitle() const
{
    char path[MAX_PATH] = {};
    // By its length: a truncated path is not terminated on older systems.
    DWORD length = Win().GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string title(path, std::min<DWORD>(length, MAX_PATH));
    std::string::size_type slash = title.rfind('\\');
    if (slash != std::string::npos)
        title.erase(0, slash + 1);
    std::string::size_type dot = title.rfind('.');
    if (dot != std::string::npos)
        title.erase(dot);
    return title;
}

namespace {
// The window the user works in: the open dialog, else the main window while
// it exists. A box it owns keeps it disabled until the box is answered.
HWND MessageBoxOwner()
{
    if (HWND dialog = CDialog::OpenModalWindow())
        return dialog;
    return s_pApp != nullptr && s_pApp->m_pMainWnd != nullptr ? s_pApp->m_pMainWnd->m_hWnd : nullptr;
}
}  // namespace

int AfxMessageBox(const std::string& text, UINT type)
{
    std::string caption = s_pApp != nullptr ? s_pApp->AppTitle() : std::string();
    HWND focus = Win().GetFocus();
    int answer = Win().MessageBoxA(MessageBoxOwner(), text.c_str(), caption.c_str(), type);
    // The user goes on where they were, in the field they were typing in.
    if (focus != nullptr)
        Win().SetFocus(focus);
    return answer;
}

int AfxMessageBox(UINT stringId, UINT type)
{
    return AfxMessageBox(LoadResourceString(stringId), type);
}

std::string LoadResourceString(UINT stringId)
{
    char buffer[kStringBufferSize] = {};
    int length = Win().LoadStringA(nullptr, stringId, buffer, kStringBufferSize);
    return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}
