// The Direct3D resources of the GL device: textures, cube textures, surfaces, vertex and
// index buffers, vertex declarations. Each is a COM object with its own reference count.
// Surfaces of a texture share the texture's count (AddRef on a level surface keeps the
// texture alive), as in Direct3D. Resources do not hold the device: when the device goes
// first, it frees their GL objects and they turn into empty shells that refuse every call.
#pragma once

#include <d3d9.h>

#include "d3d9/gl/GLConventions.h"

#include <cstdint>
#include <vector>

class GLDevice;
class GLTextureBase;

// Something the device must reach when it is destroyed before the resource.
class GLDeviceChild {
public:
    explicit GLDeviceChild(GLDevice* device);
    virtual ~GLDeviceChild();
    // Deletes the GL objects and forgets the device; the object stays a valid shell.
    virtual void releaseGL() = 0;
    GLDevice* owner() const { return device; }

protected:
    void detachFromDevice();
    GLDevice* device;
};

// A 2-D image that can be a render target or a StretchRect end: a texture level (or cube
// face level), a standalone render target (a renderbuffer, possibly multisampled), the
// device's back buffer, or a depth-stencil surface (standalone or the device's automatic one).
class GLSurface final : public IDirect3DSurface9 {
public:
    enum class Kind { TextureLevel, RenderTarget, BackBuffer, DepthStencil, AutoDepthStencil };

    // Texture level: lives and counts with its container.
    GLSurface(GLTextureBase* container, GLenum faceTarget, UINT level, UINT width, UINT height);
    // Standalone render target, back buffer or depth-stencil surface: owns a renderbuffer.
    GLSurface(GLDevice* device, Kind kind, UINT width, UINT height, D3DFORMAT format, UINT samples,
              D3DMULTISAMPLE_TYPE msType, DWORD msQuality);
    ~GLSurface() override;

    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;

    Kind kind() const { return surfaceKind; }
    GLDevice* device() const;
    UINT width() const { return w; }
    UINT height() const { return h; }
    UINT samples() const { return sampleCount; }
    D3DFORMAT format() const { return fmt; }
    bool alive() const;
    GLTextureBase* container() const { return containerTexture; }
    bool isDepthStencil() const { return surfaceKind == Kind::DepthStencil || surfaceKind == Kind::AutoDepthStencil; }
    GLuint renderbufferName() const { return renderbuffer; }
    // The framebuffer that renders into this surface, made on first use with the device's
    // choice of depth buffer; 0 when the surface cannot be rendered to. A depth-stencil
    // surface's framebuffer holds it alone, as the end of a depth copy.
    GLuint framebuffer();
    // The depth renderbuffer the framebuffer renders with, and a change of it (0 for none)
    // while that framebuffer is bound for drawing; false, with no depth attached, when the
    // pair cannot render together (a sample count that differs).
    GLuint depthAttachment() const { return attachedDepth; }
    bool attachDepth(GLuint depth);
    // Deletes the framebuffer and renderbuffer (device teardown or container release).
    void releaseGL();

private:
    // Made by CreateRenderTarget or CreateDepthStencilSurface: counted on its own, and
    // listed with the device so that the device's end can free its GL objects.
    bool isStandalone() const { return surfaceKind == Kind::RenderTarget || surfaceKind == Kind::DepthStencil; }
    // The back buffer and the automatic depth buffer live and count with the device.
    bool ownedByDevice() const { return surfaceKind == Kind::BackBuffer || surfaceKind == Kind::AutoDepthStencil; }

    Kind surfaceKind;
    GLTextureBase* containerTexture = nullptr;
    GLDevice* standaloneDevice = nullptr;
    GLenum faceTarget = 0;
    UINT level = 0;
    UINT w, h;
    D3DFORMAT fmt = D3DFMT_UNKNOWN;
    UINT sampleCount = 0;
    D3DMULTISAMPLE_TYPE multiSampleType = D3DMULTISAMPLE_NONE;
    DWORD multiSampleQuality = 0;
    GLuint renderbuffer = 0;
    GLuint fbo = 0;
    GLuint attachedDepth = 0;
    ULONG refs = 1;
};

// Shared by 2-D and cube textures: the GL texture, its levels and the lock buffers.
class GLTextureBase : public GLDeviceChild {
public:
    GLTextureBase(GLDevice* device, GLenum target, UINT width, UINT height, UINT levels, DWORD usage,
                  D3DFORMAT format, D3DPOOL pool, const glconv::TextureFormat& layout);
    ~GLTextureBase() override;
    void releaseGL() override;

    GLenum target() const { return glTarget; }
    GLuint name() const { return glName; }
    UINT levels() const { return levelCount; }
    D3DFORMAT format() const { return fmt; }
    DWORD usage() const { return usageFlags; }
    UINT levelWidth(UINT level) const;
    UINT levelHeight(UINT level) const;
    HRESULT levelDesc(UINT level, D3DSURFACE_DESC* desc) const;
    // Marks the contents as drawn into, so a later lock reads them back.
    void markWritten() { written = true; }

