// One OpenGL 3.3 core context: on an SDL window (GLX or EGL, as SDL chooses) or off-screen
// on EGL with no surface at all. Every device owns one; the IDirect3D9 object makes a short
// lived one to learn what the driver offers. Only one context is current at a time per
// thread, and makeCurrent skips the switch when this one already is.
#pragma once

#include <memory>
#include <string>

struct SDL_Window;

class GLContext {
public:
    // Off-screen: EGL's surfaceless platform (Mesa; llvmpipe without a GPU), else EGL's
    // device platform. Null with a reason in *error when neither gives a 3.3 core context.
    static std::unique_ptr<GLContext> createOffscreen(std::string* error);
    // A context on an SDL window made with SDL_WINDOW_OPENGL.
    static std::unique_ptr<GLContext> createForWindow(SDL_Window* window, std::string* error);
    ~GLContext();
    GLContext(const GLContext&) = delete;
    GLContext& operator=(const GLContext&) = delete;

    bool makeCurrent();
    bool isOffscreen() const { return sdlWindow == nullptr; }
    // SDL contexts only: draw into another (compatible) SDL window's default framebuffer, for
    // a Present with a destination-window override. The own window when null.
    bool makeCurrentOnWindow(SDL_Window* window);
    // SDL contexts only: shows the default framebuffer of the window (own one when null)
    // that the context is current on.
    void swapWindow(SDL_Window* window);
    // 0 = immediate, 1 = wait for the retrace. False when the driver has no swap control;
    // never fatal. Off-screen contexts present without waiting, so 0 always succeeds.
    bool setSwapInterval(int interval);

private:
    GLContext() = default;
    SDL_Window* sdlWindow = nullptr;
    void* sdlContext = nullptr;  // SDL_GLContext
    void* eglContext = nullptr;  // EGLContext
};
