// The Wayland side of the watcher (see WaylandSession.h). The protocols' code comes from their
// XML through wayland-scanner. A notification fires `idled` once the seat has had no input for
// the wait and the compositor holds no idle inhibitor, and `resumed` on the next input.
#include "WaylandSession.h"

#include "ext-idle-notify-v1-client.h"
#include "kde-idle-client.h"

#include <glib-unix.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    static_cast<WaylandSession*>(data)->globalAdded(registry, name, interface, version);
}
void onGlobalRemove(void* data, wl_registry*, uint32_t name) {
    static_cast<WaylandSession*>(data)->globalRemoved(name);
}
const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

void onExtIdled(void* data, ext_idle_notification_v1*) { static_cast<WaylandSession*>(data)->idled(); }
void onExtResumed(void* data, ext_idle_notification_v1*) { static_cast<WaylandSession*>(data)->resumed(); }
const ext_idle_notification_v1_listener extListener = {onExtIdled, onExtResumed};

void onKdeIdle(void* data, org_kde_kwin_idle_timeout*) { static_cast<WaylandSession*>(data)->idled(); }
void onKdeResumed(void* data, org_kde_kwin_idle_timeout*) { static_cast<WaylandSession*>(data)->resumed(); }
const org_kde_kwin_idle_timeout_listener kdeListener = {onKdeIdle, onKdeResumed};

}  // namespace

WaylandSession* WaylandSession::connect() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return nullptr;
    auto* session = new WaylandSession();
    session->display_ = display;
    session->registry_ = wl_display_get_registry(display);
    wl_registry_add_listener(session->registry_, &registryListener, session);
    if (wl_display_roundtrip(display) < 0) {
        delete session;
        return nullptr;
    }
    return session;
}

WaylandSession::~WaylandSession() {
    stop();
    if (fdSource_) g_source_remove(fdSource_);
    if (extNotifier_) ext_idle_notifier_v1_destroy(extNotifier_);
    if (kdeIdle_) org_kde_kwin_idle_destroy(kdeIdle_);
    if (seat_) wl_seat_destroy(seat_);
    if (registry_) wl_registry_destroy(registry_);
    if (display_) wl_display_disconnect(display_);
}

void WaylandSession::globalAdded(wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    if (std::strcmp(interface, wl_output_interface.name) == 0) {
        outputs_.push_back(name);
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !seat_) {
        // The first seat is the session's: the idle protocols count input per seat.
        seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0 && !extNotifier_) {
        extNotifier_ = static_cast<ext_idle_notifier_v1*>(
            wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
    } else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0 && !kdeIdle_) {
        kdeIdle_ = static_cast<org_kde_kwin_idle*>(
            wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, std::min(version, 1u)));
    }
}

void WaylandSession::globalRemoved(uint32_t name) {
    outputs_.erase(std::remove(outputs_.begin(), outputs_.end(), name), outputs_.end());
}

void WaylandSession::attach(IdleEvents& events) {
    lost_ = &events;
    if (!fdSource_)
        fdSource_ = g_unix_fd_add(wl_display_get_fd(display_), GIOCondition(G_IO_IN | G_IO_HUP | G_IO_ERR),
                                  [](int fd, GIOCondition condition, void* data) -> gboolean {
                                      return onReadable(fd, unsigned(condition), data);
                                  },
                                  this);
    wl_display_flush(display_);
}

int WaylandSession::onReadable(int, unsigned, void* data) {
    auto* self = static_cast<WaylandSession*>(data);
    if (wl_display_dispatch(self->display_) >= 0 && wl_display_flush(self->display_) >= 0) return G_SOURCE_CONTINUE;
    self->fdSource_ = 0;
    if (self->lost_) self->lost_->sourceLost("the Wayland compositor went away");
    return G_SOURCE_REMOVE;
}

bool WaylandSession::start(unsigned waitMs, IdleEvents& events) {
    events_ = &events;
    if (extNotifier_ && seat_ && !preferKde_) {
        extNotification_ = ext_idle_notifier_v1_get_idle_notification(extNotifier_, waitMs, seat_);
        ext_idle_notification_v1_add_listener(extNotification_, &extListener, this);
    } else if (kdeIdle_ && seat_) {
        kdeTimeout_ = org_kde_kwin_idle_get_idle_timeout(kdeIdle_, seat_, waitMs);
        org_kde_kwin_idle_timeout_add_listener(kdeTimeout_, &kdeListener, this);
    } else {
        return false;
    }
    return wl_display_flush(display_) >= 0;
}

void WaylandSession::stop() {
    if (extNotification_) ext_idle_notification_v1_destroy(extNotification_);
    if (kdeTimeout_) org_kde_kwin_idle_timeout_release(kdeTimeout_);
    extNotification_ = nullptr;
    kdeTimeout_ = nullptr;
    events_ = nullptr;
    if (display_) wl_display_flush(display_);
}

void WaylandSession::idled() {
    if (events_) events_->idle();
}

void WaylandSession::resumed() {
    if (events_) events_->active();
}
