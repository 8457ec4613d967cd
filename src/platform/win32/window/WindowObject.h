// What a window handle points at. A window is either an SDL2 window (with an OpenGL
// surface, so a Direct3D device can present into it) or an off-screen window, which has
// only a client size and the image last presented into it. The window procedure, class name,
// title and parent are kept here for the message loop; this header is private to the
// platform layer (win32/ and the Direct3D back ends).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct SDL_Window;

// Dialog: a dialog or one of its controls (win32/dialog/), which have no SDL window.
enum class WindowKind { Sdl, Offscreen, Dialog };

struct HWND__ {
    WindowKind kind = WindowKind::Offscreen;
    SDL_Window* sdlWindow = nullptr;  // Sdl kind only
    WNDPROC windowProc = nullptr;
    std::string className;
    std::string title;
    HWND parent = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR userData = 0;
    int clientWidth = 0;
    int clientHeight = 0;
    // Off-screen kind: what the last Present left in the window, top row first, 0xAARRGGBB.
    std::vector<uint32_t> presentedImage;
    // Off-screen kind: a device that presented into the window keeps the picture until
    // someone looks at it, since copying it out of the renderer costs a frame's worth of
    // memory traffic. Whoever reads or overwrites presentedImage calls zarnSettlePresented
    // first.
    void (*pendingRead)(void* owner, HWND window) = nullptr;
    void* pendingOwner = nullptr;
};

// Brings presentedImage up to date with a pending presentation, if there is one.
inline void zarnSettlePresented(HWND window) {
    if (window->pendingRead) {
        auto read = window->pendingRead;
        window->pendingRead = nullptr;
        read(window->pendingOwner, window);
        window->pendingOwner = nullptr;
    }
}

// Creates an SDL window able to carry an OpenGL 3.3 core context (video is initialised on
// first use). sdlFlags are added to SDL_WINDOW_OPENGL (e.g. SDL_WINDOW_HIDDEN,
// SDL_WINDOW_BORDERLESS). Null when SDL has no video or refuses the window.
HWND zarnCreateSdlWindow(const char* title, int x, int y, int width, int height, uint32_t sdlFlags);

// Gives an SDL window the picture of an icon resource, which window lists show for it;
// nothing for other windows, for no icon, or when the picture cannot be read.
void zarnSetWindowIcon(HWND window, HICON icon);

// The window object of an SDL window made by zarnCreateSdlWindow (null if none).
HWND zarnWindowFromSdl(SDL_Window* sdlWindow);

// Whether the handle names a live window of this stand-in.
bool zarnIsLiveWindow(HWND window);

// What FindWindowA answers for a window another process holds where its id cannot be known
// (a Wayland session): not null, and no window that IsWindow accepts or anything can raise.
HWND zarnOtherSessionWindow();

// Refreshes the client size of an SDL window from SDL (after a resize).
void zarnUpdateClientSize(HWND window);

// The off-screen window SetForegroundWindow last chose, while it is a window (else null).
HWND zarnOffscreenForegroundWindow();

// The size an off-screen adapter reports as its one display mode: the most recently created
// live off-screen window's client size, else 1024 × 768.
void zarnOffscreenDesktopSize(int* width, int* height);

// Whether a device may still draw into the window: false once it is a preview child whose
// foreign host (and with it the child) is gone. Devices ask right before each swap, since
// software GL does not survive swapping into a window the server no longer has.
bool zarnWindowDrawable(HWND window);

// Keeps the window in existence around a call that does not survive its loss (SDL reads a
// window's attributes unchecked when it makes a GL context); windowExists() says whether
// there was a window to hold. Windows that cannot vanish under the program always exist.
class ZarnWindowHold {
public:
    explicit ZarnWindowHold(HWND window);
    ~ZarnWindowHold();
    ZarnWindowHold(const ZarnWindowHold&) = delete;
    ZarnWindowHold& operator=(const ZarnWindowHold&) = delete;
    bool windowExists() const;

private:
    void* hold;
};
