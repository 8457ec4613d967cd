// What the desktop says on the session bus about its screen: its screen saver, shield or lock
// (org.gnome.ScreenSaver, org.cinnamon.ScreenSaver, org.freedesktop.ScreenSaver: ActiveChanged),
// its power saving (Mutter's and Muffin's DisplayConfig PowerSaveMode) and its monitors changing
// (DisplayConfig MonitorsChanged). All pushed; nothing here polls.
#pragma once

#include "IdleSource.h"

#include <gio/gio.h>

#include <string>
#include <vector>

class BusScreenState {
public:
    explicit BusScreenState(GDBusConnection* bus) : bus_(bus) {}
    ~BusScreenState() { stop(); }

    // Subscribes to every service, present or not (they may start later), and reads the state of
    // those already there. Returns the names found, for the watcher's first lines.
    std::string start(IdleEvents& events);
    void stop();

private:
    static void onActiveChanged(GDBusConnection*, const char*, const char*, const char*, const char*, GVariant*,
                                gpointer);
    static void onPropertiesChanged(GDBusConnection*, const char*, const char*, const char*, const char*, GVariant*,
                                    gpointer);
    static void onNameVanished(GDBusConnection*, const char* name, gpointer data);
    static void onMonitorsChanged(GDBusConnection*, const char*, const char*, const char*, const char*, GVariant*,
                                  gpointer);
    // Owned now, or (`startedByAsking`) a name the bus starts when asked.
    bool serviceThere(const char* name, bool startedByAsking) const;
    void readActive(const char* service, const char* path, bool startedByAsking);
    void readPowerSaveMode(const char* service, const char* path);

    GDBusConnection* bus_;
    IdleEvents* events_ = nullptr;
    std::vector<guint> subscriptions_;
    std::vector<guint> nameWatches_;
    std::vector<std::string> activatable_;
};
