// Bookkeeping of live window objects, private to the window code.
#pragma once

#include <windows.h>

void zarnRegisterWindow(HWND window);
void zarnUnregisterWindow(HWND window);
