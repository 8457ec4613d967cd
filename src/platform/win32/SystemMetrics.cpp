// GetSystemMetrics for the screen sizes the saver reads: the primary display's size (in its
// own pixels, also on a scaled Wayland output) and the rectangle around all displays, from SDL;
// or, where $ZARN_MONITOR names one monitor, that monitor as both, so a full-screen saver
// covers it alone. Without a display Win32's failure value 0 comes back (also when SDL only
// has a display-less driver); callers treat that as "no screen size known".
#include <windows.h>

#include "ZarnScreenMetrics.h"
#include "win32/messages/XDisplayConnection.h"
#include "win32/window/MonitorChoice.h"
#include "win32/window/SdlVideo.h"

#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

int overrideWidth = 0;
int overrideHeight = 0;

int fromOverride(int nIndex) {
    switch (nIndex) {
        case SM_CXSCREEN:
        case SM_CXVIRTUALSCREEN: return overrideWidth;
        case SM_CYSCREEN:
        case SM_CYVIRTUALSCREEN: return overrideHeight;
        default: return 0;
    }
}

// SDL falls back to video drivers with no screen behind them (e.g. "offscreen", which
// invents a 1024 x 768 mode); their sizes describe nothing the user sees.
bool realDisplay() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0;
}

// The screen's size in its own pixels, which the back buffer is made of (on a scaled Wayland
// output SDL's other sizes are the compositor's logical ones). The virtual screen's rectangle
// only places the window, which a Wayland client cannot do: it stays in SDL's units.
int screenPixels(int display, int nIndex) {
    int width = 0, height = 0;
    if (!zarnDisplayPixelSize(display, &width, &height)) return 0;
    return nIndex == SM_CXSCREEN ? width : height;
}

int fromSdl(int nIndex) {
    if (!realDisplay()) return 0;
    if (nIndex == SM_CXSCREEN || nIndex == SM_CYSCREEN) return screenPixels(0, nIndex);
    // Under X the root window is the virtual screen, whatever SDL makes of the monitors
    // (with Xinerama and no RandR it may report only the first one).
    const char* driver = SDL_GetCurrentVideoDriver();
    if (Display* display = std::strcmp(driver, "x11") == 0 ? zarnXDisplay() : nullptr) {
        switch (nIndex) {
            case SM_CXVIRTUALSCREEN: return DisplayWidth(display, DefaultScreen(display));
            case SM_CYVIRTUALSCREEN: return DisplayHeight(display, DefaultScreen(display));
            default: return 0;  // the root's origin
        }
    }
    int displays = SDL_GetNumVideoDisplays();
    if (displays <= 0) return 0;
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (int i = 0; i < displays; ++i) {
        SDL_Rect bounds = {};
        if (SDL_GetDisplayBounds(i, &bounds) != 0) continue;
        left = std::min(left, bounds.x);
        top = std::min(top, bounds.y);
        right = std::max(right, bounds.x + bounds.w);
        bottom = std::max(bottom, bounds.y + bounds.h);
    }
    if (left > right || top > bottom) return 0;
    switch (nIndex) {
        case SM_XVIRTUALSCREEN: return left;
        case SM_YVIRTUALSCREEN: return top;
        case SM_CXVIRTUALSCREEN: return right - left;
        case SM_CYVIRTUALSCREEN: return bottom - top;
        default: return 0;
    }
}

int fromChosenMonitor(int nIndex) {
    const ZarnMonitorRect monitor = zarnChosenMonitorRect();
    // On Wayland the monitors are SDL's displays, in the same order.
    if ((nIndex == SM_CXSCREEN || nIndex == SM_CYSCREEN) && zarnSdlVideoIsWayland())
        return screenPixels(zarnChosenMonitorIndex(), nIndex);
    switch (nIndex) {
        case SM_CXSCREEN:
        case SM_CXVIRTUALSCREEN: return monitor.width;
        case SM_CYSCREEN:
        case SM_CYVIRTUALSCREEN: return monitor.height;
        case SM_XVIRTUALSCREEN: return monitor.x;
        case SM_YVIRTUALSCREEN: return monitor.y;
        default: return 0;
    }
}

}  // namespace

void ZarnSetScreenMetricsOverride(int width, int height) {
    bool valid = width > 0 && height > 0;
    overrideWidth = valid ? width : 0;
    overrideHeight = valid ? height : 0;
}

int GetSystemMetrics(int nIndex) {
    switch (nIndex) {
        case SM_CXSCREEN:
        case SM_CYSCREEN:
        case SM_XVIRTUALSCREEN:
        case SM_YVIRTUALSCREEN:
        case SM_CXVIRTUALSCREEN:
        case SM_CYVIRTUALSCREEN: break;
        default: return 0;
    }
    if (overrideWidth > 0) return fromOverride(nIndex);

    // Video may not be up yet (the host asks before it makes its window). Once up it stays
    // up: closing it drops our X connection, and an X server with no other client resets
    // and refuses the next one for a moment, after which SDL falls back to a screen-less
    // driver and the saver would draw into a window nobody can see.
    if (!zarnStartSdlVideo()) return 0;
    if (zarnMonitorModeRequested()) return fromChosenMonitor(nIndex);
    return fromSdl(nIndex);
}
