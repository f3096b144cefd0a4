// Resource identifiers, shared by the resource script and the code.
#pragma once

#define IDD_QUERY 130
#define IDD_INSTALL 132
#define IDD_OPTIONS 134
#define IDD_PROGRESS 135
#define IDD_UPDATE 139

#define IDB_BAR_PATTERN 148

// Pictures of resource type "PNG".
#define IDP_QUERY 174
#define IDP_INSTALL 175
#define IDP_OPTIONS 176
#define IDP_PROGRESS 177
#define IDP_PROGRESS_ALT 178
#define IDP_UPDATE 180

#define IDI_APP 181

#define IDS_ABOUTBOX 101
#define IDM_ABOUTBOX 16

#define IDC_QUERY_STATUS 1029
#define IDC_QUERY_RETRY 1030

// Progress dialog controls the engine addresses.
#define IDC_STATUS_TEXT 1020
#define IDC_FILE_BAR 1021
#define IDC_OVERALL_BAR 1022
#define IDC_FILE_PERCENT 1023
#define IDC_OVERALL_PERCENT 1024

// Labels no code addresses.
#define IDC_STATIC (-1)

// Install and options dialogs.
#define IDC_OPTIONS_BACK 1011
#define IDC_SHORTCUT_HEADING 1013
#define IDC_QUICK_LAUNCH_BOX 1014
#define IDC_START_MENU_BOX 1015
#define IDC_DESKTOP_BOX 1016
#define IDC_INSTALL_FOLDER 1017
#define IDC_BROWSE 1018
#define IDC_AUTO_START_BOX 1031
