// The session's lock as systemd-logind knows it, on the system bus: the session's LockedHint,
// which lockers that GNOME, KDE and Cinnamon know nothing of set (swaylock, light-locker and
// the like), and logind's Lock and Unlock signals (loginctl lock-session, and the lock before
// sleep). One more cause of sleep, like GNOME's shield. The session is the one
// $XDG_SESSION_ID names, else the watcher's own.
#pragma once

#include "IdleSource.h"

#include <gio/gio.h>

#include <string>
#include <vector>

class LogindSession {
public:
    explicit LogindSession(GDBusConnection* systemBus) : bus_(systemBus) {}
    ~LogindSession() { stop(); }

    // Finds the session, subscribes to its lock and reads it; what it listens to, for the
    // watcher's first lines (empty where logind has no session for it).
    std::string start(IdleEvents& events);
    void stop();

private:
    static void onPropertiesChanged(GDBusConnection*, const char*, const char*, const char*, const char*, GVariant*,
                                    gpointer);
    static void onLockSignal(GDBusConnection*, const char*, const char*, const char*, const char* signal, GVariant*,
                             gpointer);
    static void onNameVanished(GDBusConnection*, const char*, gpointer);
    void readLockedHint();
    void locked(bool locked);

    GDBusConnection* bus_;
    IdleEvents* events_ = nullptr;
    std::string session_;  // its object path
    std::vector<guint> subscriptions_;
    guint nameWatch_ = 0;
};
