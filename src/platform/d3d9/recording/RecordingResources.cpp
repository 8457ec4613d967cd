// The recording device's resources (see RecordingResources.h).
#include "d3d9/recording/RecordingResources.h"

#include "d3d9/recording/RecordingNames.h"

#include <algorithm>
#include <new>

namespace recording {
namespace {
int liveObjects = 0;
}
void countLive(int delta) { liveObjects += delta; }
}  // namespace recording

int ZarnRecordingLiveObjects() { return recording::liveObjects; }

using namespace recording;

// ---- common part ---------------------------------------------------------------------------

ZarnRecordingResource::ZarnRecordingResource(ZarnRecordingDevice* d, std::string name, bool isCounted)
    : device(d), logName(std::move(name)), counted(isCounted) {
    if (counted) countLive(+1);
}

ZarnRecordingResource::~ZarnRecordingResource() {
    if (counted) countLive(-1);
    if (device) device->forgetResource(this);
}

HRESULT ZarnRecordingResource::getDevice(IDirect3DDevice9** ppDevice) {
    if (!ppDevice) return D3DERR_INVALIDCALL;
    *ppDevice = device;
    if (!device) return D3DERR_INVALIDCALL;
    device->AddRef();
    return D3D_OK;
}

HRESULT ZarnRecordingResource::record(const std::string& method, const std::string& args, HRESULT result) {
    if (!device) return result;
    if (SUCCEEDED(result)) result = device->scriptedFailure(method);
    return device->record(logName + "." + method, args, result);
}

// ---- images --------------------------------------------------------------------------------

bool RecordingImage::allocate(UINT w, UINT h, D3DFORMAT f) {
    width = w;
    height = h;
    format = f;
    UINT bpp = bytesPerPixel(f);
    if (bpp == 0) bpp = 4;  // unknown formats still get memory, so Lock never hands out null
    try {
        bytes.assign(static_cast<size_t>(w) * h * bpp, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

UINT RecordingImage::pitch() const {
    UINT bpp = bytesPerPixel(format);
    return width * (bpp ? bpp : 4);
}

HRESULT RecordingImage::lock(D3DLOCKED_RECT* pLockedRect, const RECT* pRect) {
    if (!pLockedRect || locked) return D3DERR_INVALIDCALL;
    size_t offset = 0;
    if (pRect) {
        if (pRect->left < 0 || pRect->top < 0 || pRect->left >= pRect->right || pRect->top >= pRect->bottom ||
            static_cast<UINT>(pRect->right) > width || static_cast<UINT>(pRect->bottom) > height)
            return D3DERR_INVALIDCALL;
        UINT bpp = pitch() / std::max(width, 1u);
        offset = static_cast<size_t>(pRect->top) * pitch() + static_cast<size_t>(pRect->left) * bpp;
    }
    locked = true;
    pLockedRect->Pitch = static_cast<INT>(pitch());
    pLockedRect->pBits = bytes.data() + offset;
    return D3D_OK;
}

HRESULT RecordingImage::unlock() {
    if (!locked) return D3DERR_INVALIDCALL;
    locked = false;
    return D3D_OK;
}

static UINT levelSize(UINT size, UINT level) { return std::max(1u, size >> level); }

static UINT fullChain(UINT width, UINT height) {
    UINT levels = 1;
    for (UINT size = std::max(width, height); size > 1; size >>= 1) ++levels;
    return levels;
}

// ---- surfaces ------------------------------------------------------------------------------

ZarnRecordingSurface::ZarnRecordingSurface(ZarnRecordingDevice* d, std::string name, const D3DSURFACE_DESC& desc,
                                           IUnknown* container, RecordingImage* image)
    : ZarnRecordingResource(d, std::move(name), container == nullptr),
      surfaceDesc(desc),
      owner_(container),
      pixels(image) {
    if (!pixels) {
        ownImage.allocate(desc.Width, desc.Height, desc.Format);
        pixels = &ownImage;
    }
}

ZarnRecordingSurface::~ZarnRecordingSurface() = default;

ULONG ZarnRecordingSurface::AddRef() {
    if (owner_) return owner_->AddRef();
    return ++refs;
}

ULONG ZarnRecordingSurface::Release() {
    if (owner_) return owner_->Release();
    ULONG left = --refs;
    if (left == 0) delete this;
    return left;
}

HRESULT ZarnRecordingSurface::GetDesc(D3DSURFACE_DESC* pDesc) {
    if (!pDesc) return D3DERR_INVALIDCALL;
    *pDesc = surfaceDesc;
    return D3D_OK;
}

// ---- textures ------------------------------------------------------------------------------

ZarnRecordingTexture::ZarnRecordingTexture(ZarnRecordingDevice* d, std::string name, UINT width, UINT height,
                                           UINT levelCount, DWORD usage_, D3DFORMAT format, D3DPOOL pool_)
    : ZarnRecordingResource(d, std::move(name)), usage(usage_), pool(pool_) {
    UINT chain = fullChain(width, height);
    // Render targets and auto-generated mip maps expose a single level, as Direct3D does.
    if (levelCount == 0 || levelCount > chain) levelCount = (usage & D3DUSAGE_AUTOGENMIPMAP) ? 1 : chain;
    levels.resize(levelCount);
    for (UINT i = 0; i < levelCount && ok; ++i)
        ok = levels[i].allocate(levelSize(width, i), levelSize(height, i), format);
    surfaces.assign(levelCount, nullptr);
}

void ZarnRecordingTexture::detach() {
    ZarnRecordingResource::detach();
    for (ZarnRecordingSurface* surface : surfaces)
        if (surface) surface->detach();
}

ZarnRecordingTexture::~ZarnRecordingTexture() {
    for (ZarnRecordingSurface* surface : surfaces)
        if (surface) surface->destroy();
}

ULONG ZarnRecordingTexture::Release() {
    ULONG left = --refs;
    if (left == 0) delete this;
    return left;
}

D3DSURFACE_DESC ZarnRecordingTexture::descOf(UINT index) const {
    D3DSURFACE_DESC desc = {};
    desc.Format = levels[index].format;
    desc.Type = D3DRTYPE_SURFACE;
    desc.Usage = usage;
    desc.Pool = pool;
    desc.MultiSampleType = D3DMULTISAMPLE_NONE;
    desc.Width = levels[index].width;
    desc.Height = levels[index].height;
    return desc;
}

HRESULT ZarnRecordingTexture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) {
    if (!pDesc || Level >= levels.size()) return D3DERR_INVALIDCALL;
    *pDesc = descOf(Level);
    return D3D_OK;
}

HRESULT ZarnRecordingTexture::GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) {
    if (!ppSurfaceLevel) return D3DERR_INVALIDCALL;
    *ppSurfaceLevel = nullptr;
    if (Level >= levels.size()) return D3DERR_INVALIDCALL;
    if (!surfaces[Level])
        surfaces[Level] = new ZarnRecordingSurface(device, logName + "/" + std::to_string(Level), descOf(Level), this,
                                                   &levels[Level]);
    AddRef();
    *ppSurfaceLevel = surfaces[Level];
    return D3D_OK;
}

HRESULT ZarnRecordingTexture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) {
    HRESULT locked = Level < levels.size() ? levels[Level].lock(pLockedRect, pRect) : D3DERR_INVALIDCALL;
    HRESULT result = record("LockRect", std::to_string(Level) + ", " + rect(pRect) + ", " + hex(Flags), locked);
    if (SUCCEEDED(locked) && FAILED(result)) {
        // A scripted failure after a successful lock must not leave the level locked.
        levels[Level].unlock();
        pLockedRect->pBits = nullptr;
    }
    return result;
}

