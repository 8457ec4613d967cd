// The watcher's states. A clock that ends by itself (input closed it, or it crashed) ends the
// others too; the next show waits for a new idle period, so a clock that cannot start is not
// started again and again while the user is away. The desktop going to sleep counts as the
// end of the show: after it wakes, the clocks need new activity and a whole new wait, as they
// would after input.
//
// Clocks are known by process, not by monitor: a clock asked to end still holds its monitor
// (its window is there, and a new clock would find it and take it for a saver already
// running) until it is gone. A monitor that comes back meanwhile gets its new clock then.
#include "watch/WatchMachine.h"

#include <algorithm>

namespace {

bool listed(const std::vector<std::string>& monitors, const std::string& monitor) {
    return std::find(monitors.begin(), monitors.end(), monitor) != monitors.end();
}

}  // namespace

bool WatchMachine::asleep() const {
    if (!sleepCauses_.empty()) return true;
    if (poweredOff_.empty()) return false;
    const std::vector<std::string> monitors = launcher_.monitors();
    return std::all_of(monitors.begin(), monitors.end(),
                       [this](const std::string& monitor) { return poweredOff_.count(monitor) > 0; });
}

void WatchMachine::idle() {
    idleNow_ = true;
    // Clocks of the last show still ending hold the monitors: the show waits for the last of
    // them to go (clockGone).
    if (state_ == State::waiting && !asleep() && clocks_.empty()) show();
}

void WatchMachine::active() {
    idleNow_ = false;
    endAllClocks();
    state_ = State::waiting;
}

void WatchMachine::clockGone(ClockId id) {
    const auto found = clocks_.find(id);
    if (found == clocks_.end()) return;
    const Clock clock = found->second;
    clocks_.erase(found);
    if (state_ == State::showing && !clock.ending) {
        // A clock whose monitor has just gone may end before the desktop says so; the rest stay.
        if (listed(launcher_.monitors(), clock.monitor)) {
            endAllClocks();
            state_ = State::spent;
        }
    }
    // Its monitor is free again: a monitor that came back while it ended gets its clock now.
    if (state_ == State::showing && !startMissingClocks()) state_ = State::spent;
    if (state_ == State::waiting && idleNow_ && !asleep() && clocks_.empty()) show();
}

void WatchMachine::screenAsleep(const std::string& cause, bool asleep) {
    const bool wasAsleep = this->asleep();
    if (asleep) sleepCauses_.insert(cause);
    else sleepCauses_.erase(cause);
    sleepChanged(wasAsleep);
}

void WatchMachine::monitorPower(const std::string& monitor, bool on) {
    const bool wasAsleep = asleep();
    if (on) poweredOff_.erase(monitor);
    else poweredOff_.insert(monitor);
    sleepChanged(wasAsleep);
    if (state_ != State::showing) return;
    if (!on) endClocks([&monitor](const std::string& m) { return m == monitor; });
    if (on && !startMissingClocks()) state_ = State::spent;
}

void WatchMachine::monitorsChanged() {
    const std::vector<std::string> monitors = launcher_.monitors();
    // Power states of monitors that left mean nothing any more (a returning one reports anew).
    for (auto it = poweredOff_.begin(); it != poweredOff_.end();)
        it = listed(monitors, *it) ? ++it : poweredOff_.erase(it);
    if (state_ != State::showing) return;
    endClocks([&monitors](const std::string& monitor) { return !listed(monitors, monitor); });
    if (!startMissingClocks()) state_ = State::spent;
}

void WatchMachine::sleepChanged(bool wasAsleep) {
    const bool nowAsleep = asleep();
    if (nowAsleep && !wasAsleep && state_ == State::showing) {
        endAllClocks();
        state_ = State::spent;
    }
    // Awake again with no input since the idle period began: that period had its show.
    if (!nowAsleep && wasAsleep && state_ == State::waiting && idleNow_) state_ = State::spent;
}

void WatchMachine::show() {
    state_ = State::spent;
    if (launcher_.monitors().empty()) return;
    state_ = State::showing;
    if (!startMissingClocks()) state_ = State::spent;
}

// Starts a clock on each monitor that is on and holds none (not even one still ending); on a
// failure ends them all.
bool WatchMachine::startMissingClocks() {
    const std::vector<std::string> monitors = launcher_.monitors();
    for (size_t index = 0; index < monitors.size(); ++index) {
        const std::string& monitor = monitors[index];
        const bool held = std::any_of(clocks_.begin(), clocks_.end(),
                                      [&monitor](const auto& entry) { return entry.second.monitor == monitor; });
        if (held || poweredOff_.count(monitor)) continue;
        const ClockId id = launcher_.startClock(int(index), monitor);
        if (id == 0) {
            endAllClocks();
            return false;
        }
        clocks_[id] = Clock{monitor};
    }
    return true;
}

void WatchMachine::endClocks(const std::function<bool(const std::string& monitor)>& on) {
    for (auto& [id, clock] : clocks_) {
        if (clock.ending || !on(clock.monitor)) continue;
        clock.ending = true;
        launcher_.endClock(id);
    }
}
