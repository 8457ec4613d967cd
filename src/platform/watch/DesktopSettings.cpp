// The desktop's blank delay (see DesktopSettings.h).
#include "DesktopSettings.h"

#include <gio/gio.h>

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
