// The cursor: Win32's display count and the position. With windows off-screen the cursor
// is virtual, so tests can move it with SetCursorPos.
#include "win32/messages/MessageState.h"
#include "win32/messages/ZarnWindowBackend.h"
#include "win32/window/WindowObject.h"

#include <SDL.h>


namespace {
int cursorDisplayCount = 0;
POINT virtualCursor{0, 0};
bool pointerNoted = false;
POINT notedPointer{0, 0};
}  // namespace

void zarnNotePointer(int x, int y) {
    notedPointer = POINT{x, y};
    pointerNoted = true;
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
        if (pointerNoted) {
            *lpPoint = notedPointer;
            return TRUE;
        }
        int x = 0, y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        *lpPoint = POINT{x, y};
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
