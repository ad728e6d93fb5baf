#include "ui/ProgressDlg.h"

#include "ui/resource.h"

CProgressDlg::~CProgressDlg() = default;

void CProgressDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_PROGRESS, m_ctlProgress);
    DDX_Text(pDX, IDC_STATUS, m_strStatus);
}
