// The recording device's resources: textures, cube textures, surfaces, vertex and index
// buffers and vertex declarations. They are plain memory so that Lock and LockRect hand
// out real bytes (loaders fill them, tests read them back), keep real COM reference counts,
// and count themselves in the process-wide live-object total so that leaks show in tests.
#pragma once

#include "ZarnRecordingDevice.h"

#include <cstdint>
#include <string>
#include <vector>

namespace recording {
void countLive(int delta);
}

// Common part of every recording resource: its log name and the device that made it. The
// device does not stay alive for its resources; when it goes, it detaches them (device
// becomes null) so a leaked resource never reaches a dead device.
class RecordingBytes;

class ZarnRecordingResource {
public:
    ZarnRecordingResource(ZarnRecordingDevice* device, std::string name, bool counted = true);
    virtual ~ZarnRecordingResource();
    ZarnRecordingResource(const ZarnRecordingResource&) = delete;
    ZarnRecordingResource& operator=(const ZarnRecordingResource&) = delete;

    const std::string& name() const { return logName; }
    ZarnRecordingDevice* owner() const { return device; }
    virtual void detach() { device = nullptr; }

protected:
    HRESULT getDevice(IDirect3DDevice9** ppDevice);
    HRESULT record(const std::string& method, const std::string& args, HRESULT result = D3D_OK);
    // A buffer's Lock: logged like any call; a lock that the script fails is undone.
    HRESULT recordBufferLock(RecordingBytes& bytes, UINT offset, UINT size, void** ppbData, DWORD flags);

    ZarnRecordingDevice* device;
    std::string logName;
    bool counted;
};

// One image of a texture level, a cube face level, a render target or the back buffer.
struct RecordingImage {
    UINT width = 0;
    UINT height = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    std::vector<uint8_t> bytes;
    bool locked = false;

    bool allocate(UINT w, UINT h, D3DFORMAT f);
    UINT pitch() const;
    HRESULT lock(D3DLOCKED_RECT* pLockedRect, const RECT* pRect);
    HRESULT unlock();
};

// A surface either stands alone (render target, back buffer) with its own count, or belongs
// to a texture level, in which case its AddRef and Release count on the texture, as in
// Direct3D.
class ZarnRecordingSurface final : public IDirect3DSurface9, public ZarnRecordingResource {
public:
    ZarnRecordingSurface(ZarnRecordingDevice* device, std::string name, const D3DSURFACE_DESC& desc,
                         IUnknown* container, RecordingImage* image);
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return getDevice(ppDevice); }
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;

    const D3DSURFACE_DESC& desc() const { return surfaceDesc; }
    RecordingImage* image() const { return pixels; }
    IUnknown* container() const { return owner_; }
    // Only the container destroys its level surfaces.
    void destroy() { delete this; }

private:
    ~ZarnRecordingSurface() override;
    D3DSURFACE_DESC surfaceDesc;
    IUnknown* owner_;
    RecordingImage* pixels;
    ULONG refs = 1;
    RecordingImage ownImage;
};

class ZarnRecordingTexture final : public IDirect3DTexture9, public ZarnRecordingResource {
public:
    ZarnRecordingTexture(ZarnRecordingDevice* device, std::string name, UINT width, UINT height, UINT levels,
                         DWORD usage, D3DFORMAT format, D3DPOOL pool);
    bool valid() const { return ok; }

    ULONG AddRef() override { return ++refs; }
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return getDevice(ppDevice); }
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD GetLevelCount() override { return static_cast<DWORD>(levels.size()); }
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) override;
    HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect(UINT Level) override;

    // The bytes of a level, for tests.
    const RecordingImage* level(UINT index) const { return index < levels.size() ? &levels[index] : nullptr; }
    void detach() override;

private:
    ~ZarnRecordingTexture() override;
    D3DSURFACE_DESC descOf(UINT level) const;

    std::vector<RecordingImage> levels;
    std::vector<ZarnRecordingSurface*> surfaces;
    DWORD usage;
    D3DPOOL pool;
    ULONG refs = 1;
    bool ok = true;
};

class ZarnRecordingCubeTexture final : public IDirect3DCubeTexture9, public ZarnRecordingResource {
public:
    ZarnRecordingCubeTexture(ZarnRecordingDevice* device, std::string name, UINT edge, UINT levels, DWORD usage,
                             D3DFORMAT format, D3DPOOL pool);
    bool valid() const { return ok; }

    ULONG AddRef() override { return ++refs; }
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return getDevice(ppDevice); }
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_CUBETEXTURE; }
    DWORD GetLevelCount() override { return levelCount; }
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT LockRect(D3DCUBEMAP_FACES FaceType, UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                     DWORD Flags) override;
    HRESULT UnlockRect(D3DCUBEMAP_FACES FaceType, UINT Level) override;

    const RecordingImage* level(D3DCUBEMAP_FACES face, UINT index) const;

private:
    ~ZarnRecordingCubeTexture() override;
    RecordingImage* image(D3DCUBEMAP_FACES face, UINT level);

    std::vector<RecordingImage> images;  // face-major: face * levelCount + level
    UINT levelCount = 0;
    DWORD usage;
    D3DPOOL pool;
    ULONG refs = 1;
    bool ok = true;
};

// Vertex and index buffers share everything but their description.
class RecordingBytes {
public:
    bool allocate(UINT size);
    HRESULT lock(UINT offset, UINT size, void** ppbData);
    HRESULT unlock();
    const std::vector<uint8_t>& data() const { return bytes; }

private:
    std::vector<uint8_t> bytes;
    bool locked = false;
};

class ZarnRecordingVertexBuffer final : public IDirect3DVertexBuffer9, public ZarnRecordingResource {
public:
    ZarnRecordingVertexBuffer(ZarnRecordingDevice* device, std::string name, UINT length, DWORD usage, DWORD fvf,
                              D3DPOOL pool);
    bool valid() const { return ok; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return getDevice(ppDevice); }
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;
    const std::vector<uint8_t>& data() const { return bytes.data(); }

private:
    ~ZarnRecordingVertexBuffer() override = default;
    RecordingBytes bytes;
    D3DVERTEXBUFFER_DESC desc;
    ULONG refs = 1;
    bool ok = true;
};

class ZarnRecordingIndexBuffer final : public IDirect3DIndexBuffer9, public ZarnRecordingResource {
public:
    ZarnRecordingIndexBuffer(ZarnRecordingDevice* device, std::string name, UINT length, DWORD usage,
                             D3DFORMAT format, D3DPOOL pool);
    bool valid() const { return ok; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return getDevice(ppDevice); }
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;
    const std::vector<uint8_t>& data() const { return bytes.data(); }

private:
    ~ZarnRecordingIndexBuffer() override = default;
    RecordingBytes bytes;
    D3DINDEXBUFFER_DESC desc;
    ULONG refs = 1;
    bool ok = true;
};

class ZarnRecordingVertexDeclaration final : public IDirect3DVertexDeclaration9, public ZarnRecordingResource {
public:
    ZarnRecordingVertexDeclaration(ZarnRecordingDevice* device, std::string name,
                                   std::vector<D3DVERTEXELEMENT9> elements);
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override;
    HRESULT GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements) override;

private:
    ~ZarnRecordingVertexDeclaration() override = default;
    std::vector<D3DVERTEXELEMENT9> elements;  // including the end marker
    ULONG refs = 1;
};
