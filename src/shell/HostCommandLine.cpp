// Reading the screen-saver service's command line: one mode letter, possibly a window handle.
#include "shell/Host.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The longest run of decimal digits at p; false when there is none. A run whose value does
// not fit a handle reads as 0, which names no window: wrapping around could name a real one.
bool readHandle(const char*& p, uintptr_t* value) {
    if (!isDigit(*p)) return false;
    uintptr_t v = 0;
    bool overflow = false;
    for (; isDigit(*p); ++p) {
        const uintptr_t digit = uintptr_t(*p - '0');
        if (overflow || v > (UINTPTR_MAX - digit) / 10) {
            overflow = true;
            continue;  // the rest of the run still belongs to the handle
        }
        v = v * 10 + digit;
    }
    *value = overflow ? 0 : v;
    return true;
}

void skipSpaces(const char*& p) {
    while (*p == ' ') ++p;
}

}  // namespace

HostCommand parseCommandLine(const char* commandLine) {
    HostCommand command;
    const char* p = commandLine ? commandLine : "";
    while (*p == ' ' || *p == '-' || *p == '/') ++p;
    const char letter = *p;
    if (letter == '\0') {
        command.mode = HostMode::configuration;
        command.endOfText = true;
        return command;
    }
    ++p;
    switch (letter) {
    case 'S':
    case 's':
        command.mode = HostMode::fullScreen;
        break;
    case 'P':
    case 'p':
    case 'L':
    case 'l':
        command.mode = HostMode::preview;
        skipSpaces(p);
        command.hasWindow = readHandle(p, &command.window);
        break;
    case 'C':
    case 'c':
        command.mode = HostMode::configuration;
        if (*p == ':') {
            ++p;
            command.hasWindow = readHandle(p, &command.window);
        }
        break;
    case 'A':
    case 'a':
        command.mode = HostMode::passwordChange;
        skipSpaces(p);
        command.hasWindow = readHandle(p, &command.window);
        break;
    default:
        command.mode = HostMode::invalid;
        break;
    }
    return command;
}

HWND configDialogOwner(const HostCommand& command) {
    if (command.endOfText) return nullptr;
    HWND given = reinterpret_cast<HWND>(command.window);
    if (command.hasWindow && IsWindow(given)) return given;
    return GetForegroundWindow();
}
