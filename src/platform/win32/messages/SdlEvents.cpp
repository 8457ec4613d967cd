// SDL events turned into the window messages the host's close rules read: keys, mouse
// moves and buttons, focus changes and close requests. Positions are client coordinates.
#include "win32/messages/DesktopPings.h"
#include "win32/messages/MessageState.h"
#include "win32/window/MonitorChoice.h"
#include "win32/window/WindowObject.h"

#include <SDL.h>

#include <thread>

namespace {

HWND windowOf(Uint32 windowId) {
    HWND window = zarnWindowFromSdl(SDL_GetWindowFromID(windowId));
    return zarnIsMessageWindow(window) ? window : nullptr;
}

// What Win32 makes of the help and context-menu keys: F1 asks for help, the Menu key and
// Shift+F10 for the context menu (from the keyboard: position (-1, -1)).
void postHelpRequests(HWND window, const SDL_Keysym& key) {
    const bool shift = (key.mod & KMOD_SHIFT) != 0;
    if (key.sym == SDLK_F1 && !shift) zarnPostMessage(window, WM_HELP, 0, 0);
    if (key.sym == SDLK_APPLICATION || (key.sym == SDLK_F10 && shift))
        zarnPostMessage(window, WM_CONTEXTMENU, WPARAM(window), LPARAM(-1));
}

void translate(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        HWND window = windowOf(event.key.windowID);
        if (!window) return;
        const bool alt = (event.key.keysym.mod & KMOD_ALT) != 0;
        UINT message = event.type == SDL_KEYDOWN ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
        // Repeat count 1 in the low word, the scan code above it, as Win32 packs them.
        const LPARAM lParam = LPARAM(1 | (LPARAM(event.key.keysym.scancode & 0xFF) << 16));
        zarnPostMessage(window, message, WPARAM(event.key.keysym.sym), lParam);
        if (event.type == SDL_KEYDOWN) postHelpRequests(window, event.key.keysym);
        return;
    }
    case SDL_MOUSEMOTION: {
        HWND window = windowOf(event.motion.windowID);
        if (!window) return;
        // SDL's global pointer query can lag behind under X; the event's own position is news.
        int left = 0, top = 0;
        SDL_GetWindowPosition(window->sdlWindow, &left, &top);
        zarnNotePointer(left + event.motion.x, top + event.motion.y);
        zarnPostMessage(window, WM_MOUSEMOVE, 0, MAKELPARAM(event.motion.x, event.motion.y));
        return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        HWND window = windowOf(event.button.windowID);
        if (!window) return;
        const bool down = event.type == SDL_MOUSEBUTTONDOWN;
        UINT message;
        switch (event.button.button) {
        case SDL_BUTTON_LEFT: message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
        case SDL_BUTTON_RIGHT: message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
        case SDL_BUTTON_MIDDLE: message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
        default: return;
        }
        zarnPostMessage(window, message, 0, MAKELPARAM(event.button.x, event.button.y));
        return;
    }
    case SDL_WINDOWEVENT: {
        HWND window = windowOf(event.window.windowID);
        if (!window) return;
        WindowMessageState* state = zarnMessageState(window);
        switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            state->hadFocus = true;
            zarnPostMessage(window, WM_ACTIVATEAPP, TRUE, 0);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // A window manager may shuffle focus while a new window maps; only losing focus
            // the window really had means the user went elsewhere. A saver kept to one monitor
            // is one of several that map one after another and take the focus from each
            // other as they do; there a focus loss means nothing, and whoever started them
            // all ends them all on input.
            if (state->hadFocus && !zarnMonitorModeRequested()) zarnPostMessage(window, WM_ACTIVATEAPP, FALSE, 0);
            break;
        case SDL_WINDOWEVENT_CLOSE:
            zarnPostMessage(window, WM_CLOSE, 0, 0);
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            state->invalid = true;
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            zarnUpdateClientSize(window);
            break;
        default:
            break;
        }
        return;
    }
    case SDL_QUIT:
        // SDL's own request to end (its signal handlers are off; the program has its own):
        // close every window the orderly way, so the saver releases what it holds and
        // closes its log before the process ends.
        zarnPostCloseToAllWindows();
        return;
    default:
        return;
    }
}

}  // namespace

bool zarnPumpSdlEvents() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
    SDL_Event event;
    while (SDL_PollEvent(&event)) translate(event);
    return true;
}

void zarnWaitForEvents() {
    if (SDL_WasInit(SDL_INIT_VIDEO))
        SDL_WaitEventTimeout(nullptr, 20);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void zarnAnswerDesktopPings() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    // Window managers wait about 5 s for an answer; a tenth of a second is far inside that and
    // costs nothing measurable against the work between calls.
    static Uint32 lastPump = 0;
    const Uint32 now = SDL_GetTicks();
    if (lastPump != 0 && now - lastPump < 100) return;
    lastPump = now;
    SDL_PumpEvents();
}
