// Windows side: %LOCALAPPDATA%\Zarn Screensaver, since a standard user may not write under
// Program Files, and the design would otherwise open its console on every run.
#include "platform/seams/LogFolder.h"

#include <windows.h>

std::string platformLogFolder() {
    char local[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", local, sizeof local);
    if (length == 0 || length >= sizeof local) return {};
    return std::string(local) + "\\Zarn Screensaver";
}
