// What the settings dialog's watcher row shows and does, apart from GTK: the autostart entry
// read back into a tick and a wait in minutes, the wait the user typed, and the one watcher
// command (if any) that OK runs. Linux's alone; the dialog template knows nothing of it.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The row's wait is whole minutes: from a minute to the watcher's longest wait, a day.
constexpr unsigned watcherRowLongestMinutes = 24 * 60;

struct WatcherRowState {
    bool enabled = false;
    std::string minutesText;  // what the wait box shows
};

// The row as the autostart entry leaves it: none (nullopt text) is unticked with the
// watcher's default wait; an entry is ticked with its Exec line's --after, rounded to the
// nearest whole minute (at least one) when it was given in seconds.
WatcherRowState watcherRowFromEntry(const std::optional<std::string>& entryText);

// The wait box's text as minutes, or none when it is not a whole number from 1 to the longest.
std::optional<unsigned> watcherRowMinutes(const std::string& text);

// The watcher's arguments that turn `shown` into `chosen`; empty when nothing changed, so an
// entry OK'd unchanged is never rewritten. `chosen.minutesText` must be valid when enabled.
std::vector<std::string> watcherRowCommand(const WatcherRowState& shown, const WatcherRowState& chosen);
