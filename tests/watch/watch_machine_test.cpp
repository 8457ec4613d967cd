// The watcher's states with a fake idle source (the test calls idle/active) and a fake
// launcher that records what it was asked to do.
#include "watch/WatchMachine.h"
#include "watch/WatchSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

class FakeLauncher : public ClockLauncher {
public:
    int count = 2;  // monitors named "0", "1", ... unless `desktop` names them
    std::vector<std::string> desktop;
    int failAtMonitor = -1;
    std::map<ClockId, std::string> running;  // every clock not yet gone, with its monitor
    std::set<ClockId> ending;                // those asked to end
    std::vector<std::string> startedAt;      // "index:monitor", in order
    int starts = 0;

    std::vector<std::string> monitors() override {
        if (!desktop.empty()) return desktop;
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i) names.push_back(std::to_string(i));
        return names;
    }
    ClockId startClock(int index, const std::string& monitor) override {
        if (index == failAtMonitor) return 0;
        const ClockId id = ++starts;  // a process id, never 0 and never used again
        running[id] = monitor;
        startedAt.push_back(std::to_string(index) + ":" + monitor);
        return id;
    }
    void endClock(ClockId clock) override { ending.insert(clock); }

    // The monitors of the running clocks, one entry per clock, sorted: two on one monitor show.
    std::vector<std::string> runningMonitors() const {
        std::vector<std::string> monitors;
        for (const auto& entry : running) monitors.push_back(entry.second);
        std::sort(monitors.begin(), monitors.end());
        return monitors;
    }
    void clockExits(WatchMachine& machine, ClockId clock) {
        running.erase(clock);
        ending.erase(clock);
        machine.clockGone(clock);
    }
    // The clock on `monitor` that was not asked to end exits by itself (input closed it).
    void exits(WatchMachine& machine, const std::string& monitor) {
        for (const auto& [id, on] : running)
            if (on == monitor && !ending.count(id)) return clockExits(machine, id);
        FAIL() << "no running clock on " << monitor;
    }
    void exits(WatchMachine& machine, int monitor) { exits(machine, std::to_string(monitor)); }
    // The clocks asked to end (on `monitor` only, when given) are gone.
    void endedExit(WatchMachine& machine, const std::string& monitor = "") {
        for (ClockId clock : std::set<ClockId>(ending))
            if (monitor.empty() || running[clock] == monitor) clockExits(machine, clock);
    }
    void allEndedExit(WatchMachine& machine) { endedExit(machine); }
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
    EXPECT_EQ((std::vector<std::string>{"0", "1"}), launcher.runningMonitors());
    machine.idle();  // a repeated idle starts nothing more
    EXPECT_EQ(2, launcher.starts);
    machine.active();
    EXPECT_EQ((std::set<ClockId>{1, 2}), launcher.ending);
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
    launcher.count = 3;
    WatchMachine machine(launcher);
    machine.idle();
    launcher.exits(machine, 1);
    EXPECT_EQ((std::set<ClockId>{1, 3}), launcher.ending);
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
    launcher.endedExit(machine, "0");
    EXPECT_EQ(2, launcher.starts);
    launcher.endedExit(machine, "1");
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
    EXPECT_EQ((std::set<ClockId>{1}), launcher.ending);
    EXPECT_EQ(State::spent, machine.state());
    launcher.allEndedExit(machine);
    EXPECT_EQ(1, launcher.starts);
    // No monitor at all: nothing to show, nothing started.
    FakeLauncher none;
    none.count = 0;
    WatchMachine empty(none);
    empty.idle();
    EXPECT_EQ(0, none.starts);
}