HRESULT ZarnRecordingTexture::UnlockRect(UINT Level) {
    HRESULT result = Level < levels.size() ? levels[Level].unlock() : D3DERR_INVALIDCALL;
    return record("UnlockRect", std::to_string(Level), result);
}

// ---- cube textures -------------------------------------------------------------------------

ZarnRecordingCubeTexture::ZarnRecordingCubeTexture(ZarnRecordingDevice* d, std::string name, UINT edge,
                                                   UINT levels, DWORD usage_, D3DFORMAT format, D3DPOOL pool_)
    : ZarnRecordingResource(d, std::move(name)), usage(usage_), pool(pool_) {
    UINT chain = fullChain(edge, edge);
    levelCount = (levels == 0 || levels > chain) ? chain : levels;
    images.resize(6 * static_cast<size_t>(levelCount));
    for (UINT face = 0; face < 6 && ok; ++face)
        for (UINT level = 0; level < levelCount && ok; ++level)
            ok = images[face * levelCount + level].allocate(levelSize(edge, level), levelSize(edge, level), format);
}

ZarnRecordingCubeTexture::~ZarnRecordingCubeTexture() = default;

ULONG ZarnRecordingCubeTexture::Release() {
    ULONG left = --refs;
    if (left == 0) delete this;
    return left;
}

RecordingImage* ZarnRecordingCubeTexture::image(D3DCUBEMAP_FACES face, UINT level) {
    if (static_cast<UINT>(face) >= 6 || level >= levelCount) return nullptr;
    return &images[face * levelCount + level];
}

const RecordingImage* ZarnRecordingCubeTexture::level(D3DCUBEMAP_FACES face, UINT index) const {
    if (static_cast<UINT>(face) >= 6 || index >= levelCount) return nullptr;
    return &images[face * levelCount + index];
}

HRESULT ZarnRecordingCubeTexture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) {
    if (!pDesc || Level >= levelCount) return D3DERR_INVALIDCALL;
    *pDesc = {};
    pDesc->Format = images[Level].format;
    pDesc->Type = D3DRTYPE_SURFACE;
    pDesc->Usage = usage;
    pDesc->Pool = pool;
    pDesc->Width = images[Level].width;
    pDesc->Height = images[Level].height;
    return D3D_OK;
}

