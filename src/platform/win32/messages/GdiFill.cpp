// The one GDI drawing the saver does: filling its client area with the black stock brush
// before the first frame exists. On an SDL window this draws with Xlib straight into the X
// window (GL has not touched it yet); on an off-screen window it fills the kept image.
#include "win32/messages/GdiFill.h"
#include "win32/window/WindowObject.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <algorithm>

struct HDC__ {
    HWND window;
};

struct HBRUSH__ {
    uint32_t rgb;  // 0x00RRGGBB
};

namespace {
HBRUSH__ blackBrush{0x000000};
HBRUSH__ whiteBrush{0xFFFFFF};
}  // namespace

uint32_t zarnBrushColour(HBRUSH brush) { return brush ? brush->rgb : 0x000000; }

HDC GetDC(HWND hWnd) {
    if (!zarnIsLiveWindow(hWnd)) return nullptr;
    return new HDC__{hWnd};
}

int ReleaseDC(HWND, HDC hDC) {
    if (!hDC) return 0;
    delete hDC;
    return 1;
}

HGDIOBJ GetStockObject(int i) {
    switch (i) {
    case BLACK_BRUSH: return &blackBrush;
    case WHITE_BRUSH: return &whiteBrush;
    default: return nullptr;
    }
}

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    if (!hDC || !lprc || !hbr || !zarnIsLiveWindow(hDC->window)) return 0;
    HWND window = hDC->window;
    const int left = std::max<LONG>(lprc->left, 0), top = std::max<LONG>(lprc->top, 0);
    const int right = std::min<LONG>(lprc->right, window->clientWidth);
    const int bottom = std::min<LONG>(lprc->bottom, window->clientHeight);
    if (right <= left || bottom <= top) return 1;

    if (window->kind == WindowKind::Offscreen) {
        zarnSettlePresented(window);
        const size_t need = size_t(window->clientWidth) * size_t(window->clientHeight);
        if (window->presentedImage.size() != need) window->presentedImage.assign(need, 0xFF000000u);
        for (int y = top; y < bottom; ++y)
            std::fill_n(window->presentedImage.begin() + ptrdiff_t(y) * window->clientWidth + left, right - left,
                        0xFF000000u | hbr->rgb);
        return 1;
    }
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window->sdlWindow || !SDL_GetWindowWMInfo(window->sdlWindow, &info) || info.subsystem != SDL_SYSWM_X11)
        return 0;
    Display* display = info.info.x11.display;
    GC gc = XCreateGC(display, info.info.x11.window, 0, nullptr);
    XSetForeground(display, gc, hbr->rgb);
    XFillRectangle(display, info.info.x11.window, gc, left, top, unsigned(right - left), unsigned(bottom - top));
    XFreeGC(display, gc);
    XFlush(display);
    return 1;
}
