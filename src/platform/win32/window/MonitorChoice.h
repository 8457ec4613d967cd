// The one monitor a full-screen saver keeps to when $ZARN_MONITOR names it: a watcher that
// shows a clock on every monitor starts one saver per monitor that way. The screen metrics,
// window placement, the one-at-a-time search and the focus rule read it from here; without
// the variable none of them changes.
#pragma once

struct ZarnMonitorRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// Whether $ZARN_MONITOR is set at all (whatever its value).
bool zarnMonitorModeRequested();

// The monitor $ZARN_MONITOR names, by index in the desktop's own order (X: RandR's active
// monitors; Wayland: SDL's displays, which follow the compositor's outputs), with its
// rectangle on the desktop. Resolved once, on first use, which starts video. A value that
// names no monitor (not a plain number, or out of range) ends the process there, before any
// window exists: one line on stderr, exit status 1.
int zarnChosenMonitorIndex();
ZarnMonitorRect zarnChosenMonitorRect();
