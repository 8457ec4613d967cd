// The adapter and its answers. Multisample answers come from the driver per format
// (llvmpipe, for one, offers 4 samples but not 2), except on a software rasteriser: there
// every sample is shaded and resolved on the CPU, which more than doubles the cost of a
// frame, so the adapter declines multisampling the way a Direct3D driver may, and the saver
// runs unaliased at full speed. ZARN_FORCE_MULTISAMPLING=1 restores the driver's answers.
// Presentation intervals from whether swap
// control really works on the display (SDL's GLX path under Xvfb has none; off-screen
// presentation never waits, so "immediate" always holds there). Without a display the one
// display mode is the size of the newest off-screen window.
#include "d3d9/gl/GLDirect3D9.h"

#include "d3d9/ZarnDirect3DFactory.h"
#include "d3d9/gl/GLContext.h"
#include "d3d9/gl/GLConventions.h"
#include "d3d9/gl/GLDevice.h"
#include "win32/ZarnOffscreen.h"
#include "win32/window/SdlVideo.h"
#include "win32/window/WindowObject.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

uint32_t sampleMask(GLenum internalFormat, GLint maxSamples) {
    uint32_t mask = 0;
    if (epoxy_gl_version() >= 42 || epoxy_has_gl_extension("GL_ARB_internalformat_query")) {
        GLint count = 0;
        glGetInternalformativ(GL_RENDERBUFFER, internalFormat, GL_NUM_SAMPLE_COUNTS, 1, &count);
        if (count > 0 && count <= 32) {
            GLint counts[32] = {};
            glGetInternalformativ(GL_RENDERBUFFER, internalFormat, GL_SAMPLES, count, counts);
            for (GLint i = 0; i < count; ++i)
                if (counts[i] > 0 && counts[i] < 32) mask |= 1u << counts[i];
        }
        return mask;
    }
    for (GLint n = 2; n <= maxSamples && n < 32; n *= 2) mask |= 1u << n;
    return mask;
}

void copyText(char* out, size_t size, const std::string& text) {
    std::snprintf(out, size, "%s", text.c_str());
}

bool isBackBufferFormat(D3DFORMAT f) { return f == D3DFMT_X8R8G8B8 || f == D3DFMT_A8R8G8B8; }

bool multisamplingForced() {
    const char* value = std::getenv("ZARN_FORCE_MULTISAMPLING");
    return value && std::strcmp(value, "1") == 0;
}

}  // namespace

