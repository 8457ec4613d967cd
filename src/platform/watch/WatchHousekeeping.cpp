// The watcher's files and its fellow watchers: paths, the autostart entry, the one-per-session
// lock (a flock'd file in the runtime folder, named after the display, holding the pid).
#include "WatchHousekeeping.h"
#include "WatchPlatform.h"

#include "watch/WatchSession.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

std::string watchProgramPath() {
    gchar* path = g_file_read_link("/proc/self/exe", nullptr);
    std::string program = path ? path : "";
    g_free(path);
    return program;
}

std::string watchSaverPath() {
    if (const char* saver = std::getenv("ZARN_SAVER"); saver && *saver) return saver;
    const std::string program = watchProgramPath();
    const size_t slash = program.rfind('/');
    return (slash == std::string::npos ? std::string(".") : program.substr(0, slash)) + "/zarn-screensaver";
}

std::string watchAutostartPath(const std::string& entryName) {
    return std::string(g_get_user_config_dir()) + "/autostart/" + entryName;
}

WatchFileChange watchWriteFile(const std::string& path, const std::string& text, std::string* error) {
    gchar* old = nullptr;
    gsize length = 0;
    if (g_file_get_contents(path.c_str(), &old, &length, nullptr)) {
        const bool same = std::string(old, length) == text;
        g_free(old);
        if (same) return WatchFileChange::unchanged;
    }
    gchar* folder = g_path_get_dirname(path.c_str());
    const int made = g_mkdir_with_parents(folder, 0700);
    g_free(folder);
    GError* failure = nullptr;
    if (made != 0 || !g_file_set_contents(path.c_str(), text.c_str(), gssize(text.size()), &failure)) {
        if (error) *error = failure ? failure->message : std::strerror(errno);
        if (failure) g_error_free(failure);
        return WatchFileChange::failed;
    }
    return WatchFileChange::changed;
}

WatchFileChange watchRemoveFile(const std::string& path, std::string* error) {
    if (g_unlink(path.c_str()) == 0) return WatchFileChange::changed;
    if (errno == ENOENT) return WatchFileChange::unchanged;
    if (error) *error = std::strerror(errno);
    return WatchFileChange::failed;
}

std::string watchLockPath() {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    if (!display || !*display) display = std::getenv("DISPLAY");
    return std::string(g_get_user_runtime_dir()) + "/" + watcherLockName(display ? display : "");
}

int watchTakeLock(int* holder) {
    *holder = 0;
    const std::string path = watchLockPath();
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        char text[32] = {};
        if (pread(fd, text, sizeof text - 1, 0) > 0) *holder = std::atoi(text);
        close(fd);
        return -1;
    }
    const std::string pid = std::to_string(getpid()) + "\n";
    if (ftruncate(fd, 0) != 0 || pwrite(fd, pid.data(), pid.size(), 0) != ssize_t(pid.size())) {
        // The pid is only for --disable; the lock itself holds.
    }
    return fd;
}

int watchRunningPid() {
    int holder = 0;
    const int fd = watchTakeLock(&holder);
    if (fd >= 0) {
        close(fd);
        return 0;
    }
    return holder;
}

bool watchEndRunning(int pid) {
    if (pid <= 0 || kill(pid, SIGTERM) != 0) return false;
    const timespec pause = {0, 50 * 1000 * 1000};
    for (int i = 0; i < 200; ++i) {
        if (watchRunningPid() == 0) return true;
        nanosleep(&pause, nullptr);
    }
    return false;
}

bool watchStartInBackground(const std::string& program, const std::string& wait) {
    const gchar* argv[] = {program.c_str(), "--after", wait.c_str(), nullptr};
    GPid pid = 0;
    GError* error = nullptr;
    // Its own session, so it outlives the terminal that enabled it.
    if (!g_spawn_async(nullptr, const_cast<gchar**>(argv), nullptr,
                       GSpawnFlags(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDIN_FROM_DEV_NULL),
                       [](void*) { setsid(); }, nullptr, &pid, &error)) {
        g_error_free(error);
        return false;
    }
    const timespec pause = {0, 50 * 1000 * 1000};
    for (int i = 0; i < 100; ++i) {
        if (watchRunningPid() == pid) return true;
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        nanosleep(&pause, nullptr);
    }
    return false;
}
