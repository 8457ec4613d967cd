// The clocks as processes: `zarn-screensaver /s` once per monitor with ZARN_MONITOR=N, at
// nice 10, each one watched until it is reaped. Their standard output (the loader's progress)
// goes nowhere; their errors reach the watcher's.
#pragma once

#include "watch/WatchMachine.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

class ClockProcesses : public ClockLauncher {
public:
    ClockProcesses(std::string saver, bool wayland, std::function<std::vector<std::string>()> monitors)
        : saver_(std::move(saver)), wayland_(wayland), monitors_(std::move(monitors)) {}
    ~ClockProcesses() override;

    // Hears of every clock that exits (WatchMachine::clockGone), by its process id.
    std::function<void(ClockId clock)> onClockGone;

    std::vector<std::string> monitors() override { return monitors_(); }
    ClockId startClock(int index, const std::string& monitor) override;
    // SIGTERM now, SIGKILL 2 s later if it is still there.
    void endClock(ClockId clock) override;
    void endClocks();
    bool clocksRunning() const { return !clocks_.empty(); }

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
    void end(int pid, Clock& clock);

    std::string saver_;
    bool wayland_;
    std::function<std::vector<std::string>()> monitors_;
    std::map<int, Clock> clocks_;
};
