// Private to the message stand-in: per-window paint and focus state, the posted-message
// queue, and the bridge from SDL events into window messages.
#pragma once

#include <windows.h>

#include <deque>

struct WindowMessageState {
    bool invalid = true;       // needs painting: stays so until something validates it
    bool destroyed = false;    // DestroyWindow ran; the object may outlive the handle
    bool hadFocus = false;     // a focus loss only counts after the window had focus
};

// Null when the handle is not a window created by CreateWindowExA.
WindowMessageState* zarnMessageState(HWND window);
// True for windows created by CreateWindowExA and not yet destroyed.
bool zarnIsMessageWindow(HWND window);

std::deque<MSG>& zarnPostedMessages();
void zarnPostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Turns pending SDL events into posted messages; false when SDL video is not running.
bool zarnPumpSdlEvents();
// Posts WM_CLOSE to every live window made by CreateWindowExA.
void zarnPostCloseToAllWindows();

// The pointer position last reported by an input event, in screen coordinates.
void zarnNotePointer(int x, int y);

// Waits a little for the next SDL event (or just sleeps briefly without SDL).
void zarnWaitForEvents();
