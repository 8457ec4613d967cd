// The command line of the XScreenSaver hack `zarn`: which window the saver is to draw into.
// Kept apart from the program so the hack conventions can be checked without a display.
#pragma once

#include <cstdint>
#include <string>

enum class HackTarget {
    ownWindow,  // no window given: open a normal window of our own (tried from a terminal)
    root,       // --root: the host's window from $XSCREENSAVER_WINDOW, else the root window
    windowId,   // --window-id N
    help,       // --help
    error,      // anything else: `error` says what was wrong
};

struct HackOptions {
    HackTarget target = HackTarget::ownWindow;
    // The window for root and windowId; 0 for root without $XSCREENSAVER_WINDOW (the
    // display's root window, as every hack does with --root outside a host).
    uint32_t window = 0;
    std::string error;
};

// argv as main receives it; xscreensaverWindow is $XSCREENSAVER_WINDOW (null or empty: unset).
HackOptions parseHackOptions(int argc, const char* const* argv, const char* xscreensaverWindow);

// An X window id: "0x" or "0X" and hexadecimal digits, or decimal digits; the whole text,
// non-zero and within 32 bits. False for anything else.
bool parseWindowId(const char* text, uint32_t* window);

const char* hackUsage();
