// The screen-saver hosts of the session (see SaverHosts.h).
#include "platform/session/SaverHosts.h"

#include "platform/session/SessionBus.h"
#include "platform/session/XScreenSaverDaemon.h"

SaverHostsPresent saverHostsPresent(Display* x, GDBusConnection* bus) {
    SaverHostsPresent hosts;
    hosts.xscreensaver = x && xscreensaverDaemonRuns(x);
    hosts.mate = bus && busNameOwned(bus, "org.mate.ScreenSaver");
    hosts.xfce = bus && busNameOwned(bus, "org.xfce.ScreenSaver");
    return hosts;
}
