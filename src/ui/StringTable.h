// The texts of the string table, defined once: Remendo.rc builds the real
// string table from them and the simulated machine answers LoadStringA with them.
// Plain #defines only: the resource compiler reads this file too.
#pragma once

#define TEXT_IDS_NONE "(none)"
#define TEXT_IDS_CHANGES_REBOOT "Changes were made that require a reboot to take affect."
#define TEXT_IDS_CHANGES_MADE "Changes were made that may have corrected a problem."
#define TEXT_IDS_COMPLETED "The utility has completed."
#define TEXT_IDS_INITIALIZING "Initializing"
#define TEXT_IDS_LOOKING_FOR_DEVICES "Looking for all imaging devices on the PC"
#define TEXT_IDS_STOPPING_STI "Stopping the sti service"
#define TEXT_IDS_FIXING_IMAGING_KEYS "Fixing imaging registry keys for selected product"
#define TEXT_IDS_STARTING_STI "Starting the sti service"
#define TEXT_IDS_CHECKING_QMX "Checking the qmx service"
#define TEXT_IDS_REREGISTERING_DLLS "Re-registering necessary dlls"
#define TEXT_IDS_RESOLVING_HOSTNAME "Resolving the hostname from the IP address"
#define TEXT_IDS_SEARCHING "Searching for information"
#define TEXT_IDS_ENTER_IP "Please enter an IP address as found on the printer config page."
#define TEXT_IDS_ENTER_HOST "Please enter a Host name as found on the printer config page."
#define TEXT_IDS_ENTER_HWADDR "Please enter a hardware address as found on the printer config page."

// The progress window's template text of its status line, replaced as soon as
// the window is created.
#define TEXT_PROGRESS_STATUS_TEMPLATE "Capturing information"
#define TEXT_PROGRESS_CAPTION "CV Remendo Utility"

// The connection-information dialog's title and control texts (trailing blanks included).
#define TEXT_REMENDO_DIALOG_CAPTION "CV Quillray Remendo Utility"
#define TEXT_GROUP_PRODUCT "1) Select the all-in-one to be configured: "
#define TEXT_GROUP_INFO "2) Fill in the appropriate information: "
#define TEXT_RADIO_DIRECT \
    "If your device is connected to this PC via a USB or parallel printer cable, select the same port that is shown on the port tab of the printers property dialog:"
#define TEXT_RADIO_NETWORK \
    "If your device is connected to the network, enter the information below as found on the printer's config report "
#define TEXT_IP_LABEL "IP address:"
#define TEXT_HW_LABEL "Hardware address:"
#define TEXT_HOST_LABEL "Host name:"
#define TEXT_FIX_IT "Fix It"
#define TEXT_CANCEL "Cancel"
