// SDL windows that a Direct3D device can present into: every one carries an OpenGL 3.3 core
// surface, at the pixels of the output it shows on. The picture is drawn into off-screen framebuffers and blitted in at Present, so
// the window itself needs neither depth nor multisampling.
#include "win32/messages/XDisplayConnection.h"
#include "win32/window/SdlVideo.h"
#include "win32/window/WindowObject.h"
#include "win32/window/WindowRegistry.h"

#include <SDL.h>

#include <cstdio>
#include <string>

HWND zarnCreateSdlWindow(const char* title, int x, int y, int width, int height, uint32_t sdlFlags) {
    if (width <= 0 || height <= 0) return nullptr;
    if (!zarnStartSdlVideo()) {
        // Win32 would answer GetLastError here; the console is where a user can see why.
        std::fprintf(stderr, "Cannot open the display: %s\n", SDL_GetError());
        return nullptr;
    }

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);

    // On a scaled Wayland output the surface is drawn at the output's own pixels (its client
    // size, the GL drawable, is in them), never at the compositor's logical size and then
    // stretched. Under X SDL has no such scale: the window is the X window's pixels already.
    if (zarnSdlVideoIsWayland()) sdlFlags |= SDL_WINDOW_ALLOW_HIGHDPI;
    SDL_Window* sdlWindow =
        SDL_CreateWindow(title ? title : "", x, y, width, height, SDL_WINDOW_OPENGL | sdlFlags);
    if (!sdlWindow) {
        std::fprintf(stderr, "Cannot create a window: %s\n", SDL_GetError());
        return nullptr;
    }
    // The saver reads keys, never text: no input method may sit between them, nor open its
    // window over the clock. SDL starts text input with its video; stop it.
    SDL_StopTextInput();

    // SDL has set up its X error handling by now; ours replaces it (see XDisplayConnection).
    if (const char* driver = SDL_GetCurrentVideoDriver(); driver && std::string(driver) == "x11")
        zarnInstallXErrorHandlers();

    HWND window = new HWND__;
    window->kind = WindowKind::Sdl;
    window->sdlWindow = sdlWindow;
    window->title = title ? title : "";
    window->clientWidth = width;
    window->clientHeight = height;
    zarnRegisterWindow(window);
    zarnUpdateClientSize(window);
    return window;
}
