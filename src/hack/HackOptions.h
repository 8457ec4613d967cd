// The command line of the XScreenSaver hack `zarn`: which window the saver is to draw into.
// Kept apart from the program so the hack conventions can be checked without a display.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

enum class HackTarget {
    ownWindow,  // no window given: open a normal window of our own (tried from a terminal)
    root,       // --root: the host's window from $XSCREENSAVER_WINDOW, else the root window
    windowId,   // --window-id N (also beside --root, as xscreensaver-settings' preview passes it)
    help,       // --help
    error,      // anything else: `error` says what was wrong
};

// The clock's settings a host chose for this run (its options panel). Each one left unset is
// taken from the saver's own settings file, as every other run takes it.
struct HackSettings {
    std::optional<bool> use24Hour;       // --hours 12|24
    std::optional<bool> postProcessing;  // --post-processing on|off
    std::optional<bool> shadows;         // --shadows on|off
    std::optional<bool> frameSync;       // --frame-sync on|off
    std::optional<int> antialiasing;     // --antialiasing 0|2|4
    std::optional<int> resolution;       // --resolution 0|800|1024|1280 (0: the screen's own)

    bool any() const {
        return use24Hour || postProcessing || shadows || frameSync || antialiasing || resolution;
    }
};

struct HackOptions {
    HackTarget target = HackTarget::ownWindow;
    // The window for root and windowId; 0 for root without $XSCREENSAVER_WINDOW (the
    // display's root window, as every hack does with --root outside a host).
    uint32_t window = 0;
    HackSettings settings;
    std::string error;
};

// argv as main receives it; xscreensaverWindow is $XSCREENSAVER_WINDOW (null or empty: unset).
HackOptions parseHackOptions(int argc, const char* const* argv, const char* xscreensaverWindow);

// An X window id: "0x" or "0X" and hexadecimal digits, or decimal digits; the whole text,
// non-zero and within 32 bits. False for anything else.
bool parseWindowId(const char* text, uint32_t* window);

const char* hackUsage();
