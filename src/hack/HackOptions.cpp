// Reading the hack's command line the way XScreenSaver and its kin pass it: "--root" with the
// window in $XSCREENSAVER_WINDOW, or "--window-id N"; one or two leading dashes alike.
#include "hack/HackOptions.h"

#include <cstring>
#include <initializer_list>

namespace {

// "-name" and "--name" are the same option, as in every XScreenSaver hack.
bool isOption(const char* arg, const char* name) {
    if (arg[0] != '-') return false;
    const char* rest = arg[1] == '-' ? arg + 2 : arg + 1;
    return std::strcmp(rest, name) == 0;
}

int digitValue(char c, int base) {
    if (c >= '0' && c <= '9') return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parseSwitch(const char* text, std::optional<bool>& value) {
    if (std::strcmp(text, "on") == 0) value = true;
    else if (std::strcmp(text, "off") == 0) value = false;
    else return false;
    return true;
}

bool parseChoice(const char* text, std::initializer_list<int> choices, std::optional<int>& value) {
    for (int choice : choices) {
        if (std::to_string(choice) == text) {
            value = choice;
            return true;
        }
    }
    return false;
}

// A setting option and its value; false when arg names none. `bad` is set when it does, but
// the value is missing or not one of the choices.
bool parseSettingOption(const char* arg, const char* value, HackSettings& settings, bool& bad) {
    bad = false;
    if (isOption(arg, "hours")) {
        std::optional<int> hours;
        bad = !value || !parseChoice(value, {12, 24}, hours);
        if (!bad) settings.use24Hour = *hours == 24;
    } else if (isOption(arg, "post-processing")) {
        bad = !value || !parseSwitch(value, settings.postProcessing);
    } else if (isOption(arg, "shadows")) {
        bad = !value || !parseSwitch(value, settings.shadows);
    } else if (isOption(arg, "frame-sync")) {
        bad = !value || !parseSwitch(value, settings.frameSync);
    } else if (isOption(arg, "antialiasing")) {
        bad = !value || !parseChoice(value, {0, 2, 4}, settings.antialiasing);
    } else if (isOption(arg, "resolution")) {
        bad = !value || !parseChoice(value, {0, 800, 1024, 1280}, settings.resolution);
    } else {
        return false;
    }
    return true;
}

HackOptions failure(std::string message) {
    HackOptions options;
    options.target = HackTarget::error;
    options.error = std::move(message);
    return options;
}

}  // namespace

bool parseWindowId(const char* text, uint32_t* window) {
    if (!text) return false;
    int base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
    }
    if (!*text) return false;
    uint64_t value = 0;
    for (; *text; ++text) {
        const int digit = digitValue(*text, base);
        if (digit < 0) return false;
        value = value * uint64_t(base) + uint64_t(digit);
        if (value > UINT32_MAX) return false;
    }
    if (value == 0) return false;
    *window = uint32_t(value);
    return true;
}

HackOptions parseHackOptions(int argc, const char* const* argv, const char* xscreensaverWindow) {
    HackOptions options;
    bool root = false, windowId = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (isOption(arg, "help") || isOption(arg, "h")) {
            options.target = HackTarget::help;
            return options;
        }
        if (isOption(arg, "root")) {
            root = true;
        } else if (isOption(arg, "window-id")) {
            if (i + 1 >= argc) return failure(std::string(arg) + " needs a window id");
            if (!parseWindowId(argv[++i], &options.window))
                return failure(std::string("not a window id: \"") + argv[i] + "\"");
            windowId = true;
        } else {
            bool bad = false;
            const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
            if (!parseSettingOption(arg, value, options.settings, bad))
                return failure(std::string("unknown option \"") + arg + "\"");
            if (bad)
                return failure(value ? std::string("\"") + value + "\" is not a value of " + arg
                                     : std::string(arg) + " needs a value");
            ++i;
        }
    }
    // xscreensaver-settings previews a hack by adding --window-id to its command line, --root
    // included: the named window is the one meant.
    if (windowId) {
        options.target = HackTarget::windowId;
    } else if (root) {
        options.target = HackTarget::root;
        // A host that names a window must name a real one; drawing elsewhere would be wrong.
        if (xscreensaverWindow && *xscreensaverWindow && !parseWindowId(xscreensaverWindow, &options.window))
            return failure(std::string("XSCREENSAVER_WINDOW is not a window id: \"") + xscreensaverWindow + "\"");
    }
    return options;
}

const char* hackUsage() {
    return "Usage: zarn [--root | --window-id N | --help] [setting options]\n"
           "The Zarn Screensaver clock as an XScreenSaver hack.\n"
           "  --root          draw into the window in $XSCREENSAVER_WINDOW (\"0x...\" or decimal),\n"
           "                  or into the root window when that is not set\n"
           "  --window-id N   draw into window N (\"0x...\" or decimal)\n"
           "  --help          show this text\n"
           "With no window option the clock opens a window of its own; closing it ends the program.\n"
           "Setting options apply to this run only; the others come from the saver's settings,\n"
           "which \"zarn-screensaver /c\" changes:\n"
           "  --hours 12|24                  12- or 24-hour time\n"
           "  --post-processing on|off       the glow of the post-processing\n"
           "  --shadows on|off               shadows\n"
           "  --antialiasing 0|2|4           multisampling (0: none)\n"
           "  --resolution 0|800|1024|1280   width of the drawn picture (0: native)\n"
           "  --frame-sync on|off            wait for the screen's refresh\n";
}
