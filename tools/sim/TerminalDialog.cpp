#include "TerminalDialog.h"

#include <iostream>
#include <memory>
#include <string>

#include "ui/StringTable.h"
#include "ui/resource.h"

namespace {
// A line of input; false at the end of input.
bool Ask(const std::string& question, std::string& reply)
{
    std::cout << question << std::flush;
    return static_cast<bool>(std::getline(std::cin, reply));
}

// A choice from a list by its number, or typed text; empty keeps the current text.
bool AskText(const std::string& label, const sim::SimControl& control, std::optional<std::string>& answer)
{
    for (std::size_t i = 0; i < control.items.size(); ++i)
        std::cout << "  " << i + 1 << ") " << control.items[i] << "\n";
    std::string reply;
    if (!Ask(label + " [" + control.text + "]: ", reply))
        return false;
    if (reply.empty())
        return true;
    if (reply == "-") {
        answer = std::string();
        return true;
    }
    std::size_t pick = reply.find_first_not_of("0123456789") == std::string::npos && reply.size() < 4 ? std::stoul(reply) : 0;
    answer = pick >= 1 && pick <= control.items.size() ? control.items[pick - 1] : reply;
    return true;
}

std::string IpText(const sim::SimControl& control)
{
    std::string text;
    for (std::size_t i = 0; i < control.ipFields.size(); ++i)
        text += (i > 0 ? "." : "") + (control.ipFields[i] < 0 ? std::string() : std::to_string(control.ipFields[i]));
    return text;
}

// Four fields of 0-255, each may be left empty.
bool IsIpText(const std::string& text)
{
    int fields = 1;
    std::string field;
    for (char c : text + ".") {
        if (c != '.') {
            if (c < '0' || c > '9' || field.size() == 3)
                return false;
            field += c;
            continue;
        }
        if (!field.empty() && std::stoi(field) > 255)
            return false;
        field.clear();
        ++fields;
    }
    return fields == 5;
}

std::optional<machine::DialogAnswers> AskRound(const sim::SimWindow& dialog)
{
    const auto& controls = dialog.controls;
    machine::DialogAnswers answers;
    std::cout << "\n[" << TEXT_REMENDO_DIALOG_CAPTION << "] (Enter keeps what is shown, - clears it)\n"
              << TEXT_GROUP_PRODUCT << "\n";
    if (!AskText("Product (number or text)", controls.at(IDC_PRODUCT), answers.product))
        return std::nullopt;

    bool network = controls.at(IDC_RADIO_NETWORK).check == BST_CHECKED;
    std::string reply;
    for (;;) {
        if (!Ask(std::string("Connection, [d]irect or [n]etwork [") + (network ? "n" : "d") + "]: ", reply))
            return std::nullopt;
        if (reply.empty() || reply == "d" || reply == "n")
            break;
    }
    if (!reply.empty()) {
        network = reply == "n";
        answers.connection = network ? "network" : "direct";
    }

    if (!network) {
        if (!AskText("Port (number or text)", controls.at(IDC_PORT), answers.port))
            return std::nullopt;
    } else {
        for (;;) {
            if (!Ask("IP address [" + IpText(controls.at(IDC_IPADDRESS)) + "]: ", reply))
                return std::nullopt;
            if (reply.empty() || IsIpText(reply) || reply == "-")
                break;
            std::cout << "  four numbers of 0-255 separated by dots (a field may be empty)\n";
        }
        if (!reply.empty())
            answers.ipAddress = reply == "-" ? "" : reply;
        if (!AskText("Hardware address", controls.at(IDC_HWADDR), answers.hardwareAddress) ||
            !AskText("Host name", controls.at(IDC_HOST), answers.hostName))
            return std::nullopt;
    }
    for (;;) {
        if (!Ask("[f]ix it or [c]ancel? ", reply))
            return std::nullopt;
        if (reply == "f" || reply == "c")
            break;
    }
    answers.buttons = {reply == "f" ? "fixit" : "cancel"};
    return answers;
}
}  // namespace

std::function<std::optional<machine::DialogAnswers>(const sim::SimWindow&)> TerminalDialogAsker(const sim::SimApi& api)
{
    auto boxesSeen = std::make_shared<std::optional<std::size_t>>();
    return [&api, boxesSeen](const sim::SimWindow& dialog) {
        std::vector<machine::ShownMessageBox> boxes = api.MessageBoxes();
        if (!*boxesSeen)
            *boxesSeen = boxes.size();
        for (std::size_t& seen = **boxesSeen; seen < boxes.size(); ++seen)
            std::cout << "\n[" << boxes[seen].caption << "] " << boxes[seen].text << "\n";
        return AskRound(dialog);
    };
}
