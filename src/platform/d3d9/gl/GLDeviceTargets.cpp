// Render targets, viewports, depth buffers, StretchRect and Present. All framebuffers hold
// their images top row first (see GLConventions.h), so rectangles pass between surfaces
// unchanged and only the blit into an on-screen window flips.
#include "d3d9/gl/GLDevice.h"

#include "d3d9/gl/GLDirect3D9.h"
#include "win32/window/WindowObject.h"

namespace {
bool rectInside(const RECT& r, UINT width, UINT height) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= LONG(width) &&
           r.bottom <= LONG(height);
}
}  // namespace

void GLDevice::applyTargetViewport() {
    D3DVIEWPORT9 full{0, 0, renderTarget->width(), renderTarget->height(), 0.0f, 1.0f};
    SetViewport(&full);
}

HRESULT GLDevice::SetViewport(const D3DVIEWPORT9* pViewport) {
    if (!pViewport || !renderTarget) return D3DERR_INVALIDCALL;
    const D3DVIEWPORT9& v = *pViewport;
    if (v.Width == 0 || v.Height == 0 || uint64_t(v.X) + v.Width > renderTarget->width() ||
        uint64_t(v.Y) + v.Height > renderTarget->height() || !(v.MinZ >= 0.0f && v.MinZ <= 1.0f) ||
        !(v.MaxZ >= 0.0f && v.MaxZ <= 1.0f))
        return D3DERR_INVALIDCALL;
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    if (v.Width != viewport.Width || v.Height != viewport.Height) ++fixupVersion;
    viewport = v;
    // Window y and Direct3D's screen y coincide on our upside-down framebuffers.
    cache.setViewport(GLint(v.X), GLint(v.Y), GLsizei(v.Width), GLsizei(v.Height));
    cache.setDepthRange(v.MinZ, v.MaxZ);
    return D3D_OK;
}

HRESULT GLDevice::GetViewport(D3DVIEWPORT9* pViewport) {
    if (!pViewport) return D3DERR_INVALIDCALL;
    *pViewport = viewport;
    return D3D_OK;
}

HRESULT GLDevice::SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) {
    if (RenderTargetIndex != 0 || !pRenderTarget) return D3DERR_INVALIDCALL;
    auto* surface = dynamic_cast<GLSurface*>(pRenderTarget);
    if (!surface || surface->device() != this) return D3DERR_INVALIDCALL;
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    if (!surface->framebuffer()) return D3DERR_INVALIDCALL;
    if (surface != renderTarget) {
        if (surface != backBuffer) surface->AddRef();
        GLSurface* previous = renderTarget;
        renderTarget = surface;
        if (previous && previous != backBuffer) previous->Release();
    }
    chooseTargetDepth();
    applyTargetViewport();
    return D3D_OK;
}

HRESULT GLDevice::GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) {
    if (!ppRenderTarget) return D3DERR_INVALIDCALL;
    *ppRenderTarget = nullptr;
    if (RenderTargetIndex != 0) return D3DERR_INVALIDCALL;
    if (!renderTarget) return D3DERR_NOTFOUND;
    renderTarget->AddRef();
    *ppRenderTarget = renderTarget;
    return D3D_OK;
}

HRESULT GLDevice::SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) {
    GLSurface* surface = nullptr;
    if (pNewZStencil) {
        surface = dynamic_cast<GLSurface*>(pNewZStencil);
        if (!surface || surface->device() != this || !surface->isDepthStencil()) return D3DERR_INVALIDCALL;
    }
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    if (surface != depthStencil) {
        if (surface && surface != autoDepthSurface) surface->AddRef();
        GLSurface* previous = depthStencil;
        depthStencil = surface;
        if (previous && previous != autoDepthSurface) previous->Release();
    }
    chooseTargetDepth();
    return D3D_OK;
}

HRESULT GLDevice::GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) {
    if (!ppZStencilSurface) return D3DERR_INVALIDCALL;
    *ppZStencilSurface = nullptr;
    if (!depthStencil) return D3DERR_NOTFOUND;
    depthStencil->AddRef();
    *ppZStencilSurface = depthStencil;
    return D3D_OK;
}

