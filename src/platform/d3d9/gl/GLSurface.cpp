// Surfaces: texture levels, standalone render targets, the back buffer and depth-stencil
// surfaces, each rendered through a framebuffer made on first use. A colour surface's depth
// attachment starts as the device's automatic choice (GLDevice::depthBufferFor); the device
// swaps it when SetDepthStencilSurface has named another.
#include "d3d9/gl/GLDevice.h"
#include "d3d9/gl/GLResources.h"

GLSurface::GLSurface(GLTextureBase* c, GLenum face, UINT lvl, UINT width, UINT height)
    : surfaceKind(Kind::TextureLevel), containerTexture(c), faceTarget(face), level(lvl), w(width), h(height),
      fmt(c->format()) {}

GLSurface::GLSurface(GLDevice* d, Kind k, UINT width, UINT height, D3DFORMAT format, UINT samples,
                     D3DMULTISAMPLE_TYPE msType, DWORD msQuality)
    : surfaceKind(k), standaloneDevice(d), w(width), h(height), fmt(format), sampleCount(samples),
      multiSampleType(msType), multiSampleQuality(msQuality) {
    GLenum internalFormat = GL_DEPTH_COMPONENT16;
    if (isDepthStencil()) {
        glconv::depthFormat(format, &internalFormat);
    } else {
        glconv::TextureFormat layout;
        glconv::textureFormat(format, &layout);
        internalFormat = layout.internalFormat;
    }
    d->makeCurrent();
    glGenRenderbuffers(1, &renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    if (samples > 0)
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, GLsizei(samples), internalFormat, GLsizei(width),
                                         GLsizei(height));
    else
        glRenderbufferStorage(GL_RENDERBUFFER, internalFormat, GLsizei(width), GLsizei(height));
    if (isStandalone()) d->registerSurface(this);
}

GLSurface::~GLSurface() {
    GLDevice* d = device();
    if (d && surfaceKind != Kind::TextureLevel) d->forgetSurface(this);
    releaseGL();
}

GLDevice* GLSurface::device() const {
    return containerTexture ? containerTexture->owner() : standaloneDevice;
}

bool GLSurface::alive() const { return device() != nullptr; }

void GLSurface::releaseGL() {
    GLDevice* d = device();
    if (d && (fbo || renderbuffer)) {
        d->makeCurrent();
        if (fbo) {
            d->state().forgetFramebuffer(fbo);
            glDeleteFramebuffers(1, &fbo);
        }
        if (renderbuffer) glDeleteRenderbuffers(1, &renderbuffer);
    }
    fbo = 0;
    renderbuffer = 0;
    if (standaloneDevice && isStandalone()) standaloneDevice->unregisterSurface(this);
    standaloneDevice = nullptr;
}

ULONG GLSurface::AddRef() {
    if (containerTexture) return containerTexture->addRefShared();
    if (ownedByDevice() && standaloneDevice) return standaloneDevice->AddRef();
    return ++refs;
}

ULONG GLSurface::Release() {
    if (containerTexture) return containerTexture->releaseShared();
    if (ownedByDevice() && standaloneDevice) return standaloneDevice->Release();
    const ULONG left = --refs;
    if (left == 0) delete this;
    return left;
}

HRESULT GLSurface::GetDevice(IDirect3DDevice9** ppDevice) {
    GLDevice* d = device();
    if (!ppDevice || !d) return D3DERR_INVALIDCALL;
    d->AddRef();
    *ppDevice = d;
    return D3D_OK;
}

HRESULT GLSurface::GetDesc(D3DSURFACE_DESC* pDesc) {
    if (!pDesc) return D3DERR_INVALIDCALL;
    pDesc->Format = fmt;
    pDesc->Type = D3DRTYPE_SURFACE;
    pDesc->Usage = containerTexture ? containerTexture->usage()
                   : isDepthStencil() ? D3DUSAGE_DEPTHSTENCIL
                                      : D3DUSAGE_RENDERTARGET;
    pDesc->Pool = D3DPOOL_DEFAULT;
    pDesc->MultiSampleType = multiSampleType;
    pDesc->MultiSampleQuality = multiSampleQuality;
    pDesc->Width = w;
    pDesc->Height = h;
    return D3D_OK;
}

GLuint GLSurface::framebuffer() {
    if (fbo) return fbo;
    GLDevice* d = device();
    if (!d) return 0;
    if (containerTexture) {
        glconv::TextureFormat layout;
        if (!glconv::textureFormat(fmt, &layout) || !layout.renderable || !containerTexture->name()) return 0;
    }
    d->makeCurrent();
    glGenFramebuffers(1, &fbo);
    d->state().bindDrawFramebuffer(fbo);
    bool complete;
    if (isDepthStencil()) {
        // Depth alone: no colour for the framebuffer to draw into or read from. The read
        // buffer is the read binding's, so this framebuffer takes that binding too.
        d->state().bindReadFramebuffer(fbo);
        glDrawBuffer(GL_NONE);
        glReadBuffer(GL_NONE);
        complete = attachDepth(renderbuffer);
    } else {
        if (containerTexture)
            glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, faceTarget, containerTexture->name(),
                                   GLint(level));
        else
            glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffer);
        complete = attachDepth(d->depthBufferFor(w, h, sampleCount));
    }
    if (!complete) {
        d->state().bindDrawFramebuffer(0);
        d->state().forgetFramebuffer(fbo);
        glDeleteFramebuffers(1, &fbo);
        fbo = 0;
        attachedDepth = 0;
    }
    return fbo;
}

bool GLSurface::attachDepth(GLuint depth) {
    // Whichever point the last buffer used, it is cleared before the new one goes on.
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
    if (depth) {
        GLenum attachment = GL_DEPTH_ATTACHMENT;
        GLint stencilBits = 0;
        glBindRenderbuffer(GL_RENDERBUFFER, depth);
        glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_STENCIL_SIZE, &stencilBits);
        if (stencilBits > 0) attachment = GL_DEPTH_STENCIL_ATTACHMENT;
        glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, attachment, GL_RENDERBUFFER, depth);
    }
    attachedDepth = depth;
    if (glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) return true;
    if (depth) {
        glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
        attachedDepth = 0;
    }
    return false;
}
