// The watcher's Wayland connection: the outputs (the clocks' monitors, in registry order, which
// is SDL's display order) and the compositor's idle protocols, ext-idle-notify-v1 and
// org_kde_kwin_idle, as an idle source.
#pragma once

#include "IdleSource.h"

#include <cstdint>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;

class WaylandSession : public IdleSource {
public:
    // Connects to $WAYLAND_DISPLAY; null where there is none to reach.
    static WaylandSession* connect();
    ~WaylandSession() override;

    int outputCount() const { return int(outputs_.size()); }
    bool offersExtIdleNotify() const { return extNotifier_ && seat_; }
    bool offersKdeIdle() const { return kdeIdle_ && seat_; }
    void useKdeIdle() { preferKde_ = true; }

    // Reads the compositor's events as they come, inside the GLib main loop; `events` hears when
    // the compositor goes away, whether or not this is the idle source.
    void attach(IdleEvents& events);
    bool start(unsigned waitMs, IdleEvents& events) override;
    void stop() override;

    // Called by the protocol listeners.
    void globalAdded(wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
    void globalRemoved(uint32_t name);
    void idled();
    void resumed();

private:
    WaylandSession() = default;
    static int onReadable(int fd, unsigned condition, void* data);

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    ext_idle_notifier_v1* extNotifier_ = nullptr;
    org_kde_kwin_idle* kdeIdle_ = nullptr;
    ext_idle_notification_v1* extNotification_ = nullptr;
    org_kde_kwin_idle_timeout* kdeTimeout_ = nullptr;
    bool preferKde_ = false;
    std::vector<uint32_t> outputs_;
    IdleEvents* lost_ = nullptr;
    IdleEvents* events_ = nullptr;
    unsigned fdSource_ = 0;
};
