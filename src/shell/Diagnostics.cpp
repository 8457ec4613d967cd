// The process's two diagnostic outputs over one log state: the log file
// "screensaver_log.txt" in the current directory, opened lazily and truncated on open so each
// run starts fresh, and the console (stderr), opened by the first error or warning.
#include "shell/Diagnostics.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace {

const char* const logFileName = "screensaver_log.txt";
const char* const buildDate = "090825";
const char* const buildLabel = "Beta 1";

std::FILE* logFile = nullptr;
bool consoleOpened = false;

void openLog() {
    logFile = std::fopen(logFileName, "w");
    if (!logFile) {
        debugPrintf("Error opening file %s for writing\n", logFileName);
        return;
    }
    std::fprintf(logFile, "Log output for Zarn Screensaver build %s, %s\n", buildDate, buildLabel);
}

}  // namespace

int debugPrintf(const char* format, ...) {
    if (!consoleOpened) {
        AllocConsole();
        // Set before the open: a failed open reports through this function, and that report
        // must not come back here and try again.
        consoleOpened = true;
        if (!logFile) openLog();
    }
    va_list args;
    va_start(args, format);
    va_list fileArgs;
    va_copy(fileArgs, args);
    int written = std::vfprintf(stderr, format, args);
    if (logFile) written = std::vfprintf(logFile, format, fileArgs);
    va_end(fileArgs);
    va_end(args);
    return written;
}

int logPrintf(const char* format, ...) {
    if (!logFile) openLog();
    if (!logFile) return 0;
    va_list args;
    va_start(args, format);
    int written = std::vfprintf(logFile, format, args);
    va_end(args);
    return written;
}

void closeLog() {
    if (logFile) {
        std::fclose(logFile);
        logFile = nullptr;
    }
}
