// Showing a window and giving it the foreground and the keyboard focus, as device creation
// does once the device exists. Off-screen windows have nothing to show or focus; the calls
// succeed on them so the same code runs with and without a display.
#include <windows.h>

#include "win32/messages/XPreviewHost.h"
#include "win32/window/WindowObject.h"
#include "win32/window/XWindowProperties.h"

#include <SDL.h>

namespace {
HWND focusWindow = nullptr;
// Off-screen windows have no desktop to ask: the foreground is the last window given it.
HWND offscreenForeground = nullptr;
}

HWND zarnOffscreenForegroundWindow() { return IsWindow(offscreenForeground) ? offscreenForeground : nullptr; }

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
    if (!zarnIsLiveWindow(hWnd)) return FALSE;
    BOOL wasVisible = TRUE;
    if (hWnd->kind == WindowKind::Sdl && hWnd->sdlWindow) {
        wasVisible = (SDL_GetWindowFlags(hWnd->sdlWindow) & SDL_WINDOW_SHOWN) != 0;
        if (zarnShowPreviewChild(hWnd, nCmdShow != SW_HIDE))
            return wasVisible;
        if (nCmdShow == SW_HIDE)
            SDL_HideWindow(hWnd->sdlWindow);
        else
            SDL_ShowWindow(hWnd->sdlWindow);
    }
    return wasVisible;
}

BOOL SetForegroundWindow(HWND hWnd) {
    // Another process's window (FindWindowA finds those too) is raised through the X server.
    if (!zarnIsLiveWindow(hWnd))
        return hWnd && IsWindow(hWnd) && zarnRaiseAndFocusXWindow(reinterpret_cast<uintptr_t>(hWnd));
    if (hWnd->kind == WindowKind::Sdl && hWnd->sdlWindow) SDL_RaiseWindow(hWnd->sdlWindow);
    if (hWnd->kind == WindowKind::Offscreen) offscreenForeground = hWnd;
    return TRUE;
}

HWND SetFocus(HWND hWnd) {
    if (hWnd && !zarnIsLiveWindow(hWnd)) return nullptr;
    HWND previous = zarnIsLiveWindow(focusWindow) ? focusWindow : nullptr;
    if (hWnd && hWnd->kind == WindowKind::Sdl && hWnd->sdlWindow) SDL_SetWindowInputFocus(hWnd->sdlWindow);
    focusWindow = hWnd;
    return previous;
}
