// The console and the debugger output. The process's stderr is its console: it is already
// there when a terminal or a session log is attached, so AllocConsole has nothing to open.
// Debugger output (window-message tracing) is noisy, so it reaches stderr only on request.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

BOOL AllocConsole() { return TRUE; }

void OutputDebugStringA(LPCSTR lpOutputString) {
    if (!lpOutputString) return;
    const char* enabled = std::getenv("ZARN_DEBUG_OUTPUT");
    if (enabled && std::strcmp(enabled, "1") == 0) std::fputs(lpOutputString, stderr);
}
