#include "ui/Dialog.h"

#include "platform/WinApi.h"

namespace {
const int kTextBufferSize = 4096;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return Win().SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::EnableWindow(BOOL enable) const
{
    return Win().EnableWindow(m_hWnd, enable);
}

void DDX_Control(CDataExchange* pDX, int controlId, CWnd& control)
{
    if (control.m_hWnd == nullptr)
        control.m_hWnd = Win().GetDlgItem(pDX->m_hDlg, controlId);
}

void DDX_Text(CDataExchange* pDX, int controlId, std::string& value)
{
    if (pDX->m_bSaveAndValidate) {
        char buffer[kTextBufferSize] = {};
        UINT length = Win().GetDlgItemTextA(pDX->m_hDlg, controlId, buffer, kTextBufferSize);
        value.assign(buffer, length);
    } else {
        Win().SetDlgItemTextA(pDX->m_hDlg, controlId, value.c_str());
    }
}

CDialog::~CDialog()
{
    if (m_hWnd != nullptr)
        Dialogs().erase(m_hWnd);
}

std::map<HWND, CDialog*>& CDialog::Dialogs()
{
    static std::map<HWND, CDialog*> dialogs;
    return dialogs;
}

BOOL CDialog::Create(UINT templateId, HWND parent)
{
    m_nIDTemplate = templateId;
    HWND created = Win().CreateDialogParamA(nullptr, MAKEINTRESOURCEA(templateId), parent, &CDialog::DialogProc,
                                            reinterpret_cast<LPARAM>(this));
    return created != nullptr;
}

BOOL CDialog::ShowWindow(int showCommand) const
{
    return Win().ShowWindow(m_hWnd, showCommand);
}

BOOL CDialog::DestroyWindow()
{
    if (m_hWnd == nullptr)
        return FALSE;
    HWND window = m_hWnd;
    Dialogs().erase(window);
    m_hWnd = nullptr;
    return Win().DestroyWindow(window);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange exchange(m_hWnd, saveAndValidate);
    DoDataExchange(&exchange);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*)
{
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

INT_PTR CDialog::DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        CDialog* dialog = reinterpret_cast<CDialog*>(lParam);
        dialog->m_hWnd = hWnd;
        Dialogs()[hWnd] = dialog;
        return dialog->OnInitDialog();
    }
    return FALSE;
}