HRESULT ZarnRecordingCubeTexture::LockRect(D3DCUBEMAP_FACES FaceType, UINT Level, D3DLOCKED_RECT* pLockedRect,
                                           const RECT* pRect, DWORD Flags) {
    RecordingImage* target = image(FaceType, Level);
    HRESULT locked = target ? target->lock(pLockedRect, pRect) : D3DERR_INVALIDCALL;
    HRESULT result = record(
        "LockRect", cubeFaceName(FaceType) + ", " + std::to_string(Level) + ", " + rect(pRect) + ", " + hex(Flags),
        locked);
    if (SUCCEEDED(locked) && FAILED(result)) {
        target->unlock();
        pLockedRect->pBits = nullptr;
    }
    return result;
}

HRESULT ZarnRecordingCubeTexture::UnlockRect(D3DCUBEMAP_FACES FaceType, UINT Level) {
    RecordingImage* target = image(FaceType, Level);
    HRESULT result = target ? target->unlock() : D3DERR_INVALIDCALL;
    return record("UnlockRect", cubeFaceName(FaceType) + ", " + std::to_string(Level), result);
}

// ---- buffers -------------------------------------------------------------------------------

bool RecordingBytes::allocate(UINT size) {
    try {
        bytes.assign(size, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

HRESULT RecordingBytes::lock(UINT offset, UINT size, void** ppbData) {
    if (!ppbData || locked) return D3DERR_INVALIDCALL;
    // Direct3D reads size 0 as "to the end".
    if (offset > bytes.size() || (size != 0 && size > bytes.size() - offset)) return D3DERR_INVALIDCALL;
    locked = true;
    *ppbData = bytes.data() + offset;
    return D3D_OK;
}

HRESULT RecordingBytes::unlock() {
    if (!locked) return D3DERR_INVALIDCALL;
    locked = false;
    return D3D_OK;
}

HRESULT ZarnRecordingResource::recordBufferLock(RecordingBytes& bytes, UINT offset, UINT size, void** ppbData,
                                                DWORD flags) {
    HRESULT locked = bytes.lock(offset, size, ppbData);
    HRESULT result = record("Lock", std::to_string(offset) + ", " + std::to_string(size) + ", " + hex(flags), locked);
    if (SUCCEEDED(locked) && FAILED(result)) {
        bytes.unlock();
        *ppbData = nullptr;
    }
    return result;
}

ZarnRecordingVertexBuffer::ZarnRecordingVertexBuffer(ZarnRecordingDevice* d, std::string name, UINT length,
                                                     DWORD usage, DWORD fvf, D3DPOOL pool)
    : ZarnRecordingResource(d, std::move(name)) {
    desc = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf};
    ok = bytes.allocate(length);
}

ULONG ZarnRecordingVertexBuffer::Release() {
    ULONG left = --refs;
    if (left == 0) delete this;
    return left;
}

HRESULT ZarnRecordingVertexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) {
    return recordBufferLock(bytes, OffsetToLock, SizeToLock, ppbData, Flags);
}

HRESULT ZarnRecordingVertexBuffer::Unlock() { return record("Unlock", "", bytes.unlock()); }

HRESULT ZarnRecordingVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* pDesc) {
    if (!pDesc) return D3DERR_INVALIDCALL;
    *pDesc = desc;
    return D3D_OK;
}

ZarnRecordingIndexBuffer::ZarnRecordingIndexBuffer(ZarnRecordingDevice* d, std::string name, UINT length,
                                                   DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : ZarnRecordingResource(d, std::move(name)) {
    desc = {format, D3DRTYPE_INDEXBUFFER, usage, pool, length};
    ok = bytes.allocate(length);
}

ULONG ZarnRecordingIndexBuffer::Release() {
    ULONG left = --refs;
    if (left == 0) delete this;
    return left;
}

HRESULT ZarnRecordingIndexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) {
    return recordBufferLock(bytes, OffsetToLock, SizeToLock, ppbData, Flags);
}

HRESULT ZarnRecordingIndexBuffer::Unlock() { return record("Unlock", "", bytes.unlock()); }

HRESULT ZarnRecordingIndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* pDesc) {
    if (!pDesc) return D3DERR_INVALIDCALL;
    *pDesc = desc;
    return D3D_OK;
}

// ---- vertex declarations -------------------------------------------------------------------

ZarnRecordingVertexDeclaration::ZarnRecordingVertexDeclaration(ZarnRecordingDevice* d, std::string name,
                                                               std::vector<D3DVERTEXELEMENT9> elems)
    : ZarnRecordingResource(d, std::move(name)), elements(std::move(elems)) {}

ULONG ZarnRecordingVertexDeclaration::Release() {
    ULONG left = --refs;
    if (left == 0) delete this;
    return left;
}

HRESULT ZarnRecordingVertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements) {
    if (!pNumElements) return D3DERR_INVALIDCALL;
    if (pElement) std::copy(elements.begin(), elements.end(), pElement);
    *pNumElements = static_cast<UINT>(elements.size());
    return D3D_OK;
}
