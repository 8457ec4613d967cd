// The GL device's life: creation on a window, the reference count, resource creation and
// the teardown that frees every GL object, including those of resources still held by the
// application (they become shells that refuse calls, rather than dangling).
#include "d3d9/gl/GLDevice.h"

#include "d3d9/gl/GLDirect3D9.h"
#include "win32/window/WindowObject.h"

#include <algorithm>

namespace {
bool isPowerOfTwoSampleType(D3DMULTISAMPLE_TYPE type) {
    return type == D3DMULTISAMPLE_NONE || type == D3DMULTISAMPLE_2_SAMPLES || type == D3DMULTISAMPLE_4_SAMPLES ||
           type == D3DMULTISAMPLE_8_SAMPLES;
}

UINT fullMipCount(UINT width, UINT height) {
    UINT levels = 1;
    for (UINT side = std::max(width, height); side > 1; side >>= 1) ++levels;
    return levels;
}

// Keeps a corrupt size from asking GL for gigabytes.
constexpr UINT maxTextureSide = 16384;
constexpr UINT maxBufferBytes = 256u * 1024u * 1024u;
}  // namespace

UINT GLDevice::sampleCountOf(D3DMULTISAMPLE_TYPE type) {
    return type >= D3DMULTISAMPLE_2_SAMPLES && UINT(type) <= 16 ? UINT(type) : 0;
}

GLDevice* GLDevice::create(GLDirect3D9* direct3d, HWND window, D3DPRESENT_PARAMETERS* params, HRESULT* result) {
    *result = D3DERR_INVALIDCALL;
    if (!params || !zarnIsLiveWindow(window)) return nullptr;
    D3DPRESENT_PARAMETERS p = *params;
    zarnUpdateClientSize(window);
    if (p.BackBufferWidth == 0) p.BackBufferWidth = UINT(std::max(1, window->clientWidth));
    if (p.BackBufferHeight == 0) p.BackBufferHeight = UINT(std::max(1, window->clientHeight));
    if (p.BackBufferFormat == D3DFMT_UNKNOWN) p.BackBufferFormat = D3DFMT_X8R8G8B8;
    if (p.BackBufferCount == 0) p.BackBufferCount = 1;
    if (p.BackBufferWidth > maxTextureSide || p.BackBufferHeight > maxTextureSide || p.BackBufferCount > 3 ||
        (p.BackBufferFormat != D3DFMT_X8R8G8B8 && p.BackBufferFormat != D3DFMT_A8R8G8B8) ||
        !isPowerOfTwoSampleType(p.MultiSampleType))
        return nullptr;
    // Direct3D allows multisampling only with the discard swap effect.
    if (p.MultiSampleType != D3DMULTISAMPLE_NONE && p.SwapEffect != D3DSWAPEFFECT_DISCARD) return nullptr;
    if (p.EnableAutoDepthStencil && !glconv::depthFormat(p.AutoDepthStencilFormat, nullptr)) return nullptr;

    auto* device = new GLDevice;
    if (!device->initialise(direct3d, window, p, result)) {
        device->Release();
        return nullptr;
    }
    *params = p;
    *result = D3D_OK;
    return device;
}

bool GLDevice::initialise(GLDirect3D9* d3d, HWND window, const D3DPRESENT_PARAMETERS& p, HRESULT* result) {
    direct3d = d3d;
    direct3d->AddRef();
    deviceWindow = window;
    presentParams = p;
    std::string error;
    if (window->kind == WindowKind::Sdl) {
        // A preview child whose host has gone cannot carry a context; the device then draws
        // off-screen until the close that is already on its way, and presents nothing.
        ZarnWindowHold hold(window);
        context = hold.windowExists() ? GLContext::createForWindow(window->sdlWindow, &error)
                                     : GLContext::createOffscreen(&error);
    } else {
        context = GLContext::createOffscreen(&error);
    }
    if (!context || !context->makeCurrent()) {
        *result = D3DERR_NOTAVAILABLE;
        return false;
    }
    depthFromShader = !glconv::enableZeroToOneDepth();
    std::string log;
    if (!fixedFunction.create(&log)) {
        *result = D3DERR_NOTAVAILABLE;
        return false;
    }
    // The built-in program takes its pixel-centre fix-ups like any effect program.
    const GLuint builtIn = fixedFunction.program();
    programs.resize(size_t(builtIn) + 1);
    programs[builtIn].posFixupLocation = fixedFunction.posFixupLocation();
    glGenVertexArrays(1, &vertexArray);
    cache.bindVertexArray(vertexArray);
    glGenSamplers(samplerCount, samplerObjects);
    for (int unit = 0; unit < samplerCount; ++unit) cache.bindSampler(unit, samplerObjects[unit]);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);

    const UINT samples = sampleCountOf(p.MultiSampleType);
    if (p.EnableAutoDepthStencil) {
        autoDepthSurface = new GLSurface(this, GLSurface::Kind::AutoDepthStencil, p.BackBufferWidth,
                                         p.BackBufferHeight, p.AutoDepthStencilFormat, samples, p.MultiSampleType,
                                         p.MultiSampleQuality);
    }
    depthStencil = autoDepthSurface;
    backBuffer = new GLSurface(this, GLSurface::Kind::BackBuffer, p.BackBufferWidth, p.BackBufferHeight,
                               p.BackBufferFormat, samples, p.MultiSampleType, p.MultiSampleQuality);
    if (!backBuffer->framebuffer()) {
        *result = D3DERR_OUTOFVIDEOMEMORY;
        return false;
    }
    // A driver without swap control keeps its default pacing; that is never fatal.
    context->setSwapInterval(p.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);

    setDefaults();
    renderTarget = backBuffer;
    chooseTargetDepth();
    applyTargetViewport();
    return true;
}

