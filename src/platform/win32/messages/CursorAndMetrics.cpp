// The cursor (Win32's display count, the position) and the screen metrics. With windows
// off-screen, "the screen" is the latest off-screen window and the cursor is virtual.
#include "win32/messages/MessageState.h"
#include "win32/messages/ZarnWindowBackend.h"
#include "win32/window/WindowObject.h"

#include <SDL.h>

#include <algorithm>

namespace {
int cursorDisplayCount = 0;
POINT virtualCursor{0, 0};
}  // namespace

bool zarnDisplayAvailable() {
    if (ZarnGetWindowBackend() == ZARN_WINDOWS_OFFSCREEN) return false;
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

int ZarnCursorDisplayCount() { return cursorDisplayCount; }

int ShowCursor(BOOL bShow) {
    cursorDisplayCount += bShow ? 1 : -1;
    if (ZarnGetWindowBackend() == ZARN_WINDOWS_ON_DISPLAY && SDL_WasInit(SDL_INIT_VIDEO))
        SDL_ShowCursor(cursorDisplayCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return cursorDisplayCount;
}

BOOL GetCursorPos(LPPOINT lpPoint) {
    if (!lpPoint) return FALSE;
    if (ZarnGetWindowBackend() == ZARN_WINDOWS_ON_DISPLAY && SDL_WasInit(SDL_INIT_VIDEO)) {
        int x = 0, y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        *lpPoint = POINT{x, y};
        return TRUE;
    }
    *lpPoint = virtualCursor;
    return TRUE;
}

BOOL SetCursorPos(int X, int Y) {
    if (ZarnGetWindowBackend() == ZARN_WINDOWS_ON_DISPLAY && SDL_WasInit(SDL_INIT_VIDEO))
        return SDL_WarpMouseGlobal(X, Y) == 0;
    virtualCursor = POINT{X, Y};
    return TRUE;
}

int GetSystemMetrics(int nIndex) {
    if (!zarnDisplayAvailable()) {
        int width = 0, height = 0;
        zarnOffscreenDesktopSize(&width, &height);
        switch (nIndex) {
        case SM_CXSCREEN:
        case SM_CXVIRTUALSCREEN: return width;
        case SM_CYSCREEN:
        case SM_CYVIRTUALSCREEN: return height;
        default: return 0;
        }
    }
    if (nIndex == SM_CXSCREEN || nIndex == SM_CYSCREEN) {
        SDL_DisplayMode mode{};
        if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return 0;
        return nIndex == SM_CXSCREEN ? mode.w : mode.h;
    }
    // The virtual screen spans every display.
    int left = 0, top = 0, right = 0, bottom = 0;
    const int displays = SDL_GetNumVideoDisplays();
    for (int i = 0; i < displays; ++i) {
        SDL_Rect bounds{};
        if (SDL_GetDisplayBounds(i, &bounds) != 0) continue;
        if (i == 0) {
            left = bounds.x;
            top = bounds.y;
            right = bounds.x + bounds.w;
            bottom = bounds.y + bounds.h;
        } else {
            left = std::min(left, bounds.x);
            top = std::min(top, bounds.y);
            right = std::max(right, bounds.x + bounds.w);
            bottom = std::max(bottom, bounds.y + bounds.h);
        }
    }
    switch (nIndex) {
    case SM_XVIRTUALSCREEN: return left;
    case SM_YVIRTUALSCREEN: return top;
    case SM_CXVIRTUALSCREEN: return right - left;
    case SM_CYVIRTUALSCREEN: return bottom - top;
    default: return 0;
    }
}
