// Resource identifiers shared by Remendo.rc and the code.
// Plain #defines only: the resource compiler reads this file too.
#pragma once

#define IDR_MAINFRAME 128

// Progress window
#define IDD_PROGRESS 130
#define IDC_STATUS 13
#define IDC_PROGRESS 1008

// Connection-information dialog
#define IDD_REMENDO_DIALOG 102
#define IDC_IPADDRESS 1000
#define IDC_RADIO_DIRECT 1001
#define IDC_RADIO_NETWORK 1002
#define IDC_PORT 1005
#define IDC_PRODUCT 1006
#define IDC_HOST 1009
#define IDC_IP_LABEL 1010
#define IDC_HOST_LABEL 1011
#define IDC_HWADDR 1012
#define IDC_HW_LABEL 1013
#define IDC_GROUP_INFO 1014
#define IDC_GROUP_PRODUCT 1015

// String table
#define IDS_NONE 1
#define IDS_CHANGES_REBOOT 2
#define IDS_CHANGES_MADE 3
#define IDS_COMPLETED 4
#define IDS_INITIALIZING 5
#define IDS_LOOKING_FOR_DEVICES 6
#define IDS_STOPPING_STI 7
#define IDS_FIXING_IMAGING_KEYS 8
#define IDS_STARTING_STI 9
#define IDS_CHECKING_QMX 10
#define IDS_REREGISTERING_DLLS 11
#define IDS_RESOLVING_HOSTNAME 12
#define IDS_SEARCHING 13
#define IDS_ENTER_IP 14
#define IDS_ENTER_HOST 15
#define IDS_ENTER_HWADDR 16
