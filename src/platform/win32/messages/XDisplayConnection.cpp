// The kept X connection, and the handlers that decide what an X error or a lost X server
// does to the process.
#include "win32/messages/XDisplayConnection.h"
#include "ZarnForeignWindows.h"

#include "win32/messages/XPreviewHost.h"

#include <X11/Xatom.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

int reportXError(Display* display, XErrorEvent* error) {
    // A preview host that went away takes our child window with it; what fails on that
    // window in the meantime is expected, not worth a word.
    if (zarnPreviewHostMayBeGone(error->error_code, error->resourceid)) return 0;
    char text[128] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "zarn-screensaver: X error: %s (request %d.%d, resource 0x%lx)\n", text,
                 int(error->request_code), int(error->minor_code), error->resourceid);
    return 0;
}

[[noreturn]] int serverGone(Display* display) {
    // Xlib does not return from here; nothing further can be drawn or read. The log and the
    // console are flushed, and the process ends without running destructors that would talk
    // to the server again.
    const char* name = display ? DisplayString(display) : nullptr;
    std::fprintf(stderr, "zarn-screensaver: the connection to the X server (%s) was lost; ending.\n",
                 name && *name ? name : "display");
    std::fflush(nullptr);
    _exit(1);
}

}  // namespace

Display* zarnXDisplay() {
    static Display* const display = [] {
        Display* opened = XOpenDisplay(nullptr);
        if (opened) zarnInstallXErrorHandlers();
        return opened;
    }();
    return display;
}

bool ZarnForeignWindowsReachable() { return zarnXDisplay() != nullptr; }

Window zarnXActiveWindow() {
    Display* display = zarnXDisplay();
    if (!display) return 0;
    const Window root = DefaultRootWindow(display);
    Window active = 0;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    const Atom property = XInternAtom(display, "_NET_ACTIVE_WINDOW", True);
    if (property != None &&
        XGetWindowProperty(display, root, property, 0, 1, False, XA_WINDOW, &type, &format, &count, &remaining,
                           &data) == Success &&
        data) {
        if (type == XA_WINDOW && format == 32 && count == 1) active = Window(*reinterpret_cast<unsigned long*>(data));
        XFree(data);
    }
    if (active) return active;
    // Without a window manager the focus window stands in; PointerRoot (1) and the root name
    // no window of anybody's.
    int revert = 0;
    XGetInputFocus(display, &active, &revert);
    return active > PointerRoot && active != root ? active : 0;
}

void zarnInstallXErrorHandlers() {
    XSetErrorHandler(reportXError);
    XSetIOErrorHandler(serverGone);
}

ScopedXErrorsIgnored::ScopedXErrorsIgnored(Display* display) : display_(display) {
    if (display_) XSync(display_, False);
    previous_ = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
}

ScopedXErrorsIgnored::~ScopedXErrorsIgnored() {
    if (display_) XSync(display_, False);
    XSetErrorHandler(previous_);
}