void GLDevice::chooseTargetDepth() {
    GLuint depth = 0;
    if (depthStencil == autoDepthSurface)
        depth = renderTarget ? depthBufferFor(renderTarget->width(), renderTarget->height(), renderTarget->samples()) : 0;
    else if (depthStencil)
        depth = depthStencil->renderbufferName();
    if (depth != targetDepth) renderStatesDirty = true;
    targetDepth = depth;
}

GLuint GLDevice::bindTargetFramebuffer() {
    const GLuint fbo = renderTarget ? renderTarget->framebuffer() : 0;
    if (!fbo) return 0;
    cache.bindDrawFramebuffer(fbo);
    if (renderTarget->depthAttachment() != targetDepth && !renderTarget->attachDepth(targetDepth)) return 0;
    return fbo;
}

GLuint GLDevice::depthBufferFor(UINT width, UINT height, UINT samples) {
    if (!autoDepthSurface) return 0;
    if (samples == autoDepthSurface->samples() && width <= autoDepthSurface->width() &&
        height <= autoDepthSurface->height())
        return autoDepthSurface->renderbufferName();
    // A target the automatic buffer cannot serve (larger, or sampled differently) gets a
    // buffer of its own; each size is made once and kept.
    for (const ExtraDepth& d : extraDepths)
        if (d.width == width && d.height == height && d.samples == samples) return d.renderbuffer;
    GLenum format = GL_DEPTH_COMPONENT16;
    glconv::depthFormat(presentParams.AutoDepthStencilFormat, &format);
    GLuint renderbuffer = 0;
    glGenRenderbuffers(1, &renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    if (samples)
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, GLsizei(samples), format, GLsizei(width), GLsizei(height));
    else
        glRenderbufferStorage(GL_RENDERBUFFER, format, GLsizei(width), GLsizei(height));
    extraDepths.push_back({width, height, samples, renderbuffer});
    return renderbuffer;
}

GLuint GLDevice::scratchFramebuffer(UINT width, UINT height, GLenum internalFormat) {
    for (const Scratch& s : scratch)
        if (s.width == width && s.height == height && s.format == internalFormat) return s.fbo;
    Scratch s{width, height, internalFormat, 0, 0};
    glGenRenderbuffers(1, &s.renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, s.renderbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, internalFormat, GLsizei(width), GLsizei(height));
    glGenFramebuffers(1, &s.fbo);
    cache.bindDrawFramebuffer(s.fbo);
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, s.renderbuffer);
    scratch.push_back(s);
    return s.fbo;
}

GLuint GLDevice::readableFramebuffer(GLSurface* surface) {
    const GLuint fbo = surface->framebuffer();
    if (!fbo || surface->samples() == 0) return fbo;
    glconv::TextureFormat layout;
    glconv::textureFormat(surface->format(), &layout);
    const GLuint resolved = scratchFramebuffer(surface->width(), surface->height(), layout.internalFormat);
    const GLint w = GLint(surface->width()), h = GLint(surface->height());
    cache.bindReadFramebuffer(fbo);
    cache.bindDrawFramebuffer(resolved);
    glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    return resolved;
}

HRESULT GLDevice::StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                              IDirect3DSurface9* pDestSurface, const RECT* pDestRect, D3DTEXTUREFILTERTYPE Filter) {
    auto* source = dynamic_cast<GLSurface*>(pSourceSurface);
    auto* dest = dynamic_cast<GLSurface*>(pDestSurface);
    if (!source || !dest || source == dest || source->device() != this || dest->device() != this)
        return D3DERR_INVALIDCALL;
    if (source->isDepthStencil() || dest->isDepthStencil()) return copyDepth(source, pSourceRect, dest, pDestRect);
    const RECT sr = pSourceRect ? *pSourceRect : RECT{0, 0, LONG(source->width()), LONG(source->height())};
    const RECT dr = pDestRect ? *pDestRect : RECT{0, 0, LONG(dest->width()), LONG(dest->height())};
    if (!rectInside(sr, source->width(), source->height()) || !rectInside(dr, dest->width(), dest->height()))
        return D3DERR_INVALIDCALL;
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    const GLuint destFbo = dest->framebuffer();
    if (!destFbo || !source->framebuffer()) return D3DERR_INVALIDCALL;
    const bool sameSize = sr.right - sr.left == dr.right - dr.left && sr.bottom - sr.top == dr.bottom - dr.top;
    // A multisampled source resolves straight into an equally sized rectangle of a
    // single-sampled destination; anything else goes through a resolved copy first.
    GLuint readFbo = source->framebuffer();
    if (source->samples() && (!sameSize || dest->samples())) readFbo = readableFramebuffer(source);
    cache.setScissor(false, 0, 0, 0, 0);
    cache.setColorMask(true, true, true, true);
    renderStatesDirty = true;
    cache.bindReadFramebuffer(readFbo);
    cache.bindDrawFramebuffer(destFbo);
    glBlitFramebuffer(sr.left, sr.top, sr.right, sr.bottom, dr.left, dr.top, dr.right, dr.bottom,
                      GL_COLOR_BUFFER_BIT, Filter == D3DTEXF_LINEAR && !sameSize ? GL_LINEAR : GL_NEAREST);
    if (dest->container()) dest->container()->markWritten();
    return D3D_OK;
}

