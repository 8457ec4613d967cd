// Keeps the desktop's liveness checks answered while the window's thread is busy with long
// work outside the message loop (the first paint loads every texture, mesh and effect).
// Window managers ping a mapped window (X11 _NET_WM_PING, Wayland xdg_wm_base ping) and put a
// "not responding" dialog over it when no answer comes in a few seconds; SDL answers both,
// but only while it reads the display connection.
#pragma once

// Reads the display connection at most every 100 ms, which answers any ping. What else
// arrives (input, focus, close requests) stays queued in SDL, in order, and becomes window
// messages at the message loop's next turn as before: nothing is dispatched from here, so
// the saver's state is never touched mid-load. Nothing happens where SDL video is not running
// (off-screen windows, the recording device).
void zarnAnswerDesktopPings();
