// An .obj mesh drawn indexed from its distinct corners, for a software rasteriser. The
// vertex stage runs on one thread there, and a mesh expanded to three vertices per face
// shades every corner it shares with its neighbours once per face. Corners are shared only
// where all 56 bytes are equal, so every vertex drawn holds exactly what the per-face buffer
// would hold in its place.
#include "assets/Mesh.h"

#include <climits>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

struct VertexBits {
    MeshVertex v;
    bool operator==(const VertexBits& o) const { return std::memcmp(&v, &o.v, sizeof v) == 0; }
};
struct VertexBitsHash {
    size_t operator()(const VertexBits& b) const {
        uint32_t words[sizeof(MeshVertex) / 4];
        std::memcpy(words, &b.v, sizeof words);
        size_t h = 0;
        for (uint32_t w : words) h = h * 0x9E3779B1u ^ w;
        return h;
    }
};

template <typename T>
void releaseObject(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

}  // namespace

HRESULT Mesh::createSharedObjObjects(IDirect3DDevice9* device, const std::vector<MeshFace>& drawn) {
    if (drawn.empty()) return E_FAIL;
    std::vector<MeshVertex> corners;
    std::vector<uint32_t> indices;
    std::unordered_map<VertexBits, uint32_t, VertexBitsHash> cornerOf;
    indices.reserve(drawn.size() * 3);
    MeshVertex v[3];
    for (const MeshFace& face : drawn) {
        fillFaceVertices(face, v);
        for (const MeshVertex& corner : v) {
            auto inserted = cornerOf.emplace(VertexBits{corner}, uint32_t(corners.size()));
            if (inserted.second) corners.push_back(corner);
            indices.push_back(inserted.first->second);
        }
    }
    const bool wide = corners.size() > 0xFFFF;
    const size_t indexSize = wide ? 4 : 2;
    if (indices.size() * indexSize > UINT_MAX || corners.size() * sizeof(MeshVertex) > UINT_MAX) return E_FAIL;

    void* bytes = nullptr;
    if (FAILED(device->CreateVertexBuffer(UINT(corners.size() * sizeof(MeshVertex)), 0, 0, D3DPOOL_DEFAULT,
                                          &vertexBuffer, nullptr)) ||
        FAILED(vertexBuffer->Lock(0, 0, &bytes, 0)) || !bytes) {
        releaseObject(vertexBuffer);
        return E_FAIL;
    }
    std::memcpy(bytes, corners.data(), corners.size() * sizeof(MeshVertex));
    vertexBuffer->Unlock();

    bytes = nullptr;
    if (FAILED(device->CreateIndexBuffer(UINT(indices.size() * indexSize), 0, wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                         D3DPOOL_DEFAULT, &indexBuffer, nullptr)) ||
        FAILED(indexBuffer->Lock(0, 0, &bytes, 0)) || !bytes) {
        releaseObject(indexBuffer);
        releaseObject(vertexBuffer);
        return E_FAIL;
    }
    if (wide) {
        std::memcpy(bytes, indices.data(), indices.size() * 4);
    } else {
        auto* out = static_cast<uint16_t*>(bytes);
        for (uint32_t i : indices) *out++ = uint16_t(i);
    }
    indexBuffer->Unlock();
    sharedCornerCount = UINT(corners.size());
    return S_OK;
}
