// Not part of Win32: windows without a display. The snapshot tool and the rendering tests
// draw into these; a device created on one presents into the window's own image, which can
// be read back afterwards. Off-screen windows need no X server; their GL runs on EGL.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// A window of the given client size with no display behind it (null when the size is not
// positive). GetClientRect reports (0, 0, width, height).
HWND ZarnCreateOffscreenWindow(int width, int height);

// The image last presented into an off-screen window: top row first, one 0xAARRGGBB value
// per pixel, width × height values. FALSE for a null or on-screen window, or null outputs.
// Before the first Present the image is all black (0xFF000000).
BOOL ZarnReadPresentedImage(HWND window, std::vector<uint32_t>* argbPixels, int* width, int* height);

// Destroys a window made by ZarnCreateOffscreenWindow (or any window of this stand-in);
// a null handle is ignored. Devices created on it must be released first.
void ZarnDestroyWindow(HWND window);