bool zarnIsSoftwareRenderer(const std::string& renderer) {
    for (const char* name : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"})
        if (renderer.find(name) != std::string::npos) return true;
    return false;
}

GLDirect3D9* GLDirect3D9::create() {
    auto* d3d = new GLDirect3D9;
    const bool display = SDL_WasInit(SDL_INIT_VIDEO) != 0;
    if (d3d->probe(display) || (display && d3d->probe(false))) return d3d;
    delete d3d;
    return nullptr;
}

bool GLDirect3D9::probe(bool onDisplay) {
    std::string error;
    HWND window = nullptr;
    std::unique_ptr<GLContext> context;
    if (onDisplay) {
        window = zarnCreateSdlWindow("", 0, 0, 16, 16, SDL_WINDOW_HIDDEN);
        if (window) context = GLContext::createForWindow(window->sdlWindow, &error);
    } else {
        context = GLContext::createOffscreen(&error);
    }
    const bool ok = context && context->makeCurrent();
    if (ok) {
        hasDisplay = onDisplay;
        const char* r = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        const char* v = reinterpret_cast<const char*>(glGetString(GL_VERSION));
        renderer = r ? r : "OpenGL";
        version = v ? v : "";
        GLint size = 0, maxSamples = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
        glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
        if (size > 0) maxTextureSize = DWORD(size);
        colourSamples = sampleMask(GL_RGBA8, maxSamples);
        halfFloatSamples = sampleMask(GL_R16F, maxSamples);
        depthSamples = sampleMask(GL_DEPTH_COMPONENT16, maxSamples);
        softwareRenderer = zarnIsSoftwareRenderer(renderer);
        declineMultisampling = softwareRenderer && !multisamplingForced();
        swapControl = context->setSwapInterval(0);
        if (swapControl) context->setSwapInterval(1);
    }
    context.reset();
    if (window) ZarnDestroyWindow(window);
    return ok;
}

ULONG GLDirect3D9::Release() {
    const ULONG left = --refs;
    if (left == 0) delete this;
    return left;
}

bool GLDirect3D9::supportsSamples(GLenum internalFormat, UINT samples) const {
    if (samples == 0) return true;
    if (samples >= 32) return false;
    uint32_t mask = colourSamples;
    if (internalFormat == GL_R16F || internalFormat == GL_R32F || internalFormat == GL_RGBA16F) mask = halfFloatSamples;
    if (internalFormat == GL_DEPTH_COMPONENT16 || internalFormat == GL_DEPTH_COMPONENT24 ||
        internalFormat == GL_DEPTH24_STENCIL8)
        mask = depthSamples;
    return (mask >> samples) & 1u;
}

HRESULT GLDirect3D9::GetAdapterIdentifier(UINT Adapter, DWORD, D3DADAPTER_IDENTIFIER9* pIdentifier) {
    if (Adapter != 0 || !pIdentifier) return D3DERR_INVALIDCALL;
    std::memset(pIdentifier, 0, sizeof(*pIdentifier));
    copyText(pIdentifier->Driver, sizeof(pIdentifier->Driver), "OpenGL " + version);
    copyText(pIdentifier->Description, sizeof(pIdentifier->Description), renderer);
    copyText(pIdentifier->DeviceName, sizeof(pIdentifier->DeviceName), "DISPLAY1");
    return D3D_OK;
}

void GLDirect3D9::collectModes(D3DDISPLAYMODE* modes, UINT* count, UINT capacity) const {
    *count = 0;
    if (!hasDisplay || !SDL_WasInit(SDL_INIT_VIDEO)) {
        int w = 0, h = 0;
        zarnOffscreenDesktopSize(&w, &h);
        if (capacity > 0) modes[0] = {UINT(w), UINT(h), 60, D3DFMT_X8R8G8B8};
        *count = 1;
        return;
    }
    const int n = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < n; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
        const D3DDISPLAYMODE m = {UINT(mode.w), UINT(mode.h), UINT(mode.refresh_rate), D3DFMT_X8R8G8B8};
        bool seen = false;
        for (UINT k = 0; k < *count && k < capacity; ++k)
            seen = seen || (modes[k].Width == m.Width && modes[k].Height == m.Height &&
                            modes[k].RefreshRate == m.RefreshRate);
        if (seen) continue;
        if (*count < capacity) modes[*count] = m;
        ++*count;
    }
}

UINT GLDirect3D9::GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) {
    if (Adapter != 0 || Format != D3DFMT_X8R8G8B8) return 0;
    D3DDISPLAYMODE modes[256];
    UINT count = 0;
    collectModes(modes, &count, 256);
    return count < 256 ? count : 256;
}

HRESULT GLDirect3D9::EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode) {
    if (Adapter != 0 || !pMode) return D3DERR_INVALIDCALL;
    if (Format != D3DFMT_X8R8G8B8) return D3DERR_NOTAVAILABLE;
    D3DDISPLAYMODE modes[256];
    UINT count = 0;
    collectModes(modes, &count, 256);
    if (Mode >= count || Mode >= 256) return D3DERR_INVALIDCALL;
    *pMode = modes[Mode];
    return D3D_OK;
}

HRESULT GLDirect3D9::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) {
    if (Adapter != 0 || !pMode) return D3DERR_INVALIDCALL;
    SDL_DisplayMode mode;
    int w = 0, h = 0;
    // In the screen's own pixels, as the screen metrics are (a scaled Wayland output's).
    if (hasDisplay && SDL_WasInit(SDL_INIT_VIDEO) && SDL_GetDesktopDisplayMode(0, &mode) == 0 &&
        zarnDisplayPixelSize(0, &w, &h)) {
        *pMode = {UINT(w), UINT(h), UINT(mode.refresh_rate), D3DFMT_X8R8G8B8};
        return D3D_OK;
    }
    zarnOffscreenDesktopSize(&w, &h);
    *pMode = {UINT(w), UINT(h), 60, D3DFMT_X8R8G8B8};
    return D3D_OK;
}

