// The run's discovery steps: what was found automatically is offered to the
// user for confirmation; otherwise, or when the user declines, the user is asked.
#include "app/Remendo.h"
#include "app/RunConstants.h"
#include "log/DebugLog.h"
#include "log/Format.h"

bool CRemendoApp::ConfirmConnectionInfo(DebugLog& log)
{
    // 12. Discovery. A networked result with an address is offered whatever
    // DetermineInfo answered.
    log.Write("- Can we figure out the connection information automatically?");
    bool found = DetermineInfo();
    bool directFound = found && !m_bNetworked && !m_strPortName.empty();
    bool networkFound = m_bNetworked && !m_strIpAddress.empty();

    // 14. Nothing to offer: the user is asked.
    if (!directFound && !networkFound) {
        log.Write("--- No, lets prompt the user for info");
        if (!PromptUserForInfo()) {
            log.Error("User canceled prompt for info");
            return false;
        }
        return true;
    }

    // 13. The user confirms, declines (and is asked), or cancels.
    log.Write("- Does the user want to use the information found?");
    std::string question = m_bNetworked
                               ? Format(run::kNetworkedQuestionFormat, {m_strPrinterName, m_strIpAddress, m_strHostName})
                               : Format(run::kDirectQuestionFormat, {m_strPrinterName, m_strPortName});
    int answer = AfxMessageBox(question, run::kConfirmationStyle);
    if (answer == IDCANCEL) {
        log.Error("--- No, user canceled prompt for info");
        return false;
    }
    if (answer == IDNO) {
        log.Write("--- No, user doesn't want to use it, let's prompt for new info.");
        if (!PromptUserForInfo()) {
            log.Error("user canceled prompt for info");
            return false;
        }
        return true;
    }
    log.Write("--- Yes, let's fix it!");
    return true;
}
