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

HWND CWnd::SetFocus() const
{
    return Win().SetFocus(m_hWnd);
}

int CComboBox::AddString(const std::string& text) const
{
    return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

int CComboBox::SelectString(int startAfter, const std::string& text) const
{
    return static_cast<int>(
        SendMessage(CB_SELECTSTRING, static_cast<WPARAM>(startAfter), reinterpret_cast<LPARAM>(text.c_str())));
}

int CComboBox::GetCount() const
{
    return static_cast<int>(SendMessage(CB_GETCOUNT));
}

void CIPAddressCtrl::SetAddress(DWORD address) const
{
    SendMessage(IPM_SETADDRESS, 0, static_cast<LPARAM>(address));
}

int CIPAddressCtrl::GetAddress(BYTE& field0, BYTE& field1, BYTE& field2, BYTE& field3) const
{
    DWORD address = 0;
    int filled = static_cast<int>(SendMessage(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address)));
    field0 = static_cast<BYTE>(FIRST_IPADDRESS(address));
    field1 = static_cast<BYTE>(SECOND_IPADDRESS(address));
    field2 = static_cast<BYTE>(THIRD_IPADDRESS(address));
    field3 = static_cast<BYTE>(FOURTH_IPADDRESS(address));
    return filled;
}

BOOL CIPAddressCtrl::IsBlank() const
{
    return SendMessage(IPM_ISBLANK) != 0;
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

void DDX_CBString(CDataExchange* pDX, int controlId, std::string& value)
{
    if (pDX->m_bSaveAndValidate) {
        DDX_Text(pDX, controlId, value);
        return;
    }
    HWND combo = Win().GetDlgItem(pDX->m_hDlg, controlId);
    if (Win().SendMessageA(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(value.c_str())) ==
        CB_ERR)
        Win().SetDlgItemTextA(pDX->m_hDlg, controlId, value.c_str());
}

void DDX_Radio(CDataExchange* pDX, std::initializer_list<int> buttonIds, int& value)
{
    int index = 0;
    if (pDX->m_bSaveAndValidate) {
        value = -1;
        for (int id : buttonIds) {
            if (Win().SendMessageA(Win().GetDlgItem(pDX->m_hDlg, id), BM_GETCHECK, 0, 0) == BST_CHECKED) {
                value = index;
                break;
            }
            ++index;
        }
        return;
    }
    for (int id : buttonIds) {
        Win().SendMessageA(Win().GetDlgItem(pDX->m_hDlg, id), BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED,
                           0);
        ++index;
    }
}

void DDV_MaxChars(CDataExchange* pDX, int controlId, int maxChars)
{
    if (!pDX->m_bSaveAndValidate)
        Win().SendMessageA(Win().GetDlgItem(pDX->m_hDlg, controlId), EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
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

std::vector<const CDialog*>& CDialog::ModalDialogs()
{
    static std::vector<const CDialog*> open;
    return open;
}

HWND CDialog::OpenModalWindow()
{
    return ModalDialogs().empty() ? nullptr : ModalDialogs().back()->m_hWnd;
}

INT_PTR CDialog::DoModal()
{
    m_bModal = true;
    // Taken off again on every way out, so that no later box is owned by a
    // dialog that is gone.
    struct ModalEntry {
        explicit ModalEntry(const CDialog* dialog) { ModalDialogs().push_back(dialog); }
        ~ModalEntry() { ModalDialogs().pop_back(); }
    };
    INT_PTR result = 0;
    {
        ModalEntry open(this);
        result = Win().DialogBoxParamA(nullptr, MAKEINTRESOURCEA(m_nIDTemplate), nullptr, &CDialog::DialogProc,
                                       reinterpret_cast<LPARAM>(this));
    }
    // The window is gone: forget it.
    if (m_hWnd != nullptr)
        Dialogs().erase(m_hWnd);
    m_hWnd = nullptr;
    m_bModal = false;
    return result;
}

void CDialog::EndDialog(INT_PTR result)
{
    if (m_bModal)
        Win().EndDialog(m_hWnd, result);
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

void CDialog::OnOK()
{
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCommand(WPARAM, LPARAM)
{
    return FALSE;
}

HICON CDialog::OnQueryDragIcon()
{
    return nullptr;
}

void CDialog::CheckRadioButton(int firstId, int lastId, int checkedId) const
{
    for (int id = firstId; id <= lastId; ++id)
        Win().SendMessageA(Win().GetDlgItem(m_hWnd, id), BM_SETCHECK, id == checkedId ? BST_CHECKED : BST_UNCHECKED,
                           0);
}

INT_PTR CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        CDialog* dialog = reinterpret_cast<CDialog*>(lParam);
        dialog->m_hWnd = hWnd;
        Dialogs()[hWnd] = dialog;
        return dialog->OnInitDialog();
    }
    auto found = Dialogs().find(hWnd);
    if (found == Dialogs().end())
        return FALSE;
    CDialog* dialog = found->second;
    switch (message) {
    case WM_COMMAND:
        // Buttons, and Enter and Esc, come as a click (code 0) of IDOK or IDCANCEL.
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDOK) {
            dialog->OnOK();
            return TRUE;
        }
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDCANCEL) {
            dialog->OnCancel();
            return TRUE;
        }
        return dialog->OnCommand(wParam, lParam);
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(dialog->OnQueryDragIcon());
    default:
        return FALSE;
    }
}
