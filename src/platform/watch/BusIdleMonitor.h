// GNOME's org.gnome.Mutter.IdleMonitor and Cinnamon's org.cinnamon.Muffin.IdleMonitor (the
// same interface under two names) as an idle source, over GDBus.
#pragma once

#include "IdleSource.h"

#include <gio/gio.h>

struct BusIdleMonitorNames {
    const char* service;
    const char* path;
    const char* interface;
};
extern const BusIdleMonitorNames mutterIdleMonitor;
extern const BusIdleMonitorNames muffinIdleMonitor;

class BusIdleMonitor : public IdleSource {
public:
    BusIdleMonitor(GDBusConnection* bus, const BusIdleMonitorNames& names) : bus_(bus), names_(names) {}
    ~BusIdleMonitor() override { stop(); }

    bool start(unsigned waitMs, IdleEvents& events) override;
    void stop() override;

private:
    static void onWatchFired(GDBusConnection*, const char*, const char*, const char*, const char*, GVariant*, gpointer);
    static void onServiceVanished(GDBusConnection*, const char*, gpointer);
    static void onBusClosed(GDBusConnection*, gboolean, GError*, gpointer);
    guint32 addWatch(const char* method, GVariant* parameters);
    void removeWatch(guint32 id);

    GDBusConnection* bus_;
    BusIdleMonitorNames names_;
    IdleEvents* events_ = nullptr;
    guint signalSubscription_ = 0;
    guint nameWatch_ = 0;
    gulong closedHandler_ = 0;
    guint32 idleWatch_ = 0;
    guint32 activeWatch_ = 0;
};
