// The watcher's X11 connection: XScreenSaver's daemon (whose window says so on the root), the
// monitors (RandR's active monitors, in its order, with RandR's news of changes), the server's
// own screen saver (pushed) and DPMS power level (read), and MIT-SCREEN-SAVER's idle time as
// an idle source on plain X11.
#pragma once

#include "IdleSource.h"

#include <cstdint>
#include <string>
#include <vector>

typedef struct _XDisplay Display;

class XSession : public IdleSource {
public:
    // Opens $DISPLAY; null where there is none to reach.
    static XSession* open();
    ~XSession() override;

    // For the questions the settings dialog asks as well (SaverHosts.h).
    Display* display() const { return display_; }
    // RandR's monitors by name, in the order the saver numbers them.
    std::vector<std::string> monitors() const;
    // What this connection reports besides idleness, for the watcher's first lines.
    std::string sleepSourcesNamed() const;
    bool offersIdleTime() const { return hasScreenSaverExtension_; }

    // Reads the connection inside the GLib main loop (events Xlib queued while it waited for an
    // answer as well as those on the socket), so the server going away is seen; `events` hears
    // of the server's screen saver, RandR's changes and the server going.
    void attach(IdleEvents& events);
    // DPMS has no events: its level is read when asked, and every 5 s while the clocks show.
    // Nor has a monitor set by a client (`xrandr --setmonitor`): the list is read every second
    // while the clocks show.
    void readPower();
    void clocksShowing(bool showing);
    bool start(unsigned waitMs, IdleEvents& events) override;
    void stop() override;
    // What the X events say (the connection's source calls it when events are there).
    void readEvents();

private:
    XSession() = default;
    uint64_t idleMs() const;
    bool saverSuspendedByAClient() const;
    void schedule(unsigned delayMs);
    void check();
    void readMonitors();

    Display* display_ = nullptr;
    bool hasScreenSaverExtension_ = false;
    bool hasResourceExtension_ = false;
    bool hasDpms_ = false;
    int saverEventBase_ = -1;
    int randrEventBase_ = -1;
    bool powerOff_ = false;
    unsigned powerTimer_ = 0;
    unsigned monitorTimer_ = 0;
    bool clocksShow_ = false;
    std::vector<std::string> monitorsSeen_;
    IdleEvents* lost_ = nullptr;
    IdleEvents* events_ = nullptr;
    unsigned waitMs_ = 0;
    bool idleReported_ = false;
    uint64_t lastIdleMs_ = 0;
    uint64_t lastLookMs_ = 0;
    unsigned timer_ = 0;
    struct _GSource* eventSource_ = nullptr;
};
