// Off-screen windows: a client size and the image a device last presented into it. They let
// the snapshot tool and the rendering tests run the real GL back end with no display.
#include "win32/ZarnOffscreen.h"
#include "win32/window/WindowObject.h"
#include "win32/window/WindowRegistry.h"

#include <SDL.h>

namespace {
// Keeps an absurd request from turning into a multi-gigabyte image.
constexpr int maxOffscreenSide = 16384;
}

HWND ZarnCreateOffscreenWindow(int width, int height) {
    if (width <= 0 || height <= 0 || width > maxOffscreenSide || height > maxOffscreenSide) return nullptr;
    HWND window = new HWND__;
    window->kind = WindowKind::Offscreen;
    window->clientWidth = width;
    window->clientHeight = height;
    window->presentedImage.assign(size_t(width) * size_t(height), 0xFF000000u);
    zarnRegisterWindow(window);
    return window;
}

BOOL ZarnReadPresentedImage(HWND window, std::vector<uint32_t>* argbPixels, int* width, int* height) {
    if (!argbPixels || !width || !height || !zarnIsLiveWindow(window) || window->kind != WindowKind::Offscreen)
        return FALSE;
    zarnSettlePresented(window);
    *argbPixels = window->presentedImage;
    *width = window->clientWidth;
    *height = window->clientHeight;
    return TRUE;
}

void ZarnDestroyWindow(HWND window) {
    if (!zarnIsLiveWindow(window)) return;
    zarnUnregisterWindow(window);
    if (window->kind == WindowKind::Sdl && window->sdlWindow) SDL_DestroyWindow(window->sdlWindow);
    delete window;
}
