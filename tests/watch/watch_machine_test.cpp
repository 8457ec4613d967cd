// The watcher's states with a fake idle source (the test calls idle/active) and a fake
// launcher that records what it was asked to do.
#include "watch/WatchMachine.h"
#include "watch/WatchSession.h"

#include <gtest/gtest.h>

#include <set>

namespace {

class FakeLauncher : public ClockLauncher {
public:
    int monitors = 2;
    int failAtMonitor = -1;
    std::set<int> running;  // by monitor
    std::set<int> ending;
    int starts = 0;

    int monitorCount() override { return monitors; }
    bool startClock(int monitor) override {
        if (monitor == failAtMonitor) return false;
        ++starts;
        running.insert(monitor);
        return true;
    }
    void endClocks() override { ending = running; }
    bool clocksRunning() const override { return !running.empty(); }

    // A clock exits: reported as the real launcher does.
    void exits(WatchMachine& machine, int monitor) {
        running.erase(monitor);
        const bool endedByUs = ending.erase(monitor) > 0;
        machine.clockGone(endedByUs);
    }
    void allEndedExit(WatchMachine& machine) {
        for (int monitor : std::set<int>(ending)) exits(machine, monitor);
    }
};

using State = WatchMachine::State;

}  // namespace

TEST(WatchMachineTest, IdleShowsAClockPerMonitorAndActivityEndsThemAll) {
    FakeLauncher launcher;
    WatchMachine machine(launcher);
    machine.active();  // activity while waiting changes nothing
    EXPECT_EQ(0, launcher.starts);
    machine.idle();
    EXPECT_EQ(State::showing, machine.state());
    EXPECT_EQ((std::set<int>{0, 1}), launcher.running);
    machine.idle();  // a repeated idle starts nothing more
    EXPECT_EQ(2, launcher.starts);
    machine.active();
    EXPECT_EQ((std::set<int>{0, 1}), launcher.ending);
    EXPECT_EQ(State::waiting, machine.state());
    launcher.allEndedExit(machine);
    EXPECT_TRUE(launcher.running.empty());
    EXPECT_EQ(State::waiting, machine.state());
    // The next idle period shows them again.
    machine.idle();
    EXPECT_EQ(4, launcher.starts);
    EXPECT_EQ(State::showing, machine.state());
}

TEST(WatchMachineTest, AClockEndingByItselfEndsTheRestAndOnlyANewIdlePeriodShowsAgain) {
    // The clock closed by the user's input, or crashed: the same for the watcher.
    FakeLauncher launcher;
    launcher.monitors = 3;
    WatchMachine machine(launcher);
    machine.idle();
    launcher.exits(machine, 1);
    EXPECT_EQ((std::set<int>{0, 2}), launcher.ending);
    EXPECT_EQ(State::spent, machine.state());
    launcher.allEndedExit(machine);
    machine.idle();  // still the same idle period (no activity between): no second show
    EXPECT_EQ(3, launcher.starts);
    machine.active();
    EXPECT_EQ(State::waiting, machine.state());
    machine.idle();
    EXPECT_EQ(6, launcher.starts);
}

TEST(WatchMachineTest, ANewShowWaitsForTheLastShowsClocksToGo) {
    FakeLauncher launcher;
    WatchMachine machine(launcher);
    machine.idle();
    machine.active();
    machine.idle();  // at once idle again while the old clocks still end (a wait of 0 s)
    EXPECT_EQ(2, launcher.starts);
    launcher.exits(machine, 0);
    EXPECT_EQ(2, launcher.starts);
    launcher.exits(machine, 1);
    EXPECT_EQ(4, launcher.starts);
    EXPECT_EQ(State::showing, machine.state());
    // Activity before the old clocks went cancels the pending show.
    machine.active();
    machine.idle();
    machine.active();
    launcher.allEndedExit(machine);
    EXPECT_EQ(4, launcher.starts);
    EXPECT_EQ(State::waiting, machine.state());
}

TEST(WatchMachineTest, AClockThatCannotStartEndsTheOthersAndIsNotRetriedInTheSameIdlePeriod) {
    FakeLauncher launcher;
    launcher.failAtMonitor = 1;
    WatchMachine machine(launcher);
    machine.idle();
    EXPECT_EQ((std::set<int>{0}), launcher.ending);
    EXPECT_EQ(State::spent, machine.state());
    launcher.allEndedExit(machine);
    EXPECT_EQ(1, launcher.starts);
    // No monitor at all: nothing to show, nothing started.
    FakeLauncher none;
    none.monitors = 0;
    WatchMachine empty(none);
    empty.idle();
    EXPECT_EQ(0, none.starts);
}

TEST(WatchSessionTest, IdleSourcesInTheirOrderHostsAndTheBlankDelay) {
    IdleSourcesOffered all{true, true, true, true, true};
    EXPECT_EQ(IdleSourceKind::mutter, chooseIdleSource(all));
    all.mutter = false;
    EXPECT_EQ(IdleSourceKind::muffin, chooseIdleSource(all));
    all.muffin = false;
    EXPECT_EQ(IdleSourceKind::extIdleNotify, chooseIdleSource(all));
    all.extIdleNotify = false;
    EXPECT_EQ(IdleSourceKind::kdeIdle, chooseIdleSource(all));
    all.kdeIdle = false;
    EXPECT_EQ(IdleSourceKind::xScreenSaver, chooseIdleSource(all));
    all.xScreenSaver = false;
    EXPECT_EQ(IdleSourceKind::none, chooseIdleSource(all));

    EXPECT_FALSE(saverHostNotice({}));
    EXPECT_NE(std::string::npos, saverHostNotice({true, false, false})->find("XScreenSaver"));
    EXPECT_NE(std::string::npos, saverHostNotice({false, true, false})->find("mate-screensaver"));
    EXPECT_NE(std::string::npos, saverHostNotice({false, false, true})->find("xfce4-screensaver"));

    EXPECT_FALSE(blankDelayNotice(180, 300));
    EXPECT_FALSE(blankDelayNotice(3600, 0));  // a desktop that never blanks
    EXPECT_NE(std::string::npos, blankDelayNotice(300, 300)->find("after 5m"));
    EXPECT_TRUE(blankDelayNotice(600, 300));

    EXPECT_EQ("zarn-screensaver-watch-:0.lock", watcherLockName(":0"));
    EXPECT_EQ("zarn-screensaver-watch-_run_user_1_wayland-0.lock", watcherLockName("/run/user/1/wayland-0"));
}
