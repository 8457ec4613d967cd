// The desktop session's buses as the idle watcher and the settings dialog's watcher row ask
// them. The session bus only where the session has one (GLib would otherwise start a private
// one through X11, which serves nobody); whether a name has an owner; and calls that never
// start a service the bus could activate, since asking another desktop's service whether its
// screen saver is active must not start it in this session.
#pragma once

#include <gio/gio.h>

// A new reference to the session's bus, or null where the session has none.
GDBusConnection* sessionBusIfThere();
// A new reference to the system bus, or null where there is none (containers, minimal
// machines).
GDBusConnection* systemBusIfThere();

// Whether `name` has an owner now; a name the bus could activate but nobody owns has none.
bool busNameOwned(GDBusConnection* bus, const char* name);

// A method call that may not start the service; null on failure, with `error` set if given.
GVariant* busCallWithoutStarting(GDBusConnection* bus, const char* service, const char* path, const char* interface,
                                 const char* method, GVariant* parameters, const GVariantType* replyType,
                                 int timeoutMs, GError** error = nullptr);