// What the desktop reports, one event per row, and what the watcher has done after it. Events:
// idle, active, "sleep X" / "wake X" (a screen saver, shield, lock or power saving named X),
// "power N" (DisplayConfig's PowerSaveMode), "off M" / "on M" (one monitor's power), "exit M"
// (the clock on M ends by itself), "reap" / "reap M" (the clocks asked to end, or the one on M,
// are gone), "plug A B" (the desktop's monitors now), "gone M" (a monitor left, not yet
// reported). The fakes stand in for what headless desktops cannot do: per-output power, X11
// DPMS, Cinnamon's screen saver, a clock slow to end.
struct Row {
    std::string event;
    State state;
    std::string running;  // the monitor of each clock still running (ending or not), sorted
};

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    size_t at = 0;
    while ((at = text.find_first_not_of(' ', at)) != std::string::npos) {
        const size_t end = text.find(' ', at);
        out.push_back(text.substr(at, end - at));
        at = end;
    }
    return out;
}

void play(const std::string& name, const std::vector<Row>& rows, FakeLauncher& launcher) {
    WatchMachine machine(launcher);
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::vector<std::string> event = words(rows[i].event);
        const std::string& kind = event[0];
        const std::string arg = event.size() > 1 ? event[1] : "";
        if (kind == "idle") machine.idle();
        else if (kind == "active") machine.active();
        else if (kind == "sleep" || kind == "wake") machine.screenAsleep(arg, kind == "sleep");
        else if (kind == "off" || kind == "on") machine.monitorPower(arg, kind == "on");
        else if (kind == "power") machine.screenAsleep("powersave", powerSaveModeDark(std::stoi(arg)));
        else if (kind == "exit") launcher.exits(machine, arg);
        else if (kind == "reap") launcher.endedExit(machine, arg);
        else if (kind == "gone") {  // a monitor left; the desktop has not said so yet
            auto& d = launcher.desktop;
            d.erase(std::remove(d.begin(), d.end(), arg), d.end());
        }
        else if (kind == "plug") {
            launcher.desktop.assign(event.begin() + 1, event.end());
            machine.monitorsChanged();
        } else FAIL() << "unknown event " << kind;
        const std::vector<std::string> running = launcher.runningMonitors();
        EXPECT_EQ(rows[i].state, machine.state()) << name << ", row " << i << ": " << rows[i].event;
        EXPECT_EQ(words(rows[i].running), running) << name << ", row " << i << ": " << rows[i].event;
    }
}

