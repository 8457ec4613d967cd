// Vertex and index buffers for indexed meshes (see MeshIndexedBuffers.h).
#include "assets/MeshIndexedBuffers.h"

#include <climits>
#include <cstring>

HRESULT createIndexedBuffers(IDirect3DDevice9* device, const void* corners, size_t cornerCount, size_t cornerSize,
                             const std::vector<uint32_t>& indices, IDirect3DVertexBuffer9** vertexBuffer,
                             IDirect3DIndexBuffer9** indexBuffer) {
    *vertexBuffer = nullptr;
    *indexBuffer = nullptr;
    const bool wide = cornerCount > 0xFFFF;
    const size_t indexSize = wide ? 4 : 2;
    if (cornerCount == 0 || indices.empty() || indices.size() > UINT_MAX / indexSize ||
        cornerCount > UINT_MAX / cornerSize)
        return E_FAIL;

    void* bytes = nullptr;
    if (FAILED(device->CreateVertexBuffer(UINT(cornerCount * cornerSize), 0, 0, D3DPOOL_DEFAULT, vertexBuffer,
                                          nullptr)) ||
        FAILED((*vertexBuffer)->Lock(0, 0, &bytes, 0)) || !bytes) {
        releaseObject(*vertexBuffer);
        return E_FAIL;
    }
    std::memcpy(bytes, corners, cornerCount * cornerSize);
    (*vertexBuffer)->Unlock();

    bytes = nullptr;
    if (FAILED(device->CreateIndexBuffer(UINT(indices.size() * indexSize), 0, wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                         D3DPOOL_DEFAULT, indexBuffer, nullptr)) ||
        FAILED((*indexBuffer)->Lock(0, 0, &bytes, 0)) || !bytes) {
        releaseObject(*indexBuffer);
        releaseObject(*vertexBuffer);
        return E_FAIL;
    }
    if (wide) {
        std::memcpy(bytes, indices.data(), indices.size() * 4);
    } else {
        auto* out = static_cast<uint16_t*>(bytes);
        for (uint32_t i : indices) *out++ = uint16_t(i);
    }
    (*indexBuffer)->Unlock();
    return S_OK;
}
