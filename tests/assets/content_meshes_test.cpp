// The generated mesh files, read independently of the saver's loaders: every triangle
// faces the way its normals say (the saver culls counter-clockwise triangles, so a wrong
// winding makes a part vanish), indices stay in range, the binary strip and the text .x
// hold exactly what their layouts promise, and the whole clock stays within its triangle
// budget counting every part as often as the clock draws it.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using V3 = std::array<double, 3>;
V3 sub(V3 a, V3 b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
V3 cross(V3 a, V3 b) { return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]}; }
double dot(V3 a, V3 b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double len(V3 a) { return std::sqrt(dot(a, a)); }

struct Tri {
    V3 p[3];
    V3 n[3];
};

const std::string kMeshDir = std::string(ZARN_BINARY_DIR) + "/data/media/meshes/";

bool generated() {
#ifdef ZARN_CONTENT_GENERATED
    return true;
#else
    return false;
#endif
}

// Faces of an .obj written as p/t/n corners; false on anything out of range.
bool readObj(const std::string& path, std::vector<Tri>& tris, std::string& problem) {
    std::ifstream in(path);
    if (!in) return problem = "cannot open " + path, false;
    std::vector<V3> v, n;
    size_t vt = 0;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream s(line);
        std::string k;
        s >> k;
        if (k == "v" || k == "vn") {
            V3 a;
            s >> a[0] >> a[1] >> a[2];
            (k == "v" ? v : n).push_back(a);
        } else if (k == "vt") {
            ++vt;
        } else if (k == "f") {
            Tri t;
            for (int c = 0; c < 3; ++c) {
                std::string corner;
                s >> corner;
                long pi = 0, ti = 0, ni = 0;
                if (sscanf(corner.c_str(), "%ld/%ld/%ld", &pi, &ti, &ni) != 3) return problem = "bad face " + line, false;
                if (pi < 1 || pi > long(v.size()) || ti < 1 || ti > long(vt) || ni < 1 || ni > long(n.size()))
                    return problem = "index out of range in " + line, false;
                t.p[c] = v[pi - 1];
                t.n[c] = n[ni - 1];
            }
            std::string extra;
            if (s >> extra) return problem = "more than three corners: " + line, false;
            tris.push_back(t);
        } else if (!k.empty() && k[0] != '#') {
            return problem = "unexpected statement " + k, false;
        }
    }
    return true;
}

// Triangles whose winding disagrees with their corner normals, i.e. that the saver would
// cull while they face the viewer.
size_t wrongWay(const std::vector<Tri>& tris) {
    size_t bad = 0;
    for (const Tri& t : tris) {
        V3 g = cross(sub(t.p[1], t.p[0]), sub(t.p[2], t.p[0]));
        V3 n = {t.n[0][0] + t.n[1][0] + t.n[2][0], t.n[0][1] + t.n[1][1] + t.n[2][1], t.n[0][2] + t.n[1][2] + t.n[2][2]};
        if (len(g) > 1e-9 && dot(g, n) <= 0) ++bad;
    }
    return bad;
}

struct StripFile {
    std::vector<Tri> tris;
    std::vector<std::array<float, 14>> vertices;
};

