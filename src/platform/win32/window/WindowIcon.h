// A window's icon from its class: what window lists and task bars show for it.
#pragma once

#include <windows.h>

// Gives an SDL window the picture of an icon resource; nothing for other windows, for no
// icon, or when the picture cannot be read.
void zarnSetWindowIcon(HWND window, HICON icon);
