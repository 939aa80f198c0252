// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_VASKHOTKEY_DIALOG 102
#define IDD_GUEST_USER_DENY 103
#define IDR_MAINFRAME 128
#define IDD_OSD 131
#define IDD_SWITCH_GRAPHIC_CARD 189
#define IDD_BATTERY_DISABLE 190
#define IDC_GUEST_NOTICE_TEXT 1002

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
