#include "platform/sim/DialogTemplates.h"

#include <map>

#include "ui/StringTable.h"
#include "platform/WinTypes.h"
#include "ui/resource.h"

namespace sim {

const DialogTemplate* FindDialogTemplate(int id)
{
    static const std::vector<DialogTemplate> templates = {
        {IDD_PROGRESS,
         true,
         {
             {IDC_STATUS, "STATIC", TEXT_PROGRESS_STATUS_TEMPLATE, false},
             {IDC_PROGRESS, "msctls_progress32", "Progress1", false},
         }},
        {IDD_REMENDO_DIALOG,
         false,
         {
             {IDC_GROUP_PRODUCT, "BUTTON", TEXT_GROUP_PRODUCT, false},
             {IDC_PRODUCT, "COMBOBOX", "", true},
             {IDC_GROUP_INFO, "BUTTON", TEXT_GROUP_INFO, false},
             {IDC_RADIO_DIRECT, "BUTTON", TEXT_RADIO_DIRECT, false},
             {IDC_RADIO_NETWORK, "BUTTON", TEXT_RADIO_NETWORK, false},
             {IDC_PORT, "COMBOBOX", "", true},
             {IDC_IP_LABEL, "STATIC", TEXT_IP_LABEL, false},
             {IDC_IPADDRESS, "SysIPAddress32", "", false},
             {IDC_HW_LABEL, "STATIC", TEXT_HW_LABEL, false},
             {IDC_HWADDR, "EDIT", "", false},
             {IDC_HOST_LABEL, "STATIC", TEXT_HOST_LABEL, false},
             {IDC_HOST, "EDIT", "", false},
             {IDOK, "BUTTON", TEXT_FIX_IT, false},
             {IDCANCEL, "BUTTON", TEXT_CANCEL, false},
         }},
    };
    for (const DialogTemplate& dialog : templates) {
        if (dialog.id == id)
            return &dialog;
    }
    return nullptr;
}

bool HasIconResource(int id)
{
    return id == IDR_MAINFRAME;
}

const char* FindResourceString(unsigned id)
{
    static const std::map<unsigned, const char*> strings = {
        {IDS_NONE, TEXT_IDS_NONE},
        {IDS_CHANGES_REBOOT, TEXT_IDS_CHANGES_REBOOT},
        {IDS_CHANGES_MADE, TEXT_IDS_CHANGES_MADE},
        {IDS_COMPLETED, TEXT_IDS_COMPLETED},
        {IDS_INITIALIZING, TEXT_IDS_INITIALIZING},
        {IDS_LOOKING_FOR_DEVICES, TEXT_IDS_LOOKING_FOR_DEVICES},
        {IDS_STOPPING_STI, TEXT_IDS_STOPPING_STI},
        {IDS_FIXING_IMAGING_KEYS, TEXT_IDS_FIXING_IMAGING_KEYS},
        {IDS_STARTING_STI, TEXT_IDS_STARTING_STI},
        {IDS_CHECKING_QMX, TEXT_IDS_CHECKING_QMX},
        {IDS_REREGISTERING_DLLS, TEXT_IDS_REREGISTERING_DLLS},
        {IDS_RESOLVING_HOSTNAME, TEXT_IDS_RESOLVING_HOSTNAME},
        {IDS_SEARCHING, TEXT_IDS_SEARCHING},
        {IDS_ENTER_IP, TEXT_IDS_ENTER_IP},
        {IDS_ENTER_HOST, TEXT_IDS_ENTER_HOST},
        {IDS_ENTER_HWADDR, TEXT_IDS_ENTER_HWADDR},
    };
    auto found = strings.find(id);
    return found == strings.end() ? nullptr : found->second;
}

}  // namespace sim
