// zarn-screensaver-watch: the clock on every monitor while the session is idle, where no
// screen-saver host runs savers (GNOME, KDE Plasma, Cinnamon, Wayland compositors, plain X11).
// `--enable` makes it start with each login through an XDG autostart entry; `--disable` undoes
// that. It never writes the saver's settings file.
#include "watch/AutostartEntry.h"
#include "watch/WatchOptions.h"
#include "WatchPlatform.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

void say(const std::string& line) { std::fprintf(stderr, "zarn-screensaver-watch: %s\n", line.c_str()); }

int enable(unsigned waitSeconds) {
    const std::string program = watchProgramPath();
    const auto entry = autostartEntryText(program, waitSeconds);
    if (!entry) {
        say("cannot name this program in an autostart entry: '" + program + "'");
        return 1;
    }
    const std::string path = watchAutostartPath(autostartEntryName);
    std::string error;
    const WatchFileChange change = watchWriteFile(path, *entry, &error);
    if (change == WatchFileChange::failed) {
        say("cannot write " + path + ": " + error);
        return 1;
    }
    int running = watchRunningPid();
    if (change == WatchFileChange::unchanged && running != 0) {
        say("already enabled (" + path + "), and running (pid " + std::to_string(running) + ")");
        return 0;
    }
    // A watcher with another wait gives way to one with the new entry's.
    if (running != 0 && !watchEndRunning(running)) {
        say("the running watcher (pid " + std::to_string(running) + ") did not end");
        return 1;
    }
    say(std::string(change == WatchFileChange::changed ? "enabled: " : "already enabled: ") + path);
    if (!watchStartInBackground(program, formatWait(waitSeconds))) {
        say("the entry starts it with the next login, but it did not start now");
        return 1;
    }
    return 0;
}

int disable() {
    const std::string path = watchAutostartPath(autostartEntryName);
    std::string error;
    const WatchFileChange change = watchRemoveFile(path, &error);
    if (change == WatchFileChange::failed) {
        say("cannot remove " + path + ": " + error);
        return 1;
    }
    const int running = watchRunningPid();
    if (running != 0 && !watchEndRunning(running)) {
        say("the running watcher (pid " + std::to_string(running) + ") did not end");
        return 1;
    }
    if (change == WatchFileChange::unchanged && running == 0) say("not enabled; nothing to do");
    else say("disabled" + std::string(running != 0 ? ", and the running watcher ended" : ""));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const WatchOptions options = parseWatchOptions(std::vector<std::string>(argv + 1, argv + argc));
    switch (options.action) {
    case WatchAction::help: std::fputs(watchUsage(), stdout); return 0;
    case WatchAction::error:
        say(options.error + " (zarn-screensaver-watch --help shows the usage)");
        return 1;
    case WatchAction::enable: return enable(options.waitSeconds);
    case WatchAction::disable: return disable();
    case WatchAction::watch: break;
    }
    return watchRun(options.waitSeconds);
}
