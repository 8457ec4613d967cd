// Where the watcher learns idleness and activity: one interface over the desktop's idle
// monitor on the session bus, the Wayland idle protocols and X11's MIT-SCREEN-SAVER; and what
// every part of the session tells it besides: the screen asleep, a monitor's power, monitors
// that come and go.
#pragma once

#include <string>

class IdleEvents {
public:
    virtual ~IdleEvents() = default;
    virtual void idle() = 0;    // the session has had no input for the wait
    virtual void active() = 0;  // input after idle
    // The desktop's service went away (the bus closed, the compositor quit): the session ends.
    virtual void sourceLost(const char* why) = 0;
    // The desktop's screen saver, shield or lock, or its power saving (`cause` says whose).
    virtual void screenAsleep(const std::string& cause, bool asleep) = 0;
    // One monitor's own power; the id is the one the session's monitor list uses.
    virtual void monitorPower(const std::string& monitor, bool on) = 0;
    virtual void monitorsChanged() = 0;
};

class IdleSource {
public:
    virtual ~IdleSource() = default;
    virtual bool start(unsigned waitMs, IdleEvents& events) = 0;
    // Withdraws what start asked of the desktop; nothing is reported afterwards.
    virtual void stop() {}
};
