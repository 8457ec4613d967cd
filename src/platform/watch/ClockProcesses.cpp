// The clocks as child processes of the watcher (see ClockProcesses.h).
#include "ClockProcesses.h"

#include <glib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace {

constexpr unsigned killAfterMs = 2000;

// Runs in the child before exec: the clock yields the CPU to whatever the user left running,
// as XScreenSaver's hacks do.
void lowerPriority(void*) {
    errno = 0;
    if (nice(10) == -1 && errno != 0) _exit(127);
}

// The SIGKILL timer may have fired, and so gone, already.
void removeKillTimer(unsigned id) {
    if (GSource* timer = id ? g_main_context_find_source_by_id(nullptr, id) : nullptr) g_source_destroy(timer);
}

}  // namespace

ClockProcesses::~ClockProcesses() { endAndReapNow(); }

ClockId ClockProcesses::startClock(int index, const std::string&) {
    gchar** environment = g_get_environ();
    environment = g_environ_setenv(environment, "ZARN_MONITOR", std::to_string(index).c_str(), TRUE);
    if (wayland_) environment = g_environ_setenv(environment, "SDL_VIDEODRIVER", "wayland", TRUE);
    const gchar* argv[] = {saver_.c_str(), "/s", nullptr};
    GPid pid = 0;
    GError* error = nullptr;
    const gboolean started = g_spawn_async(
        nullptr, const_cast<gchar**>(argv), environment,
        GSpawnFlags(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDIN_FROM_DEV_NULL | G_SPAWN_STDOUT_TO_DEV_NULL), lowerPriority, nullptr, &pid, &error);
    g_strfreev(environment);
    if (!started) {
        std::fprintf(stderr, "zarn-screensaver-watch: cannot start %s: %s\n", saver_.c_str(), error->message);
        g_error_free(error);
        return 0;
    }
    Clock& clock = clocks_[pid];
    clock.watch = g_child_watch_add(pid, onExit, this);
    return pid;
}

void ClockProcesses::endClock(ClockId clock) {
    const auto found = clocks_.find(clock);
    if (found != clocks_.end()) end(found->first, found->second);
}

void ClockProcesses::endClocks() {
    for (auto& [pid, clock] : clocks_) end(pid, clock);
}

void ClockProcesses::end(int pid, Clock& clock) {
    if (clock.ending) return;
    clock.ending = true;
    kill(pid, SIGTERM);
    clock.killTimer = g_timeout_add(killAfterMs, [](void* data) -> gboolean {
        kill(GPOINTER_TO_INT(data), SIGKILL);
        return G_SOURCE_REMOVE;
    }, GINT_TO_POINTER(pid));
}

void ClockProcesses::onExit(int pid, int status, void* data) {
    auto* self = static_cast<ClockProcesses*>(data);
    const auto found = self->clocks_.find(pid);
    if (found == self->clocks_.end()) return;
    const bool endedByUs = found->second.ending;
    // A clock that ends by itself is news (input closed it, or it failed); one we ended is not.
    if (!endedByUs) {
        if (WIFSIGNALED(status))
            std::fprintf(stderr, "zarn-screensaver-watch: a clock ended by signal %d\n", WTERMSIG(status));
        else if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
            std::fprintf(stderr, "zarn-screensaver-watch: a clock ended with status %d\n", WEXITSTATUS(status));
    }
    removeKillTimer(found->second.killTimer);
    self->clocks_.erase(found);
    g_spawn_close_pid(pid);
    if (self->onClockGone) self->onClockGone(pid);
}

void ClockProcesses::endAndReapNow() {
    if (clocks_.empty()) return;
    for (auto& [pid, clock] : clocks_) {
        if (clock.watch) g_source_remove(clock.watch);
        removeKillTimer(clock.killTimer);
        clock.watch = clock.killTimer = 0;
        kill(pid, SIGTERM);
    }
    const timespec pause = {0, 20 * 1000 * 1000};
    for (unsigned waited = 0; !clocks_.empty(); waited += 20) {
        for (auto it = clocks_.begin(); it != clocks_.end();) {
            const pid_t result = waitpid(it->first, nullptr, WNOHANG);
            if (result == it->first || (result < 0 && errno == ECHILD)) it = clocks_.erase(it);
            else ++it;
        }
        if (waited == killAfterMs)
            for (auto& entry : clocks_) kill(entry.first, SIGKILL);
        nanosleep(&pause, nullptr);
    }
}
