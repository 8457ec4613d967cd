// The watcher's command line: one action, an optional --after WAIT, clear refusals otherwise.
#include "watch/WatchOptions.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<unsigned> parseWait(const std::string& text, std::string* error) {
    const auto refuse = [&](const std::string& why) -> std::optional<unsigned> {
        if (error) *error = "bad wait '" + text + "': " + why;
        return std::nullopt;
    };
    size_t digits = 0;
    while (digits < text.size() && isDigit(text[digits])) ++digits;
    if (digits == 0) return refuse("expected minutes, or a whole number with s, m or h (30s, 10m, 1h)");
    unsigned long long value = 0;
    for (size_t i = 0; i < digits; ++i) {
        value = value * 10 + unsigned(text[i] - '0');
        if (value > longestWaitSeconds) return refuse("longer than a day");
    }
    const std::string unit = text.substr(digits);
    unsigned long long scale = 0;
    if (unit.empty() || unit == "m") scale = 60;
    else if (unit == "s") scale = 1;
    else if (unit == "h") scale = 3600;
    else return refuse("unknown unit '" + unit + "' (use s, m or h)");
    if (value * scale > longestWaitSeconds) return refuse("longer than a day");
    return unsigned(value * scale);
}

std::string formatWait(unsigned seconds) {
    if (seconds != 0 && seconds % 3600 == 0) return std::to_string(seconds / 3600) + "h";
    if (seconds != 0 && seconds % 60 == 0) return std::to_string(seconds / 60) + "m";
    return std::to_string(seconds) + "s";
}

WatchOptions parseWatchOptions(const std::vector<std::string>& arguments) {
    WatchOptions options;
    bool actionGiven = false;
    const auto fail = [&](const std::string& why) {
        options.action = WatchAction::error;
        options.error = why;
        return options;
    };
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        std::optional<WatchAction> action;
        if (argument == "--enable") action = WatchAction::enable;
        else if (argument == "--disable") action = WatchAction::disable;
        else if (argument == "--help" || argument == "-h") action = WatchAction::help;
        if (action) {
            if (actionGiven && options.action != *action)
                return fail("choose one of --enable, --disable and --help");
            options.action = *action;
            actionGiven = true;
            continue;
        }
        std::string wait;
        if (argument == "--after") {
            if (i + 1 >= arguments.size()) return fail("--after needs a wait (minutes, or e.g. 30s, 10m)");
            wait = arguments[++i];
        } else if (argument.rfind("--after=", 0) == 0) {
            wait = argument.substr(8);
        } else {
            return fail("unknown argument '" + argument + "'");
        }
        std::string why;
        const std::optional<unsigned> seconds = parseWait(wait, &why);
        if (!seconds) return fail(why);
        options.waitSeconds = *seconds;
    }
    return options;
}

const char* watchUsage() {
    return "Usage: zarn-screensaver-watch [--after WAIT]\n"
           "       zarn-screensaver-watch --enable [--after WAIT]\n"
           "       zarn-screensaver-watch --disable\n"
           "\n"
           "Shows the Zarn clock on every monitor once the session has had no input for WAIT,\n"
           "and ends it on the next key, click or pointer movement. It learns idleness from the\n"
           "desktop (GNOME's or Cinnamon's idle monitor, Wayland's idle protocols, X11's\n"
           "MIT-SCREEN-SAVER), never locks and never holds the desktop's own blanking off.\n"
           "\n"
           "  (none)        watch in the foreground (what the autostart entry runs)\n"
           "  --enable      start a watcher with every login (an XDG autostart entry) and now\n"
           "  --disable     remove that entry and end the running watcher\n"
           "  --after WAIT  minutes, or a whole number with a unit: 30s, 10m, 1h (default 3m)\n"
           "  --help        this text\n";
}
