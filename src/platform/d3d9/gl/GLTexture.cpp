// 2-D and cube textures: GL storage for every level, and LockRect through a buffer in
// memory that Unlock uploads. Locking reads the level back only when it may hold something
// (uploaded or drawn into before) and the caller did not ask to discard it.
#include "d3d9/gl/GLDevice.h"
#include "d3d9/gl/GLResources.h"

#include <algorithm>
#include <cstring>

GLDeviceChild::GLDeviceChild(GLDevice* d) : device(d) {
    if (device) device->registerChild(this);
}

GLDeviceChild::~GLDeviceChild() { detachFromDevice(); }

void GLDeviceChild::detachFromDevice() {
    if (device) device->unregisterChild(this);
    device = nullptr;
}

GLTextureBase::GLTextureBase(GLDevice* d, GLenum target, UINT width, UINT height, UINT levels, DWORD usage,
                             D3DFORMAT format, D3DPOOL p, const glconv::TextureFormat& l)
    : GLDeviceChild(d), glTarget(target), w(width), h(height), levelCount(levels), usageFlags(usage), fmt(format),
      pool(p), layout(l) {
    locks.resize(size_t(faceCount()) * levelCount);
    surfaces.resize(size_t(faceCount()) * levelCount, nullptr);
    device->makeCurrent();
    glGenTextures(1, &glName);
    device->state().bindTexture(0, glTarget, glName);
    glTexParameteri(glTarget, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(glTarget, GL_TEXTURE_MAX_LEVEL, GLint(levelCount) - 1);
    glTexParameteriv(glTarget, GL_TEXTURE_SWIZZLE_RGBA, layout.swizzle);
    const bool sampledOnly = !(usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL));
    const GLenum storageFormat = sampledOnly ? layout.sampledInternalFormat : layout.internalFormat;
    for (UINT face = 0; face < faceCount(); ++face)
        for (UINT level = 0; level < levelCount; ++level)
            glTexImage2D(faceTarget(face), GLint(level), GLint(storageFormat), GLsizei(levelWidth(level)),
                         GLsizei(levelHeight(level)), 0, layout.uploadFormat, layout.uploadType, nullptr);
}

GLTextureBase::~GLTextureBase() {
    if (device) device->forgetTexture(this);
    releaseGL();
    for (GLSurface* s : surfaces) delete s;
}

void GLTextureBase::releaseGL() {
    for (GLSurface* s : surfaces)
        if (s) s->releaseGL();
    if (device && glName) {
        device->makeCurrent();
        device->state().forgetTexture(glName);
        glDeleteTextures(1, &glName);
    }
    glName = 0;
    detachFromDevice();
}

GLenum GLTextureBase::faceTarget(UINT face) const {
    return glTarget == GL_TEXTURE_CUBE_MAP ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + face : glTarget;
}

UINT GLTextureBase::levelWidth(UINT level) const { return std::max(1u, w >> std::min(level, 31u)); }
UINT GLTextureBase::levelHeight(UINT level) const { return std::max(1u, h >> std::min(level, 31u)); }

HRESULT GLTextureBase::levelDesc(UINT level, D3DSURFACE_DESC* desc) const {
    if (!desc || level >= levelCount) return D3DERR_INVALIDCALL;
    desc->Format = fmt;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = usageFlags;
    desc->Pool = pool;
    desc->MultiSampleType = D3DMULTISAMPLE_NONE;
    desc->MultiSampleQuality = 0;
    desc->Width = levelWidth(level);
    desc->Height = levelHeight(level);
    return D3D_OK;
}

GLSurface* GLTextureBase::surface(UINT face, UINT level) {
    if (face >= faceCount() || level >= levelCount) return nullptr;
    GLSurface*& s = surfaces[size_t(face) * levelCount + level];
    if (!s) s = new GLSurface(this, faceTarget(face), level, levelWidth(level), levelHeight(level));
    return s;
}