HRESULT GLDevice::copyDepth(GLSurface* source, const RECT* sourceRect, GLSurface* dest, const RECT* destRect) {
    // Direct3D copies depth only whole, between equal single-sampled surfaces, and outside a
    // scene.
    if (!source->isDepthStencil() || !dest->isDepthStencil() || sourceRect || destRect || inScene ||
        source->width() != dest->width() || source->height() != dest->height() ||
        source->format() != dest->format() || source->samples() || dest->samples())
        return D3DERR_INVALIDCALL;
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    const GLuint readFbo = source->framebuffer(), drawFbo = dest->framebuffer();
    if (!readFbo || !drawFbo) return D3DERR_INVALIDCALL;
    GLbitfield mask = GL_DEPTH_BUFFER_BIT;
    if (source->format() == D3DFMT_D24S8) mask |= GL_STENCIL_BUFFER_BIT;
    cache.setScissor(false, 0, 0, 0, 0);
    cache.setDepthMask(true);
    renderStatesDirty = true;
    cache.bindReadFramebuffer(readFbo);
    cache.bindDrawFramebuffer(drawFbo);
    const GLint w = GLint(source->width()), h = GLint(source->height());
    glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, mask, GL_NEAREST);
    return D3D_OK;
}

HRESULT GLDevice::Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride, const void*) {
    HWND window = hDestWindowOverride ? hDestWindowOverride : deviceWindow;
    if (!zarnIsLiveWindow(window)) return D3DERR_INVALIDCALL;
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    zarnUpdateClientSize(window);
    const UINT windowWidth = UINT(window->clientWidth), windowHeight = UINT(window->clientHeight);
    const RECT sr = pSourceRect ? *pSourceRect
                                : RECT{0, 0, LONG(backBuffer->width()), LONG(backBuffer->height())};
    const RECT dr = pDestRect ? *pDestRect : RECT{0, 0, LONG(windowWidth), LONG(windowHeight)};
    if (!rectInside(sr, backBuffer->width(), backBuffer->height()) || dr.left >= dr.right || dr.top >= dr.bottom)
        return D3DERR_INVALIDCALL;
    if (windowWidth == 0 || windowHeight == 0) return D3D_OK;

    const GLuint source = readableFramebuffer(backBuffer);
    const GLenum filter =
        sr.right - sr.left == dr.right - dr.left && sr.bottom - sr.top == dr.bottom - dr.top ? GL_NEAREST : GL_LINEAR;
    cache.setScissor(false, 0, 0, 0, 0);
    cache.setColorMask(true, true, true, true);
    renderStatesDirty = true;

    if (window->kind == WindowKind::Offscreen) {
        // windowFbo is about to be overwritten: the window it last served takes its copy now.
        if (pendingWindow && pendingWindow != window) settlePendingWindow();
        if (!windowFbo || windowFboWidth != windowWidth || windowFboHeight != windowHeight) {
            if (windowFbo) {
                cache.forgetFramebuffer(windowFbo);
                glDeleteFramebuffers(1, &windowFbo);
                glDeleteRenderbuffers(1, &windowColour);
            }
            glGenRenderbuffers(1, &windowColour);
            glBindRenderbuffer(GL_RENDERBUFFER, windowColour);
            glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, GLsizei(windowWidth), GLsizei(windowHeight));
            glGenFramebuffers(1, &windowFbo);
            cache.bindDrawFramebuffer(windowFbo);
            glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, windowColour);
            // A fresh window shows black until something is presented over it.
            cache.setClearColor(0, 0, 0, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            windowFboWidth = windowWidth;
            windowFboHeight = windowHeight;
        }
        if (!presentStretchedOnCpu(source, sr, dr, windowFbo, 0)) {
            cache.bindReadFramebuffer(source);
            cache.bindDrawFramebuffer(windowFbo);
            glBlitFramebuffer(sr.left, sr.top, sr.right, sr.bottom, dr.left, dr.top, dr.right, dr.bottom,
                              GL_COLOR_BUFFER_BIT, filter);
        }
        // The picture stays in windowFbo until someone reads the window (see WindowObject.h).
        window->pendingRead = &GLDevice::readPresentedInto;
        window->pendingOwner = this;
        pendingWindow = window;
        return D3D_OK;
    }

    // A preview whose host has just closed: nothing to show it on, and the saver is closing.
    if (!zarnWindowDrawable(window)) return D3D_OK;
    if (!context->makeCurrentOnWindow(window->sdlWindow)) return D3DERR_DEVICELOST;
    cache.bindDrawFramebuffer(0);
    // Only a picture that leaves part of the window uncovered needs the black around it; a
    // full-window clear is one more pass over every pixel on a software renderer.
    if (dr.left > 0 || dr.top > 0 || dr.right < LONG(windowWidth) || dr.bottom < LONG(windowHeight)) {
        cache.setClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    // The window's row 0 is its bottom: flip on the way in.
    const GLint h = GLint(windowHeight);
    if (!presentStretchedOnCpu(source, sr, dr, 0, h)) {
        cache.bindReadFramebuffer(source);
        cache.bindDrawFramebuffer(0);
        glBlitFramebuffer(sr.left, sr.top, sr.right, sr.bottom, dr.left, h - dr.top, dr.right, h - dr.bottom,
                          GL_COLOR_BUFFER_BIT, filter);
    }
    context->swapWindow(window->sdlWindow);
    return D3D_OK;
}

