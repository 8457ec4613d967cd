// Not part of Win32: where CreateWindowExA puts new windows. The saver uses the display
// (SDL2); tests and the snapshot tool switch to off-screen windows, so nothing needs an X
// server (they pin the screen size with ZarnSetScreenMetricsOverride as well).
#pragma once

#include <windows.h>

enum ZarnWindowBackend { ZARN_WINDOWS_ON_DISPLAY = 0, ZARN_WINDOWS_OFFSCREEN = 1 };

void ZarnSetWindowBackend(ZarnWindowBackend backend);
ZarnWindowBackend ZarnGetWindowBackend();

// The window procedure state of this process's queue is dropped: posted messages, a pending
// quit, and the cursor display count. For tests that run several message loops in a row.
void ZarnResetMessageQueue();

// The cursor display count ShowCursor keeps (the cursor shows while it is >= 0).
int ZarnCursorDisplayCount();
