// The dialog framework the utility's windows are built on: a window wrapper,
// dialogs created from resource templates, and data exchange between a
// dialog's members and its controls.
#pragma once

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

class CWnd {
public:
    virtual ~CWnd() = default;
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL EnableWindow(BOOL enable = TRUE) const;
    HWND SetFocus() const;

    HWND m_hWnd = nullptr;
};

class CProgressCtrl : public CWnd {
};

class CStatic : public CWnd {
};

class CEdit : public CWnd {
};

class CComboBox : public CWnd {
public:
    // Index of the new entry (sorted lists place it in order).
    int AddString(const std::string& text) const;
    // Selects the first entry from startAfter + 1 that begins with text (ignoring case); CB_ERR when none.
    int SelectString(int startAfter, const std::string& text) const;
    int GetCount() const;
};

class CIPAddressCtrl : public CWnd {
public:
    void SetAddress(DWORD address) const;
    // The four fields (a blank field reads 0); returns how many are filled in.
    int GetAddress(BYTE& field0, BYTE& field1, BYTE& field2, BYTE& field3) const;
    // True when none of the four fields is filled in.
    BOOL IsBlank() const;
};

// Direction and target of one data exchange.
class CDataExchange {
public:
    CDataExchange(HWND dialog, BOOL saveAndValidate) : m_hDlg(dialog), m_bSaveAndValidate(saveAndValidate) {}
    HWND m_hDlg;
    BOOL m_bSaveAndValidate;  // TRUE: controls to members; FALSE: members to controls
};

void DDX_Control(CDataExchange* pDX, int controlId, CWnd& control);
void DDX_Text(CDataExchange* pDX, int controlId, std::string& value);
// The text of a combo box with an edit field: loading selects the matching
// entry, or puts the text in the edit field when there is none.
void DDX_CBString(CDataExchange* pDX, int controlId, std::string& value);
// A radio group, given its buttons in order: the index of the checked one, -1 for none.
void DDX_Radio(CDataExchange* pDX, std::initializer_list<int> buttonIds, int& value);
// Limits what the user can type into an edit control.
void DDV_MaxChars(CDataExchange* pDX, int controlId, int maxChars);

class CDialog : public CWnd {
public:
    CDialog() = default;
    explicit CDialog(UINT templateId) : m_nIDTemplate(templateId) {}
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Modeless creation from a template; no parent means owned by nobody.
    BOOL Create(UINT templateId, HWND parent = nullptr);
    // Runs the dialog of m_nIDTemplate modally: IDOK, IDCANCEL, or -1 when it cannot be shown.
    virtual INT_PTR DoModal();
    void EndDialog(INT_PTR result);
    BOOL ShowWindow(int showCommand) const;
    BOOL DestroyWindow();
    // FALSE: members to controls; TRUE: controls to members.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    // The window of the innermost modal dialog now open, nullptr when none is.
    static HWND OpenModalWindow();

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual BOOL OnInitDialog();
    // Commands: IDOK and IDCANCEL go to OnOK and OnCancel, the rest to OnCommand.
    virtual void OnOK();
    virtual void OnCancel();
    // TRUE when the command was handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // The icon shown while the window is dragged minimised; nullptr for the system's.
    virtual HICON OnQueryDragIcon();
    // Checks one button of a group and clears the others.
    void CheckRadioButton(int firstId, int lastId, int checkedId) const;

    UINT m_nIDTemplate = 0;
    bool m_bModal = false;  // only a modal dialog ends by OK or Cancel

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static std::map<HWND, CDialog*>& Dialogs();
    static std::vector<const CDialog*>& ModalDialogs();
};
