// Context creation on SDL and EGL. The EGL display is opened once per process and kept: EGL
// displays are shared by every context, and terminating one under a live context is unsafe.
// The display comes from eglGetPlatformDisplayEXT, since libepoxy refuses the core
// eglGetPlatformDisplay entry point on the Mesa this runs on.
#include "d3d9/gl/GLContext.h"

#include <SDL.h>
#include <epoxy/egl.h>

#include <cstring>

namespace {
GLContext* currentContext = nullptr;

struct EglState {
    bool tried = false;
    EGLDisplay display = EGL_NO_DISPLAY;
    std::string error;
};

bool hasExtension(const char* list, const char* name) {
    if (!list || !name) return false;
    const size_t length = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += length) {
        const bool startsWord = p == list || p[-1] == ' ';
        const bool endsWord = p[length] == ' ' || p[length] == '\0';
        if (startsWord && endsWord) return true;
    }
    return false;
}

EGLDisplay openDisplay(EGLenum platform, void* native) {
    EGLDisplay display = eglGetPlatformDisplayEXT(platform, native, nullptr);
    if (display == EGL_NO_DISPLAY) return EGL_NO_DISPLAY;
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor)) return EGL_NO_DISPLAY;
    return display;
}

EglState& eglState() {
    static EglState state;
    if (state.tried) return state;
    state.tried = true;
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!hasExtension(clientExtensions, "EGL_EXT_platform_base")) {
        state.error = "EGL has no platform displays (EGL_EXT_platform_base)";
        return state;
    }
    if (hasExtension(clientExtensions, "EGL_MESA_platform_surfaceless"))
        state.display = openDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY);
    if (state.display == EGL_NO_DISPLAY && hasExtension(clientExtensions, "EGL_EXT_platform_device") &&
        hasExtension(clientExtensions, "EGL_EXT_device_enumeration")) {
        EGLDeviceEXT devices[8];
        EGLint count = 0;
        if (eglQueryDevicesEXT(8, devices, &count))
            for (EGLint i = 0; i < count && state.display == EGL_NO_DISPLAY; ++i)
                state.display = openDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i]);
    }
    if (state.display == EGL_NO_DISPLAY) state.error = "no surfaceless or device EGL display could be opened";
    return state;
}
}  // namespace

std::unique_ptr<GLContext> GLContext::createOffscreen(std::string* error) {
    EglState& egl = eglState();
    if (egl.display == EGL_NO_DISPLAY) {
        if (error) *error = egl.error;
        return nullptr;
    }
    const char* extensions = eglQueryString(egl.display, EGL_EXTENSIONS);
    if (!hasExtension(extensions, "EGL_KHR_surfaceless_context")) {
        if (error) *error = "EGL display lacks EGL_KHR_surfaceless_context";
        return nullptr;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        if (error) *error = "EGL cannot bind the desktop OpenGL API";
        return nullptr;
    }
    EGLConfig config = EGL_NO_CONFIG_KHR;
    if (!hasExtension(extensions, "EGL_KHR_no_config_context")) {
        const EGLint wanted[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
        EGLint count = 0;
        if (!eglChooseConfig(egl.display, wanted, &config, 1, &count) || count < 1) {
            if (error) *error = "EGL offers no desktop OpenGL configuration";
            return nullptr;
        }
    }
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(egl.display, config, EGL_NO_CONTEXT, attributes);
    if (context == EGL_NO_CONTEXT) {
        if (error) *error = "EGL refused an OpenGL 3.3 core context";
        return nullptr;
    }
    std::unique_ptr<GLContext> result(new GLContext);
    result->eglContext = context;
    return result;
}

std::unique_ptr<GLContext> GLContext::createForWindow(SDL_Window* window, std::string* error) {
    if (!window) {
        if (error) *error = "no window";
        return nullptr;
    }
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        if (error) *error = SDL_GetError();
        return nullptr;
    }
    // SDL made it current behind our back.
    std::unique_ptr<GLContext> result(new GLContext);
    result->sdlWindow = window;
    result->sdlContext = context;
    currentContext = result.get();
    return result;
}

GLContext::~GLContext() {
    if (currentContext == this) currentContext = nullptr;
    if (sdlContext) {
        SDL_GL_MakeCurrent(sdlWindow, nullptr);
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(sdlContext));
    }
    if (eglContext) {
        EGLDisplay display = eglState().display;
        if (eglGetCurrentContext() == static_cast<EGLContext>(eglContext))
            eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display, static_cast<EGLContext>(eglContext));
    }
}

bool GLContext::makeCurrent() {
    if (currentContext == this) return true;
    bool ok;
    if (sdlContext) {
        // An EGL context left current would otherwise shadow the SDL one for libepoxy.
        if (eglGetCurrentContext() != EGL_NO_CONTEXT)
            eglMakeCurrent(eglState().display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        ok = SDL_GL_MakeCurrent(sdlWindow, static_cast<SDL_GLContext>(sdlContext)) == 0;
    } else {
        eglBindAPI(EGL_OPENGL_API);
        ok = eglMakeCurrent(eglState().display, EGL_NO_SURFACE, EGL_NO_SURFACE,
                            static_cast<EGLContext>(eglContext)) == EGL_TRUE;
    }
    currentContext = ok ? this : nullptr;
    return ok;
}

bool GLContext::makeCurrentOnWindow(SDL_Window* window) {
    if (!sdlContext) return false;
    if (!window || window == sdlWindow) return makeCurrent();
    // Another window's default framebuffer: the next makeCurrent must switch back.
    currentContext = nullptr;
    return SDL_GL_MakeCurrent(window, static_cast<SDL_GLContext>(sdlContext)) == 0;
}

void GLContext::swapWindow(SDL_Window* window) {
    if (sdlContext) SDL_GL_SwapWindow(window ? window : sdlWindow);
}

bool GLContext::setSwapInterval(int interval) {
    // Off-screen presentation copies into memory and never waits, whatever was asked.
    if (!sdlContext) return true;
    if (!makeCurrent()) return false;
    return SDL_GL_SetSwapInterval(interval) == 0;
}