GLDevice::~GLDevice() {
    // A window still showing this device's last picture gets its copy before the GL goes.
    settlePendingWindow();
    if (context && context->makeCurrent()) {
        for (int unit = 0; unit < samplerCount; ++unit)
            if (textures[unit]) textures[unit]->Release();
        for (Stream& s : streams)
            if (s.buffer) s.buffer->Release();
        if (indices) indices->Release();
        if (declaration) declaration->Release();
        if (renderTarget && renderTarget != backBuffer) renderTarget->Release();
        if (depthStencil && depthStencil != autoDepthSurface) depthStencil->Release();
        // What the application still holds loses its GL objects now, while the context lives.
        for (GLDeviceChild* child : std::vector<GLDeviceChild*>(children)) child->releaseGL();
        for (GLSurface* surface : std::vector<GLSurface*>(standaloneSurfaces)) surface->releaseGL();
        for (UINT p = 0; p < programs.size(); ++p)
            if (programs[p].live) glDeleteProgram(p);
        fixedFunction.destroy();
        for (ExtraDepth& d : extraDepths) glDeleteRenderbuffers(1, &d.renderbuffer);
        for (Scratch& s : scratch) {
            glDeleteFramebuffers(1, &s.fbo);
            glDeleteRenderbuffers(1, &s.renderbuffer);
        }
        if (windowFbo) glDeleteFramebuffers(1, &windowFbo);
        if (windowColour) glDeleteRenderbuffers(1, &windowColour);
        if (stretchFbo) glDeleteFramebuffers(1, &stretchFbo);
        if (stretchTexture) glDeleteTextures(1, &stretchTexture);
        if (fragmentQuery) {
            glEndQuery(GL_FRAGMENT_SHADER_INVOCATIONS_ARB);
            glDeleteQueries(1, &fragmentQuery);
        }
        glDeleteSamplers(samplerCount, samplerObjects);
        if (vertexArray) glDeleteVertexArrays(1, &vertexArray);
    }
    if (backBuffer) {
        backBuffer->releaseGL();
        delete backBuffer;
    }
    if (autoDepthSurface) {
        autoDepthSurface->releaseGL();
        delete autoDepthSurface;
    }
    context.reset();
    if (direct3d) direct3d->Release();
}

ULONG GLDevice::AddRef() { return ++refs; }

ULONG GLDevice::Release() {
    const ULONG left = --refs;
    if (left == 0) delete this;
    return left;
}

void GLDevice::registerChild(GLDeviceChild* child) { children.push_back(child); }

void GLDevice::unregisterChild(GLDeviceChild* child) {
    children.erase(std::remove(children.begin(), children.end(), child), children.end());
}

void GLDevice::registerSurface(GLSurface* surface) { standaloneSurfaces.push_back(surface); }

void GLDevice::unregisterSurface(GLSurface* surface) {
    standaloneSurfaces.erase(std::remove(standaloneSurfaces.begin(), standaloneSurfaces.end(), surface),
                             standaloneSurfaces.end());
}

HRESULT GLDevice::GetDirect3D(IDirect3D9** ppD3D9) {
    if (!ppD3D9) return D3DERR_INVALIDCALL;
    direct3d->AddRef();
    *ppD3D9 = direct3d;
    return D3D_OK;
}

HRESULT GLDevice::GetDeviceCaps(D3DCAPS9* pCaps) {
    return direct3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, pCaps);
}

HRESULT GLDevice::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL,
                                IDirect3DTexture9** ppTexture, void*) {
    if (!ppTexture) return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    glconv::TextureFormat layout;
    if (Width == 0 || Height == 0 || Width > maxTextureSide || Height > maxTextureSide ||
        !glconv::textureFormat(Format, &layout))
        return D3DERR_INVALIDCALL;
    if ((Usage & D3DUSAGE_RENDERTARGET) && !layout.renderable) return D3DERR_INVALIDCALL;
    const UINT full = fullMipCount(Width, Height);
    UINT levels = Levels == 0 ? full : std::min(Levels, full);
    if (Usage & D3DUSAGE_AUTOGENMIPMAP) levels = Levels == 0 || Levels == 1 ? full : levels;
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    *ppTexture = new GLTexture(this, GL_TEXTURE_2D, Width, Height, levels, Usage, Format, D3DPOOL_DEFAULT, layout);
    return D3D_OK;
}

