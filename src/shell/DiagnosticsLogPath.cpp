// Choosing and opening the log file (see DiagnosticsLogPath.h).
#include "shell/DiagnosticsLogPath.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

const char* const kLogFileName = "screensaver_log.txt";

std::string logStateFolder() {
    // Relative values are to be ignored, as the XDG base directories say.
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return std::string(state) + "/zarn-screensaver";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.local/state/zarn-screensaver";
    return {};
}

std::FILE* openLogFile() {
    errno = 0;
    if (std::FILE* file = std::fopen(kLogFileName, "w")) return file;
    // Only a folder we may not write moves the log; anything else (a folder in the way, a
    // full disk) is a plain failure to report.
    const int why = errno;
    if (why != EACCES && why != EPERM && why != EROFS) return nullptr;
    const std::string folder = logStateFolder();
    if (folder.empty()) return nullptr;
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return std::fopen((folder + "/" + kLogFileName).c_str(), "w");
}
