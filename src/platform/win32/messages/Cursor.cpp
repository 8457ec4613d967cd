// The cursor: Win32's display count and the position. With windows off-screen the cursor
// is virtual, so tests can move it with SetCursorPos.
#include "win32/messages/MessageState.h"
#include "win32/messages/XDisplayConnection.h"
#include "win32/messages/ZarnWindowBackend.h"
#include "win32/window/SdlVideo.h"
#include "win32/window/WindowObject.h"

#include <SDL.h>

#include <cstring>


namespace {
int cursorDisplayCount = 0;
POINT virtualCursor{0, 0};
bool pointerNoted = false;
POINT notedPointer{0, 0};
// What GetCursorPos answered before any position was noted, and on Wayland the shift from
// the compositor's surface positions to the ones answered.
POINT answeredBeforeNoted{0, 0};
POINT waylandShift{0, 0};
}  // namespace

void zarnNotePointer(int x, int y) {
    // Wayland tells a client where the pointer is only once it is over one of the client's
    // surfaces, and then only in that surface's coordinates. The first position it gives is
    // where the pointer already was, not a move: it continues from what was answered before,
    // so the mouse-move rule measures from the pointer's arrival, not from the screen's corner.
    if (!pointerNoted && zarnSdlVideoIsWayland())
        waylandShift = POINT{answeredBeforeNoted.x - x, answeredBeforeNoted.y - y};
    notedPointer = POINT{x + waylandShift.x, y + waylandShift.y};
    pointerNoted = true;
}

// Under X the pointer is asked of the server itself: SDL's global query answers from a cache
// that stays at (0, 0) until the pointer first moves, which would make the mouse-move close
// rule measure its first movement from the screen's corner.
static bool queryXPointer(POINT* out) {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0) return false;
    Display* display = zarnXDisplay();
    if (!display) return false;
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, windowX = 0, windowY = 0;
    unsigned int buttons = 0;
    if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &windowX, &windowY,
                       &buttons))
        return false;
    *out = POINT{rootX, rootY};
    return true;
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
        if (queryXPointer(lpPoint)) return TRUE;
        if (pointerNoted) {
            *lpPoint = notedPointer;
            return TRUE;
        }
        int x = 0, y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        *lpPoint = answeredBeforeNoted = POINT{x, y};
        return TRUE;
    }
    *lpPoint = virtualCursor;
    return TRUE;
}

BOOL SetCursorPos(int X, int Y) {
    if (ZarnGetWindowBackend() == ZARN_WINDOWS_ON_DISPLAY && SDL_WasInit(SDL_INIT_VIDEO)) {
        if (SDL_WarpMouseGlobal(X, Y) != 0) return FALSE;
        zarnNotePointer(X, Y);
        return TRUE;
    }
    virtualCursor = POINT{X, Y};
    return TRUE;
}
