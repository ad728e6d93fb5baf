// The modeless progress window: one centred status line and a 0-100 bar,
// no buttons and no close box.
#pragma once

#include <string>

#include "ui/Dialog.h"

class CProgressDlg : public CDialog {
public:
    CProgressDlg() = default;
    ~CProgressDlg() override;

    CProgressCtrl m_ctlProgress;
    std::string m_strStatus;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
