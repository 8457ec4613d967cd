// The process's own connection to the X server, for the questions SDL has no call for
// (foreign preview windows, the real pointer position, other saver processes' windows).
// Opened once and kept: a fresh connection per question costs a round trip each time, and a
// server whose last client just left may refuse the next one while it resets.
#pragma once

#include <X11/Xlib.h>

// Null when there is no X display.
Display* zarnXDisplay();

// The desktop's active top-level window (the window manager's _NET_ACTIVE_WINDOW, else the
// window with the input focus), 0 when there is none or no display.
Window zarnXActiveWindow();

// Installs the process's X error handlers (once SDL has set up its own, which they replace):
// a lost server ends the process at once with a line on stderr instead of leaving a loop that
// can no longer draw; protocol errors are reported and survived.
void zarnInstallXErrorHandlers();

// While one exists, X protocol errors are swallowed: for questions about windows that may
// vanish at any moment (another program's windows). Flushes pending requests on both ends.
class ScopedXErrorsIgnored {
public:
    explicit ScopedXErrorsIgnored(Display* display);
    ~ScopedXErrorsIgnored();
    ScopedXErrorsIgnored(const ScopedXErrorsIgnored&) = delete;
    ScopedXErrorsIgnored& operator=(const ScopedXErrorsIgnored&) = delete;

private:
    Display* display_;
    int (*previous_)(Display*, XErrorEvent*);
};
