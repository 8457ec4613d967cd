// When the clocks show and when they end: the watcher's whole behaviour, apart from where
// idleness comes from and how a clock is started. One clock per monitor that is on, all ending
// together; one show per idle period; none while the desktop sleeps (blanked, shielded, locked
// or every monitor powered off), since nobody would see it and it would draw all night.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

// One clock as the launcher names it: its process id in the program. 0 names none.
using ClockId = int;

// Starts and ends the clocks (processes, in the program; a fake in the tests). Monitors are
// named by an id the desktop keeps while the monitor stays (RandR's monitor name, the Wayland
// output's registry name), listed in the order the saver numbers them.
class ClockLauncher {
public:
    virtual ~ClockLauncher() = default;
    virtual std::vector<std::string> monitors() = 0;
    // `index` is the monitor's place in monitors(), which is how the saver is told which.
    // The new clock's id, or 0 when it could not start.
    virtual ClockId startClock(int index, const std::string& monitor) = 0;
    // Asks one clock to end; its exit is still reported (WatchMachine::clockGone).
    virtual void endClock(ClockId clock) = 0;
};

class WatchMachine {
public:
    enum class State {
        waiting,  // for the next idle period
        showing,  // a clock on every monitor that is on
        spent,    // this idle period had its show (a clock ended by itself, or the desktop slept)
    };

    explicit WatchMachine(ClockLauncher& launcher) : launcher_(launcher) {}

    // From the desktop's idle source.
    void idle();
    void active();
    // From the launcher: a clock exited, asked to or by itself.
    void clockGone(ClockId clock);
    // The desktop's screen saver, shield or lock (`cause` names which service says so), or its
    // power saving for all monitors at once.
    void screenAsleep(const std::string& cause, bool asleep);
    // One monitor's own power (a compositor's per-output power mode).
    void monitorPower(const std::string& monitor, bool on);
    // Monitors came or went: the launcher's monitors() has the new list.
    void monitorsChanged();

    State state() const { return state_; }
    bool asleep() const;

private:
    struct Clock {
        std::string monitor;
        bool ending = false;  // asked to end; it still holds its monitor until it is gone
    };

    void show();
    void sleepChanged(bool wasAsleep);
    bool startMissingClocks();
    // Asks every clock not yet ending whose monitor `on` picks to end.
    void endClocks(const std::function<bool(const std::string& monitor)>& on);
    void endAllClocks() { endClocks([](const std::string&) { return true; }); }

    ClockLauncher& launcher_;
    State state_ = State::waiting;
    bool idleNow_ = false;
    std::set<std::string> sleepCauses_;
    std::set<std::string> poweredOff_;
    std::map<ClockId, Clock> clocks_;  // every clock started and not yet gone
};
