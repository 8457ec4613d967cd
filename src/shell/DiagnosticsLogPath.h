// Where the log file goes. The log lives in the install folder, the current directory, as a
// build folder allows; a folder the user may not write (an installed copy owned by root)
// sends it to the user's state folder instead, so the log is never lost for a permission.
#pragma once

#include <cstdio>
#include <string>

extern const char* const kLogFileName;  // "screensaver_log.txt"

// "$XDG_STATE_HOME/zarn-screensaver", or "$HOME/.local/state/zarn-screensaver" when that is
// unset or not absolute; empty when neither variable helps.
std::string logStateFolder();

// Opens the log for writing, truncated: in the current directory, or, when that directory
// refuses it for lack of permission, in logStateFolder() (created on first use). Null when
// neither works.
std::FILE* openLogFile();