    virtual ULONG addRefShared() = 0;
    virtual ULONG releaseShared() = 0;

protected:
    HRESULT lock(UINT face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT unlock(UINT face, UINT level);
    GLenum faceTarget(UINT face) const;
    GLSurface* surface(UINT face, UINT level);

    GLenum glTarget;
    GLuint glName = 0;
    UINT w, h, levelCount;
    DWORD usageFlags;
    D3DFORMAT fmt;
    D3DPOOL pool;
    glconv::TextureFormat layout;
    bool written = false;
    ULONG refs = 1;

private:
    struct LockState {
        bool locked = false;
        RECT rect{};
        std::vector<uint8_t> bytes;
    };
    UINT faceCount() const { return glTarget == GL_TEXTURE_CUBE_MAP ? 6u : 1u; }
    std::vector<LockState> locks;        // face * levels + level
    std::vector<GLSurface*> surfaces;    // same index, made on demand
};

class GLTexture final : public IDirect3DTexture9, public GLTextureBase {
public:
    using GLTextureBase::GLTextureBase;
    ULONG AddRef() override { return addRefShared(); }
    ULONG Release() override { return releaseShared(); }
    ULONG addRefShared() override;
    ULONG releaseShared() override;
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD GetLevelCount() override { return levelCount; }
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override { return levelDesc(Level, pDesc); }
    HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) override;
    HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override {
        return lock(0, Level, pLockedRect, pRect, Flags);
    }
    HRESULT UnlockRect(UINT Level) override { return unlock(0, Level); }
};

class GLCubeTexture final : public IDirect3DCubeTexture9, public GLTextureBase {
public:
    using GLTextureBase::GLTextureBase;
    ULONG AddRef() override { return addRefShared(); }
    ULONG Release() override { return releaseShared(); }
    ULONG addRefShared() override;
    ULONG releaseShared() override;
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_CUBETEXTURE; }
    DWORD GetLevelCount() override { return levelCount; }
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override { return levelDesc(Level, pDesc); }
    HRESULT LockRect(D3DCUBEMAP_FACES FaceType, UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                     DWORD Flags) override;
    HRESULT UnlockRect(D3DCUBEMAP_FACES FaceType, UINT Level) override;
};

// The GL side of an IDirect3DBaseTexture9 handed to SetTexture (null for foreign objects).
GLTextureBase* glTextureOf(IDirect3DBaseTexture9* texture);

// Vertex and index buffers: Lock hands out a copy in memory (so a lock without
// D3DLOCK_DISCARD sees the current contents, which vertex edits rely on) and Unlock uploads
// the locked range. Most buffers are written once, at load; holding their copy would keep
// every mesh in memory twice, so a buffer's first upload lets the copy go, and a later lock
// reads the contents back from GL once and keeps the copy from then on (a buffer edited
// every frame reads nothing back again). Dynamic buffers keep their copy throughout.
class GLBufferBase : public GLDeviceChild {
public:
    GLBufferBase(GLDevice* device, UINT size, DWORD usage);
    ~GLBufferBase() override;
    void releaseGL() override;
    GLuint name() const { return glName; }
    UINT size() const { return byteCount; }
    // Whether the copy in memory is held now (tests look).
    bool holdsCopy() const { return !bytes.empty(); }

protected:
    HRESULT lock(UINT offset, UINT size, void** data, DWORD flags);
    HRESULT unlock();
    GLuint glName = 0;
    DWORD usageFlags;
    UINT byteCount = 0;
    std::vector<uint8_t> bytes;
    bool keepCopy = false;
    bool onlyZeros = true;  // never written: a lock needs no read-back
    bool locked = false;
    UINT lockOffset = 0, lockSize = 0;
    bool lockDiscard = false;
    ULONG refs = 1;
};

class GLVertexBuffer final : public IDirect3DVertexBuffer9, public GLBufferBase {
public:
    GLVertexBuffer(GLDevice* device, UINT size, DWORD usage, DWORD fvf, D3DPOOL pool);
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override {
        return lock(OffsetToLock, SizeToLock, ppbData, Flags);
    }
    HRESULT Unlock() override { return unlock(); }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;

private:
    DWORD fvf;
    D3DPOOL pool;
};

class GLIndexBuffer final : public IDirect3DIndexBuffer9, public GLBufferBase {
public:
    GLIndexBuffer(GLDevice* device, UINT size, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override {
        return lock(OffsetToLock, SizeToLock, ppbData, Flags);
    }
    HRESULT Unlock() override { return unlock(); }
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;
    D3DFORMAT format() const { return fmt; }

private:
    D3DFORMAT fmt;
    D3DPOOL pool;
};

// A vertex declaration, already resolved into GL attribute pointers per location.
class GLVertexDeclaration final : public IDirect3DVertexDeclaration9 {
public:
    struct Attribute {
        int location;
        WORD stream;
        WORD offset;
        GLint components;
        GLenum type;
        GLboolean normalized;
    };
    // Null when the element list is unterminated within MAXD3DDECLLENGTH or has an unknown type.
    static GLVertexDeclaration* create(const D3DVERTEXELEMENT9* elements);

    ULONG AddRef() override { return ++refs; }
    ULONG Release() override;
    HRESULT GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements) override;

    const std::vector<Attribute>& attributes() const { return attrs; }
    bool hasColor() const { return colour; }

private:
    GLVertexDeclaration() = default;
    std::vector<D3DVERTEXELEMENT9> elements;  // including the end marker
    std::vector<Attribute> attrs;
    bool colour = false;
    ULONG refs = 1;
};
