// Whether XScreenSaver's daemon runs on an X display: it marks one top-level window with
// _SCREENSAVER_VERSION. Asked by the watcher (which then steps aside) and by the settings
// dialog (which then leaves out its watcher row). Errors are the caller's to trap.
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>

inline bool xscreensaverDaemonRuns(Display* display) {
    const Atom version = XInternAtom(display, "_SCREENSAVER_VERSION", True);
    if (version == None) return false;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return false;
    bool found = false;
    for (unsigned i = 0; i < count && !found; ++i) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* value = nullptr;
        if (XGetWindowProperty(display, children[i], version, 0, 0, False, XA_STRING, &type, &format, &items, &after,
                               &value) == Success &&
            type != None)
            found = true;
        if (value) XFree(value);
    }
    if (children) XFree(children);
    return found;
}
