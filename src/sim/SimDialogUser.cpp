// The simulated backend: the user at an open modal dialog. The answers of the
// machine (or of whoever onUnscriptedDialog asks) are played as a person would
// play them: typing into enabled controls, clicking a radio button, pressing buttons.
#include <sstream>

#include "sim/SimApi.h"
#include "ui/resource.h"

namespace sim {

namespace {
// The four fields of an IP address answer, -1 for a field left blank.
std::array<int, 4> IpFieldsOf(const std::string& text)
{
    std::array<int, 4> fields = {-1, -1, -1, -1};
    if (text.empty())
        return fields;
    std::stringstream parts(text);
    std::string part;
    for (int& field : fields) {
        if (!std::getline(parts, part, '.'))
            break;
        if (!part.empty())
            field = std::stoi(part) & 0xFF;
    }
    return fields;
}
}  // namespace

void SimApi::PlayDialogUser(HWND hDlg)
{
    SimWindow& window = m_windows[hDlg];
    if (!m_machine.dialog.empty() && !m_dialogScriptUsed) {
        m_dialogScriptUsed = true;
        for (const machine::DialogAnswers& answers : m_machine.dialog) {
            if (window.ended)
                break;
            ApplyDialogAnswers(hDlg, answers);
        }
    } else if (onUnscriptedDialog) {
        while (!window.ended) {
            std::optional<machine::DialogAnswers> answers = onUnscriptedDialog(window);
            if (!answers)
                break;
            ApplyDialogAnswers(hDlg, *answers);
        }
    }
    // The user closes a dialog still open; the dialog manager turns that into Cancel.
    if (!window.ended)
        PressButton(hDlg, IDCANCEL);
    if (!window.ended) {
        window.ended = true;
        window.result = IDCANCEL;
    }
}

void SimApi::ApplyDialogAnswers(HWND hDlg, const machine::DialogAnswers& answers)
{
    auto typeInto = [&](int id, const std::string& text) {
        SimControl* control = FindDlgControl(hDlg, id);
        if (control == nullptr || !control->enabled)
            return;
        std::string typed = AnsiText(text);
        std::size_t limit = control->textLimit > 0 ? static_cast<std::size_t>(control->textLimit) : typed.size();
        control->text = typed.substr(0, limit);
    };
    if (answers.product)
        typeInto(IDC_PRODUCT, *answers.product);
    if (answers.connection) {
        int clicked = *answers.connection == "direct" ? IDC_RADIO_DIRECT : IDC_RADIO_NETWORK;
        SimControl* radio = FindDlgControl(hDlg, clicked);
        if (radio != nullptr && radio->enabled) {
            // An automatic radio button checks itself and clears the others of its group.
            for (int id : {IDC_RADIO_DIRECT, IDC_RADIO_NETWORK})
                FindDlgControl(hDlg, id)->check = id == clicked ? BST_CHECKED : BST_UNCHECKED;
            PressButton(hDlg, clicked);
        }
    }
    if (answers.port)
        typeInto(IDC_PORT, *answers.port);
    if (answers.ipAddress) {
        SimControl* control = FindDlgControl(hDlg, IDC_IPADDRESS);
        if (control != nullptr && control->enabled)
            control->ipFields = IpFieldsOf(*answers.ipAddress);
    }
    if (answers.hardwareAddress)
        typeInto(IDC_HWADDR, *answers.hardwareAddress);
    if (answers.hostName)
        typeInto(IDC_HOST, *answers.hostName);
    for (const std::string& button : answers.buttons) {
        if (m_windows[hDlg].ended)
            break;
        PressButton(hDlg, button == "fixit" ? IDOK : IDCANCEL);
    }
}

void SimApi::PressButton(HWND hDlg, int id)
{
    SimWindow* window = FindWindow(hDlg);
    SimControl* button = FindDlgControl(hDlg, id);
    if (window == nullptr || button == nullptr || !button->enabled)
        return;
    window->proc(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button->hwnd));
}

}  // namespace sim
