// The two diagnostic outputs every subsystem uses. debugPrintf is for errors and warnings:
// it reaches the console (stderr) and the log file. logPrintf is for progress lines and the
// device report: the log file only. The log file is "screensaver_log.txt" in the current
// directory. Shared by all layers, as the one diagnostics channel of the process.
#pragma once

int debugPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int logPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Closes the log file (teardown); a later logPrintf opens and truncates it anew.
void closeLog();
