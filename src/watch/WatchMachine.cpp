// The watcher's states. A clock that ends by itself (input closed it, or it crashed) ends the
// others too; the next show waits for a new idle period, so a clock that cannot start is not
// started again and again while the user is away. The desktop going to sleep counts as the
// end of the show: after it wakes, the clocks need new activity and a whole new wait, as they
// would after input.
#include "watch/WatchMachine.h"

#include <algorithm>

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
    // them to go (clockGone), or a new clock would meet an old window there.
    if (state_ == State::waiting && !asleep() && !launcher_.clocksRunning()) show();
}

void WatchMachine::active() {
    idleNow_ = false;
    if (state_ == State::showing) launcher_.endClocks();
    clocks_.clear();
    state_ = State::waiting;
}

void WatchMachine::clockGone(const std::string& monitor, bool endedByUs) {
    const bool ofThisShow = clocks_.erase(monitor) > 0;
    if (state_ == State::showing && !endedByUs && ofThisShow) {
        // A clock whose monitor has just gone may end before the desktop says so; the rest stay.
        const std::vector<std::string> monitors = launcher_.monitors();
        if (std::find(monitors.begin(), monitors.end(), monitor) != monitors.end()) {
            launcher_.endClocks();
            clocks_.clear();
            state_ = State::spent;
        }
    }
    if (state_ == State::waiting && idleNow_ && !asleep() && !launcher_.clocksRunning()) show();
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
    if (!on && clocks_.erase(monitor) > 0) launcher_.endClock(monitor);
    if (on && !startMissingClocks()) state_ = State::spent;
}

void WatchMachine::monitorsChanged() {
    const std::vector<std::string> monitors = launcher_.monitors();
    // Power states of monitors that left mean nothing any more (a returning one reports anew).
    for (auto it = poweredOff_.begin(); it != poweredOff_.end();)
        it = std::find(monitors.begin(), monitors.end(), *it) == monitors.end() ? poweredOff_.erase(it) : ++it;
    if (state_ != State::showing) return;
    for (auto it = clocks_.begin(); it != clocks_.end();) {
        if (std::find(monitors.begin(), monitors.end(), *it) != monitors.end()) {
            ++it;
            continue;
        }
        launcher_.endClock(*it);
        it = clocks_.erase(it);
    }
    if (!startMissingClocks()) state_ = State::spent;
}

void WatchMachine::sleepChanged(bool wasAsleep) {
    const bool nowAsleep = asleep();
    if (nowAsleep && !wasAsleep && state_ == State::showing) {
        launcher_.endClocks();
        clocks_.clear();
        state_ = State::spent;
    }
    // Awake again with no input since the idle period began: that period had its show.
    if (!nowAsleep && wasAsleep && state_ == State::waiting && idleNow_) state_ = State::spent;
}

void WatchMachine::show() {
    state_ = State::spent;
    clocks_.clear();
    if (launcher_.monitors().empty()) return;
    state_ = State::showing;
    if (!startMissingClocks()) state_ = State::spent;
}

// Starts a clock on each monitor that is on and has none; on a failure ends them all.
bool WatchMachine::startMissingClocks() {
    const std::vector<std::string> monitors = launcher_.monitors();
    for (size_t index = 0; index < monitors.size(); ++index) {
        const std::string& monitor = monitors[index];
        if (clocks_.count(monitor) || poweredOff_.count(monitor)) continue;
        if (!launcher_.startClock(int(index), monitor)) {
            launcher_.endClocks();
            clocks_.clear();
            return false;
        }
        clocks_.insert(monitor);
    }
    return true;
}
