// Linux side: the XDG state folder.
#include "platform/seams/LogFolder.h"

#include <cstdlib>

std::string platformLogFolder() {
    // Relative values are to be ignored, as the XDG base directories say.
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return std::string(state) + "/zarn-screensaver";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.local/state/zarn-screensaver";
    return {};
}
