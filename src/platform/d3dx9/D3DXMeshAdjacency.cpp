// ID3DXMesh::GenerateAdjacency: for every edge of every face, the face across it. Vertices
// whose positions agree within epsilon on every axis count as one point, so faces that
// share an edge through duplicated vertices (texture seams) are still neighbours. Points
// are bucketed in an epsilon grid, which keeps large flat meshes linear.
#include "D3DXMeshImpl.h"
#include "win32/messages/DesktopPings.h"

#include <cmath>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

struct Point {
    float x, y, z;
};

int64_t cellOf(float value, double cell) {
    double c = std::floor(static_cast<double>(value) / cell);
    if (!(c > -1e15)) return INT64_MIN / 4;  // also catches NaN
    if (c > 1e15) return INT64_MAX / 4;
    return static_cast<int64_t>(c);
}

// Without an epsilon only equal values match: the value's bits are its cell (+0 and -0 alike).
int64_t exactKey(float value) {
    if (value == 0.0f) value = 0.0f;
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

struct CellKey {
    int64_t x, y, z;
    bool operator==(const CellKey& o) const { return x == o.x && y == o.y && z == o.z; }
};
struct CellHash {
    size_t operator()(const CellKey& k) const {
        uint64_t h = static_cast<uint64_t>(k.x) * 0x9E3779B97F4A7C15ull;
        h ^= static_cast<uint64_t>(k.y) * 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
        h ^= static_cast<uint64_t>(k.z) * 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
        return static_cast<size_t>(h);
    }
};

// Representative vertex of each vertex: the first vertex (in order) at the same point.
std::vector<DWORD> pointReps(const std::vector<Point>& points, float epsilon) {
    std::vector<DWORD> reps(points.size());
    double cell = epsilon > 0.0f ? static_cast<double>(epsilon) : 0.0;
    std::unordered_map<CellKey, std::vector<DWORD>, CellHash> grid;
    grid.reserve(points.size());
    for (DWORD v = 0; v < points.size(); ++v) {
        // A mesh of millions of vertices takes seconds here (see DesktopPings.h).
        if ((v & 0xFFFF) == 0) zarnAnswerDesktopPings();
        const Point& p = points[v];
        CellKey key = cell > 0.0 ? CellKey{cellOf(p.x, cell), cellOf(p.y, cell), cellOf(p.z, cell)}
                                 : CellKey{exactKey(p.x), exactKey(p.y), exactKey(p.z)};
        reps[v] = v;
        bool found = false;
        for (int dx = -1; dx <= 1 && !found; ++dx)
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dz = -1; dz <= 1 && !found; ++dz) {
                    auto it = grid.find({key.x + dx, key.y + dy, key.z + dz});
                    if (it == grid.end()) continue;
                    for (DWORD other : it->second) {
                        const Point& q = points[other];
                        if (std::fabs(p.x - q.x) <= epsilon && std::fabs(p.y - q.y) <= epsilon &&
                            std::fabs(p.z - q.z) <= epsilon) {
                            reps[v] = reps[other];
                            found = true;
                            break;
                        }
                    }
                }
        if (!found) grid[key].push_back(v);
    }
    return reps;
}

}  // namespace

HRESULT D3DXMeshImpl::GenerateAdjacency(FLOAT Epsilon, DWORD* pAdjacency) {
    if (!pAdjacency) return D3DERR_INVALIDCALL;
    const D3DVERTEXELEMENT9* position = findElement(D3DDECLUSAGE_POSITION, 0);
    if (!position || position->Type > D3DDECLTYPE_FLOAT4 || position->Type < D3DDECLTYPE_FLOAT3)
        return D3DERR_INVALIDCALL;
    if (!(Epsilon >= 0.0f)) Epsilon = 0.0f;

    std::vector<Point> points(vertexCount);
    for (DWORD v = 0; v < vertexCount; ++v)
        std::memcpy(&points[v], vertices.data() + static_cast<size_t>(v) * stride + position->Offset, sizeof(Point));
    std::vector<DWORD> reps = pointReps(points, Epsilon);

    auto repOf = [&](DWORD f, int corner) -> DWORD {
        DWORD i = index(static_cast<size_t>(f) * 3 + corner);
        return i < vertexCount ? reps[i] : 0xFFFFFFFF;
    };
    auto edgeKey = [](DWORD a, DWORD b) {
        if (a > b) std::swap(a, b);
        return (static_cast<uint64_t>(a) << 32) | b;
    };

    // Every face edge, keyed by its two points regardless of direction.
    std::unordered_map<uint64_t, std::vector<DWORD>> edges;  // face * 3 + edge
    edges.reserve(static_cast<size_t>(faceCount) * 3);
    for (DWORD f = 0; f < faceCount; ++f) {
        if ((f & 0xFFFF) == 0) zarnAnswerDesktopPings();
        for (int e = 0; e < 3; ++e) {
            DWORD a = repOf(f, e), b = repOf(f, (e + 1) % 3);
            if (a == b || a == 0xFFFFFFFF || b == 0xFFFFFFFF) continue;
            edges[edgeKey(a, b)].push_back(f * 3 + e);
        }
    }

    for (DWORD f = 0; f < faceCount; ++f)
        for (int e = 0; e < 3; ++e) {
            DWORD& out = pAdjacency[static_cast<size_t>(f) * 3 + e];
            out = 0xFFFFFFFF;
            DWORD a = repOf(f, e), b = repOf(f, (e + 1) % 3);
            if (a == b || a == 0xFFFFFFFF || b == 0xFFFFFFFF) continue;
            const std::vector<DWORD>& sharing = edges[edgeKey(a, b)];
            // Prefer a neighbour that runs the edge the other way (consistent winding).
            DWORD fallback = 0xFFFFFFFF;
            for (DWORD faceEdge : sharing) {
                DWORD g = faceEdge / 3;
                if (g == f) continue;
                if (repOf(g, faceEdge % 3) == b) {
                    out = g;
                    break;
                }
                if (fallback == 0xFFFFFFFF) fallback = g;
            }
            if (out == 0xFFFFFFFF) out = fallback;
        }
    return S_OK;
}
