// The shadow-caster copy of an .obj mesh: corners shared only where their bits are equal, the
// faces' corners reproduced in order through the indices (wide indices past 65535 corners),
// and the shadow draw falling back to the full buffer where there is no copy.
#include "assets/Mesh.h"
#include "mesh_test_device.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

bool loadObjText(Mesh& mesh, TempDir& dir, const std::string& text) {
    std::string path = dir.write("m.obj", text);
    return mesh.loadObj(path.c_str());
}

std::vector<MeshFloat3> casterCorners(IDirect3DVertexBuffer9* buffer) {
    std::vector<MeshFloat3> out;
    D3DVERTEXBUFFER_DESC desc{};
    void* bytes = nullptr;
    if (!buffer || FAILED(buffer->GetDesc(&desc)) || FAILED(buffer->Lock(0, 0, &bytes, 0))) return out;
    out.resize(desc.Size / sizeof(MeshFloat3));
    std::memcpy(out.data(), bytes, out.size() * sizeof(MeshFloat3));
    buffer->Unlock();
    return out;
}

std::vector<uint32_t> casterIndices(IDirect3DIndexBuffer9* buffer) {
    std::vector<uint32_t> out;
    D3DINDEXBUFFER_DESC desc{};
    void* bytes = nullptr;
    if (!buffer || FAILED(buffer->GetDesc(&desc)) || FAILED(buffer->Lock(0, 0, &bytes, 0))) return out;
    if (desc.Format == D3DFMT_INDEX32) {
        out.resize(desc.Size / 4);
        std::memcpy(out.data(), bytes, desc.Size);
    } else {
        const auto* narrow = static_cast<const uint16_t*>(bytes);
        for (UINT i = 0; i < desc.Size / 2; ++i) out.push_back(narrow[i]);
    }
    buffer->Unlock();
    return out;
}

// Every corner the caster copy draws holds the bits of the full buffer's corner in that place.
void expectSameCorners(Mesh& mesh) {
    auto full = meshBufferVertices(mesh.vertexBuffer);
    auto corners = casterCorners(mesh.casterVertexBuffer);
    auto indices = casterIndices(mesh.casterIndexBuffer);
    ASSERT_EQ(indices.size(), full.size());
    for (size_t i = 0; i < indices.size(); ++i) {
        ASSERT_LT(indices[i], corners.size());
        EXPECT_EQ(std::memcmp(&corners[indices[i]], full[i].position, sizeof(MeshFloat3)), 0) << "corner " << i;
    }
}

}  // namespace

TEST(MeshCaster, SharesCornersByTheirBitsAndKeepsTheFacesInOrder) {
    TempDir dir;
    Mesh mesh;
    // A quad of two faces, a third face naming a repeated "v" line of corner 3, and a corner
    // at -0 that must stay apart from the one at +0.
    ASSERT_TRUE(loadObjText(mesh, dir,
                            "v 0 0 0\nv 0 1 0\nv 1 1 0\nv 1 0 0\nv 1 1 0\nv -0 0 1\n"
                            "f 1 2 3\nf 1 3 4\nf 5 4 6\n"));
    MeshTestDevice d;
    ASSERT_EQ(mesh.createDeviceObjects(d.device), S_OK);
    EXPECT_EQ(mesh.casterCornerCount, 5u);
    EXPECT_EQ(casterCorners(mesh.casterVertexBuffer).size(), 5u);
    EXPECT_EQ(casterIndices(mesh.casterIndexBuffer), (std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 2, 3, 4}));
    expectSameCorners(mesh);

    d.log->clear();
    mesh.drawShadowCaster(d.device);
    EXPECT_EQ(d.log->calls("DrawIndexedPrimitive"),
              std::vector<std::string>{"DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 5, 0, 3)"});
    EXPECT_EQ(d.log->countCalls("DrawPrimitive"), 0);
    mesh.releaseDeviceObjects();
    EXPECT_EQ(mesh.casterVertexBuffer, nullptr);
    EXPECT_EQ(mesh.casterIndexBuffer, nullptr);
    EXPECT_EQ(mesh.casterDecl, nullptr);
}