void GLDevice::readPresentedInto(void* owner, HWND window) {
    auto* device = static_cast<GLDevice*>(owner);
    device->pendingWindow = nullptr;
    if (!device->windowFbo || !device->makeCurrent()) return;
    const size_t pixels = size_t(device->windowFboWidth) * device->windowFboHeight;
    if (UINT(window->clientWidth) != device->windowFboWidth || UINT(window->clientHeight) != device->windowFboHeight)
        return;
    device->cache.bindReadFramebuffer(device->windowFbo);
    window->presentedImage.resize(pixels);
    glReadPixels(0, 0, GLsizei(device->windowFboWidth), GLsizei(device->windowFboHeight), GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, window->presentedImage.data());
    // A window has no alpha: what it shows is opaque.
    for (uint32_t& pixel : window->presentedImage) pixel |= 0xFF000000u;
}

void GLDevice::settlePendingWindow() {
    HWND window = pendingWindow;
    pendingWindow = nullptr;
    if (window && zarnIsLiveWindow(window) && window->pendingOwner == this) zarnSettlePresented(window);
}

void GLDevice::finishWork() {
    if (makeCurrent()) glFinish();
}

bool GLDevice::countFragmentsShaded(uint64_t* fragments) {
    if (!makeCurrent() || !epoxy_has_gl_extension("GL_ARB_pipeline_statistics_query")) return false;
    if (!fragmentQuery) {
        glGenQueries(1, &fragmentQuery);
    } else {
        glEndQuery(GL_FRAGMENT_SHADER_INVOCATIONS_ARB);
        GLuint64 count = 0;
        glGetQueryObjectui64v(fragmentQuery, GL_QUERY_RESULT, &count);
        fragmentsShaded += count;
    }
    glBeginQuery(GL_FRAGMENT_SHADER_INVOCATIONS_ARB, fragmentQuery);
    if (fragments) *fragments = fragmentsShaded;
    return true;
}
