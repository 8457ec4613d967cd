// A preview's foreign host window (another program's X window that the saver draws inside):
// the saver's child follows its size, and its destruction closes the saver quietly.
#pragma once

#include <windows.h>

// Starts watching `host` (an X window id) for the child window `child` that lives in it.
void zarnWatchPreviewHost(HWND child, uintptr_t host);

// Handles what the host did since the last call: a resize resizes the child, destruction
// posts WM_CLOSE to it (once it takes messages, if the host went while it was being made).
// Cheap when nothing is watched.
void zarnPumpPreviewHostEvents();

// Whether `window` may still be drawn into: false once it is a preview child whose host (and
// so the child itself) is gone, which this asks the server about. Software GL asks the server
// for a drawable's size when it swaps and does not survive the answer "no such window", so
// the child is checked right before each swap rather than when the host's notice arrives.
bool zarnWindowStillOnServer(HWND window);

// From the X error handler: whether an error of this code, about this resource, may come
// from drawing into a child whose host has gone (such errors are held back until the host is
// known gone or alive). Any error about the child itself counts, GLX's own codes included: a
// swap can reach the server just after the host went.
bool zarnPreviewHostMayBeGone(int errorCode, unsigned long resource);

// Shows or hides a child window of a foreign host straight through X, without SDL: SDL waits
// for the server's notice that it happened, which never comes when the host (and with it the
// child) has just been destroyed, and the saver would hang in that wait. False, doing
// nothing, for any other window.
bool zarnShowPreviewChild(HWND window, bool show);

// While one exists, a preview child's host cannot go away: the X server serves SDL's
// connection alone. A call that does not survive its window's loss (SDL reads a window's
// attributes without checking the answer when it makes a GL context) runs safely inside
// one, on the child that childExists() reports. Other windows: nothing is held; they exist.
class ZarnPreviewChildHold {
public:
    explicit ZarnPreviewChildHold(HWND window);
    ~ZarnPreviewChildHold();
    ZarnPreviewChildHold(const ZarnPreviewChildHold&) = delete;
    ZarnPreviewChildHold& operator=(const ZarnPreviewChildHold&) = delete;
    bool childExists() const { return exists; }

private:
    void* grabbedDisplay = nullptr;
    bool exists = true;
};
