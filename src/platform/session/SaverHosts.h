// Which screen-saver hosts that run hacks themselves are in this session: asked by the idle
// watcher (which then steps aside) and by the settings dialog (which then leaves out its
// watcher row), from the same signs.
#pragma once

#include "watch/WatchSession.h"

#include <gio/gio.h>

typedef struct _XDisplay Display;

// XScreenSaver's window on `x`, MATE's and Xfce's screen savers on `bus`; either may be null.
// X errors are the caller's to trap.
SaverHostsPresent saverHostsPresent(Display* x, GDBusConnection* bus);
