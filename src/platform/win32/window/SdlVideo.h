// The one place SDL's video is started. Every window, screen-size query and event pump goes
// through it, so SDL's process-wide switches are set once, before SDL can act on them.
#pragma once

// Starts SDL's video subsystem if it is not up yet; false (with SDL's error set) when no
// video driver can start. Once up it stays up for the life of the process.
bool zarnStartSdlVideo();

// True when SDL's video runs on a Wayland compositor: no global coordinates, no other
// programs' windows to find or raise, and full screen is asked of the compositor.
bool zarnSdlVideoIsWayland();

// The size of SDL display `index` in the output's own pixels, the ones its picture is made of:
// false when SDL has no such display. On a scaled Wayland output SDL counts sizes in the
// compositor's logical pixels (half the output's at 200 %); this is the output's mode.
bool zarnDisplayPixelSize(int index, int* width, int* height);
