// The process's two diagnostic outputs over one log state: the log file
// "screensaver_log.txt" (in the install folder, or the user's state folder when that is not
// writable), opened lazily and truncated on open so each run starts fresh, and the console
// (stderr), opened by the first error or warning. A saver runs all night: a text repeated
// without end is held back after its first few times, and each output stops at a size limit
// with one line saying so, so neither the disk nor a session log fills up.
#include "shell/Diagnostics.h"

#include "shell/DiagnosticsLogPath.h"
#include "shell/DiagnosticsRepeats.h"
#include "platform/seams/DiagnosticsConsole.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

const char* const buildDate = "090825";
const char* const buildLabel = "Beta 1";

// Far above what a healthy night writes (a few kilobytes), far below a full disk.
constexpr size_t kMaxOutputBytes = 4u << 20;

// One output with its byte budget.
struct Output {
    size_t written = 0;
    bool full = false;
};

std::FILE* logFile = nullptr;
bool consoleOpened = false;
Output fileOutput, consoleOutput;
DiagnosticsRepeats repeats;

// Writes the text whole, or, once the budget would be exceeded, the limit line once and then
// nothing. Returns the characters of `text` written.
int put(std::FILE* stream, Output& output, const std::string& text, const char* limitLine) {
    if (output.full) return 0;
    if (output.written + text.size() > kMaxOutputBytes) {
        output.full = true;
        std::fputs(limitLine, stream);
        return 0;
    }
    output.written += text.size();
    return int(std::fwrite(text.data(), 1, text.size(), stream));
}

int putFile(const std::string& text) {
    return put(logFile, fileOutput, text, "Log size limit of 4 MB reached; nothing more is written to this log.\n");
}

int putConsole(const std::string& text) {
    return put(stderr, consoleOutput, text, "Console output limit of 4 MB reached; nothing more is shown.\n");
}

std::string formatted(const char* format, va_list args) {
    va_list sizing;
    va_copy(sizing, args);
    const int length = std::vsnprintf(nullptr, 0, format, sizing);
    va_end(sizing);
    if (length <= 0) return {};
    std::string text(size_t(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(size_t(length));
    return text;
}

// What an occurrence of a text turns into on the outputs; empty when it is held back.
bool admitted(std::string& text) {
    switch (repeats.admit(text)) {
        case DiagnosticsRepeats::Verdict::Write: return true;
        case DiagnosticsRepeats::Verdict::Announce: text = repeatsSuppressedNotice(text); return true;
        case DiagnosticsRepeats::Verdict::Suppress: return false;
    }
    return false;
}

void openLog() {
    logFile = openLogFile();
    if (!logFile) {
        debugPrintf("Error opening file %s for writing\n", kLogFileName);
        return;
    }
    char header[128];
    std::snprintf(header, sizeof header, "Log output for Zarn Screensaver build %s, %s\n", buildDate, buildLabel);
    putFile(header);
}

}  // namespace

int debugPrintf(const char* format, ...) {
    if (!consoleOpened) {
        openDiagnosticsConsole();
        // Set before the open: a failed open reports through this function, and that report
        // must not come back here and try again.
        consoleOpened = true;
        if (!logFile) openLog();
    }
    va_list args;
    va_start(args, format);
    std::string text = formatted(format, args);
    va_end(args);
    if (!admitted(text)) return 0;
    int written = putConsole(text);
    if (logFile) written = putFile(text);
    return written;
}

int logPrintf(const char* format, ...) {
    if (!logFile) openLog();
    if (!logFile) return 0;
    va_list args;
    va_start(args, format);
    std::string text = formatted(format, args);
    va_end(args);
    if (!admitted(text)) return 0;
    return putFile(text);
}

void closeLog() {
    if (logFile) {
        repeats.forEachSuppressed(
            [](const std::string& text, uint64_t count) { putFile(repeatsSuppressedSummary(text, count)); });
        std::fclose(logFile);
        logFile = nullptr;
    }
    // A new log is a new run: every text may be shown afresh, within fresh limits.
    repeats.reset();
    fileOutput = Output{};
    consoleOutput = Output{};
}
