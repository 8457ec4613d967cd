// The saver's window procedure: loads settings and assets when the window is created, renders
// a frame on every paint, asks the password check on close, and releases on destruction.
// Everything it does not handle goes to the host's defaultSaverProc.
#pragma once

#include <windows.h>

LRESULT saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void loadOnCreate(HWND window);
void shutdownSaver();
