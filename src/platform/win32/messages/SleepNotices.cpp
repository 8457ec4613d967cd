// Sleep and resume from systemd-logind: its PrepareForSleep(bool) signal on the system bus,
// true just before the machine sleeps and false once it is back. GDBus (part of GLib, which
// the settings dialog's GTK brings anyway) delivers it through the default main context,
// which is run here without blocking, so the signal reaches the saver on its own thread.
#include "win32/messages/PowerNotices.h"

#include "platform/session/SessionBus.h"

#include <gio/gio.h>

namespace {

std::vector<WPARAM> pending;

void onPrepareForSleep(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                       GVariant* parameters, gpointer) {
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) return;
    gboolean goingToSleep = FALSE;
    g_variant_get(parameters, "(b)", &goingToSleep);
    pending.push_back(goingToSleep ? PBT_APMSUSPEND : PBT_APMRESUMESUSPEND);
}

// The system bus connection, made once; null where there is no system bus (containers,
// minimal machines), in which case sleep simply goes unnoticed.
GDBusConnection* systemBus() {
    static GDBusConnection* const bus = [] {
        GDBusConnection* connection = systemBusIfThere();
        if (connection)
            g_dbus_connection_signal_subscribe(connection, "org.freedesktop.login1", "org.freedesktop.login1.Manager",
                                               "PrepareForSleep", "/org/freedesktop/login1", nullptr,
                                               G_DBUS_SIGNAL_FLAGS_NONE, onPrepareForSleep, nullptr, nullptr);
        return connection;
    }();
    return bus;
}

}  // namespace

std::vector<WPARAM> zarnTakeSleepNotices() {
    if (!systemBus()) return {};
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    std::vector<WPARAM> taken;
    taken.swap(pending);
    return taken;
}
