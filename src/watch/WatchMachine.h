// When the clocks show and when they end: the watcher's whole behaviour, apart from where
// idleness comes from and how a clock is started. One clock per monitor, all ending together;
// one show per idle period.
#pragma once

// Starts and ends the clocks (processes, in the program; a fake in the tests).
class ClockLauncher {
public:
    virtual ~ClockLauncher() = default;
    virtual int monitorCount() = 0;
    virtual bool startClock(int monitor) = 0;
    // Asks every running clock to end; each one's exit is still reported through clockGone.
    virtual void endClocks() = 0;
    virtual bool clocksRunning() const = 0;
};

class WatchMachine {
public:
    enum class State {
        waiting,  // for the next idle period
        showing,  // a clock on every monitor
        spent,    // this idle period had its show (a clock ended by itself): wait for activity
    };

    explicit WatchMachine(ClockLauncher& launcher) : launcher_(launcher) {}

    // From the desktop's idle source.
    void idle();
    void active();
    // From the launcher: a clock exited; `endedByUs` when endClocks asked it to.
    void clockGone(bool endedByUs);

    State state() const { return state_; }

private:
    void show();

    ClockLauncher& launcher_;
    State state_ = State::waiting;
    bool idleNow_ = false;
};
