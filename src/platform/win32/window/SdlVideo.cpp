#include "win32/window/SdlVideo.h"

#include <SDL.h>

bool zarnStartSdlVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;

    // A screen saver must never hold off the system's own saver or the monitor's power-off.
    // Left alone, SDL suspends the X server's saver and DPMS timers, calls Inhibit and
    // SimulateUserActivity on the session bus and takes a Wayland idle inhibitor.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // SDL would turn SIGINT and SIGTERM into quit events that only a running event pump sees;
    // the program handles its own signals.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");

    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}
