#include "win32/messages/XDisplayConnection.h"

Display* zarnXDisplay() {
    static Display* const display = XOpenDisplay(nullptr);
    return display;
}

#include <X11/Xatom.h>

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
