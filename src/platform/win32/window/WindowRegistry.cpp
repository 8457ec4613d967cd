// The set of live windows. Handles are plain pointers, so every call that receives one
// checks it against this set first: a stale or foreign handle is refused instead of being
// followed.
#include "win32/window/WindowObject.h"
#include "win32/window/WindowRegistry.h"

#include <SDL.h>

#include <algorithm>

namespace {
// Few windows exist at a time (the saver window, a probe, a test's windows); a vector keeps
// creation order, which the off-screen desktop size needs.
std::vector<HWND>& liveWindows() {
    static std::vector<HWND> windows;
    return windows;
}
}  // namespace

void zarnRegisterWindow(HWND window) { liveWindows().push_back(window); }

void zarnUnregisterWindow(HWND window) {
    auto& windows = liveWindows();
    windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
}

bool zarnIsLiveWindow(HWND window) {
    if (!window) return false;
    const auto& windows = liveWindows();
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

HWND zarnOtherSessionWindow() {
    // X ids have 29 bits, so this names no X window either.
    return reinterpret_cast<HWND>(~uintptr_t(0));
}

HWND zarnWindowFromSdl(SDL_Window* sdlWindow) {
    if (!sdlWindow) return nullptr;
    for (HWND window : liveWindows())
        if (window->kind == WindowKind::Sdl && window->sdlWindow == sdlWindow) return window;
    return nullptr;
}

void zarnOffscreenDesktopSize(int* width, int* height) {
    int w = 1024, h = 768;
    const auto& windows = liveWindows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if ((*it)->kind == WindowKind::Offscreen) {
            w = (*it)->clientWidth;
            h = (*it)->clientHeight;
            break;
        }
    }
    if (width) *width = w;
    if (height) *height = h;
}

void zarnUpdateClientSize(HWND window) {
    if (!zarnIsLiveWindow(window) || window->kind != WindowKind::Sdl || !window->sdlWindow) return;
    SDL_GL_GetDrawableSize(window->sdlWindow, &window->clientWidth, &window->clientHeight);
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect) {
    if (!lpRect || !zarnIsLiveWindow(hWnd)) return FALSE;
    zarnUpdateClientSize(hWnd);
    lpRect->left = 0;
    lpRect->top = 0;
    lpRect->right = hWnd->clientWidth;
    lpRect->bottom = hWnd->clientHeight;
    return TRUE;
}
