// The foreground watcher: finds what the session offers, steps aside for a saver host or a
// second watcher, picks the idle source, and runs one GLib main loop for all of it (the bus,
// the Wayland and X connections, the clocks' exits, the signals that end it). Besides idleness
// it listens to the screen's sleep and the monitors, and says what it listens to.
#include "BusIdleMonitor.h"
#include "BusScreenState.h"
#include "ClockProcesses.h"
#include "DesktopSettings.h"
#include "LogindSession.h"
#include "WatchHousekeeping.h"
#include "WatchPlatform.h"
#include "WaylandSession.h"
#include "XSession.h"

#include "platform/session/SaverHosts.h"
#include "platform/session/SessionBus.h"
#include "watch/WatchMachine.h"
#include "watch/WatchOptions.h"
#include "watch/WatchSession.h"

#include <glib-unix.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

bool hasVariable(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

class Watcher : public IdleEvents {
public:
    Watcher(GMainLoop* loop, ClockProcesses& clocks, WatchMachine& machine, XSession* x)
        : loop_(loop), clocks_(clocks), machine_(machine), x_(x) {}

    void idle() override {
        if (ending_) return;
        // DPMS says nothing by itself: read it before a show.
        if (x_) x_->readPower();
        machine_.idle();
        followShow();
    }
    void active() override {
        if (ending_) return;
        machine_.active();
        if (x_) x_->readPower();
        followShow();
    }
    void clockGone(ClockId clock) {
        if (!ending_) machine_.clockGone(clock);
        else if (!clocks_.clocksRunning()) g_main_loop_quit(loop_);
        followShow();
    }
    void screenAsleep(const std::string& cause, bool asleep) override {
        if (ending_) return;
        const bool wasAsleep = machine_.asleep();
        machine_.screenAsleep(cause, asleep);
        // (Before the first lines are out, they say it.)
        if (machine_.asleep() != wasAsleep && announced)
            std::fprintf(stderr, "zarn-screensaver-watch: the screen is %s (%s)\n", machine_.asleep() ? "asleep" : "awake",
                         cause.c_str());
        followShow();
    }
    bool announced = false;

    void monitorPower(const std::string& monitor, bool on) override {
        if (ending_) return;
        machine_.monitorPower(monitor, on);
        followShow();
    }
    void monitorsChanged() override {
        if (ending_) return;
        machine_.monitorsChanged();
        followShow();
    }
    // The session is going: the clocks go with it, before anything else can fail.
    void sourceLost(const char* why) override {
        std::fprintf(stderr, "zarn-screensaver-watch: %s; ending\n", why);
        ending_ = true;
        clocks_.endAndReapNow();
        g_main_loop_quit(loop_);
    }
    void end() {
        if (ending_) return;
        ending_ = true;
        clocks_.endClocks();
        if (!clocks_.clocksRunning()) g_main_loop_quit(loop_);
        // A clock that ignores even SIGKILL's 2 s is left to the destructor's last reaping.
        g_timeout_add(3000, [](void* loop) -> gboolean {
            g_main_loop_quit(static_cast<GMainLoop*>(loop));
            return G_SOURCE_REMOVE;
        }, loop_);
    }

private:
    // What X cannot push (DPMS, monitors set by clients) is read while, and only while, the
    // clocks show.
    void followShow() {
        if (x_) x_->clocksShowing(!ending_ && machine_.state() == WatchMachine::State::showing);
    }

    GMainLoop* loop_;
    ClockProcesses& clocks_;
    WatchMachine& machine_;
    XSession* x_;
    bool ending_ = false;
};

gboolean onEndSignal(void* data) {
    static_cast<Watcher*>(data)->end();
    return G_SOURCE_CONTINUE;
}

}  // namespace

