// Choosing and opening the log file (see DiagnosticsLogPath.h).
#include "shell/DiagnosticsLogPath.h"

#include "platform/seams/LogFolder.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

const char* const kLogFileName = "screensaver_log.txt";

std::string logStateFolder() { return platformLogFolder(); }

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
