// The autostart entry. Exec's quoting follows the desktop entry rules: inside double quotes a
// quote, backquote, dollar and backslash take a backslash, the key's own string escaping then
// doubles each backslash, and a percent sign is doubled as the field codes want.
#include "watch/AutostartEntry.h"

#include "watch/WatchOptions.h"

namespace {

std::string quotedExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$') quoted += "\\\\";
        if (c == '\\') quoted += "\\\\\\";
        if (c == '%') quoted += '%';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

std::optional<std::string> autostartEntryText(const std::string& watcherPath, unsigned waitSeconds) {
    if (watcherPath.empty() || watcherPath[0] != '/') return std::nullopt;
    for (char c : watcherPath)
        if (c == '\n' || c == '\r' || c == '\0') return std::nullopt;
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Zarn Screensaver Watcher\n"
           "Comment=Shows the Zarn clock on every monitor while the session is idle\n"
           "Exec=" + quotedExecArgument(watcherPath) + " --after " + formatWait(waitSeconds) + "\n"
           "Icon=zarn-screensaver\n"
           "Terminal=false\n"
           "NoDisplay=true\n"
           "X-GNOME-Autostart-enabled=true\n";
}
