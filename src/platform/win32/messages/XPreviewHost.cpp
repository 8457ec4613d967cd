// Watching a preview's foreign host window on the kept X connection. X destroys a child
// with its parent, so drawing into the saver's window can fail between the host's
// destruction and our hearing of it; those errors are held back, then dropped once the host
// is known to be gone (or reported, should it still exist).
#include "win32/messages/XPreviewHost.h"

#include "win32/messages/MessageState.h"
#include "win32/messages/XDisplayConnection.h"
#include "win32/window/WindowObject.h"
#include "win32/window/XWindowProperties.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <cstdio>

namespace {

HWND watchedChild = nullptr;
Window watchedHost = 0;
bool hostGone = false;
// The close request for a gone host waits until the child takes messages: a host can go
// while the child is still being made, before anything could receive it.
bool closePosted = false;
int heldBackErrors = 0;

bool hostExists(Display* display) {
    ScopedXErrorsIgnored ignore(display);
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, watchedHost, &attributes) != 0;
}

void postCloseOnceTheChildListens() {
    if (!hostGone || closePosted || !zarnIsMessageWindow(watchedChild)) return;
    closePosted = true;
    zarnPostMessage(watchedChild, WM_CLOSE, 0, 0);
}

void noteHostGone() {
    hostGone = true;
    postCloseOnceTheChildListens();
}

void followHostSize(int width, int height) {
    if (!zarnIsMessageWindow(watchedChild) || !watchedChild->sdlWindow || width <= 0 || height <= 0) return;
    int current = 0, currentHeight = 0;
    SDL_GetWindowSize(watchedChild->sdlWindow, &current, &currentHeight);
    if (current == width && currentHeight == height) return;
    SDL_SetWindowSize(watchedChild->sdlWindow, width, height);
    zarnUpdateClientSize(watchedChild);
    if (WindowMessageState* state = zarnMessageState(watchedChild)) state->invalid = true;
}

}  // namespace

void zarnWatchPreviewHost(HWND child, uintptr_t host) {
    Display* display = zarnXDisplay();
    if (!display || !host) return;
    watchedChild = child;
    watchedHost = Window(host);
    hostGone = false;
    closePosted = false;
    heldBackErrors = 0;
    {
        ScopedXErrorsIgnored ignore(display);
        XSelectInput(display, watchedHost, StructureNotifyMask);
    }
    // Gone before we started listening: no DestroyNotify will ever come.
    if (!hostExists(display)) noteHostGone();
}

void zarnPumpPreviewHostEvents() {
    if (!watchedHost) return;
    postCloseOnceTheChildListens();
    Display* display = zarnXDisplay();
    if (!display) return;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == ConfigureNotify && event.xconfigure.window == watchedHost)
            followHostSize(event.xconfigure.width, event.xconfigure.height);
        else if (event.type == DestroyNotify && event.xdestroywindow.window == watchedHost)
            noteHostGone();
    }
    if (heldBackErrors > 0 && !hostGone) {
        if (hostExists(display))
            std::fprintf(stderr, "zarn-screensaver: %d X error(s) drawing into the preview window\n", heldBackErrors);
        else
            noteHostGone();
        heldBackErrors = 0;
    }
}

bool zarnWindowStillOnServer(HWND window) {
    if (!watchedHost || window != watchedChild) return true;
    if (hostGone) return false;
    Display* display = zarnXDisplay();
    const Window own = Window(zarnXWindowOf(window));
    if (!display || !own) return true;
    bool exists = false;
    {
        ScopedXErrorsIgnored ignore(display);
        XWindowAttributes attributes{};
        exists = XGetWindowAttributes(display, own, &attributes) != 0;
    }
    if (!exists) noteHostGone();
    return exists;
}

bool zarnPreviewHostMayBeGone(int errorCode, unsigned long resource) {
    if (!watchedHost) return false;
    if (hostGone) return true;
    const bool aboutTheChild = resource != 0 && resource == zarnXWindowOf(watchedChild);
    // BadGC: software GL frees the graphics context it failed to make for the dead child.
    const bool expected =
        errorCode == BadWindow || errorCode == BadDrawable || errorCode == BadMatch || errorCode == BadGC;
    if (!aboutTheChild && !expected) return false;
    ++heldBackErrors;
    return true;
}

bool zarnShowPreviewChild(HWND window, bool show) {
    if (!zarnIsLiveWindow(window) || window->kind != WindowKind::Sdl || !window->sdlWindow ||
        !(window->style & WS_CHILD) || zarnIsLiveWindow(window->parent))
        return false;
    SDL_SysWMinfo info;
    if (!zarnSdlX11Info(window, &info)) return false;
    // A host known gone leaves no place to show the child in: mapped, an orphan that was
    // never reparented would appear on the desktop. Errors for a child that has gone with
    // its host are held back by the error handler.
    if (show && window == watchedChild && hostGone) return true;
    if (show)
        XMapRaised(info.info.x11.display, info.info.x11.window);
    else
        XUnmapWindow(info.info.x11.display, info.info.x11.window);
    XFlush(info.info.x11.display);
    return true;
}

ZarnPreviewChildHold::ZarnPreviewChildHold(HWND window) {
    if (!watchedHost || window != watchedChild || !zarnIsLiveWindow(window) || !window->sdlWindow) return;
    if (hostGone) {
        exists = false;
        return;
    }
    SDL_SysWMinfo info;
    if (!zarnSdlX11Info(window, &info)) return;
    Display* display = info.info.x11.display;
    XGrabServer(display);
    grabbedDisplay = display;
    // Asked on SDL's own connection: every other one waits while the server is held.
    ScopedXErrorsIgnored ignore(display);
    XWindowAttributes attributes{};
    exists = XGetWindowAttributes(display, info.info.x11.window, &attributes) != 0;
}

ZarnPreviewChildHold::~ZarnPreviewChildHold() {
    if (!grabbedDisplay) return;
    Display* display = static_cast<Display*>(grabbedDisplay);
    XUngrabServer(display);
    XFlush(display);
}