bool readStrip(const std::string& path, StripFile& out, std::string& problem) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t at = 0;
    auto take = [&](void* dst, size_t n) {
        if (at + n > bytes.size()) return false;
        std::memcpy(dst, bytes.data() + at, n);
        at += n;
        return true;
    };
    int32_t vertexCount = 0, groupCount = 0;
    if (!take(&vertexCount, 4) || !take(&groupCount, 4)) return problem = "short header", false;
    if (vertexCount <= 0 || vertexCount > 65536 || groupCount <= 0) return problem = "implausible header", false;
    out.vertices.resize(vertexCount);
    for (auto& v : out.vertices)
        if (!take(v.data(), 56)) return problem = "truncated vertices", false;
    for (int g = 0; g < groupCount; ++g) {
        int32_t type = 0, count = 0;
        if (!take(&type, 4) || !take(&count, 4) || count < 0) return problem = "truncated group", false;
        std::vector<uint16_t> idx(count);
        if (!take(idx.data(), 2 * size_t(count))) return problem = "truncated indices", false;
        for (uint16_t i : idx)
            if (i >= vertexCount) return problem = "index beyond the vertices", false;
        if (type != 0 || count % 3 != 0) return problem = "expected triangle lists", false;
        for (int i = 0; i < count; i += 3) {
            Tri t;
            for (int c = 0; c < 3; ++c) {
                const auto& v = out.vertices[idx[i + c]];
                t.p[c] = {v[0], v[1], v[2]};
                t.n[c] = {v[3], v[4], v[5]};
            }
            out.tris.push_back(t);
        }
    }
    if (at != bytes.size()) return problem = "bytes after the last group", false;
    return true;
}

// Vertices and faces of the generator's text .x mesh (the Mesh template's own lists).
bool readX(const std::string& path, std::vector<Tri>& tris, std::string& text, std::string& problem) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    text = ss.str();
    if (text.rfind("xof 0303txt 0032", 0) != 0) return problem = "not a text .x file", false;
    std::string body = text.substr(text.find("Mesh {") + 6);
    for (char& c : body)
        if (c == ';' || c == ',') c = ' ';
    std::istringstream s(body);
    size_t nv = 0, nf = 0;
    s >> nv;
    std::vector<V3> v(nv);
    for (V3& p : v) s >> p[0] >> p[1] >> p[2];
    s >> nf;
    std::vector<std::array<size_t, 3>> faces(nf);
    for (auto& f : faces) {
        size_t three = 0;
        s >> three >> f[0] >> f[1] >> f[2];
        if (three != 3 || f[0] >= nv || f[1] >= nv || f[2] >= nv) return problem = "bad face", false;
    }
    std::string word;
    s >> word;
    if (word != "MeshNormals") return problem = "normals missing", false;
    s >> word;  // {
    size_t nn = 0;
    s >> nn;
    if (nn != nv) return problem = "one normal per vertex expected", false;
    std::vector<V3> n(nn);
    for (V3& p : n) s >> p[0] >> p[1] >> p[2];
    for (const auto& f : faces) tris.push_back({{v[f[0]], v[f[1]], v[f[2]]}, {n[f[0]], n[f[1]], n[f[2]]}});
    return !s.fail();
}

// Each mesh file with the number of times the clock draws it in one pass.
const std::map<std::string, int> kDrawCounts = {
    {"frame.obj", 1},         {"minuteHand.obj", 1},     {"hourHand.obj", 1},      {"counterDigit.obj", 4},
    {"counterDouble.obj", 2}, {"counterTriple.obj", 2},  {"logoZ.obj", 1},         {"logoA.obj", 1},
    {"logoR.obj", 1},         {"logoN.obj", 1},          {"globe.obj", 1},         {"moon.obj", 1},
    {"toothyGear.obj", 2},    {"fancyGear.obj", 3},      {"fancySecondary.obj", 1}, {"extraGearA.obj", 2},
    {"extraGearB.obj", 1},    {"sideDriver.x", 2},       {"sideGear.obj", 2},      {"sideMini.obj", 2},
    {"pendulum.strip", 1},    {"backdropNear.obj", 1},   {"backdropFar.obj", 1}};

TEST(ContentMeshes, EveryTriangleFacesTheWayItsNormalsPoint) {
    if (!generated()) GTEST_SKIP() << "this build does not generate the clock's content";
    for (const auto& [file, count] : kDrawCounts) {
        std::vector<Tri> tris;
        std::string problem, text;
        bool ok;
        if (file.ends_with(".strip")) {
            StripFile strip;
            ok = readStrip(kMeshDir + file, strip, problem);
            tris = strip.tris;
        } else if (file.ends_with(".x")) {
            ok = readX(kMeshDir + file, tris, text, problem);
        } else {
            ok = readObj(kMeshDir + file, tris, problem);
        }
        ASSERT_TRUE(ok) << file << ": " << problem;
        EXPECT_FALSE(tris.empty()) << file;
        EXPECT_EQ(wrongWay(tris), 0u) << file;
    }
}

