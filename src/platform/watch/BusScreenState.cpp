// The desktop's screen state from the session bus (see BusScreenState.h). Each service is its
// own cause of sleep, named by its bus name, so one waking does not wake the screen while
// another still has it dark; a service that leaves the bus takes its cause with it.
#include "BusScreenState.h"

#include "platform/session/SessionBus.h"
#include "watch/WatchSession.h"

#include <cstring>

namespace {

struct Service {
    const char* name;
    const char* path;
    // GNOME offers its shield's interface through a name the bus starts on demand: asking starts
    // it, and from then on it reports. Any other desktop's service that the bus could start
    // (Cinnamon's screen saver under GNOME, say) belongs to another session and is left alone.
    bool startedByAsking = false;
};

// ActiveChanged(b) and GetActive: GNOME's shield, Cinnamon's screen saver, KDE's lock screen.
constexpr Service screenSavers[] = {{"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver", true},
                                    {"org.cinnamon.ScreenSaver", "/org/cinnamon/ScreenSaver"},
                                    {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver"}};
// PowerSaveMode (i) and MonitorsChanged: the same interface under two names.
constexpr Service displayConfigs[] = {{"org.gnome.Mutter.DisplayConfig", "/org/gnome/Mutter/DisplayConfig"},
                                      {"org.cinnamon.Muffin.DisplayConfig", "/org/cinnamon/Muffin/DisplayConfig"}};

std::string powerCause(const char* service) { return std::string(service) + " PowerSaveMode"; }

}  // namespace

bool BusScreenState::serviceThere(const char* name, bool startedByAsking) const {
    if (busNameOwned(bus_, name)) return true;
    if (!startedByAsking) return false;
    for (const std::string& known : activatable_)
        if (known == name) return true;
    return false;
}

std::string BusScreenState::start(IdleEvents& events) {
    events_ = &events;
    if (GVariant* reply = g_dbus_connection_call_sync(bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                      "org.freedesktop.DBus", "ListActivatableNames", nullptr,
                                                      G_VARIANT_TYPE("(as)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
                                                      nullptr)) {
        GVariantIter* names = nullptr;
        const char* name = nullptr;
        g_variant_get(reply, "(as)", &names);
        while (g_variant_iter_next(names, "&s", &name)) activatable_.push_back(name);
        g_variant_iter_free(names);
        g_variant_unref(reply);
    }
    for (const Service& service : screenSavers)
        nameWatches_.push_back(g_bus_watch_name_on_connection(bus_, service.name, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                                              nullptr, onNameVanished, this, nullptr));
    for (const Service& service : displayConfigs)
        nameWatches_.push_back(g_bus_watch_name_on_connection(bus_, service.name, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                                              nullptr, onNameVanished, this, nullptr));
    std::string named;
    const auto name = [&named](const std::string& what) { named += (named.empty() ? "" : ", ") + what; };
    for (const Service& saver : screenSavers) {
        // KDE sends it on /ScreenSaver as well as on the freedesktop path: any path will do.
        subscriptions_.push_back(g_dbus_connection_signal_subscribe(bus_, saver.name, saver.name, "ActiveChanged",
                                                                    nullptr, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                                                                    onActiveChanged, this, nullptr));
        if (!serviceThere(saver.name, saver.startedByAsking)) continue;
        name(saver.name);
        readActive(saver.name, saver.path, saver.startedByAsking);
    }
    for (const Service& config : displayConfigs) {
        subscriptions_.push_back(g_dbus_connection_signal_subscribe(
            bus_, config.name, "org.freedesktop.DBus.Properties", "PropertiesChanged", config.path, config.name,
            G_DBUS_SIGNAL_FLAGS_NONE, onPropertiesChanged, this, nullptr));
        subscriptions_.push_back(g_dbus_connection_signal_subscribe(bus_, config.name, config.name, "MonitorsChanged",
                                                                    config.path, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                                                                    onMonitorsChanged, this, nullptr));
        if (!serviceThere(config.name, config.startedByAsking)) continue;
        name(std::string(config.name) + " (PowerSaveMode, MonitorsChanged)");
        readPowerSaveMode(config.name, config.path);
    }
    return named;
}

void BusScreenState::stop() {
    for (guint subscription : subscriptions_) g_dbus_connection_signal_unsubscribe(bus_, subscription);
    subscriptions_.clear();
    for (guint watch : nameWatches_) g_bus_unwatch_name(watch);
    nameWatches_.clear();
    events_ = nullptr;
}

void BusScreenState::readActive(const char* service, const char* path, bool startedByAsking) {
    GVariant* reply = g_dbus_connection_call_sync(
        bus_, service, path, service, "GetActive", nullptr, G_VARIANT_TYPE("(b)"),
        startedByAsking ? G_DBUS_CALL_FLAGS_NONE : G_DBUS_CALL_FLAGS_NO_AUTO_START, 5000, nullptr, nullptr);
    if (!reply) return;
    gboolean active = FALSE;
    g_variant_get(reply, "(b)", &active);
    g_variant_unref(reply);
    if (active && events_) events_->screenAsleep(service, true);
}

void BusScreenState::readPowerSaveMode(const char* service, const char* path) {
    GVariant* reply = busCallWithoutStarting(bus_, service, path, "org.freedesktop.DBus.Properties", "Get",
                                             g_variant_new("(ss)", service, "PowerSaveMode"), G_VARIANT_TYPE("(v)"),
                                             5000);
    if (!reply) return;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_INT32) && powerSaveModeDark(g_variant_get_int32(value)) && events_)
        events_->screenAsleep(powerCause(service), true);
    g_variant_unref(value);
    g_variant_unref(reply);
}

void BusScreenState::onActiveChanged(GDBusConnection*, const char*, const char*, const char* interface, const char*,
                                     GVariant* parameters, gpointer data) {
    auto* self = static_cast<BusScreenState*>(data);
    if (!self->events_ || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) return;
    gboolean active = FALSE;
    g_variant_get(parameters, "(b)", &active);
    self->events_->screenAsleep(interface, active);
}

void BusScreenState::onPropertiesChanged(GDBusConnection*, const char*, const char*, const char*, const char*,
                                         GVariant* parameters, gpointer data) {
    auto* self = static_cast<BusScreenState*>(data);
    if (!self->events_ || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sa{sv}as)"))) return;
    const char* interface = nullptr;
    GVariant* changed = nullptr;
    g_variant_get(parameters, "(&s@a{sv}@as)", &interface, &changed, nullptr);
    gint32 mode = 0;
    if (g_variant_lookup(changed, "PowerSaveMode", "i", &mode))
        self->events_->screenAsleep(powerCause(interface), powerSaveModeDark(mode));
    g_variant_unref(changed);
}

void BusScreenState::onNameVanished(GDBusConnection*, const char* name, gpointer data) {
    auto* self = static_cast<BusScreenState*>(data);
    if (!self->events_) return;
    self->events_->screenAsleep(name, false);
    self->events_->screenAsleep(powerCause(name), false);
}

void BusScreenState::onMonitorsChanged(GDBusConnection*, const char*, const char*, const char*, const char*, GVariant*,
                                       gpointer data) {
    auto* self = static_cast<BusScreenState*>(data);
    if (self->events_) self->events_->monitorsChanged();
}
