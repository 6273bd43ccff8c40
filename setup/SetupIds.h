// Resource identifiers of the installer, shared by its resource script and its code.
#pragma once

#define IDD_SETUP 102
#define IDC_SETUP_WELCOME 103
#define IDC_SETUP_GROUP 104
#define IDC_SETUP_FOLDER 105
#define IDC_SETUP_BROWSE 106
#define IDC_SETUP_INSTALL 107
#define IDC_SETUP_CANCEL 108
#define IDC_SETUP_HINT 109
#define IDC_SETUP_ICON 1006
#define IDI_SETUP 110
#define IDR_CABINET 101
