// The application-object framework the utility is built on: one process-wide
// application object, started once, and the message boxes captioned with its
// title (the executable's file name without extension).
#pragma once

#include <string>

#include "platform/WinTypes.h"

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Performs the application's work; returns whether a message loop should follow.
    virtual BOOL InitInstance() = 0;

    // The caption of the application's message boxes.
    std::string AppTitle() const;

    // The window the user sees while no dialog is open; it owns the message
    // boxes shown then. Not owned.
    const CWnd* m_pMainWnd = nullptr;
};

int AfxMessageBox(const std::string& text, UINT type = MB_OK);
int AfxMessageBox(UINT stringId, UINT type = MB_OK);

// A text of the string table ("" when it is missing).
std::string LoadResourceString(UINT stringId);
