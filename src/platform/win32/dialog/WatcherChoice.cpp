// The watcher row's rules (see WatcherChoice.h). The entry's wait is read with the watcher's
// own WAIT rules, so the row and `zarn-screensaver-watch --after` never disagree.
#include "win32/dialog/WatcherChoice.h"

#include "watch/WatchOptions.h"

#include <sstream>

namespace {

// The --after WAIT of a desktop entry's Exec line; the watcher's default when it has none.
std::optional<unsigned> execWaitSeconds(const std::string& entryText) {
    std::istringstream lines(entryText);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("Exec=", 0) != 0) continue;
        std::istringstream words(line.substr(5));
        std::string word;
        while (words >> word) {
            if (word == "--after") {
                std::string wait;
                if (!(words >> wait)) return std::nullopt;
                return parseWait(wait, nullptr);
            }
            if (word.rfind("--after=", 0) == 0) return parseWait(word.substr(8), nullptr);
        }
        return defaultWaitSeconds;
    }
    return std::nullopt;
}

}  // namespace

WatcherRowState watcherRowFromEntry(const std::optional<std::string>& entryText) {
    WatcherRowState state;
    unsigned seconds = defaultWaitSeconds;
    if (entryText) {
        state.enabled = true;
        // An entry whose wait cannot be read still turns the watcher on; the box shows the
        // default, and only a change made here rewrites the entry.
        seconds = execWaitSeconds(*entryText).value_or(defaultWaitSeconds);
    }
    unsigned minutes = (seconds + 30) / 60;
    if (minutes < 1) minutes = 1;
    if (minutes > watcherRowLongestMinutes) minutes = watcherRowLongestMinutes;
    state.minutesText = std::to_string(minutes);
    return state;
}

std::optional<unsigned> watcherRowMinutes(const std::string& text) {
    if (text.empty() || text.size() > 4) return std::nullopt;
    unsigned minutes = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        minutes = minutes * 10 + unsigned(c - '0');
    }
    if (minutes < 1 || minutes > watcherRowLongestMinutes) return std::nullopt;
    return minutes;
}

std::vector<std::string> watcherRowCommand(const WatcherRowState& shown, const WatcherRowState& chosen) {
    if (!chosen.enabled) return shown.enabled ? std::vector<std::string>{"--disable"} : std::vector<std::string>{};
    const std::optional<unsigned> minutes = watcherRowMinutes(chosen.minutesText);
    if (!minutes) return {};
    if (shown.enabled && watcherRowMinutes(shown.minutesText) == minutes) return {};
    return {"--enable", "--after", std::to_string(*minutes) + "m"};
}
