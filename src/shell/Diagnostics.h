// The two diagnostic outputs every subsystem uses. debugPrintf is for errors and warnings:
// it reaches the console (stderr) and the log file. logPrintf is for progress lines and the
// device report: the log file only. The log file is "screensaver_log.txt" in the current
// directory (or the user's state folder, see DiagnosticsLogPath.h); a text repeated without
// end is held back after its first few times. Shared by all layers, as the one diagnostics
// channel of the process.
#pragma once

int debugPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int logPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Closes the log file (teardown); a later logPrintf opens and truncates it anew.
void closeLog();
