// Mesh accumulation and the three mesh file writers (see MeshBuilder.h).
#include "MeshBuilder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace contentgen {

namespace {

struct FileCloser {
    void operator()(FILE* f) const {
        if (f) fclose(f);
    }
};
using File = std::unique_ptr<FILE, FileCloser>;

// Per-vertex tangent frame computed the way the saver computes it for .obj faces: S along
// growing u, W along growing v, tangent = S made perpendicular to the normal, binormal =
// N × S turned to agree with W. Accumulated over the faces that share a vertex.
void tangentFrames(const std::vector<Vertex>& verts, const std::vector<uint32_t>& tris, std::vector<Vec3>& tangents,
                   std::vector<Vec3>& binormals) {
    std::vector<Vec3> s(verts.size()), w(verts.size());
    for (size_t i = 0; i + 2 < tris.size(); i += 3) {
        const Vertex& a = verts[tris[i]];
        const Vertex& b = verts[tris[i + 1]];
        const Vertex& c = verts[tris[i + 2]];
        Vec3 e1 = b.position - a.position, e2 = c.position - a.position;
        double du1 = b.uv.x - a.uv.x, dv1 = b.uv.y - a.uv.y;
        double du2 = c.uv.x - a.uv.x, dv2 = c.uv.y - a.uv.y;
        double d = du1 * dv2 - dv1 * du2;
        if (d == 0) d = 1;
        Vec3 sd = (e1 * dv2 - e2 * dv1) * (1.0 / d);
        Vec3 wd = (e2 * du1 - e1 * du2) * (1.0 / d);
        for (int k = 0; k < 3; ++k) {
            s[tris[i + k]] = s[tris[i + k]] + sd;
            w[tris[i + k]] = w[tris[i + k]] + wd;
        }
    }
    tangents.resize(verts.size());
    binormals.resize(verts.size());
    for (size_t i = 0; i < verts.size(); ++i) {
        Vec3 n = verts[i].normal;
        Vec3 si = length(s[i]) > 0 ? normalized(s[i]) : Vec3{1, 0, 0};
        Vec3 t = normalized(si - n * dot(n, si));
        Vec3 b = cross(n, si);
        if (dot(cross(t, w[i]), n) < 0) b = -b;
        tangents[i] = t;
        binormals[i] = normalized(b);
    }
}

}  // namespace

void MeshBuilder::mapUv(const std::function<Vec2(const Vertex&)>& uvOf) {
    for (Vertex& v : verts) v.uv = uvOf(v);
}

uint32_t MeshBuilder::addVertex(const Vertex& v) {
    verts.push_back(v);
    return static_cast<uint32_t>(verts.size() - 1);
}

void MeshBuilder::addTriangle(uint32_t a, uint32_t b, uint32_t c) {
    const Vec3 pa = verts[a].position, pb = verts[b].position, pc = verts[c].position;
    Vec3 facing = verts[a].normal + verts[b].normal + verts[c].normal;
    Vec3 g = cross(pb - pa, pc - pa);
    if (length(g) < 1e-14) return;  // degenerate slivers only cost time and break tangents
    if (dot(g, facing) < 0) std::swap(b, c);
    tris.push_back(a);
    tris.push_back(b);
    tris.push_back(c);
}

void MeshBuilder::addQuad(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    addTriangle(a, b, c);
    addTriangle(a, c, d);
}

void MeshBuilder::append(const MeshBuilder& other) { append(other, Affine{}); }

void MeshBuilder::append(const MeshBuilder& other, const Affine& m) {
    uint32_t base = static_cast<uint32_t>(verts.size());
    for (const Vertex& v : other.verts)
        verts.push_back({m.point(v.position), normalized(m.direction(v.normal)), v.uv});
    // A mirroring transform turns the winding inside out; re-adding through addTriangle
    // puts it right again.
    for (size_t i = 0; i + 2 < other.tris.size(); i += 3)
        addTriangle(base + other.tris[i], base + other.tris[i + 1], base + other.tris[i + 2]);
}

void MeshBuilder::transform(const Affine& m) {
    MeshBuilder moved;
    moved.append(*this, m);
    *this = std::move(moved);
}

void MeshBuilder::boundsOf(Vec3& lo, Vec3& hi) const {
    lo = {1e30, 1e30, 1e30};
    hi = {-1e30, -1e30, -1e30};
    for (const Vertex& v : verts) {
        lo = {std::min(lo.x, v.position.x), std::min(lo.y, v.position.y), std::min(lo.z, v.position.z)};
        hi = {std::max(hi.x, v.position.x), std::max(hi.y, v.position.y), std::max(hi.z, v.position.z)};
    }
}

