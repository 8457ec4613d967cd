// $ZARN_MONITOR read once and checked against the desktop's monitors: RandR's list under X
// (the one a watcher counts too, and the only one that knows monitors set with
// `xrandr --setmonitor`), SDL's displays on Wayland.
#include "win32/window/MonitorChoice.h"

#include "win32/messages/XDisplayConnection.h"
#include "win32/window/SdlVideo.h"

#include <SDL.h>
#include <X11/extensions/Xrandr.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Choice {
    int index = 0;
    ZarnMonitorRect rect;
};

// Digits only: no sign, no blanks, nothing after them.
bool parseIndex(const char* text, int* index) {
    if (!*text) return false;
    long value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        value = value * 10 + (*p - '0');
        if (value > 4096) return false;  // more than any desktop has, and no overflow
    }
    *index = int(value);
    return true;
}

// The value as the message shows it: printable, and short.
std::string shown(const char* value) {
    std::string out;
    for (const char* p = value; *p && out.size() < 40; ++p) out += (*p >= 0x20 && *p < 0x7f) ? *p : '?';
    return out;
}

std::vector<ZarnMonitorRect> xMonitors(Display* display) {
    std::vector<ZarnMonitorRect> monitors;
    const Window root = DefaultRootWindow(display);
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    // Monitors came with RandR 1.5; an older server has only the one screen.
    if (XRRQueryExtension(display, &eventBase, &errorBase) && XRRQueryVersion(display, &major, &minor) &&
        (major > 1 || (major == 1 && minor >= 5))) {
        int count = 0;
        if (XRRMonitorInfo* info = XRRGetMonitors(display, root, True, &count)) {
            for (int i = 0; i < count; ++i)
                if (info[i].width > 0 && info[i].height > 0)
                    monitors.push_back({info[i].x, info[i].y, info[i].width, info[i].height});
            XRRFreeMonitors(info);
        }
    }
    if (monitors.empty()) {
        const int screen = DefaultScreen(display);
        monitors.push_back({0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)});
    }
    return monitors;
}

std::vector<ZarnMonitorRect> sdlDisplays() {
    std::vector<ZarnMonitorRect> displays;
    const int count = SDL_GetNumVideoDisplays();
    for (int i = 0; i < count; ++i) {
        SDL_Rect bounds{};
        if (SDL_GetDisplayBounds(i, &bounds) == 0) displays.push_back({bounds.x, bounds.y, bounds.w, bounds.h});
    }
    return displays;
}

std::vector<ZarnMonitorRect> desktopMonitors() {
    if (!zarnStartSdlVideo()) return {};
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver) return {};
    if (std::strcmp(driver, "x11") == 0) {
        Display* display = zarnXDisplay();
        return display ? xMonitors(display) : std::vector<ZarnMonitorRect>{};
    }
    // Drivers with no screen behind them invent one; it is no monitor anyone sees.
    if (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0) return {};
    return sdlDisplays();
}

// One thread asks, so plain statics do; the check runs outside any static's initialisation,
// since ending the process from inside one would leave its guard held during exit.
const Choice& choice() {
    static Choice chosen;
    static bool resolved = false;
    if (resolved) return chosen;
    const char* value = std::getenv("ZARN_MONITOR");
    if (!value) value = "";
    const std::vector<ZarnMonitorRect> monitors = desktopMonitors();
    if (!parseIndex(value, &chosen.index) || size_t(chosen.index) >= monitors.size()) {
        if (monitors.empty())
            std::fprintf(stderr, "zarn-screensaver: ZARN_MONITOR=\"%s\" names no monitor: no display is open.\n",
                         shown(value).c_str());
        else
            std::fprintf(stderr,
                         "zarn-screensaver: ZARN_MONITOR=\"%s\" names no monitor: this desktop has %zu, "
                         "numbered from 0.\n",
                         shown(value).c_str(), monitors.size());
        std::fflush(nullptr);
        std::exit(1);
    }
    chosen.rect = monitors[size_t(chosen.index)];
    resolved = true;
    return chosen;
}

}  // namespace

bool zarnMonitorModeRequested() { return std::getenv("ZARN_MONITOR") != nullptr; }

int zarnChosenMonitorIndex() { return choice().index; }

ZarnMonitorRect zarnChosenMonitorRect() { return choice().rect; }
