// What the saver's windows tell the X server and its window manager about themselves, and
// how other processes' windows of the saver are found: Win32 finds a window by class and
// title across the whole desktop, which under X means WM_CLASS and the window's name.
#pragma once

#include <windows.h>

#include <cstdint>

struct SDL_SysWMinfo;

// SDL's X11 details of a live SDL window: false for other windows and off X11.
bool zarnSdlX11Info(HWND window, SDL_SysWMinfo* info);

// The X window of an SDL window (0 when it has none, e.g. off-screen or not on X11).
uintptr_t zarnXWindowOf(HWND window);

// WM_CLASS (instance and class both `className`), set before the window is mapped.
void zarnSetXWindowClass(HWND window, const char* className);

// A full-screen window: _NET_WM_STATE gains _NET_WM_STATE_FULLSCREEN next to the _ABOVE that
// SDL sets for an always-on-top window. Call before the window is mapped.
void zarnSetXFullScreenState(HWND window);
// After mapping: asks the window manager to stretch the full-screen state over every monitor
// (_NET_WM_FULLSCREEN_MONITORS), where it would otherwise cover one.
void zarnSpanXFullScreenMonitors(HWND window);

// The colour (0x00RRGGBB) the X server fills the window with when it is mapped or exposed.
void zarnSetXWindowBackground(HWND window, uint32_t rgb);

// A window made to be shown once its creation is done: while `starting`, the search below
// finds it although it is not mapped yet.
void zarnMarkXWindowStarting(HWND window, bool starting);

// Marks a window as covering one monitor (x, y, width, height), so that another saver
// process looking for one on the same monitor finds it and one on another monitor does not.
void zarnSetXMonitorTag(HWND window, const long (&monitor)[4]);

// A viewable (or starting) top-level window of another process with this WM_CLASS class and this name
// (_NET_WM_NAME or WM_NAME), and, when `monitor` is given, marked with that monitor; 0 when
// there is none. Windows inside window-manager frames count as top-level.
uintptr_t zarnFindXTopLevelWindow(const char* className, const char* title, const long (*monitor)[4] = nullptr);

// Raises a window of another process and gives it the keyboard focus.
bool zarnRaiseAndFocusXWindow(uintptr_t xWindow);
