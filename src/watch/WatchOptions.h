// The watcher's command line and the WAIT values it accepts. Kept apart from the program so
// that every rule can be checked without a session.
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class WatchAction {
    watch,    // no action given: watch in the foreground (what the autostart entry runs)
    enable,   // --enable: write the autostart entry and start a watcher
    disable,  // --disable: remove the entry and end a running watcher
    help,     // --help
    error,    // anything else: `error` says what was wrong
};

// Three minutes: long enough that a reader who stops typing keeps the desktop, short enough
// that the clock is seen before GNOME's own blank at five minutes.
constexpr unsigned defaultWaitSeconds = 180;
// A day is far beyond any wait a desktop offers, and keeps milliseconds within 32 bits
// (ext-idle-notify and org_kde_kwin_idle count them so).
constexpr unsigned longestWaitSeconds = 24 * 60 * 60;

struct WatchOptions {
    WatchAction action = WatchAction::watch;
    unsigned waitSeconds = defaultWaitSeconds;
    std::string error;
};

// WAIT: a whole number of minutes, or a whole number with a unit, s, m or h ("30s", "10m").
std::optional<unsigned> parseWait(const std::string& text, std::string* error);
// The shortest WAIT text for a number of seconds, read back the same by parseWait.
std::string formatWait(unsigned seconds);

WatchOptions parseWatchOptions(const std::vector<std::string>& arguments);
const char* watchUsage();
