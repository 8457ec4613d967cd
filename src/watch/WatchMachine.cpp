// The watcher's states. A clock that ends by itself (input closed it, or it crashed) ends the
// others too; the next show waits for a new idle period, so a clock that cannot start is not
// started again and again while the user is away.
#include "watch/WatchMachine.h"

void WatchMachine::idle() {
    idleNow_ = true;
    // Clocks of the last show still ending hold the monitors: the show waits for the last of
    // them to go (clockGone), or a new clock would meet an old window there.
    if (state_ == State::waiting && !launcher_.clocksRunning()) show();
}

void WatchMachine::active() {
    idleNow_ = false;
    if (state_ == State::showing) launcher_.endClocks();
    state_ = State::waiting;
}

void WatchMachine::clockGone(bool endedByUs) {
    if (state_ == State::showing && !endedByUs) {
        launcher_.endClocks();
        state_ = State::spent;
    }
    if (state_ == State::waiting && idleNow_ && !launcher_.clocksRunning()) show();
}

void WatchMachine::show() {
    const int monitors = launcher_.monitorCount();
    state_ = State::spent;
    if (monitors <= 0) return;
    for (int monitor = 0; monitor < monitors; ++monitor) {
        if (!launcher_.startClock(monitor)) {
            launcher_.endClocks();
            return;
        }
    }
    state_ = State::showing;
}
