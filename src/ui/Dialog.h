// The dialog framework the utility's windows are built on: a window wrapper,
// dialogs created from resource templates, and data exchange between a
// dialog's members and its controls.
#pragma once

#include <map>
#include <string>

#include "platform/WinTypes.h"

class CWnd {
public:
    virtual ~CWnd() = default;
    HWND GetSafeHwnd() const { return m_hWnd; }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL EnableWindow(BOOL enable = TRUE) const;

    HWND m_hWnd = nullptr;
};

class CProgressCtrl : public CWnd {
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

class CDialog : public CWnd {
public:
    CDialog() = default;
    explicit CDialog(UINT templateId) : m_nIDTemplate(templateId) {}
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Modeless creation from a template; no parent means owned by nobody.
    BOOL Create(UINT templateId, HWND parent = nullptr);
    BOOL ShowWindow(int showCommand) const;
    BOOL DestroyWindow();
    // FALSE: members to controls; TRUE: controls to members.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual BOOL OnInitDialog();

    UINT m_nIDTemplate = 0;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static std::map<HWND, CDialog*>& Dialogs();
};
