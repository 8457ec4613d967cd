// The settings dialog: dialog template 2003 and its procedure, which loads the settings into
// the controls, saves them on OK, and opens the product web site from the banner.
#pragma once

#include <windows.h>

enum ConfigDialogIds {
    IDS_SAVER_NAME = 1,
    IDD_CONFIG = 2003,
    IDI_SAVER = 100,
    IDB_BANNER = 108,
    IDC_RESET_DEFAULTS = 1007,
    IDC_ANTIALIASING = 1014,
    IDC_FRAME_SYNC = 1015,
    IDC_MILITARY_TIME = 1016,
    IDC_POST_PROCESSING = 1017,
    IDC_SHADOWS = 1018,
    IDC_RESOLUTION = 1019,
    IDC_WEB_LINK = 1020,
};

// The address the link line shows and the banner opens.
extern const char* const productWebSite;

INT_PTR CALLBACK configDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
