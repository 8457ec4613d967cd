// What the watcher's program asks of the system: its files (the autostart entry, the
// session's lock), other watchers, and the watching itself. Plain C++ on the outside, so the
// program sees no system header.
#pragma once

#include <string>

// The watcher's own executable, by its full path.
std::string watchProgramPath();
// The saver it starts: $ZARN_SAVER, else zarn-screensaver beside the watcher.
std::string watchSaverPath();
// $XDG_CONFIG_HOME/autostart (~/.config/autostart) and the entry's full path in it.
std::string watchAutostartPath(const std::string& entryName);

enum class WatchFileChange { unchanged, changed, failed };
// Writes `text` unless the file already holds exactly that; a temporary file renamed into
// place, so an interrupted write never leaves half an entry.
WatchFileChange watchWriteFile(const std::string& path, const std::string& text, std::string* error);
WatchFileChange watchRemoveFile(const std::string& path, std::string* error);

// The process id of this session's running watcher, 0 when none runs.
int watchRunningPid();
// Ends it (SIGTERM) and waits for it to go, a few seconds at most.
bool watchEndRunning(int pid);
// Starts `program --after WAIT` in the background, and waits until it runs (or has ended,
// having said why).
bool watchStartInBackground(const std::string& program, const std::string& wait);

// Watches in the foreground until a signal or the session's end; the exit status.
int watchRun(unsigned waitSeconds);