HRESULT GLDirect3D9::CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat,
                                     D3DFORMAT BackBufferFormat, BOOL) {
    if (Adapter != 0) return D3DERR_INVALIDCALL;
    if (DevType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    if (AdapterFormat != D3DFMT_X8R8G8B8 || !isBackBufferFormat(BackBufferFormat)) return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT GLDirect3D9::CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, DWORD Usage,
                                       D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) {
    if (Adapter != 0) return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL || AdapterFormat != D3DFMT_X8R8G8B8) return D3DERR_NOTAVAILABLE;
    if (Usage & D3DUSAGE_DEPTHSTENCIL)
        return RType == D3DRTYPE_SURFACE && glconv::depthFormat(CheckFormat, nullptr) ? D3D_OK : D3DERR_NOTAVAILABLE;
    if (RType != D3DRTYPE_TEXTURE && RType != D3DRTYPE_CUBETEXTURE && RType != D3DRTYPE_SURFACE)
        return D3DERR_NOTAVAILABLE;
    glconv::TextureFormat layout;
    if (!glconv::textureFormat(CheckFormat, &layout)) return D3DERR_NOTAVAILABLE;
    if ((Usage & D3DUSAGE_RENDERTARGET) && !layout.renderable) return D3DERR_NOTAVAILABLE;
    // Blending after the pixel shader is what GL does on every 8-bit colour target.
    if ((Usage & D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING) && !isBackBufferFormat(CheckFormat))
        return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT GLDirect3D9::CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat, BOOL,
                                                D3DMULTISAMPLE_TYPE MultiSampleType, DWORD* pQualityLevels) {
    if (pQualityLevels) *pQualityLevels = 0;
    if (Adapter != 0) return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    GLenum internalFormat = 0;
    glconv::TextureFormat layout;
    if (glconv::textureFormat(SurfaceFormat, &layout) && layout.renderable) internalFormat = layout.internalFormat;
    else if (!glconv::depthFormat(SurfaceFormat, &internalFormat)) return D3DERR_NOTAVAILABLE;
    if (MultiSampleType == D3DMULTISAMPLE_NONE) {
        if (pQualityLevels) *pQualityLevels = 1;
        return D3D_OK;
    }
    if (declineMultisampling) return D3DERR_NOTAVAILABLE;
    const UINT samples = GLDevice::sampleCountOf(MultiSampleType);
    if (!samples || !supportsSamples(internalFormat, samples)) return D3DERR_NOTAVAILABLE;
    if (pQualityLevels) *pQualityLevels = 1;
    return D3D_OK;
}

HRESULT GLDirect3D9::CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                            D3DFORMAT RenderTargetFormat, D3DFORMAT DepthStencilFormat) {
    if (Adapter != 0) return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL || AdapterFormat != D3DFMT_X8R8G8B8) return D3DERR_NOTAVAILABLE;
    glconv::TextureFormat layout;
    if (!glconv::textureFormat(RenderTargetFormat, &layout) || !layout.renderable) return D3DERR_NOTAVAILABLE;
    return glconv::depthFormat(DepthStencilFormat, nullptr) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT GLDirect3D9::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) {
    if (Adapter != 0 || !pCaps) return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    std::memset(pCaps, 0, sizeof(*pCaps));
    pCaps->DeviceType = D3DDEVTYPE_HAL;
    pCaps->AdapterOrdinal = 0;
    pCaps->PresentationIntervals = DWORD(D3DPRESENT_INTERVAL_ONE) | (swapControl ? DWORD(D3DPRESENT_INTERVAL_IMMEDIATE) : 0);
    pCaps->DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
    pCaps->MaxTextureWidth = maxTextureSize;
    pCaps->MaxTextureHeight = maxTextureSize;
    pCaps->MaxActiveLights = 8;
    pCaps->MaxStreams = 2;
    pCaps->VertexShaderVersion = 0xFFFE0300;  // D3DVS_VERSION(3, 0)
    pCaps->PixelShaderVersion = 0xFFFF0300;   // D3DPS_VERSION(3, 0)
    pCaps->NumSimultaneousRTs = 1;
    return D3D_OK;
}

HRESULT GLDirect3D9::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD,
                                  D3DPRESENT_PARAMETERS* pPresentationParameters,
                                  IDirect3DDevice9** ppReturnedDeviceInterface) {
    if (!ppReturnedDeviceInterface) return D3DERR_INVALIDCALL;
    *ppReturnedDeviceInterface = nullptr;
    if (Adapter != 0 || !pPresentationParameters) return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    HWND window = pPresentationParameters->hDeviceWindow ? pPresentationParameters->hDeviceWindow : hFocusWindow;
    const UINT samples = GLDevice::sampleCountOf(pPresentationParameters->MultiSampleType);
    if (samples && !supportsSamples(GL_RGBA8, samples)) return D3DERR_NOTAVAILABLE;
    HRESULT result = D3DERR_INVALIDCALL;
    GLDevice* device = GLDevice::create(this, window, pPresentationParameters, &result);
    *ppReturnedDeviceInterface = device;
    return device ? D3D_OK : result;
}

IDirect3D9* ZarnCreateGLDirect3D9(UINT) { return GLDirect3D9::create(); }
