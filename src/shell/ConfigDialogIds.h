// The ids of the saver's resources and of the settings dialog's controls. Plain macros, so
// a resource script can include this file as well as the C++ code.
#pragma once

#define IDS_SAVER_NAME 1
#define IDD_CONFIG 2003
#define IDI_SAVER 100
#define IDB_BANNER 108
#define IDC_RESET_DEFAULTS 1007
#define IDC_ANTIALIASING 1014
#define IDC_FRAME_SYNC 1015
#define IDC_MILITARY_TIME 1016
#define IDC_POST_PROCESSING 1017
#define IDC_SHADOWS 1018
#define IDC_RESOLUTION 1019
#define IDC_WEB_LINK 1020

// The address the link line shows and the banner opens.
#define ZARN_PRODUCT_WEB_SITE "https://zarn-screensaver.org/"
