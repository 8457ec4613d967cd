// The clocks as processes: `zarn-screensaver /s` once per monitor with ZARN_MONITOR=N, at
// nice 10, each one watched until it is reaped.
#pragma once

#include "watch/WatchMachine.h"

#include <functional>
#include <map>
#include <string>

class ClockProcesses : public ClockLauncher {
public:
    ClockProcesses(std::string saver, bool wayland, std::function<int()> monitors)
        : saver_(std::move(saver)), wayland_(wayland), monitors_(std::move(monitors)) {}
    ~ClockProcesses() override;

    // Hears of every clock that exits (WatchMachine::clockGone) and of the last one going.
    std::function<void(bool endedByUs)> onClockGone;

    int monitorCount() override { return monitors_(); }
    bool startClock(int monitor) override;
    // SIGTERM now, SIGKILL for any still there 2 s later.
    void endClocks() override;
    bool clocksRunning() const override { return !clocks_.empty(); }

    // Outside the main loop, for a session already gone: end and reap every clock before
    // returning.
    void endAndReapNow();

private:
    struct Clock {
        bool ending = false;
        unsigned watch = 0;
        unsigned killTimer = 0;
    };
    static void onExit(int pid, int status, void* data);

    std::string saver_;
    bool wayland_;
    std::function<int()> monitors_;
    std::map<int, Clock> clocks_;
};