TEST(MeshCaster, MoreCornersThanShortIndicesReachUseWideOnes) {
    TempDir dir;
    Mesh mesh;
    std::string text;
    const int corners = 65538;  // two past what 16-bit indices can name
    for (int i = 0; i < corners; ++i) text += "v " + std::to_string(i) + " " + std::to_string(i % 7) + " 1\n";
    for (int i = 0; i + 2 < corners; i += 3)
        text += "f " + std::to_string(i + 1) + " " + std::to_string(i + 2) + " " + std::to_string(i + 3) + "\n";
    text += "f 65538 1 2\n";
    ASSERT_TRUE(loadObjText(mesh, dir, text));
    MeshTestDevice d;
    ASSERT_EQ(mesh.createDeviceObjects(d.device), S_OK);
    D3DINDEXBUFFER_DESC desc{};
    ASSERT_NE(mesh.casterIndexBuffer, nullptr);
    ASSERT_EQ(mesh.casterIndexBuffer->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Format, D3DFMT_INDEX32);
    EXPECT_EQ(mesh.casterCornerCount, UINT(corners));
    expectSameCorners(mesh);
    mesh.releaseDeviceObjects();
}

TEST(MeshCaster, WithoutACasterCopyTheShadowDrawUsesTheFullBuffer) {
    TempDir dir;
    {
        // The copy's index buffer is refused: the mesh still loads and casts from its vertices.
        Mesh mesh;
        ASSERT_TRUE(loadObjText(mesh, dir, "v 0 0 0\nv 0 1 0\nv 1 0 0\nf 1 2 3\n"));
        MeshTestDevice d;
        d.device->script().failingCalls["CreateIndexBuffer"] = E_OUTOFMEMORY;
        ASSERT_EQ(mesh.createDeviceObjects(d.device), S_OK);
        EXPECT_EQ(mesh.casterVertexBuffer, nullptr);
        EXPECT_EQ(mesh.casterDecl, nullptr);
        d.log->clear();
        mesh.drawShadowCaster(d.device);
        EXPECT_EQ(d.log->calls("DrawPrimitive"), std::vector<std::string>{"DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1)"});
        EXPECT_EQ(d.log->countCalls("DrawIndexedPrimitive"), 0);
        mesh.releaseDeviceObjects();
    }
    {
        // Strip meshes are indexed already and draw as in the colour pass.
        Mesh mesh;
        StripBuilder strip;
        strip.header(3, 1).vertex(0, 0, 0).vertex(0, 1, 0).vertex(1, 0, 0).group(0, {0, 1, 2});
        std::string path = dir.write("m.strip", strip.bytes);
        ASSERT_TRUE(mesh.loadStrip(path.c_str()));
        MeshTestDevice d;
        ASSERT_EQ(mesh.createDeviceObjects(d.device), S_OK);
        EXPECT_EQ(mesh.casterVertexBuffer, nullptr);
        d.log->clear();
        mesh.drawShadowCaster(d.device);
        EXPECT_EQ(d.log->calls("DrawIndexedPrimitive"),
                  std::vector<std::string>{"DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1)"});
        mesh.releaseDeviceObjects();
    }
}

namespace {

// A cube of half-size 1 whose faces are wound clockwise seen from outside (Direct3D's front
// faces), corners shared; flipInsideOut reverses every face, dropFace leaves one quad out and
// extra appends further face lines.
std::string cubeObj(bool flipInsideOut = false, int dropFace = -1, const std::string& extra = "") {
    std::string s = "v -1 -1 -1\nv -1 1 -1\nv 1 1 -1\nv 1 -1 -1\nv -1 -1 1\nv -1 1 1\nv 1 1 1\nv 1 -1 1\n";
    const int quads[6][4] = {{1, 2, 3, 4}, {8, 7, 6, 5}, {5, 6, 2, 1}, {4, 3, 7, 8}, {5, 1, 4, 8}, {2, 6, 7, 3}};
    for (int q = 0; q < 6; ++q) {
        if (q == dropFace) continue;
        int a = quads[q][0], b = quads[q][1], c = quads[q][2], d = quads[q][3];
        if (flipInsideOut) std::swap(b, d);
        s += "f " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) + "\n";
        s += "f " + std::to_string(a) + " " + std::to_string(c) + " " + std::to_string(d) + "\n";
    }
    return s + extra;
}

