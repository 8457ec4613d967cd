// The watcher's Wayland connection: the outputs (the clocks' monitors, in registry order, which
// is SDL's display order, coming and going as the registry says), each output's power mode
// where the compositor tells it (org_kde_kwin_dpms, zwlr_output_power_management_v1), and the
// compositor's idle protocols, ext-idle-notify-v1 and org_kde_kwin_idle, as an idle source.
#pragma once

#include "IdleSource.h"

#include <cstdint>
#include <string>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_output;
struct org_kde_kwin_dpms_manager;
struct org_kde_kwin_dpms;
struct zwlr_output_power_manager_v1;
struct zwlr_output_power_v1;
struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;

class WaylandSession : public IdleSource {
public:
    // Connects to $WAYLAND_DISPLAY; null where there is none to reach.
    static WaylandSession* connect();
    ~WaylandSession() override;

    // The outputs by registry name, in registry order.
    std::vector<std::string> outputs() const;
    // What this connection reports besides idleness, for the watcher's first lines.
    std::string sleepSourcesNamed() const;
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
    void outputPower(const void* power, bool on);

    struct Output {
        uint32_t name = 0;
        wl_output* output = nullptr;
        org_kde_kwin_dpms* dpms = nullptr;
        zwlr_output_power_v1* power = nullptr;
    };

private:
    WaylandSession() = default;
    static int onReadable(int fd, unsigned condition, void* data);
    void watchPower(Output& output);
    static void release(Output& output);

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    ext_idle_notifier_v1* extNotifier_ = nullptr;
    org_kde_kwin_idle* kdeIdle_ = nullptr;
    ext_idle_notification_v1* extNotification_ = nullptr;
    org_kde_kwin_idle_timeout* kdeTimeout_ = nullptr;
    org_kde_kwin_dpms_manager* kdeDpms_ = nullptr;
    zwlr_output_power_manager_v1* wlrPower_ = nullptr;
    bool preferKde_ = false;
    std::vector<Output> outputs_;
    IdleEvents* lost_ = nullptr;
    IdleEvents* events_ = nullptr;
    unsigned fdSource_ = 0;
};
