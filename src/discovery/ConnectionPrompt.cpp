// The connection-information dialog, preset from the run state, and its
// answers taken over into the run state.
#include "app/Remendo.h"
#include "discovery/ProductFamily.h"
#include "log/DebugLog.h"
#include "platform/WinApi.h"
#include "ui/RemendoDlg.h"

namespace {
// Log texts, word for word and spelling included: support staff search logs for them.
const char kDialogCanceled[] = "User canceled out of dialog";
const char kDialogNotShown[] = "Couldn't show the connection dialog";
const char kSeriesSelected[] = "User selected a %s";
const char kOnNetwork[] = "\tOn Network";
const char kNoIpAddress[] = "Empty IP address";
const char kIpEntered[] = "\tUser entered IP of %s";
const char kHostNameEntered[] = "\tUser entered host name of %s";
const char kHwAddressEntered[] = "\tUser entered hardware address of %s";
const char kDirectConnected[] = "\tDirect connected";
const char kNoPort[] = "Empty Port";
}  // namespace

bool CRemendoApp::PromptUserForInfo()
{
    DebugLog log("PromptUserForInfo", kRemendoSourceFile);
    std::vector<std::string> products;
    for (const ProductFamily* family : g_productFamilies)
        products.push_back(family->seriesName);
    CRemendoDlg dialog(products);

    dialog.m_strProduct = m_bFamilyA ? g_familyA.seriesName : m_bFamilyC ? g_familyC.seriesName : g_familyB.seriesName;
    dialog.m_strHost = m_strHostName;
    dialog.m_strPort = m_strPortName;
    dialog.m_strHwAddr = m_strHwAddress;
    dialog.m_strIp = m_strIpAddress;
    dialog.m_nConnection = m_bNetworked ? 1 : 0;

    INT_PTR result = dialog.DoModal();
    if (result == IDCANCEL) {
        log.Error(kDialogCanceled);
        return false;
    }
    // A dialog that could not be shown answered nothing: the run must not go
    // on to repair with details nobody confirmed.
    if (result != IDOK) {
        log.LogLastError(kDialogNotShown);
        return false;
    }

    // The product and the connection are taken over before the details are checked.
    m_strSeriesName = dialog.m_strProduct;
    log.Writef(kSeriesSelected, m_strSeriesName);
    const ProductFamily* chosen = nullptr;
    for (const ProductFamily* family : g_productFamilies) {
        if (m_strSeriesName == family->seriesName)
            chosen = family;
    }
    SelectFamily(chosen);
    m_bNetworked = dialog.m_nConnection != 0;

    if (m_bNetworked) {
        log.Write(kOnNetwork);
        if (dialog.m_strIp.empty()) {
            log.Error(kNoIpAddress);
            return false;
        }
        m_strIpAddress = dialog.m_strIp;
        log.Writef(kIpEntered, m_strIpAddress);
        m_strHostName = dialog.m_strHost;
        log.Writef(kHostNameEntered, m_strHostName);
        m_strHwAddress = dialog.m_strHwAddr;
        log.Writef(kHwAddressEntered, m_strHwAddress);
        return true;
    }
    log.Write(kDirectConnected);
    if (dialog.m_strPort.empty()) {
        log.Error(kNoPort);
        return false;
    }
    m_strPortName = dialog.m_strPort;
    return true;
}
