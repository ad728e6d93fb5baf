#include "ui/RemendoDlg.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <set>

#include "log/DebugLog.h"
#include "log/Format.h"
#include "platform/PortNames.h"
#include "platform/WinApi.h"
#include "ui/IpAddressText.h"
#include "ui/WinApp.h"
#include "ui/resource.h"

namespace {
const char kSourceFile[] = "RemendoDlg";
const int kHwAddressMaxChars = 17;  // six pairs of hex digits and five colons
const DWORD kPortInfoLevel = 2;
const char kIpFormat[] = "%d.%d.%d.%d";
// What the address control shows when nothing is known: no device's address.
const char kUnsetAddress[] = "0.0.0.0";

// Log texts, word for word and spelling included: support staff search logs for them.
const char kNoMemory[] = "trouble grabbing memory";
const char kCannotEnumeratePorts[] = "Couldn't enum ports";

// Without colons, letters in upper case: 00:1a:2b:3c:4d:5e gives 001A2B3C4D5E.
std::string NormalizedHardwareAddress(const std::string& typed)
{
    std::string address;
    for (char c : typed) {
        if (c != ':')
            address += c;
    }
    if (!address.empty())
        Win().CharUpperBuffA(&address[0], static_cast<DWORD>(address.size()));
    return address;
}
}  // namespace

CRemendoDlg::CRemendoDlg(const std::vector<std::string>& products)
    : CDialog(IDD_REMENDO_DIALOG), m_pProducts(&products)
{
    m_hIcon = Win().LoadIconA(nullptr, MAKEINTRESOURCEA(IDR_MAINFRAME));
}

CRemendoDlg::~CRemendoDlg() = default;

void CRemendoDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_HW_LABEL, m_ctlHwLabel);
    DDX_Control(pDX, IDC_HOST_LABEL, m_ctlHostLabel);
    DDX_Control(pDX, IDC_IP_LABEL, m_ctlIpLabel);
    DDX_Control(pDX, IDC_HWADDR, m_ctlHwAddr);
    DDX_Control(pDX, IDC_HOST, m_ctlHost);
    DDX_Control(pDX, IDC_PORT, m_ctlPort);
    DDX_Control(pDX, IDC_PRODUCT, m_ctlProduct);
    DDX_Control(pDX, IDC_IPADDRESS, m_ctlIp);
    DDX_CBString(pDX, IDC_PORT, m_strPort);
    DDX_Radio(pDX, {IDC_RADIO_DIRECT, IDC_RADIO_NETWORK}, m_nConnection);
    DDX_CBString(pDX, IDC_PRODUCT, m_strProduct);
    DDX_Text(pDX, IDC_HOST, m_strHost);
    DDX_Text(pDX, IDC_HWADDR, m_strHwAddr);
    DDV_MaxChars(pDX, IDC_HWADDR, kHwAddressMaxChars);
}

BOOL CRemendoDlg::OnInitDialog()
{
    DebugLog log("OnInitDialog", kSourceFile);
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    FillPortList(log);
    m_ctlIp.SetAddress(AddressFromText(m_strIp));
    // The edit holds no more than the user could type into it.
    if (m_strHwAddr.size() > static_cast<std::size_t>(kHwAddressMaxChars))
        m_strHwAddr.resize(kHwAddressMaxChars);
    UpdateData(FALSE);

    for (const std::string& product : *m_pProducts)
        m_ctlProduct.AddString(product);
    if (!m_strProduct.empty())
        m_ctlProduct.SelectString(-1, m_strProduct);
    else if (!m_pProducts->empty())
        m_ctlProduct.SelectString(-1, m_pProducts->back());

    // Without a DOT4 port only the network connection is possible.
    if (m_ctlPort.GetCount() <= 0) {
        m_ctlPort.AddString(LoadResourceString(IDS_NONE));
        CheckRadioButton(IDC_RADIO_DIRECT, IDC_RADIO_NETWORK, IDC_RADIO_NETWORK);
        m_nConnection = 1;
    }
    OnConnectionChoice();

    m_ctlPort.SetFocus();
    return FALSE;  // the focus is set
}

void CRemendoDlg::FillPortList(DebugLog& log)
{
    DWORD needed = 0;
    DWORD count = 0;
    Win().EnumPortsA(nullptr, kPortInfoLevel, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer;
    try {
        buffer.assign(needed, 0);
    } catch (const std::bad_alloc&) {
        log.Error(kNoMemory);
        return;
    }
    if (!Win().EnumPortsA(nullptr, kPortInfoLevel, buffer.data(), needed, &needed, &count)) {
        log.LogLastError(kCannotEnumeratePorts);
        return;
    }
    count = std::min<DWORD>(count, static_cast<DWORD>(buffer.size() / sizeof(PORT_INFO_2A)));
    std::set<std::string> listed;
    for (DWORD i = 0; i < count; ++i) {
        PORT_INFO_2A record;
        std::memcpy(&record, buffer.data() + i * sizeof record, sizeof record);
        if (record.pPortName == nullptr)
            continue;
        std::string name = record.pPortName;
        if (name.find(ports::kDot4PortMarker) == std::string::npos || !listed.insert(name).second)
            continue;
        m_ctlPort.AddString(name);
        if (m_strPort < name)
            m_strPort = name;
    }
}

void CRemendoDlg::OnConnectionChoice()
{
    UpdateData(TRUE);
    BOOL network = m_nConnection != 0;
    for (const CWnd* control : std::initializer_list<const CWnd*>{&m_ctlIp, &m_ctlHwAddr, &m_ctlHost, &m_ctlHostLabel,
                                                                  &m_ctlIpLabel, &m_ctlHwLabel})
        control->EnableWindow(network);
    m_ctlPort.EnableWindow(!network);
}

BOOL CRemendoDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    int id = LOWORD(wParam);
    if (HIWORD(wParam) == BN_CLICKED && (id == IDC_RADIO_DIRECT || id == IDC_RADIO_NETWORK)) {
        OnConnectionChoice();
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CRemendoDlg::OnOK()
{
    DebugLog log("OnOK", kSourceFile);
    UpdateData(TRUE);
    // The direct choice is not checked here: an empty port is caught by the caller.
    if (m_nConnection != 1) {
        EndDialog(IDOK);
        return;
    }
    BYTE field0 = 0, field1 = 0, field2 = 0, field3 = 0;
    m_ctlIp.GetAddress(field0, field1, field2, field3);
    m_strIp = Format(kIpFormat, {static_cast<int>(field0), static_cast<int>(field1), static_cast<int>(field2),
                                 static_cast<int>(field3)});
    m_strHwAddr = NormalizedHardwareAddress(m_strHwAddr);
    // The first missing answer is asked for; the dialog stays open. The
    // address shown when none was known is no answer either.
    if (m_ctlIp.IsBlank() || m_strIp == kUnsetAddress)
        AfxMessageBox(IDS_ENTER_IP, MB_OK);
    else if (m_strHwAddr.empty())
        AfxMessageBox(IDS_ENTER_HWADDR, MB_OK);
    else if (m_strHost.empty())
        AfxMessageBox(IDS_ENTER_HOST, MB_OK);
    else
        EndDialog(IDOK);
}

HICON CRemendoDlg::OnQueryDragIcon()
{
    return m_hIcon;
}
