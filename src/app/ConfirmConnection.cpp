// The run's discovery steps: what was found automatically is offered to the
// user for confirmation; otherwise, or when the user declines, the user is asked.
#include "app/Remendo.h"
#include "app/RunConstants.h"
#include "log/DebugLog.h"
#include "log/Format.h"

namespace {
// Log texts, word for word and spelling included: support staff search logs for them.
const char kDiscoveryQuestion[] = "- Can we figure out the connection information automatically?";
const char kNothingFound[] = "--- No, lets prompt the user for info";
const char kPromptCanceled[] = "User canceled prompt for info";
const char kConfirmationQuestion[] = "- Does the user want to use the information found?";
const char kConfirmationCanceled[] = "--- No, user canceled prompt for info";
const char kConfirmationDeclined[] = "--- No, user doesn't want to use it, let's prompt for new info.";
const char kPromptAfterDeclineCanceled[] = "user canceled prompt for info";
const char kConfirmed[] = "--- Yes, let's fix it!";
}  // namespace

bool CRemendoApp::ConfirmConnectionInfo(DebugLog& log)
{
    // 12. Discovery. A networked result with an address is offered whatever
    // DetermineInfo answered.
    log.Write(kDiscoveryQuestion);
    bool found = DetermineInfo();
    bool directFound = found && !m_bNetworked && !m_strPortName.empty();
    bool networkFound = m_bNetworked && !m_strIpAddress.empty();

    // 14. Nothing to offer: the user is asked.
    if (!directFound && !networkFound) {
        log.Write(kNothingFound);
        if (!PromptUserForInfo()) {
            log.Error(kPromptCanceled);
            return false;
        }
        return true;
    }

    // 13. The user confirms, declines (and is asked), or cancels.
    log.Write(kConfirmationQuestion);
    std::string question = m_bNetworked
                               ? Format(run::kNetworkedQuestionFormat, {m_strPrinterName, m_strIpAddress, m_strHostName})
                               : Format(run::kDirectQuestionFormat, {m_strPrinterName, m_strPortName});
    int answer = AfxMessageBox(question, run::kConfirmationStyle);
    if (answer == IDCANCEL) {
        log.Error(kConfirmationCanceled);
        return false;
    }
    if (answer == IDNO) {
        log.Write(kConfirmationDeclined);
        if (!PromptUserForInfo()) {
            log.Error(kPromptAfterDeclineCanceled);
            return false;
        }
        return true;
    }
    log.Write(kConfirmed);
    return true;
}
