// Turning diagonals inside the flat, evenly mapped parts of an .obj mesh, for a software
// rasteriser. A flat cap triangulated along its outline is a fan of slivers, and a rasteriser
// that shades whole 4 x 4 blocks pays a block for every few pixels of each sliver. Two faces
// that share an edge, lie in one plane and carry one normal and one affine texture mapping
// can trade that edge for the other diagonal of their quad without changing what is drawn;
// trading wherever the opposite angles sum past a half turn (the Delaunay rule) ends with
// triangles as round as the outline allows.
#include "assets/Mesh.h"
#include "assets/MeshCornerBits.h"

#include <cmath>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

struct D3 {
    double x, y, z;
};
D3 operator-(D3 a, D3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(D3 a, D3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
D3 cross(D3 a, D3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double length(D3 a) { return std::sqrt(dot(a, a)); }

// Interior angle at b of the triangle a, b, c.
double angleAt(D3 a, D3 b, D3 c) {
    const D3 u = a - b, w = c - b;
    const double lu = length(u), lw = length(w);
    if (lu == 0.0 || lw == 0.0) return 0.0;
    return std::acos(std::fmax(-1.0, std::fmin(1.0, dot(u, w) / (lu * lw))));
}

uint64_t edgeKey(uint32_t from, uint32_t to) { return uint64_t(from) << 32 | to; }

class EvenSplitter {
public:
    EvenSplitter(const Mesh& m, std::vector<MeshFace>& f) : mesh(m), faces(f) {}

    void run() {
        identifyCorners();
        for (size_t f = 0; f < faces.size(); ++f) addEdges(f);
        std::vector<uint64_t> pending;
        pending.reserve(edges.size());
        for (const auto& e : edges) pending.push_back(e.first);
        // Every turn makes the triangulation strictly rounder, so this ends; the bound only
        // guards against rounding that might let two turns undo each other.
        size_t budget = faces.size() * 16;
        while (!pending.empty() && budget > 0) {
            const uint64_t key = pending.back();
            pending.pop_back();
            if (tryTurn(key, pending)) --budget;
        }
    }

private:
    const Mesh& mesh;
    std::vector<MeshFace>& faces;
    std::vector<uint32_t> cornerIds;                   // 3 per face: the corner's identity
    std::unordered_map<uint64_t, uint32_t> edges;      // directed edge -> face * 3 + corner it starts at
    std::unordered_map<uint64_t, bool> sharedTwice;    // a directed edge used by two faces: never turned

    void identifyCorners() {
        std::unordered_map<CornerBits, uint32_t, CornerBitsHash> ids;
        cornerIds.resize(faces.size() * 3);
        for (size_t f = 0; f < faces.size(); ++f) {
            for (int c = 0; c < 3; ++c) {
                CornerBits bits{};
                std::memcpy(&bits.v[0], &mesh.positions[faces[f].position[c]], 12);
                if (mesh.hasNormals) std::memcpy(&bits.v[3], &mesh.normals[faces[f].normal[c]], 12);
                if (mesh.hasTexCoords) std::memcpy(&bits.v[6], &mesh.texCoords[faces[f].texCoord[c]], 8);
                cornerIds[f * 3 + c] = ids.emplace(bits, uint32_t(ids.size())).first->second;
            }
        }
    }

    void addEdges(size_t f) {
        for (int c = 0; c < 3; ++c) {
            const uint64_t key = edgeKey(cornerIds[f * 3 + c], cornerIds[f * 3 + (c + 1) % 3]);
            if (!edges.emplace(key, uint32_t(f * 3 + c)).second) sharedTwice[key] = true;
        }
    }

    void removeEdges(size_t f) {
        for (int c = 0; c < 3; ++c) edges.erase(edgeKey(cornerIds[f * 3 + c], cornerIds[f * 3 + (c + 1) % 3]));
    }

    D3 position(size_t f, int c) const {
        const MeshFloat3& p = mesh.positions[faces[f].position[c]];
        return {p.x, p.y, p.z};
    }
    D3 texCoord(size_t f, int c) const {
        if (!mesh.hasTexCoords) return {0, 0, 0};
        const MeshFloat2& t = mesh.texCoords[faces[f].texCoord[c]];
        return {t.x, t.y, 0};
    }
    bool sameNormal(size_t f1, int c1, size_t f2, int c2) const {
        if (!mesh.hasNormals) return true;
        return std::memcmp(&mesh.normals[faces[f1].normal[c1]], &mesh.normals[faces[f2].normal[c2]], 12) == 0;
    }

    // Face f1 holds the edge a -> b at corner i1, face f2 holds b -> a at corner i2; c and d
    // are their third corners. The quad a, d, b, c trades diagonal a-b for d-c.
    bool tryTurn(uint64_t key, std::vector<uint64_t>& pending) {
        const uint32_t a = uint32_t(key >> 32), b = uint32_t(key);
        const uint64_t back = edgeKey(b, a);
        auto e1 = edges.find(key), e2 = edges.find(back);
        if (e1 == edges.end() || e2 == edges.end() || sharedTwice.count(key) || sharedTwice.count(back)) return false;
        const size_t f1 = e1->second / 3, f2 = e2->second / 3;
        const int i1 = int(e1->second % 3), i2 = int(e2->second % 3);
        if (f1 == f2) return false;
        const int ic = (i1 + 2) % 3, id = (i2 + 2) % 3;
        if (cornerIds[f1 * 3 + ic] == cornerIds[f2 * 3 + id]) return false;
        if (!sameNormal(f1, i1, f1, ic) || !sameNormal(f1, i1, f2, id) || !sameNormal(f1, i1, f1, (i1 + 1) % 3))
            return false;

        const D3 pa = position(f1, i1), pb = position(f1, (i1 + 1) % 3), pc = position(f1, ic), pd = position(f2, id);
        const D3 n1 = cross(pb - pa, pc - pa), n2 = cross(pa - pb, pd - pb);
        const double l1 = length(n1), l2 = length(n2);
        if (l1 == 0.0 || l2 == 0.0 || dot(n1, n2) < (1.0 - 1e-9) * l1 * l2) return false;
        if (angleAt(pa, pc, pb) + angleAt(pa, pd, pb) <= 3.14159265358979323846 + 1e-9) return false;
        // The new diagonal must run inside the quad: both new triangles keep the winding.
        if (dot(cross(pd - pa, pc - pa), n1) <= 1e-12 * l1 * l1 || dot(cross(pb - pd, pc - pd), n1) <= 1e-12 * l1 * l1)
            return false;
        if (!evenlyMapped(pa, pb, pc, pd, texCoord(f1, i1), texCoord(f1, (i1 + 1) % 3), texCoord(f1, ic),
                          texCoord(f2, id)))
            return false;

        const MeshFace old1 = faces[f1], old2 = faces[f2];
        const uint32_t ida = cornerIds[f1 * 3 + i1], idb = cornerIds[f1 * 3 + (i1 + 1) % 3];
        const uint32_t idc = cornerIds[f1 * 3 + ic], idd = cornerIds[f2 * 3 + id];
        removeEdges(f1);
        removeEdges(f2);
        const auto corner = [](const MeshFace& from, int c, MeshFace& to, int k) {
            to.position[k] = from.position[c];
            to.normal[k] = from.normal[c];
            to.texCoord[k] = from.texCoord[c];
        };
        // (a, d, c) and (d, b, c), as the quad a, d, b, c runs.
        corner(old1, i1, faces[f1], 0);
        corner(old2, id, faces[f1], 1);
        corner(old1, ic, faces[f1], 2);
        corner(old2, id, faces[f2], 0);
        corner(old1, (i1 + 1) % 3, faces[f2], 1);
        corner(old1, ic, faces[f2], 2);
        const uint32_t ids1[3] = {ida, idd, idc}, ids2[3] = {idd, idb, idc};
        std::memcpy(&cornerIds[f1 * 3], ids1, sizeof ids1);
        std::memcpy(&cornerIds[f2 * 3], ids2, sizeof ids2);
        addEdges(f1);
        addEdges(f2);
        // The quad's outer edges may now be worth turning.
        for (uint64_t outer : {edgeKey(ida, idd), edgeKey(idd, idb), edgeKey(idb, idc), edgeKey(idc, ida)}) {
            pending.push_back(outer);
            pending.push_back(edgeKey(uint32_t(outer), uint32_t(outer >> 32)));
        }
        return true;
    }

    // d's texture coordinate is where the mapping of a, b, c puts its position, so either
    // diagonal interpolates the same coordinates (and gives the same tangent frame).
    static bool evenlyMapped(D3 pa, D3 pb, D3 pc, D3 pd, D3 ta, D3 tb, D3 tc, D3 td) {
        const D3 e1 = pb - pa, e2 = pc - pa, e3 = pd - pa;
        const double d11 = dot(e1, e1), d12 = dot(e1, e2), d22 = dot(e2, e2);
        const double det = d11 * d22 - d12 * d12;
        if (det <= 0.0) return false;
        const double s = (d22 * dot(e3, e1) - d12 * dot(e3, e2)) / det;
        const double t = (d11 * dot(e3, e2) - d12 * dot(e3, e1)) / det;
        const double u = ta.x + s * (tb.x - ta.x) + t * (tc.x - ta.x);
        const double v = ta.y + s * (tb.y - ta.y) + t * (tc.y - ta.y);
        return std::fabs(u - td.x) <= 1e-5 && std::fabs(v - td.y) <= 1e-5;
    }
};

}  // namespace

void Mesh::splitFlatPartsEvenly(std::vector<MeshFace>& drawn) const { EvenSplitter(*this, drawn).run(); }
