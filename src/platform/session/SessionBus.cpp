// The session's buses (see SessionBus.h).
#include "platform/session/SessionBus.h"

#include <cstdlib>
#include <string>

GDBusConnection* sessionBusIfThere() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (!address || !*address) {
        const std::string socket = std::string(g_get_user_runtime_dir()) + "/bus";
        if (!g_file_test(socket.c_str(), G_FILE_TEST_EXISTS)) return nullptr;
    }
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    // A bus that closes is the caller's news to act on, never a reason for GLib to end the process.
    if (bus) g_dbus_connection_set_exit_on_close(bus, FALSE);
    return bus;
}

GDBusConnection* systemBusIfThere() {
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, nullptr);
    if (bus) g_dbus_connection_set_exit_on_close(bus, FALSE);
    return bus;
}

bool busNameOwned(GDBusConnection* bus, const char* name) {
    GVariant* reply = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "NameHasOwner", g_variant_new("(s)", name),
                                                  G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
    if (!reply) return false;
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
    return owned;
}

GVariant* busCallWithoutStarting(GDBusConnection* bus, const char* service, const char* path, const char* interface,
                                 const char* method, GVariant* parameters, const GVariantType* replyType,
                                 int timeoutMs, GError** error) {
    return g_dbus_connection_call_sync(bus, service, path, interface, method, parameters, replyType,
                                       G_DBUS_CALL_FLAGS_NO_AUTO_START, timeoutMs, nullptr, error);
}
