// The X11 side of the watcher (see XSession.h). The server cannot signal idleness, so a timer
// is set for the moment the wait runs out, counted from the last input; only once the clock
// shows does a short poll look for the input that ends it. A client that suspended the
// server's screen saver (a video player, through XScreenSaverSuspend) keeps the clock away: the
// X-Resource extension shows the suspension as a resource that client holds.
#include "XSession.h"

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
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
// After idleness with no clock showing (the screen asleep, or a clock that ended by itself),
// the input that starts the next wait is looked for as seldom as this.
constexpr unsigned restingPollMs = 5000;
// How often a suspension (a video playing) is looked at again.
constexpr unsigned suspendedRecheckMs = 5000;
// How often, while the clock shows, the DPMS level is read (it has no events).
constexpr unsigned powerPollMs = 5000;
// How often, while the clock shows, the monitor list is read (a new one gets its clock within 2 s).
constexpr unsigned monitorPollMs = 1000;

constexpr const char* serverSaverCause = "the X server's screen saver";
constexpr const char* dpmsCause = "DPMS";

IdleEvents* ioErrorListener = nullptr;

// Xlib reads whatever events come before an answer into its own queue while it waits for that
// answer (XRRGetMonitors, DPMSInfo, XScreenSaverQueryInfo, XResQueryClients...): the socket is
// then empty, and a watch on it alone would not wake for them until some later event. So the
// source looks at that queue before every poll of the main loop, and at the socket after it.
struct XEventSource {
    GSource source;
    GPollFD poll;
    Display* display;
    XSession* session;
};

gboolean xEventsQueued(GSource* source, gint* timeout) {
    *timeout = -1;
    return XQLength(reinterpret_cast<XEventSource*>(source)->display) > 0;
}

gboolean xEventsArrived(GSource* source) {
    const auto* x = reinterpret_cast<XEventSource*>(source);
    return XQLength(x->display) > 0 || (x->poll.revents & (G_IO_IN | G_IO_HUP | G_IO_ERR)) != 0;
}

gboolean readXEvents(GSource* source, GSourceFunc, gpointer) {
    reinterpret_cast<XEventSource*>(source)->session->readEvents();
    return G_SOURCE_CONTINUE;
}

GSourceFuncs xEventSourceFuncs = {xEventsQueued, xEventsArrived, readXEvents, nullptr, nullptr, nullptr};

// Xlib ends the process (status 1) once this returns: the listener ends the clocks, and the
// watcher ends as it does with the session, cleanly.
int onIoError(Display*) {
    if (ioErrorListener) ioErrorListener->sourceLost("the X server went away");
    std::exit(0);
}

// Another client's window that goes while it is asked about (XScreenSaver's search reads every
// top-level window) is no reason to end: Xlib's own handler would exit.
int ignoreErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

XSession* XSession::open() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return nullptr;
    XSetErrorHandler(ignoreErrors);
    auto* session = new XSession();
    session->display_ = display;
    int event = 0, error = 0;
    session->hasScreenSaverExtension_ = XScreenSaverQueryExtension(display, &event, &error);
    session->hasResourceExtension_ = XResQueryExtension(display, &event, &error);
    if (session->hasScreenSaverExtension_ && XScreenSaverQueryExtension(display, &event, &error))
        session->saverEventBase_ = event;
    int major = 0, minor = 0;
    if (XRRQueryExtension(display, &event, &error) && XRRQueryVersion(display, &major, &minor) &&
        (major > 1 || minor >= 5))
        session->randrEventBase_ = event;
    session->hasDpms_ = DPMSQueryExtension(display, &event, &error) && DPMSCapable(display);
    return session;
}

XSession::~XSession() {
    stop();
    clocksShowing(false);
    if (eventSource_) {
        g_source_destroy(eventSource_);
        g_source_unref(eventSource_);
    }
    if (ioErrorListener == lost_) ioErrorListener = nullptr;
    if (display_) XCloseDisplay(display_);
}

std::vector<std::string> XSession::monitors() const {
    std::vector<std::string> names;
    int count = 0;
    // The saver counts only monitors with a size; so must the numbering here.
    if (randrEventBase_ >= 0)
        if (XRRMonitorInfo* info = XRRGetMonitors(display_, DefaultRootWindow(display_), True, &count)) {
            for (int i = 0; i < count; ++i) {
                if (info[i].width <= 0 || info[i].height <= 0) continue;
                char* name = XGetAtomName(display_, info[i].name);
                names.push_back(name ? name : std::to_string(i));
                if (name) XFree(name);
            }
            XRRFreeMonitors(info);
        }
    if (names.empty()) names.push_back("screen");
    return names;
}

std::string XSession::sleepSourcesNamed() const {
    std::string named;
    if (saverEventBase_ >= 0) named += "MIT-SCREEN-SAVER (the server's own saver)";
    if (hasDpms_) named += std::string(named.empty() ? "" : ", ") + "DPMS";
    if (randrEventBase_ >= 0) named += std::string(named.empty() ? "" : ", ") + "RandR (monitors)";
    return named;
}

