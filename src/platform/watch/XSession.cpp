// The X11 side of the watcher (see XSession.h). The server cannot signal idleness, so a timer
// is set for the moment the wait runs out, counted from the last input; only once the clock
// shows does a short poll look for the input that ends it. A client that suspended the
// server's screen saver (a video player, through XScreenSaverSuspend) keeps the clock away: the
// X-Resource extension shows the suspension as a resource that client holds.
#include "XSession.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/scrnsaver.h>
#include <glib-unix.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// How often, while the clock shows, the idle time is read for the input that ends it.
constexpr unsigned showingPollMs = 200;
// How often a suspension (a video playing) is looked at again.
constexpr unsigned suspendedRecheckMs = 5000;

IdleEvents* ioErrorListener = nullptr;

// Xlib ends the process (status 1) once this returns: the listener ends the clocks, and the
// watcher ends as it does with the session, cleanly.
int onIoError(Display*) {
    if (ioErrorListener) ioErrorListener->sourceLost("the X server went away");
    std::exit(0);
}

}  // namespace

XSession* XSession::open() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return nullptr;
    auto* session = new XSession();
    session->display_ = display;
    int event = 0, error = 0;
    session->hasScreenSaverExtension_ = XScreenSaverQueryExtension(display, &event, &error);
    session->hasResourceExtension_ = XResQueryExtension(display, &event, &error);
    return session;
}

XSession::~XSession() {
    stop();
    if (fdSource_) g_source_remove(fdSource_);
    if (ioErrorListener == lost_) ioErrorListener = nullptr;
    if (display_) XCloseDisplay(display_);
}

bool XSession::xscreensaverRuns() const {
    const Atom version = XInternAtom(display_, "_SCREENSAVER_VERSION", True);
    if (version == None) return false;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count)) return false;
    bool found = false;
    for (unsigned i = 0; i < count && !found; ++i) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* value = nullptr;
        if (XGetWindowProperty(display_, children[i], version, 0, 0, False, XA_STRING, &type, &format, &items, &after,
                               &value) == Success &&
            type != None)
            found = true;
        if (value) XFree(value);
    }
    if (children) XFree(children);
    return found;
}

int XSession::monitorCount() const {
    int count = 0;
    if (XRRMonitorInfo* monitors = XRRGetMonitors(display_, DefaultRootWindow(display_), True, &count)) {
        XRRFreeMonitors(monitors);
    }
    return count > 0 ? count : 1;
}

void XSession::attach(IdleEvents& events) {
    lost_ = &events;
    ioErrorListener = &events;
    XSetIOErrorHandler(onIoError);
    if (!fdSource_)
        fdSource_ = g_unix_fd_add(ConnectionNumber(display_), GIOCondition(G_IO_IN | G_IO_HUP | G_IO_ERR),
                                  [](int, GIOCondition, void* data) -> gboolean {
                                      Display* display = static_cast<Display*>(data);
                                      // Nothing is selected; this reads the errors and the hang-up.
                                      while (XPending(display)) {
                                          XEvent event;
                                          XNextEvent(display, &event);
                                      }
                                      return G_SOURCE_CONTINUE;
                                  },
                                  display_);
}

uint64_t XSession::idleMs() const {
    XScreenSaverInfo info;
    std::memset(&info, 0, sizeof info);
    if (!XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), &info)) return 0;
    return info.idle;
}

bool XSession::saverSuspendedByAClient() const {
    if (!hasResourceExtension_) return false;
    const Atom suspension = XInternAtom(display_, "SaverSuspend", True);
    if (suspension == None) return false;
    int clientCount = 0;
    XResClient* clients = nullptr;
    if (!XResQueryClients(display_, &clientCount, &clients)) return false;
    bool suspended = false;
    for (int i = 0; i < clientCount && !suspended; ++i) {
        int typeCount = 0;
        XResType* types = nullptr;
        if (!XResQueryClientResources(display_, clients[i].resource_base, &typeCount, &types)) continue;
        for (int t = 0; t < typeCount; ++t)
            if (types[t].resource_type == suspension && types[t].count > 0) suspended = true;
        if (types) XFree(types);
    }
    if (clients) XFree(clients);
    return suspended;
}

bool XSession::start(unsigned waitMs, IdleEvents& events) {
    if (!hasScreenSaverExtension_) return false;
    events_ = &events;
    waitMs_ = waitMs;
    idleReported_ = false;
    check();
    return true;
}

void XSession::stop() {
    if (timer_) g_source_remove(timer_);
    timer_ = 0;
    events_ = nullptr;
}

void XSession::schedule(unsigned delayMs) {
    if (timer_) g_source_remove(timer_);
    timer_ = g_timeout_add(delayMs, [](void* data) -> gboolean {
        auto* self = static_cast<XSession*>(data);
        self->timer_ = 0;
        self->check();
        return G_SOURCE_REMOVE;
    }, this);
}

void XSession::check() {
    if (!events_) return;
    const uint64_t idle = idleMs();
    if (idleReported_) {
        // Input since the last look: the idle time started again.
        if (idle < lastIdleMs_) {
            idleReported_ = false;
            events_->active();
        } else {
            lastIdleMs_ = idle;
            schedule(showingPollMs);
            return;
        }
    }
    if (!events_) return;
    if (idle < waitMs_) {
        // The wait runs out this far from now, unless input comes first.
        schedule(unsigned(waitMs_ - idle));
        return;
    }
    if (saverSuspendedByAClient()) {
        schedule(suspendedRecheckMs);
        return;
    }
    idleReported_ = true;
    lastIdleMs_ = idle;
    schedule(showingPollMs);
    events_->idle();
}
