// The process's own connection to the X server, for the questions SDL has no call for
// (foreign preview windows, the real pointer position). Opened once and kept: a fresh
// connection per question costs a round trip each time, and a server whose last client
// just left may refuse the next one while it resets.
#pragma once

#include <X11/Xlib.h>

// Null when there is no X display.
Display* zarnXDisplay();

// The desktop's active top-level window (the window manager's _NET_ACTIVE_WINDOW, else the
// window with the input focus), 0 when there is none or no display.
Window zarnXActiveWindow();