void XSession::attach(IdleEvents& events) {
    lost_ = &events;
    ioErrorListener = &events;
    XSetIOErrorHandler(onIoError);
    const Window root = DefaultRootWindow(display_);
    if (saverEventBase_ >= 0) {
        XScreenSaverSelectInput(display_, root, ScreenSaverNotifyMask);
        XScreenSaverInfo info;
        std::memset(&info, 0, sizeof info);
        if (XScreenSaverQueryInfo(display_, root, &info) && info.state == ScreenSaverOn)
            events.screenAsleep(serverSaverCause, true);
    }
    if (randrEventBase_ >= 0)
        XRRSelectInput(display_, root, RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
    XFlush(display_);
    if (!eventSource_) {
        eventSource_ = g_source_new(&xEventSourceFuncs, sizeof(XEventSource));
        auto* x = reinterpret_cast<XEventSource*>(eventSource_);
        x->display = display_;
        x->session = this;
        x->poll.fd = ConnectionNumber(display_);
        x->poll.events = G_IO_IN | G_IO_HUP | G_IO_ERR;
        g_source_add_poll(eventSource_, &x->poll);
        g_source_attach(eventSource_, nullptr);
    }
}

void XSession::readEvents() {
    // Errors and the hang-up are read here too (Xlib's handlers act on them).
    bool monitorsMoved = false;
    while (XPending(display_)) {
        XEvent event;
        XNextEvent(display_, &event);
        if (saverEventBase_ >= 0 && event.type == saverEventBase_ + ScreenSaverNotify) {
            const auto& notify = reinterpret_cast<const XScreenSaverNotifyEvent&>(event);
            if (notify.state == ScreenSaverOn || notify.state == ScreenSaverOff)
                lost_->screenAsleep(serverSaverCause, notify.state == ScreenSaverOn);
        } else if (randrEventBase_ >= 0 &&
                   (event.type == randrEventBase_ + RRScreenChangeNotify || event.type == randrEventBase_ + RRNotify)) {
            XRRUpdateConfiguration(&event);
            monitorsMoved = true;
        }
    }
    // One change of layout comes as several events; the list is read once for all of them.
    if (monitorsMoved) {
        monitorsSeen_ = monitors();
        lost_->monitorsChanged();
    }
}

void XSession::readMonitors() {
    std::vector<std::string> now = monitors();
    if (now == monitorsSeen_) return;
    monitorsSeen_ = std::move(now);
    if (lost_) lost_->monitorsChanged();
}

void XSession::readPower() {
    if (!hasDpms_ || !lost_) return;
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    if (!DPMSInfo(display_, &level, &enabled)) return;
    const bool off = enabled && level != DPMSModeOn;
    if (off == powerOff_) return;
    powerOff_ = off;
    lost_->screenAsleep(dpmsCause, off);
}

void XSession::clocksShowing(bool showing) {
    // Clocks just shown want their input seen soon.
    if (showing && !clocksShow_ && idleReported_ && events_) schedule(showingPollMs);
    clocksShow_ = showing;
    if (!showing) {
        if (powerTimer_) g_source_remove(powerTimer_);
        if (monitorTimer_) g_source_remove(monitorTimer_);
        powerTimer_ = monitorTimer_ = 0;
        return;
    }
    if (hasDpms_ && !powerTimer_)
        powerTimer_ = g_timeout_add(powerPollMs, [](void* data) -> gboolean {
            static_cast<XSession*>(data)->readPower();
            return G_SOURCE_CONTINUE;
        }, this);
    if (!monitorTimer_) {
        monitorsSeen_ = monitors();
        monitorTimer_ = g_timeout_add(monitorPollMs, [](void* data) -> gboolean {
            static_cast<XSession*>(data)->readMonitors();
            return G_SOURCE_CONTINUE;
        }, this);
    }
}

uint64_t XSession::idleMs() const {
    XScreenSaverInfo info;
    std::memset(&info, 0, sizeof info);
    if (!XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), &info)) return 0;
    return info.idle;
}

bool XSession::saverSuspendedByAClient() const {
    if (!hasResourceExtension_) return false;
    // The server names its resource types as atoms only once X-Resource is first asked, so
    // the atom is made, not looked up.
    const Atom suspension = XInternAtom(display_, "SaverSuspend", False);
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
    const uint64_t nowMs = uint64_t(g_get_monotonic_time() / 1000);
    if (idleReported_) {
        // Input since the last look: the idle time started again, so it is less than it would
        // have grown to (a margin for the server's and the timer's lag).
        if (idle + 250 < lastIdleMs_ + (nowMs - lastLookMs_)) {
            idleReported_ = false;
            events_->active();
        } else {
            lastIdleMs_ = idle;
            lastLookMs_ = nowMs;
            schedule(clocksShow_ ? showingPollMs : restingPollMs);
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
    lastLookMs_ = nowMs;
    schedule(showingPollMs);
    events_->idle();
}
