// Messages posted to another program's X window (a preview's host), which knows nothing of
// window messages: each is delivered as the X input that stands for it there.
#pragma once

#include <windows.h>

// WM_HELP arrives as F1 and WM_CONTEXTMENU as the Menu key, pressed and released in that
// window. Other messages have no X meaning: FALSE, as for a window that cannot take them.
BOOL zarnPostToForeignWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