bool MeshBuilder::writeObj(const std::string& path) const {
    File f(fopen(path.c_str(), "w"));
    if (!f) return false;
    fprintf(f.get(), "# zarn content generator\n");
    // Only referenced vertices are written, so a mesh never carries stray data.
    for (const Vertex& v : verts) fprintf(f.get(), "v %.5f %.5f %.5f\n", v.position.x, v.position.y, v.position.z);
    for (const Vertex& v : verts) fprintf(f.get(), "vt %.5f %.5f\n", v.uv.x, v.uv.y);
    for (const Vertex& v : verts) fprintf(f.get(), "vn %.4f %.4f %.4f\n", v.normal.x, v.normal.y, v.normal.z);
    for (size_t i = 0; i + 2 < tris.size(); i += 3) {
        uint32_t a = tris[i] + 1, b = tris[i + 1] + 1, c = tris[i + 2] + 1;
        fprintf(f.get(), "f %u/%u/%u %u/%u/%u %u/%u/%u\n", a, a, a, b, b, b, c, c, c);
    }
    return ferror(f.get()) == 0;
}

bool MeshBuilder::writeStrip(const std::string& path) const {
    if (verts.size() > 65535 || tris.empty()) return false;
    File f(fopen(path.c_str(), "wb"));
    if (!f) return false;
    std::vector<Vec3> tangents, binormals;
    tangentFrames(verts, tris, tangents, binormals);
    auto putInt = [&](int32_t v) {
        unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                              static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
        fwrite(b, 1, 4, f.get());
    };
    auto putFloat = [&](double d) {
        float v = static_cast<float>(d);
        uint32_t bits;
        static_assert(sizeof bits == sizeof v);
        memcpy(&bits, &v, 4);
        putInt(static_cast<int32_t>(bits));
    };
    auto putVec = [&](Vec3 v) {
        putFloat(v.x);
        putFloat(v.y);
        putFloat(v.z);
    };
    putInt(static_cast<int32_t>(verts.size()));
    putInt(1);  // one group: a plain triangle list
    for (size_t i = 0; i < verts.size(); ++i) {
        putVec(verts[i].position);
        putVec(verts[i].normal);
        putFloat(verts[i].uv.x);
        putFloat(verts[i].uv.y);
        putVec(binormals[i]);
        putVec(tangents[i]);
    }
    putInt(0);  // triangle list
    putInt(static_cast<int32_t>(tris.size()));
    for (uint32_t i : tris) {
        unsigned char b[2] = {static_cast<unsigned char>(i), static_cast<unsigned char>(i >> 8)};
        fwrite(b, 1, 2, f.get());
    }
    return ferror(f.get()) == 0;
}

bool MeshBuilder::writeX(const std::string& path) const {
    File f(fopen(path.c_str(), "w"));
    if (!f) return false;
    FILE* o = f.get();
    size_t nv = verts.size(), nf = tris.size() / 3;
    fprintf(o, "xof 0303txt 0032\n\nMesh {\n %zu;\n", nv);
    for (size_t i = 0; i < nv; ++i)
        fprintf(o, " %.5f;%.5f;%.5f;%s\n", verts[i].position.x, verts[i].position.y, verts[i].position.z,
                i + 1 < nv ? "," : ";");
    fprintf(o, " %zu;\n", nf);
    for (size_t i = 0; i < nf; ++i)
        fprintf(o, " 3;%u,%u,%u;%s\n", tris[3 * i], tris[3 * i + 1], tris[3 * i + 2], i + 1 < nf ? "," : ";");
    fprintf(o, "\n MeshNormals {\n  %zu;\n", nv);
    for (size_t i = 0; i < nv; ++i)
        fprintf(o, "  %.4f;%.4f;%.4f;%s\n", verts[i].normal.x, verts[i].normal.y, verts[i].normal.z,
                i + 1 < nv ? "," : ";");
    fprintf(o, "  %zu;\n", nf);
    for (size_t i = 0; i < nf; ++i)
        fprintf(o, "  3;%u,%u,%u;%s\n", tris[3 * i], tris[3 * i + 1], tris[3 * i + 2], i + 1 < nf ? "," : ";");
    fprintf(o, " }\n\n MeshTextureCoords {\n  %zu;\n", nv);
    for (size_t i = 0; i < nv; ++i)
        fprintf(o, "  %.5f;%.5f;%s\n", verts[i].uv.x, verts[i].uv.y, i + 1 < nv ? "," : ";");
    fprintf(o, " }\n\n MeshMaterialList {\n  1;\n  %zu;\n", nf);
    for (size_t i = 0; i < nf; ++i) fprintf(o, "  0%s\n", i + 1 < nf ? "," : ";");
    // The saver draws the first subset with its own material; this one only has to exist.
    fprintf(o,
            "  Material {\n   1.000000;1.000000;1.000000;1.000000;;\n   40.000000;\n"
            "   0.500000;0.500000;0.500000;;\n   0.000000;0.000000;0.000000;;\n  }\n }\n}\n");
    return ferror(o) == 0;
}

}  // namespace contentgen
