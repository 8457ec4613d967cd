#include "win32/window/SdlVideo.h"

#include <SDL.h>

#include <cstring>

bool zarnStartSdlVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;

    // A screen saver must never hold off the system's own saver or the monitor's power-off.
    // Left alone, SDL suspends the X server's saver and DPMS timers, calls Inhibit and
    // SimulateUserActivity on the session bus and takes a Wayland idle inhibitor. Set with
    // override priority: a plain hint loses to SDL_VIDEO_ALLOW_SCREENSAVER=0 in the
    // environment (some desktops export it for games), which would turn all of that back on.
    SDL_SetHintWithPriority(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1", SDL_HINT_OVERRIDE);
    // SDL would turn SIGINT and SIGTERM into quit events that only a running event pump sees;
    // the program handles its own signals.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");

    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

bool zarnSdlVideoIsWayland() {
    const char* driver = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetCurrentVideoDriver() : nullptr;
    return driver && std::strcmp(driver, "wayland") == 0;
}

bool zarnDisplayPixelSize(int index, int* width, int* height) {
    SDL_DisplayMode mode = {};
    if (SDL_GetDesktopDisplayMode(index, &mode) != 0) return false;
    // A Wayland compositor tells SDL the output's current mode and its logical size; SDL makes
    // the logical size the desktop mode and keeps the output's own mode as the first, largest,
    // of the display's modes (the others are made-up smaller ones for games).
    SDL_DisplayMode own = {};
    if (zarnSdlVideoIsWayland() && SDL_GetDisplayMode(index, 0, &own) == 0 && own.w >= mode.w && own.h >= mode.h)
        mode = own;
    *width = mode.w;
    *height = mode.h;
    return true;
}
