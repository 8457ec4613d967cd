// An .obj mesh drawn indexed from its distinct corners, for a software rasteriser. The
// vertex stage runs on one thread there, and a mesh expanded to three vertices per face
// shades every corner it shares with its neighbours once per face. Corners share where their
// position, normal and texture coordinate are equal to the bit and their tangent frames agree
// but for rounding (each face works its frame out from its own corners, so the neighbours of
// one flat, evenly mapped part hold frames a few units in the last place apart).
#include "assets/Mesh.h"
#include "assets/MeshCornerBits.h"
#include "assets/MeshIndexedBuffers.h"

#include <cmath>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

bool framesAgree(const MeshVertex& a, const MeshVertex& b) {
    for (int i = 0; i < 3; ++i)
        if (std::fabs(a.tangent[i] - b.tangent[i]) > 1e-4f || std::fabs(a.binormal[i] - b.binormal[i]) > 1e-4f)
            return false;
    return true;
}

}  // namespace

HRESULT Mesh::createSharedObjObjects(IDirect3DDevice9* device, const std::vector<MeshFace>& drawn) {
    if (drawn.empty()) return E_FAIL;
    std::vector<MeshVertex> corners;
    std::vector<uint32_t> indices;
    // Each key's corners so far; rarely more than one.
    std::unordered_map<CornerBits, std::vector<uint32_t>, CornerBitsHash> cornersOf;
    indices.reserve(drawn.size() * 3);
    MeshVertex v[3];
    for (const MeshFace& face : drawn) {
        fillFaceVertices(face, v);
        for (const MeshVertex& corner : v) {
            // Position, normal and texture coordinate lead the vertex: they must match exactly.
            CornerBits key;
            std::memcpy(key.v, &corner, sizeof key.v);
            std::vector<uint32_t>& same = cornersOf[key];
            uint32_t index = uint32_t(corners.size());
            for (uint32_t candidate : same)
                if (framesAgree(corners[candidate], corner)) index = candidate;
            if (index == corners.size()) {
                corners.push_back(corner);
                same.push_back(index);
            }
            indices.push_back(index);
        }
    }
    if (FAILED(createIndexedBuffers(device, corners.data(), corners.size(), sizeof(MeshVertex), indices, &vertexBuffer,
                                    &indexBuffer)))
        return E_FAIL;
    sharedCornerCount = UINT(corners.size());
    return S_OK;
}
