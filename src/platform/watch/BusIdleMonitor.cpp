// The desktop's own idle monitor. An idle watch fires each time the session has been idle for
// the wait; a user-active watch fires once, on the next input, so one is added after each
// idle. The desktop counts what it counts as busy (its inhibitors), so a video player that
// holds the screen keeps the clock away here too.
#include "BusIdleMonitor.h"

#include "platform/session/SessionBus.h"

#include <algorithm>
#include <cstdio>

const BusIdleMonitorNames mutterIdleMonitor = {"org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core",
                                               "org.gnome.Mutter.IdleMonitor"};
const BusIdleMonitorNames muffinIdleMonitor = {"org.cinnamon.Muffin.IdleMonitor",
                                               "/org/cinnamon/Muffin/IdleMonitor/Core",
                                               "org.cinnamon.Muffin.IdleMonitor"};

guint32 BusIdleMonitor::addWatch(const char* method, GVariant* parameters) {
    GError* error = nullptr;
    GVariant* reply = busCallWithoutStarting(bus_, names_.service, names_.path, names_.interface, method, parameters,
                                             G_VARIANT_TYPE("(u)"), 5000, &error);
    if (!reply) {
        std::fprintf(stderr, "zarn-screensaver-watch: %s.%s failed: %s\n", names_.interface, method, error->message);
        g_error_free(error);
        return 0;
    }
    guint32 id = 0;
    g_variant_get(reply, "(u)", &id);
    g_variant_unref(reply);
    return id;
}

void BusIdleMonitor::removeWatch(guint32 id) {
    if (id == 0 || g_dbus_connection_is_closed(bus_)) return;
    GVariant* reply = busCallWithoutStarting(bus_, names_.service, names_.path, names_.interface, "RemoveWatch",
                                             g_variant_new("(u)", id), nullptr, 2000);
    if (reply) g_variant_unref(reply);
}

bool BusIdleMonitor::start(unsigned waitMs, IdleEvents& events) {
    events_ = &events;
    // The watch fires on the edge into idleness, so the subscription comes first.
    signalSubscription_ = g_dbus_connection_signal_subscribe(bus_, names_.service, names_.interface, "WatchFired",
                                                             names_.path, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                                                             onWatchFired, this, nullptr);
    closedHandler_ = g_signal_connect(bus_, "closed", G_CALLBACK(onBusClosed), this);
    nameWatch_ = g_bus_watch_name_on_connection(bus_, names_.service, G_BUS_NAME_WATCHER_FLAGS_NONE, nullptr,
                                                onServiceVanished, this, nullptr);
    // An interval of 0 is no watch at all to the monitor; a millisecond is as good as none.
    idleWatch_ = addWatch("AddIdleWatch", g_variant_new("(t)", guint64(std::max(waitMs, 1u))));
    return idleWatch_ != 0;
}

void BusIdleMonitor::stop() {
    if (signalSubscription_) g_dbus_connection_signal_unsubscribe(bus_, signalSubscription_);
    if (nameWatch_) g_bus_unwatch_name(nameWatch_);
    if (closedHandler_) g_signal_handler_disconnect(bus_, closedHandler_);
    signalSubscription_ = nameWatch_ = 0;
    closedHandler_ = 0;
    removeWatch(idleWatch_);
    removeWatch(activeWatch_);
    idleWatch_ = activeWatch_ = 0;
    events_ = nullptr;
}

void BusIdleMonitor::onWatchFired(GDBusConnection*, const char*, const char*, const char*, const char*,
                                  GVariant* parameters, gpointer data) {
    auto* self = static_cast<BusIdleMonitor*>(data);
    if (!self->events_ || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(u)"))) return;
    guint32 id = 0;
    g_variant_get(parameters, "(u)", &id);
    if (id == 0) return;
    if (id == self->idleWatch_) {
        if (self->activeWatch_ == 0) self->activeWatch_ = self->addWatch("AddUserActiveWatch", nullptr);
        self->events_->idle();
    } else if (id == self->activeWatch_) {
        // A user-active watch fires once and is gone.
        self->activeWatch_ = 0;
        self->events_->active();
    }
}

void BusIdleMonitor::onServiceVanished(GDBusConnection*, const char* name, gpointer data) {
    auto* self = static_cast<BusIdleMonitor*>(data);
    if (!self->events_) return;
    std::fprintf(stderr, "zarn-screensaver-watch: %s left the session bus\n", name);
    self->idleWatch_ = self->activeWatch_ = 0;
    self->events_->sourceLost("the desktop's idle monitor went away");
}

void BusIdleMonitor::onBusClosed(GDBusConnection*, gboolean, GError*, gpointer data) {
    auto* self = static_cast<BusIdleMonitor*>(data);
    if (!self->events_) return;
    self->idleWatch_ = self->activeWatch_ = 0;
    self->events_->sourceLost("the session bus closed");
}
