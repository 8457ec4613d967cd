// The XDG autostart entry that `--enable` writes: the watcher, by its full path, with the wait.
#pragma once

#include <optional>
#include <string>

constexpr const char* autostartEntryName = "zarn-screensaver-watch.desktop";

// The entry's whole text; none for a program path that no Exec line can carry (a newline, or
// a path that is not absolute).
std::optional<std::string> autostartEntryText(const std::string& watcherPath, unsigned waitSeconds);