DWORD cullingOf(const std::string& obj) {
    TempDir dir;
    Mesh mesh;
    if (!loadObjText(mesh, dir, obj)) return 0;
    MeshTestDevice d;
    if (mesh.createDeviceObjects(d.device) != S_OK) return 0;
    const DWORD culling = mesh.casterCulling;
    mesh.releaseDeviceObjects();
    return culling;
}

}  // namespace

TEST(MeshCaster, OnlyClosedSurfacesDropTheFacesTurnedFromTheLight) {
    EXPECT_EQ(cullingOf(cubeObj()), DWORD(D3DCULL_CCW));
    EXPECT_EQ(cullingOf(cubeObj(true)), DWORD(D3DCULL_CW)) << "inside out: the other winding faces outwards";
    EXPECT_EQ(cullingOf(cubeObj(false, 2)), DWORD(D3DCULL_NONE)) << "a box with a face missing is open";
    // A second cube's worth of faces on the same corners uses every edge twice each way.
    EXPECT_EQ(cullingOf(cubeObj(false, -1, cubeObj().substr(cubeObj().find('f')))), DWORD(D3DCULL_NONE));
    EXPECT_EQ(cullingOf(cubeObj(false, -1, "f 1 1 2\n")), DWORD(D3DCULL_NONE)) << "a degenerate face";
    // A corner repeated on a "v" line of its own is still the same corner: the surface stays
    // closed when some faces name the repeat.
    std::string repeated = cubeObj();
    repeated.insert(repeated.find('f'), "v -1 -1 -1\n");
    repeated.replace(repeated.find("f 5 1 4\n"), 8, "f 5 9 4\n");
    EXPECT_EQ(cullingOf(repeated), DWORD(D3DCULL_CCW));
    // The same with the repeat at -0, which the caster copy keeps as a corner of its own.
    std::string signedZero = "v 0 0 0\nv 0 1 0\nv 1 1 0\nv 1 0 0\nv 0 0 1\nv 0 1 1\nv 1 1 1\nv 1 0 1\nv -0 0 -0\n" +
                             cubeObj().substr(cubeObj().find('f'));
    signedZero.replace(signedZero.find("f 5 1 4\n"), 8, "f 5 9 4\n");
    EXPECT_EQ(cullingOf(signedZero), DWORD(D3DCULL_CCW));
}

TEST(MeshCaster, AClosedCasterCullsWhileItDrawsAndPutsTheModeBack) {
    TempDir dir;
    Mesh mesh;
    ASSERT_TRUE(loadObjText(mesh, dir, cubeObj()));
    MeshTestDevice d;
    ASSERT_EQ(mesh.createDeviceObjects(d.device), S_OK);
    d.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    D3DXMATRIX mirror;
    D3DXMatrixScaling(&mirror, -1.0f, 1.0f, 1.0f);
    for (bool mirrored : {false, true}) {
        d.log->clear();
        mesh.drawShadowCaster(d.device, mirrored ? &mirror : nullptr);
        // The recording names render-state values by number: NONE 1, CW 2, CCW 3.
        const std::string mode = mirrored ? "2" : "3";
        EXPECT_EQ(d.log->calls("SetRenderState"),
                  (std::vector<std::string>{"SetRenderState(D3DRS_CULLMODE, " + mode + ")",
                                            "SetRenderState(D3DRS_CULLMODE, 1)"}));
        EXPECT_EQ(d.log->countCalls("DrawIndexedPrimitive"), 1);
    }
    mesh.releaseDeviceObjects();
}
