// The settings dialog: dialog template 2003 and its procedure, which loads the settings into
// the controls, saves them on OK, and opens the product web site from the banner.
#pragma once

#include <windows.h>

#include "shell/ConfigDialogIds.h"

// The address the link line shows and the banner opens.
extern const char* const productWebSite;

INT_PTR CALLBACK configDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
