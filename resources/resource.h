// Resource numbers of the desktop program. The numbers are part of the
// program's design (the message numbers are those of the conversion job), so
// they stay as they are.
#ifndef KORVEL_RESOURCE_H
#define KORVEL_RESOURCE_H

// Dialog templates.
#define IDD_MAIN 102
#define IDD_SETTINGS 130
#define IDD_MESSAGE 151
#define IDD_ABOUT 152

// Controls of the main window.
#define IDC_MAIN_POWER 1        // the standard OK command closes the window
#define IDC_MAIN_PICTURE 1002
#define IDC_ABOUT 1029

// Controls of the settings dialog.
#define IDC_SETTINGS_OK 1
#define IDC_SETTINGS_CANCEL 2
#define IDC_CLEAR 1000
#define IDC_TITLE 1001
#define IDC_COPYRIGHT 1002
#define IDC_POWER 1015
#define IDC_TRANSFER 1023
#define IDC_RATE_4K 1024
#define IDC_RATE_8K 1030
#define IDC_SAVE 1031

// Controls of the message box.
#define IDC_MESSAGE_PICTURE 1025
#define IDC_MESSAGE_TEXT 1026

// Controls of the About box.
#define IDC_ABOUT_VERSION 1002
#define IDC_ABOUT_NOTICE 1003
#define IDC_ABOUT_NAME 1004
#define IDC_ABOUT_SUPPORT 1005
#define IDC_ABOUT_LINK 1006

// Bitmaps. Those marked per language exist in an English and a Japanese version.
#define IDB_LABEL_8KHZ 102
#define IDB_LABEL_4KHZ 103
#define IDB_LABEL_SAVE 104       // per language
#define IDB_LABEL_TRANSFER 106   // per language
#define IDB_RADIO 108
#define IDB_DROP_HERE 110
#define IDB_EMBLEM 132
#define IDB_FRAME 133
#define IDB_BUTTON_CANCEL 134
#define IDB_PLATE_CAUTION 135
#define IDB_CHECK_BOX 136
#define IDB_BUTTON_CLEAR 137
#define IDB_BUTTON_CLOSE 138
#define IDB_PLATE_COMPLETED 139
#define IDB_BAR_COPYRIGHT 141    // per language
#define IDB_BUTTON_OK 145
#define IDB_BUTTON_POWER 146
#define IDB_BAR_TITLE 148        // per language
#define IDB_BUTTON_ABOUT 156

// The icon and the link's pointer.
#define IDI_KORVEL 128
#define IDCUR_LINK 160

// The string table's numbers are the message numbers of system/Messages.def.

#endif
