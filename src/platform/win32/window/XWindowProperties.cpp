// WM_CLASS, EWMH state hints and cross-process window search on the kept X connection.
#include "win32/window/XWindowProperties.h"

#include "win32/messages/XDisplayConnection.h"
#include "win32/window/WindowObject.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

namespace {

std::string windowName(Display* display, Window window) {
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data && type == utf8 && format == 8)
        name.assign(reinterpret_cast<char*>(data), count);
    if (data) XFree(data);
    if (!name.empty()) return name;
    char* legacy = nullptr;
    if (XFetchName(display, window, &legacy) && legacy) {
        name = legacy;
        XFree(legacy);
    }
    return name;
}

constexpr const char* monitorTagName = "_ZARN_SCREENSAVER_MONITOR";
constexpr const char* startingTagName = "_ZARN_SCREENSAVER_STARTING";

bool hasStartingTag(Display* display, Window window) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool tagged = XGetWindowProperty(display, window, XInternAtom(display, startingTagName, False), 0, 1, False,
                                           XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
                        type == XA_CARDINAL;
    if (data) XFree(data);
    return tagged;
}

bool hasMonitorTag(Display* display, Window window, const long (&monitor)[4]) {
    const Atom tag = XInternAtom(display, monitorTagName, False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool same = false;
    if (XGetWindowProperty(display, window, tag, 0, 4, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
            Success &&
        data && type == XA_CARDINAL && format == 32 && count == 4) {
        // Xlib hands 32-bit items back as longs; only their low 32 bits went over the wire
        // (a monitor left of or above the origin has negative coordinates).
        const long* values = reinterpret_cast<const long*>(data);
        same = std::equal(values, values + 4, monitor,
                          [](long a, long b) { return uint32_t(a) == uint32_t(b); });
    }
    if (data) XFree(data);
    return same;
}

struct SearchFor {
    const char* className;
    const char* title;
    const long (*monitor)[4];
};

bool matches(Display* display, Window window, const SearchFor& wanted) {
    const char* className = wanted.className;
    const char* title = wanted.title;
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes)) return false;
    if (attributes.map_state != IsViewable && !(attributes.map_state == IsUnmapped && hasStartingTag(display, window)))
        return false;
    if (className) {
        XClassHint hint{};
        if (!XGetClassHint(display, window, &hint)) return false;
        const bool same = hint.res_class && std::strcmp(hint.res_class, className) == 0;
        if (hint.res_name) XFree(hint.res_name);
        if (hint.res_class) XFree(hint.res_class);
        if (!same) return false;
    }
    if (title && windowName(display, window) != title) return false;
    return !wanted.monitor || hasMonitorTag(display, window, *wanted.monitor);
}

// Searches `window`'s children, and theirs down to `depth` levels (a window manager puts
// each client inside a frame, sometimes two deep).
Window search(Display* display, Window window, int depth, const SearchFor& wanted) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = count; i-- > 0 && !found;)  // top of the stack first
        if (matches(display, children[i], wanted)) found = children[i];
    for (unsigned int i = count; depth > 1 && i-- > 0 && !found;)
        found = search(display, children[i], depth - 1, wanted);
    if (children) XFree(children);
    return found;
}

void sendToRoot(Display* display, Window window, const char* messageName, const long (&data)[5]) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, messageName, False);
    event.xclient.format = 32;
    for (int i = 0; i < 5; ++i) event.xclient.data.l[i] = data[i];
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
}

}  // namespace

bool zarnSdlX11Info(HWND window, SDL_SysWMinfo* info) {
    if (!zarnIsLiveWindow(window) || window->kind != WindowKind::Sdl || !window->sdlWindow) return false;
    SDL_VERSION(&info->version);
    return SDL_GetWindowWMInfo(window->sdlWindow, info) && info->subsystem == SDL_SYSWM_X11;
}

uintptr_t zarnXWindowOf(HWND window) {
    SDL_SysWMinfo info;
    return zarnSdlX11Info(window, &info) ? uintptr_t(info.info.x11.window) : 0;
}

