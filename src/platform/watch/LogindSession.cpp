// The session's lock from logind (see LogindSession.h). LockedHint and the signals are one
// cause: a Lock signal says the session is being locked before the locker sets the hint, an
// Unlock signal that it is being unlocked, and whichever came last is how it stands.
#include "LogindSession.h"

#include "platform/session/SessionBus.h"

#include <unistd.h>

#include <cstdlib>

namespace {

constexpr const char* logind = "org.freedesktop.login1";
constexpr const char* sessionInterface = "org.freedesktop.login1.Session";
constexpr const char* lockCause = "org.freedesktop.login1, the session's lock";

// The session's object path, asked without starting logind where it does not run.
std::string sessionPath(GDBusConnection* bus) {
    const char* id = std::getenv("XDG_SESSION_ID");
    GVariant* reply =
        id && *id ? busCallWithoutStarting(bus, logind, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                           "GetSession", g_variant_new("(s)", id), G_VARIANT_TYPE("(o)"), 5000)
                  : busCallWithoutStarting(bus, logind, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                           "GetSessionByPID", g_variant_new("(u)", guint32(getpid())),
                                           G_VARIANT_TYPE("(o)"), 5000);
    if (!reply) return {};
    const char* path = nullptr;
    g_variant_get(reply, "(&o)", &path);
    std::string found = path;
    g_variant_unref(reply);
    return found;
}

}  // namespace

std::string LogindSession::start(IdleEvents& events) {
    if (!bus_) return {};
    session_ = sessionPath(bus_);
    if (session_.empty()) return {};
    events_ = &events;
    subscriptions_.push_back(g_dbus_connection_signal_subscribe(
        bus_, logind, "org.freedesktop.DBus.Properties", "PropertiesChanged", session_.c_str(), sessionInterface,
        G_DBUS_SIGNAL_FLAGS_NONE, onPropertiesChanged, this, nullptr));
    for (const char* signal : {"Lock", "Unlock"})
        subscriptions_.push_back(g_dbus_connection_signal_subscribe(bus_, logind, sessionInterface, signal,
                                                                    session_.c_str(), nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                                                                    onLockSignal, this, nullptr));
    // A logind that restarts has forgotten the lock; so does the watcher.
    nameWatch_ = g_bus_watch_name_on_connection(bus_, logind, G_BUS_NAME_WATCHER_FLAGS_NONE, nullptr, onNameVanished,
                                                this, nullptr);
    readLockedHint();
    return std::string(logind) + " (" + session_ + ": LockedHint, Lock)";
}

void LogindSession::stop() {
    for (guint subscription : subscriptions_) g_dbus_connection_signal_unsubscribe(bus_, subscription);
    subscriptions_.clear();
    if (nameWatch_) g_bus_unwatch_name(nameWatch_);
    nameWatch_ = 0;
    events_ = nullptr;
}

void LogindSession::readLockedHint() {
    GVariant* reply = busCallWithoutStarting(bus_, logind, session_.c_str(), "org.freedesktop.DBus.Properties", "Get",
                                             g_variant_new("(ss)", sessionInterface, "LockedHint"),
                                             G_VARIANT_TYPE("(v)"), 5000);
    if (!reply) return;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN)) locked(g_variant_get_boolean(value));
    g_variant_unref(value);
    g_variant_unref(reply);
}

void LogindSession::locked(bool locked) {
    if (events_) events_->screenAsleep(lockCause, locked);
}

void LogindSession::onPropertiesChanged(GDBusConnection*, const char*, const char*, const char*, const char*,
                                        GVariant* parameters, gpointer data) {
    auto* self = static_cast<LogindSession*>(data);
    if (!self->events_ || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sa{sv}as)"))) return;
    GVariant* changed = nullptr;
    const char** invalidated = nullptr;
    g_variant_get(parameters, "(&s@a{sv}^a&s)", nullptr, &changed, &invalidated);
    gboolean hint = FALSE;
    if (g_variant_lookup(changed, "LockedHint", "b", &hint)) self->locked(hint);
    // logind may name the property without its value; it is read then.
    for (const char** name = invalidated; name && *name; ++name)
        if (g_str_equal(*name, "LockedHint")) self->readLockedHint();
    g_free(invalidated);
    g_variant_unref(changed);
}

void LogindSession::onLockSignal(GDBusConnection*, const char*, const char*, const char*, const char* signal,
                                 GVariant*, gpointer data) {
    static_cast<LogindSession*>(data)->locked(g_str_equal(signal, "Lock"));
}

void LogindSession::onNameVanished(GDBusConnection*, const char*, gpointer data) {
    static_cast<LogindSession*>(data)->locked(false);
}