TEST(ContentMeshes, SpheresFaceOutwardsAndCapsFaceTheCamera) {
    if (!generated()) GTEST_SKIP();
    for (const char* file : {"globe.obj", "moon.obj"}) {
        std::vector<Tri> tris;
        std::string problem;
        ASSERT_TRUE(readObj(kMeshDir + file, tris, problem)) << problem;
        for (const Tri& t : tris)
            for (int c = 0; c < 3; ++c) ASSERT_GT(dot(t.n[c], t.p[c]), 0) << file;
    }
    // The parts seen from the front carry most of their area on faces towards -z.
    for (const char* file : {"frame.obj", "toothyGear.obj", "logoA.obj", "minuteHand.obj", "backdropNear.obj"}) {
        std::vector<Tri> tris;
        std::string problem;
        ASSERT_TRUE(readObj(kMeshDir + file, tris, problem)) << problem;
        double towards = 0, away = 0;
        for (const Tri& t : tris) {
            V3 g = cross(sub(t.p[1], t.p[0]), sub(t.p[2], t.p[0]));
            (g[2] < 0 ? towards : away) += std::fabs(g[2]);
        }
        EXPECT_GT(towards, away * 0.9) << file;
        EXPECT_GT(towards, 0) << file;
    }
}

TEST(ContentMeshes, StripVerticesCarryUnitTangentFrames) {
    if (!generated()) GTEST_SKIP();
    StripFile strip;
    std::string problem;
    ASSERT_TRUE(readStrip(kMeshDir + "pendulum.strip", strip, problem)) << problem;
    for (const auto& v : strip.vertices) {
        V3 n{v[3], v[4], v[5]}, b{v[8], v[9], v[10]}, t{v[11], v[12], v[13]};
        ASSERT_NEAR(len(n), 1, 1e-3);
        ASSERT_NEAR(len(t), 1, 1e-3);
        ASSERT_NEAR(len(b), 1, 1e-3);
        ASSERT_NEAR(dot(n, t), 0, 1e-3);
    }
}

TEST(ContentMeshes, DirectXMeshNamesExactlyOneMaterial) {
    if (!generated()) GTEST_SKIP();
    std::vector<Tri> tris;
    std::string text, problem;
    ASSERT_TRUE(readX(kMeshDir + "sideDriver.x", tris, text, problem)) << problem;
    size_t materials = 0;
    for (size_t at = text.find("Material {"); at != std::string::npos; at = text.find("Material {", at + 1)) ++materials;
    EXPECT_EQ(materials, 1u);
    const size_t list = text.find("MeshMaterialList {");
    ASSERT_NE(list, std::string::npos);
    int count = 0;
    EXPECT_EQ(sscanf(text.c_str() + list + 18, " %d;", &count), 1);
    EXPECT_EQ(count, 1);
    EXPECT_NE(text.find("MeshTextureCoords {"), std::string::npos);
}

TEST(ContentMeshes, WholeClockStaysWithinItsTriangleBudget) {
    if (!generated()) GTEST_SKIP();
    size_t total = 0;
    for (const auto& [file, count] : kDrawCounts) {
        std::vector<Tri> tris;
        std::string problem, text;
        if (file.ends_with(".strip")) {
            StripFile strip;
            ASSERT_TRUE(readStrip(kMeshDir + file, strip, problem)) << problem;
            tris = strip.tris;
        } else if (file.ends_with(".x")) {
            ASSERT_TRUE(readX(kMeshDir + file, tris, text, problem)) << problem;
        } else {
            ASSERT_TRUE(readObj(kMeshDir + file, tris, problem)) << problem;
        }
        total += tris.size() * count;
    }
    RecordProperty("SceneTriangles", static_cast<int>(total));
    EXPECT_LT(total, 60000u);
}

}  // namespace
