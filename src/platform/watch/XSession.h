// The watcher's X11 connection: XScreenSaver's daemon (whose window says so on the root), the
// monitors (RandR's active monitors, in its order), and MIT-SCREEN-SAVER's idle time as an
// idle source on plain X11.
#pragma once

#include "IdleSource.h"

#include <cstdint>

typedef struct _XDisplay Display;

class XSession : public IdleSource {
public:
    // Opens $DISPLAY; null where there is none to reach.
    static XSession* open();
    ~XSession() override;

    bool xscreensaverRuns() const;
    int monitorCount() const;
    bool offersIdleTime() const { return hasScreenSaverExtension_; }

    // Reads the connection inside the GLib main loop, so the server going away is seen.
    void attach(IdleEvents& events);
    bool start(unsigned waitMs, IdleEvents& events) override;
    void stop() override;

private:
    XSession() = default;
    uint64_t idleMs() const;
    bool saverSuspendedByAClient() const;
    void schedule(unsigned delayMs);
    void check();

    Display* display_ = nullptr;
    bool hasScreenSaverExtension_ = false;
    bool hasResourceExtension_ = false;
    IdleEvents* lost_ = nullptr;
    IdleEvents* events_ = nullptr;
    unsigned waitMs_ = 0;
    bool idleReported_ = false;
    uint64_t lastIdleMs_ = 0;
    unsigned timer_ = 0;
    unsigned fdSource_ = 0;
};
