// A preview's foreign host window (another program's X window that the saver draws inside):
// the saver's child follows its size, and its destruction closes the saver quietly.
#pragma once

#include <windows.h>

// Starts watching `host` (an X window id) for the child window `child` that lives in it.
void zarnWatchPreviewHost(HWND child, uintptr_t host);

// Handles what the host did since the last call: a resize resizes the child, destruction
// posts WM_CLOSE to it. Cheap when nothing is watched.
void zarnPumpPreviewHostEvents();

// From the X error handler: whether an error of this code may come from drawing into a child
// whose host has gone (such errors are held back until the host is known gone or alive).
bool zarnPreviewHostMayBeGone(int errorCode);
