// A window's icon from its class. Icon resources are PNG files (see ZarnResources.h); SDL
// hands the picture to the window manager as the window's icon (_NET_WM_ICON under X).
#include "d3dx9/D3DXTextureImage.h"
#include "win32/window/WindowObject.h"
#include "ZarnResources.h"

#include <SDL.h>

#include <string>
#include <vector>

void zarnSetWindowIcon(HWND window, HICON icon) {
    if (!zarnIsLiveWindow(window) || window->kind != WindowKind::Sdl || !window->sdlWindow) return;
    const WORD id = ZarnIconResourceId(icon);
    const char* path = id ? ZarnImageResourcePath(id, true) : nullptr;
    if (!path) return;
    std::vector<uint8_t> file;
    d3dxtexture::Image image;
    std::string reason;
    if (!d3dxtexture::readFile(path, &file) || !d3dxtexture::decodeImage(file.data(), file.size(), &image, &reason))
        return;
    // The decoder keeps Direct3D's byte order: B, G, R, A.
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(image.bgra.data(), int(image.width), int(image.height),
                                                              32, int(image.width * 4), SDL_PIXELFORMAT_BGRA32);
    if (!surface) return;
    SDL_SetWindowIcon(window->sdlWindow, surface);
    SDL_FreeSurface(surface);
}
