// The Wayland side of the watcher (see WaylandSession.h). The protocols' code comes from their
// XML through wayland-scanner. A notification fires `idled` once the seat has had no input for
// the wait and the compositor holds no idle inhibitor, and `resumed` on the next input.
#include "WaylandSession.h"

#include "ext-idle-notify-v1-client.h"
#include "kde-dpms-client.h"
#include "kde-idle-client.h"
#include "wlr-output-power-client.h"

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

// KWin's DPMS: the mode, then `done`; anything but On (standby, suspend, off) is dark.
void onDpmsSupported(void*, org_kde_kwin_dpms*, uint32_t) {}
void onDpmsMode(void* data, org_kde_kwin_dpms* dpms, uint32_t mode) {
    static_cast<WaylandSession*>(data)->outputPower(dpms, mode == ORG_KDE_KWIN_DPMS_MODE_ON);
}
void onDpmsDone(void*, org_kde_kwin_dpms*) {}
const org_kde_kwin_dpms_listener dpmsListener = {onDpmsSupported, onDpmsMode, onDpmsDone};

void onPowerMode(void* data, zwlr_output_power_v1* power, uint32_t mode) {
    static_cast<WaylandSession*>(data)->outputPower(power, mode == ZWLR_OUTPUT_POWER_V1_MODE_ON);
}
// The output cannot report its power (or is gone): it counts as on, as before it was asked.
void onPowerFailed(void* data, zwlr_output_power_v1* power) {
    static_cast<WaylandSession*>(data)->outputPower(power, true);
}
const zwlr_output_power_v1_listener powerListener = {onPowerMode, onPowerFailed};

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
    for (Output& output : outputs_) release(output);
    if (kdeDpms_) org_kde_kwin_dpms_manager_destroy(kdeDpms_);
    if (wlrPower_) zwlr_output_power_manager_v1_destroy(wlrPower_);
    if (extNotifier_) ext_idle_notifier_v1_destroy(extNotifier_);
    if (kdeIdle_) org_kde_kwin_idle_destroy(kdeIdle_);
    if (seat_) wl_seat_destroy(seat_);
    if (registry_) wl_registry_destroy(registry_);
    if (display_) wl_display_disconnect(display_);
}

void WaylandSession::globalAdded(wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    if (std::strcmp(interface, wl_output_interface.name) == 0) {
        Output output;
        output.name = name;
        output.output = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 1));
        outputs_.push_back(output);
        // Before attach the first roundtrip is still listing what is there; after it, news.
        if (lost_) {
            watchPower(outputs_.back());
            lost_->monitorsChanged();
        }
    } else if (std::strcmp(interface, org_kde_kwin_dpms_manager_interface.name) == 0 && !kdeDpms_) {
        kdeDpms_ = static_cast<org_kde_kwin_dpms_manager*>(
            wl_registry_bind(registry, name, &org_kde_kwin_dpms_manager_interface, 1));
    } else if (std::strcmp(interface, zwlr_output_power_manager_v1_interface.name) == 0 && !wlrPower_) {
        wlrPower_ = static_cast<zwlr_output_power_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_output_power_manager_v1_interface, 1));
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
    const auto found = std::find_if(outputs_.begin(), outputs_.end(), [name](const Output& o) { return o.name == name; });
    if (found == outputs_.end()) return;
    release(*found);
    outputs_.erase(found);
    if (lost_) lost_->monitorsChanged();
}

std::vector<std::string> WaylandSession::outputs() const {
    std::vector<std::string> names;
    for (const Output& output : outputs_) names.push_back(std::to_string(output.name));
    return names;
}

std::string WaylandSession::sleepSourcesNamed() const {
    std::string named = "wl_output (monitors)";
    if (kdeDpms_) named += ", org_kde_kwin_dpms";
    if (wlrPower_) named += ", zwlr_output_power_management_v1";
    return named;
}

void WaylandSession::watchPower(Output& output) {
    // One source of power news per output is enough; KWin's is its own, wlroots' the rest.
    if (kdeDpms_) {
        output.dpms = org_kde_kwin_dpms_manager_get(kdeDpms_, output.output);
        org_kde_kwin_dpms_add_listener(output.dpms, &dpmsListener, this);
    } else if (wlrPower_) {
        output.power = zwlr_output_power_manager_v1_get_output_power(wlrPower_, output.output);
        zwlr_output_power_v1_add_listener(output.power, &powerListener, this);
    }
}

void WaylandSession::release(Output& output) {
    if (output.dpms) org_kde_kwin_dpms_release(output.dpms);
    if (output.power) zwlr_output_power_v1_destroy(output.power);
    if (output.output) wl_output_destroy(output.output);
    output = Output{};
}

void WaylandSession::outputPower(const void* power, bool on) {
    for (const Output& output : outputs_)
        if ((output.dpms == power || output.power == power) && power && lost_)
            lost_->monitorPower(std::to_string(output.name), on);
}

void WaylandSession::attach(IdleEvents& events) {
    lost_ = &events;
    for (Output& output : outputs_) watchPower(output);
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