void zarnSetXWindowClass(HWND window, const char* className) {
    SDL_SysWMinfo info;
    if (!className || !zarnSdlX11Info(window, &info)) return;
    std::string name = className;
    XClassHint hint{name.data(), name.data()};
    XSetClassHint(info.info.x11.display, info.info.x11.window, &hint);
    XFlush(info.info.x11.display);
}

void zarnSetXFullScreenState(HWND window) {
    SDL_SysWMinfo info;
    if (!zarnSdlX11Info(window, &info)) return;
    Display* display = info.info.x11.display;
    const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    const Atom fullScreen = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
    XChangeProperty(display, info.info.x11.window, state, XA_ATOM, 32, PropModeAppend,
                    reinterpret_cast<const unsigned char*>(&fullScreen), 1);
    XFlush(display);
}

void zarnSpanXFullScreenMonitors(HWND window) {
    SDL_SysWMinfo info;
    if (!zarnSdlX11Info(window, &info)) return;
    const int displays = SDL_GetNumVideoDisplays();
    if (displays < 2) return;
    // The monitors whose edges are the top, bottom, left and right edges of the desktop.
    long edges[4] = {0, 0, 0, 0};
    int top = INT_MAX, bottom = INT_MIN, left = INT_MAX, right = INT_MIN;
    for (int i = 0; i < displays; ++i) {
        SDL_Rect r{};
        if (SDL_GetDisplayBounds(i, &r) != 0) continue;
        if (r.y < top) top = r.y, edges[0] = i;
        if (r.y + r.h > bottom) bottom = r.y + r.h, edges[1] = i;
        if (r.x < left) left = r.x, edges[2] = i;
        if (r.x + r.w > right) right = r.x + r.w, edges[3] = i;
    }
    const long data[5] = {edges[0], edges[1], edges[2], edges[3], 1};
    sendToRoot(info.info.x11.display, info.info.x11.window, "_NET_WM_FULLSCREEN_MONITORS", data);
    XFlush(info.info.x11.display);
}

void zarnSetXWindowBackground(HWND window, uint32_t rgb) {
    SDL_SysWMinfo info;
    if (!zarnSdlX11Info(window, &info)) return;
    // A TrueColor visual's pixel is the colour itself, which is what SDL's GL windows use.
    XSetWindowBackground(info.info.x11.display, info.info.x11.window, rgb);
    XFlush(info.info.x11.display);
}

void zarnMarkXWindowStarting(HWND window, bool starting) {
    SDL_SysWMinfo info;
    if (!zarnSdlX11Info(window, &info)) return;
    Display* display = info.info.x11.display;
    const Atom tag = XInternAtom(display, startingTagName, False);
    const long one = 1;
    if (starting)
        XChangeProperty(display, info.info.x11.window, tag, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&one), 1);
    else
        XDeleteProperty(display, info.info.x11.window, tag);
    XFlush(display);
}

void zarnSetXMonitorTag(HWND window, const long (&monitor)[4]) {
    SDL_SysWMinfo info;
    if (!zarnSdlX11Info(window, &info)) return;
    Display* display = info.info.x11.display;
    XChangeProperty(display, info.info.x11.window, XInternAtom(display, monitorTagName, False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(monitor), 4);
    XFlush(display);
}

uintptr_t zarnFindXTopLevelWindow(const char* className, const char* title, const long (*monitor)[4]) {
    Display* display = zarnXDisplay();
    if (!display) return 0;
    ScopedXErrorsIgnored ignore(display);  // any of these windows may vanish as we look
    return uintptr_t(search(display, DefaultRootWindow(display), 3, SearchFor{className, title, monitor}));
}

bool zarnRaiseAndFocusXWindow(uintptr_t xWindow) {
    Display* display = zarnXDisplay();
    if (!display || !xWindow) return false;
    ScopedXErrorsIgnored ignore(display);
    const Window window = Window(xWindow);
    // A window manager decides stacking and focus itself: ask it (source 2: on the user's
    // behalf, which it does not second-guess). Without one, do it directly.
    const long activate[5] = {2, CurrentTime, 0, 0, 0};
    sendToRoot(display, window, "_NET_ACTIVE_WINDOW", activate);
    XRaiseWindow(display, window);
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    return true;
}