HRESULT GLTextureBase::lock(UINT face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (!device || !locked || face >= faceCount() || level >= levelCount) return D3DERR_INVALIDCALL;
    LockState& state = locks[size_t(face) * levelCount + level];
    if (state.locked) return D3DERR_INVALIDCALL;
    const UINT lw = levelWidth(level), lh = levelHeight(level);
    RECT r = {0, 0, LONG(lw), LONG(lh)};
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
            rect->right > LONG(lw) || rect->bottom > LONG(lh))
            return D3DERR_INVALIDCALL;
        r = *rect;
    }
    const size_t pitch = size_t(lw) * layout.bytesPerTexel;
    state.bytes.assign(pitch * lh, 0);
    if (written && !(flags & D3DLOCK_DISCARD)) {
        device->makeCurrent();
        device->state().bindTexture(0, glTarget, glName);
        glGetTexImage(faceTarget(face), GLint(level), layout.uploadFormat, layout.uploadType, state.bytes.data());
    }
    state.locked = true;
    state.rect = r;
    locked->Pitch = INT(pitch);
    locked->pBits = state.bytes.data() + size_t(r.top) * pitch + size_t(r.left) * layout.bytesPerTexel;
    return D3D_OK;
}

HRESULT GLTextureBase::unlock(UINT face, UINT level) {
    if (!device || face >= faceCount() || level >= levelCount) return D3DERR_INVALIDCALL;
    LockState& state = locks[size_t(face) * levelCount + level];
    if (!state.locked) return D3DERR_INVALIDCALL;
    state.locked = false;
    const UINT lw = levelWidth(level);
    const RECT& r = state.rect;
    device->makeCurrent();
    device->state().bindTexture(0, glTarget, glName);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(lw));
    const size_t pitch = size_t(lw) * layout.bytesPerTexel;
    glTexSubImage2D(faceTarget(face), GLint(level), r.left, r.top, r.right - r.left, r.bottom - r.top,
                    layout.uploadFormat, layout.uploadType,
                    state.bytes.data() + size_t(r.top) * pitch + size_t(r.left) * layout.bytesPerTexel);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    if ((usageFlags & D3DUSAGE_AUTOGENMIPMAP) && level == 0 && levelCount > 1) glGenerateMipmap(glTarget);
    written = true;
    // Textures are filled once; keeping every level's copy would double their memory.
    std::vector<uint8_t>().swap(state.bytes);
    return D3D_OK;
}

ULONG GLTexture::addRefShared() { return ++refs; }

ULONG GLTexture::releaseShared() {
    const ULONG left = --refs;
    if (left == 0) delete this;
    return left;
}

HRESULT GLTexture::GetDevice(IDirect3DDevice9** ppDevice) {
    if (!ppDevice || !device) return D3DERR_INVALIDCALL;
    device->AddRef();
    *ppDevice = device;
    return D3D_OK;
}

HRESULT GLTexture::GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) {
    if (!ppSurfaceLevel) return D3DERR_INVALIDCALL;
    GLSurface* s = device ? surface(0, Level) : nullptr;
    if (!s) {
        *ppSurfaceLevel = nullptr;
        return D3DERR_INVALIDCALL;
    }
    s->AddRef();
    *ppSurfaceLevel = s;
    return D3D_OK;
}

ULONG GLCubeTexture::addRefShared() { return ++refs; }

ULONG GLCubeTexture::releaseShared() {
    const ULONG left = --refs;
    if (left == 0) delete this;
    return left;
}

HRESULT GLCubeTexture::GetDevice(IDirect3DDevice9** ppDevice) {
    if (!ppDevice || !device) return D3DERR_INVALIDCALL;
    device->AddRef();
    *ppDevice = device;
    return D3D_OK;
}

HRESULT GLCubeTexture::LockRect(D3DCUBEMAP_FACES FaceType, UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                                DWORD Flags) {
    if (UINT(FaceType) > 5) return D3DERR_INVALIDCALL;
    return lock(UINT(FaceType), Level, pLockedRect, pRect, Flags);
}

HRESULT GLCubeTexture::UnlockRect(D3DCUBEMAP_FACES FaceType, UINT Level) {
    if (UINT(FaceType) > 5) return D3DERR_INVALIDCALL;
    return unlock(UINT(FaceType), Level);
}

GLTextureBase* glTextureOf(IDirect3DBaseTexture9* texture) {
    if (!texture) return nullptr;
    if (auto* t = dynamic_cast<GLTexture*>(texture)) return t;
    if (auto* c = dynamic_cast<GLCubeTexture*>(texture)) return c;
    return nullptr;
}