HRESULT GLDevice::CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL,
                                    IDirect3DCubeTexture9** ppCubeTexture, void*) {
    if (!ppCubeTexture) return D3DERR_INVALIDCALL;
    *ppCubeTexture = nullptr;
    glconv::TextureFormat layout;
    if (EdgeLength == 0 || EdgeLength > maxTextureSide || !glconv::textureFormat(Format, &layout))
        return D3DERR_INVALIDCALL;
    if ((Usage & D3DUSAGE_RENDERTARGET) && !layout.renderable) return D3DERR_INVALIDCALL;
    const UINT full = fullMipCount(EdgeLength, EdgeLength);
    const UINT levels = Levels == 0 ? full : std::min(Levels, full);
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    *ppCubeTexture =
        new GLCubeTexture(this, GL_TEXTURE_CUBE_MAP, EdgeLength, EdgeLength, levels, Usage, Format, D3DPOOL_DEFAULT, layout);
    return D3D_OK;
}

HRESULT GLDevice::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                     IDirect3DVertexBuffer9** ppVertexBuffer, void*) {
    if (!ppVertexBuffer) return D3DERR_INVALIDCALL;
    *ppVertexBuffer = nullptr;
    if (Length == 0 || Length > maxBufferBytes) return D3DERR_INVALIDCALL;
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    *ppVertexBuffer = new GLVertexBuffer(this, Length, Usage, FVF, Pool);
    return D3D_OK;
}

HRESULT GLDevice::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                    IDirect3DIndexBuffer9** ppIndexBuffer, void*) {
    if (!ppIndexBuffer) return D3DERR_INVALIDCALL;
    *ppIndexBuffer = nullptr;
    if (Length == 0 || Length > maxBufferBytes || (Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32))
        return D3DERR_INVALIDCALL;
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    *ppIndexBuffer = new GLIndexBuffer(this, Length, Usage, Format, Pool);
    return D3D_OK;
}

HRESULT GLDevice::CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                     DWORD MultisampleQuality, BOOL, IDirect3DSurface9** ppSurface, void*) {
    if (!ppSurface) return D3DERR_INVALIDCALL;
    *ppSurface = nullptr;
    glconv::TextureFormat layout;
    if (!glconv::textureFormat(Format, &layout) || !layout.renderable) return D3DERR_INVALIDCALL;
    return createStandaloneSurface(GLSurface::Kind::RenderTarget, layout.internalFormat, Width, Height, Format,
                                   MultiSample, MultisampleQuality, ppSurface);
}

HRESULT GLDevice::CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                            D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality, BOOL,
                                            IDirect3DSurface9** ppSurface, void*) {
    if (!ppSurface) return D3DERR_INVALIDCALL;
    *ppSurface = nullptr;
    GLenum internalFormat = 0;
    if (!glconv::depthFormat(Format, &internalFormat)) return D3DERR_INVALIDCALL;
    return createStandaloneSurface(GLSurface::Kind::DepthStencil, internalFormat, Width, Height, Format, MultiSample,
                                   MultisampleQuality, ppSurface);
}

HRESULT GLDevice::createStandaloneSurface(GLSurface::Kind kind, GLenum internalFormat, UINT width, UINT height,
                                          D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample, DWORD quality,
                                          IDirect3DSurface9** ppSurface) {
    if (width == 0 || height == 0 || width > maxTextureSide || height > maxTextureSide ||
        !isPowerOfTwoSampleType(multiSample))
        return D3DERR_INVALIDCALL;
    const UINT samples = sampleCountOf(multiSample);
    if (samples && !direct3d->supportsSamples(internalFormat, samples)) return D3DERR_NOTAVAILABLE;
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    auto* surface = new GLSurface(this, kind, width, height, format, samples, multiSample, quality);
    if (!surface->framebuffer()) {
        surface->Release();
        return D3DERR_NOTAVAILABLE;
    }
    *ppSurface = surface;
    return D3D_OK;
}

HRESULT GLDevice::CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements,
                                          IDirect3DVertexDeclaration9** ppDecl) {
    if (!ppDecl) return D3DERR_INVALIDCALL;
    *ppDecl = GLVertexDeclaration::create(pVertexElements);
    return *ppDecl ? D3D_OK : D3DERR_INVALIDCALL;
}

BOOL GLDevice::SupportsRequirement(const char* requirement) {
    if (!requirement) return FALSE;
    const std::string name = requirement;
    return name == "glsl330" ? TRUE : FALSE;
}