int watchRun(unsigned waitSeconds) {
    std::unique_ptr<WaylandSession> wayland(hasVariable("WAYLAND_DISPLAY") ? WaylandSession::connect() : nullptr);
    // On Wayland the outputs are the compositor's; X (Xwayland) is asked only without it.
    std::unique_ptr<XSession> x(!wayland && hasVariable("DISPLAY") ? XSession::open() : nullptr);
    // Held for the whole run, whichever way it ends.
    using BusHold = std::unique_ptr<GDBusConnection, decltype(&g_object_unref)>;
    const BusHold busHold(sessionBusIfThere(), g_object_unref);
    GDBusConnection* bus = busHold.get();

    if (const auto notice = saverHostNotice(saverHostsPresent(x ? x->display() : nullptr, bus))) {
        std::fprintf(stderr, "zarn-screensaver-watch: %s\n", notice->c_str());
        return 0;
    }
    if (!wayland && !x) {
        std::fprintf(stderr, "zarn-screensaver-watch: no display to show the clock on (neither $WAYLAND_DISPLAY nor "
                             "$DISPLAY reaches one)\n");
        return 1;
    }

    int holder = 0;
    const int lock = watchTakeLock(&holder);
    if (lock < 0) {
        if (holder > 0)
            std::fprintf(stderr, "zarn-screensaver-watch: a watcher already runs in this session (pid %d)\n", holder);
        else
            std::fprintf(stderr, "zarn-screensaver-watch: a watcher already runs in this session (%s is locked)\n",
                         watchLockPath().c_str());
        return 0;
    }

    IdleSourcesOffered offered;
    offered.mutter = bus && busNameOwned(bus, mutterIdleMonitor.service);
    offered.muffin = bus && busNameOwned(bus, muffinIdleMonitor.service);
    offered.extIdleNotify = wayland && wayland->offersExtIdleNotify();
    offered.kdeIdle = wayland && wayland->offersKdeIdle();
    offered.xScreenSaver = x && x->offersIdleTime();
    const IdleSourceKind kind = chooseIdleSource(offered);

    std::unique_ptr<BusIdleMonitor> busMonitor;
    IdleSource* source = nullptr;
    unsigned blankDelay = 0;
    switch (kind) {
    case IdleSourceKind::mutter:
        busMonitor = std::make_unique<BusIdleMonitor>(bus, mutterIdleMonitor);
        blankDelay = desktopBlankDelaySeconds("org.gnome.desktop.session");
        break;
    case IdleSourceKind::muffin:
        busMonitor = std::make_unique<BusIdleMonitor>(bus, muffinIdleMonitor);
        blankDelay = desktopBlankDelaySeconds("org.cinnamon.desktop.session");
        break;
    case IdleSourceKind::kdeIdle:
        wayland->useKdeIdle();
        source = wayland.get();
        break;
    case IdleSourceKind::extIdleNotify: source = wayland.get(); break;
    case IdleSourceKind::xScreenSaver: source = x.get(); break;
    case IdleSourceKind::none:
        std::fprintf(stderr, "zarn-screensaver-watch: this session offers no idle source (none of "
                             "org.gnome.Mutter.IdleMonitor, org.cinnamon.Muffin.IdleMonitor, ext-idle-notify-v1, "
                             "org_kde_kwin_idle, MIT-SCREEN-SAVER)\n");
        close(lock);
        return 1;
    }
    if (busMonitor) source = busMonitor.get();

    WaylandSession* outputs = wayland.get();
    XSession* monitors = x.get();
    ClockProcesses clocks(watchSaverPath(), wayland != nullptr,
                          [outputs, monitors] { return outputs ? outputs->outputs() : monitors->monitors(); });
    WatchMachine machine(clocks);
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    Watcher watcher(loop, clocks, machine, x.get());
    clocks.onClockGone = [&watcher](ClockId clock) { watcher.clockGone(clock); };
    if (wayland) wayland->attach(watcher);
    if (x) x->attach(watcher);
    std::unique_ptr<BusScreenState> screenState(bus ? new BusScreenState(bus) : nullptr);
    std::string sleepSources = screenState ? screenState->start(watcher) : std::string();
    const BusHold systemBus(systemBusIfThere(), g_object_unref);
    LogindSession logind(systemBus.get());
    for (const std::string& more : {logind.start(watcher), wayland ? wayland->sleepSourcesNamed() : std::string(),
                                    x ? x->sleepSourcesNamed() : std::string()})
        if (!more.empty()) sleepSources += (sleepSources.empty() ? "" : ", ") + more;

    int status = 0;
    if (!source->start(waitSeconds * 1000, watcher)) {
        std::fprintf(stderr, "zarn-screensaver-watch: %s did not take the watch\n", idleSourceName(kind));
        status = 1;
    } else {
        std::fprintf(stderr, "zarn-screensaver-watch: watching %s; the clock shows on every monitor after %s without input\n",
                     idleSourceName(kind), formatWait(waitSeconds).c_str());
        std::fprintf(stderr, "zarn-screensaver-watch: no clock while the screen sleeps or for a monitor that is off; "
                             "listening to %s\n", sleepSources.empty() ? "nothing more" : sleepSources.c_str());
        if (machine.asleep()) std::fprintf(stderr, "zarn-screensaver-watch: the screen is asleep now\n");
        watcher.announced = true;
        if (const auto notice = blankDelayNotice(waitSeconds, blankDelay))
            std::fprintf(stderr, "zarn-screensaver-watch: %s\n", notice->c_str());
        const guint term = g_unix_signal_add(SIGTERM, onEndSignal, &watcher);
        const guint interrupt = g_unix_signal_add(SIGINT, onEndSignal, &watcher);
        const guint hangUp = g_unix_signal_add(SIGHUP, onEndSignal, &watcher);
        g_main_loop_run(loop);
        g_source_remove(term);
        g_source_remove(interrupt);
        g_source_remove(hangUp);
    }
    source->stop();
    if (screenState) screenState->stop();
    logind.stop();
    if (x) x->clocksShowing(false);
    clocks.endAndReapNow();
    g_main_loop_unref(loop);
    busMonitor.reset();
    close(lock);
    return status;
}
