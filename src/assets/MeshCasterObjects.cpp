// The shadow-caster copy of an .obj mesh: each distinct corner position once, and one index
// per face corner, in face order. The shadow pass reads nothing but positions, so this draws
// exactly the triangles of the full buffer while the vertex stage runs once per shared corner
// rather than three times per face; a closed mesh also skips its faces turned from the light.
#include "assets/Mesh.h"
#include "assets/MeshIndexedBuffers.h"

#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

const D3DVERTEXELEMENT9 casterVertexElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    D3DDECL_END(),
};

// Corners are shared only when their bits are equal, so every vertex the pass sees holds the
// very floats the full buffer holds.
struct PositionBits {
    uint32_t x, y, z;
    bool operator==(const PositionBits& o) const { return x == o.x && y == o.y && z == o.z; }
};
struct PositionBitsHash {
    size_t operator()(const PositionBits& p) const {
        return (size_t(p.x) * 0x9E3779B1u) ^ (size_t(p.y) * 0x85EBCA77u) ^ (size_t(p.z) * 0xC2B2AE3Du);
    }
};

PositionBits bitsOf(const MeshFloat3& p) {
    PositionBits b;
    std::memcpy(&b.x, &p.x, 4);
    std::memcpy(&b.y, &p.y, 4);
    std::memcpy(&b.z, &p.z, 4);
    return b;
}

// A closed surface, with the light outside it, shows the light's camera its near side first
// along every ray, and its near side is the faces that face the light: the faces turned away
// from the light change nothing in the shadow map and need not be drawn. Closed means every
// edge between corner points is used exactly once in each direction and no face is
// degenerate. The answer is the cull mode that drops the turned-away faces for an unmirrored
// world transform: faces wound clockwise seen from outside (positive signed volume) are
// Direct3D's front faces, so counter-clockwise ones go; inside-out surfaces the other way.
DWORD closedSurfaceCulling(const std::vector<MeshFloat3>& corners, const std::vector<uint32_t>& indices) {
    // Corners kept apart only by the sign of a zero are one point: the surface closes there.
    std::vector<uint32_t> pointOf(corners.size());
    std::unordered_map<PositionBits, uint32_t, PositionBitsHash> points;
    for (size_t i = 0; i < corners.size(); ++i) {
        const MeshFloat3& c = corners[i];
        const MeshFloat3 p = {c.x == 0.0f ? 0.0f : c.x, c.y == 0.0f ? 0.0f : c.y, c.z == 0.0f ? 0.0f : c.z};
        pointOf[i] = points.emplace(bitsOf(p), uint32_t(points.size())).first->second;
    }
    std::unordered_map<uint64_t, uint32_t> edgeUses;
    edgeUses.reserve(indices.size());
    double volume = 0.0;
    for (size_t f = 0; f + 2 < indices.size(); f += 3) {
        const uint32_t k[3] = {pointOf[indices[f]], pointOf[indices[f + 1]], pointOf[indices[f + 2]]};
        if (k[0] == k[1] || k[1] == k[2] || k[0] == k[2]) return D3DCULL_NONE;
        for (int e = 0; e < 3; ++e) {
            const uint64_t edge = uint64_t(k[e]) << 32 | k[(e + 1) % 3];
            if (++edgeUses[edge] > 1) return D3DCULL_NONE;
        }
        const MeshFloat3 &a = corners[indices[f]], &b = corners[indices[f + 1]], &c = corners[indices[f + 2]];
        volume += double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) +
                  double(a.y) * (double(b.z) * c.x - double(b.x) * c.z) +
                  double(a.z) * (double(b.x) * c.y - double(b.y) * c.x);
    }
    for (const auto& use : edgeUses) {
        const uint64_t reverse = (use.first & 0xFFFFFFFFu) << 32 | use.first >> 32;
        if (!edgeUses.count(reverse)) return D3DCULL_NONE;
    }
    if (volume > 0.0) return D3DCULL_CCW;
    if (volume < 0.0) return D3DCULL_CW;
    return D3DCULL_NONE;
}

}  // namespace

HRESULT Mesh::createCasterObjects(IDirect3DDevice9* device, const Mesh& source, const std::vector<MeshFace>& drawn) {
    if (drawn.empty()) return S_OK;
    const auto& positions = source.positions;
    std::vector<MeshFloat3> corners;
    std::vector<uint32_t> indices;
    std::unordered_map<PositionBits, uint32_t, PositionBitsHash> cornerOf;
    indices.reserve(drawn.size() * 3);
    for (const MeshFace& face : drawn) {
        for (int c = 0; c < 3; ++c) {
            const MeshFloat3& p = positions[face.position[c]];
            auto inserted = cornerOf.emplace(bitsOf(p), uint32_t(corners.size()));
            if (inserted.second) corners.push_back(p);
            indices.push_back(inserted.first->second);
        }
    }
    // Texture edits lock the full buffer only; positions never change after load.
    if (FAILED(device->CreateVertexDeclaration(casterVertexElements, &casterDecl)) ||
        FAILED(createIndexedBuffers(device, corners.data(), corners.size(), sizeof(MeshFloat3), indices,
                                    &casterVertexBuffer, &casterIndexBuffer))) {
        releaseCasterObjects();
        return E_FAIL;
    }
    casterCornerCount = UINT(corners.size());
    casterTriangleCount = UINT(drawn.size());
    casterCulling = closedSurfaceCulling(corners, indices);
    return S_OK;
}

void Mesh::releaseCasterObjects() {
    releaseObject(casterIndexBuffer);
    releaseObject(casterVertexBuffer);
    releaseObject(casterDecl);
    casterCornerCount = 0;
    casterTriangleCount = 0;
    casterCulling = D3DCULL_NONE;
}
