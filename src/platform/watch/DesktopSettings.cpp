// The session bus and the desktop's blank delay (see DesktopSettings.h).
#include "DesktopSettings.h"

#include <cstdlib>
#include <string>

GDBusConnection* watchSessionBus() {
    // Without an address GLib would start a bus of its own through X11: that one serves nobody.
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (!address || !*address) {
        const std::string socket = std::string(g_get_user_runtime_dir()) + "/bus";
        if (!g_file_test(socket.c_str(), G_FILE_TEST_EXISTS)) return nullptr;
    }
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    // The bus closing ends the watcher through its own path, which ends the clocks first.
    if (bus) g_dbus_connection_set_exit_on_close(bus, FALSE);
    return bus;
}

unsigned desktopBlankDelaySeconds(const char* schemaId) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source) return 0;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, schemaId, TRUE);
    if (!schema) return 0;
    unsigned delay = 0;
    if (g_settings_schema_has_key(schema, "idle-delay")) {
        GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
        GVariant* value = g_settings_get_value(settings, "idle-delay");
        if (g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32)) delay = g_variant_get_uint32(value);
        g_variant_unref(value);
        g_object_unref(settings);
    }
    g_settings_schema_unref(schema);
    return delay;
}