TEST(WatchMachineTest, TheDesktopAsleepEndsTheClocksAndOnlyNewActivityAndAWaitBringThemBack) {
    const State waiting = State::waiting, showing = State::showing, spent = State::spent;
    const std::vector<std::pair<const char*, std::vector<Row>>> cases = {
        {"shield raised and lowered with no input",
         {{"idle", showing, "A B"}, {"sleep shield", spent, "A B"}, {"reap", spent, ""}, {"idle", spent, ""},
          {"wake shield", spent, ""}, {"idle", spent, ""}, {"active", waiting, ""}, {"idle", showing, "A B"}}},
        {"unlocked by typing: the input counts, the wait starts again",
         {{"idle", showing, "A B"}, {"sleep lock", spent, "A B"}, {"reap", spent, ""}, {"active", waiting, ""},
          {"wake lock", waiting, ""}, {"idle", showing, "A B"}}},
        {"asleep before the wait ran out; an idle period spent asleep has no show",
         {{"sleep dpms", waiting, ""}, {"idle", waiting, ""}, {"wake dpms", spent, ""}, {"active", waiting, ""},
          {"idle", showing, "A B"}}},
        {"two services asleep: awake only when both are",
         {{"sleep screensaver", waiting, ""}, {"sleep powersave", waiting, ""}, {"wake screensaver", waiting, ""},
          {"active", waiting, ""}, {"idle", waiting, ""}, {"wake powersave", spent, ""}}},
        {"one monitor powered off loses its clock; all off is asleep",
         {{"idle", showing, "A B"}, {"off B", showing, "A B"}, {"reap", showing, "A"}, {"on B", showing, "A B"},
          {"off A", showing, "A B"}, {"off B", spent, "A B"}, {"reap", spent, ""}, {"on A", spent, ""},
          {"active", waiting, ""}, {"idle", showing, "A"}, {"on B", showing, "A B"}}},
        {"a new show waits for the clocks the sleep ended",
         {{"idle", showing, "A B"}, {"sleep lock", spent, "A B"}, {"reap A", spent, "B"}, {"wake lock", spent, "B"},
          {"active", waiting, "B"}, {"idle", waiting, "B"}, {"reap", showing, "A B"}}},
        {"monitors that come and go while the clocks show",
         {{"plug A B C", waiting, ""}, {"plug A B", waiting, ""}, {"idle", showing, "A B"},
          {"plug A B C", showing, "A B C"}, {"plug B C", showing, "A B C"}, {"reap", showing, "B C"},
          {"gone B", showing, "B C"}, {"exit B", showing, "C"}, {"plug C", showing, "C"}, {"plug C D", showing, "C D"},
          {"exit C", spent, "D"}, {"reap", spent, ""}, {"plug C D E", spent, ""}}},
        {"a monitor off stays without a clock when another comes",
         {{"idle", showing, "A B"}, {"off B", showing, "A B"}, {"reap", showing, "A"},
          {"plug A B C", showing, "A C"}, {"plug A C", showing, "A C"}, {"on B", showing, "A C"}}},
        // A clock still ending holds its monitor: the monitor's new clock starts once it is gone,
        // and is the one a later change ends.
        {"powered on again while its clock still ends",
         {{"idle", showing, "A B"}, {"off B", showing, "A B"}, {"on B", showing, "A B"}, {"reap", showing, "A B"},
          {"off B", showing, "A B"}, {"reap", showing, "A"}, {"on B", showing, "A B"}, {"exit B", spent, "A"}}},
        {"plugged in again while its clock still ends",
         {{"idle", showing, "A B"}, {"plug A", showing, "A B"}, {"plug A B", showing, "A B"},
          {"reap", showing, "A B"}, {"plug A", showing, "A B"}, {"reap", showing, "A"}}},
        {"PowerSaveMode -1 is no power saving; 1 to 3 are",
         {{"power -1", waiting, ""}, {"idle", showing, "A B"}, {"power -1", showing, "A B"},
          {"power 1", spent, "A B"}, {"reap", spent, ""}, {"power 0", spent, ""}, {"active", waiting, ""},
          {"idle", showing, "A B"}, {"power 2", spent, "A B"}, {"power 3", spent, "A B"}}},
    };
    for (const auto& [name, rows] : cases) {
        FakeLauncher launcher;
        launcher.desktop = {"A", "B"};
        play(name, rows, launcher);
    }
    // Each cause of sleep on its own, and each pair overlapping: awake only when both are.
    const std::vector<std::string> causes = {"org.gnome.ScreenSaver", "org.freedesktop.login1", "DPMS",
                                             "the X server's screen saver"};
    for (const std::string& cause : causes) {
        FakeLauncher launcher;
        launcher.desktop = {"A", "B"};
        play(cause + " alone", {{"idle", showing, "A B"}, {"sleep " + cause, spent, "A B"}, {"reap", spent, ""},
                                {"wake " + cause, spent, ""}, {"idle", spent, ""}, {"active", waiting, ""},
                                {"idle", showing, "A B"}},
             launcher);
        for (const std::string& other : causes) {
            if (other == cause) continue;
            FakeLauncher both;
            both.desktop = {"A", "B"};
            play(cause + " with " + other,
                 {{"idle", showing, "A B"}, {"sleep " + cause, spent, "A B"}, {"sleep " + other, spent, "A B"},
                  {"reap", spent, ""}, {"wake " + cause, spent, ""}, {"active", waiting, ""}, {"idle", waiting, ""},
                  {"wake " + other, spent, ""}, {"active", waiting, ""}, {"idle", showing, "A B"}},
                 both);
        }
    }
    // A new monitor is numbered as the saver numbers it: its place in the desktop's list.
    FakeLauncher launcher;
    launcher.desktop = {"A", "B"};
    play("numbering", {{"idle", State::showing, "A B"}, {"plug A C B", State::showing, "A B C"}}, launcher);
    EXPECT_EQ((std::vector<std::string>{"0:A", "1:B", "1:C"}), launcher.startedAt);
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
