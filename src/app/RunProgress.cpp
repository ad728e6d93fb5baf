// The progress window as the run moves on: the bar's position and the status
// line's string-table text.
#include "app/Remendo.h"
#include "app/RunConstants.h"
#include "ui/WinApp.h"

void CRemendoApp::ShowStatus(UINT stringId)
{
    m_dlgProgress.m_ctlProgress.SendMessage(PBM_SETPOS, static_cast<WPARAM>(m_nProgressPos), 0);
    m_dlgProgress.m_strStatus = LoadResourceString(stringId);
    m_dlgProgress.UpdateData(FALSE);
}

void CRemendoApp::StepProgress(UINT stringId)
{
    m_nProgressPos += run::kProgressStep;
    ShowStatus(stringId);
}
