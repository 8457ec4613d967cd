#include "win32/messages/XDisplayConnection.h"

Display* zarnXDisplay() {
    static Display* const display = XOpenDisplay(nullptr);
    return display;
}
