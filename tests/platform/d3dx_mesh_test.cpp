// ID3DXMesh and D3DXComputeTangentFrameEx: converting declarations, adjacency through
// duplicated vertices, drawing one subset through the device, and tangent frames that
// split hard edges but stay shared across smooth ones.
#include <d3dx9.h>

#include <ZarnRecordingDevice.h>

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

ID3DXMesh* loadX(TempDir& dir, const std::string& body, DWORD* materials = nullptr) {
    std::string path = dir.write("m.x", "xof 0303txt 0032\n" + body);
    ID3DXMesh* mesh = nullptr;
    DWORD count = 0;
    auto* device = new ZarnRecordingDevice(nullptr, D3DPRESENT_PARAMETERS{}, ZarnRecordingHalCaps(),
                                           std::make_shared<ZarnRecordingLog>());
    EXPECT_EQ(D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_SYSTEMMEM, device, nullptr, nullptr, nullptr, &count, &mesh),
              S_OK);
    device->Release();
    if (materials) *materials = count;
    return mesh;
}

const D3DVERTEXELEMENT9 layout56[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0}, {0, 32, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_BINORMAL, 0},
    {0, 44, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_TANGENT, 0},  D3DDECL_END(),
};

struct V56 {
    float p[3], n[3], t[2], b[3], tan[3];
};

std::vector<V56> vertices(ID3DXMesh* mesh) {
    void* bytes = nullptr;
    mesh->LockVertexBuffer(0, &bytes);
    std::vector<V56> out(mesh->GetNumVertices());
    std::memcpy(out.data(), bytes, out.size() * sizeof(V56));
    mesh->UnlockVertexBuffer();
    return out;
}

ID3DXMesh* withTangents(ID3DXMesh* source) {
    ID3DXMesh* clone = nullptr;
    EXPECT_EQ(source->CloneMesh(D3DXMESH_MANAGED, layout56, nullptr, &clone), S_OK);
    std::vector<DWORD> adjacency(clone->GetNumFaces() * 3);
    EXPECT_EQ(clone->GenerateAdjacency(0.000001f, adjacency.data()), S_OK);
    ID3DXMesh* out = nullptr;
    EXPECT_EQ(D3DXComputeTangentFrameEx(clone, D3DDECLUSAGE_TEXCOORD, 0, D3DDECLUSAGE_TANGENT, 0, D3DX_DEFAULT, 0,
                                        D3DDECLUSAGE_NORMAL, 0, D3DXTANGENT_CALCULATE_NORMALS, adjacency.data(), 0.01f,
                                        0.25f, 0.01f, &out, nullptr),
              S_OK);
    clone->Release();
    return out;
}

float dot3(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

const char* cube = R"(Mesh {
  8; 0;0;0;, 0;1;0;, 1;1;0;, 1;0;0;, 0;0;1;, 0;1;1;, 1;1;1;, 1;0;1;;
  6; 4;0,1,2,3;, 4;7,6,5,4;, 4;4,5,1,0;, 4;3,2,6,7;, 4;4,0,3,7;, 4;1,5,6,2;;
})";

// A flat 2 x 2 grid of quads in z = 0 facing -z, u along +x and v along -y.
const char* grid = R"(Mesh {
  9; 0;0;0;, 1;0;0;, 2;0;0;, 0;1;0;, 1;1;0;, 2;1;0;, 0;2;0;, 1;2;0;, 2;2;0;;
  4; 4;0,3,4,1;, 4;1,4,5,2;, 4;3,6,7,4;, 4;4,7,8,5;;
  MeshTextureCoords { 9; 0;1;, 0.5;1;, 1;1;, 0;0.5;, 0.5;0.5;, 1;0.5;, 0;0;, 0.5;0;, 1;0;; }
})";

}  // namespace

TEST(D3DXMesh, CloneConvertsElementsByUsage) {
    TempDir dir;
    ID3DXMesh* mesh = loadX(dir, "Mesh { 3; 1;2;3;, 4;5;6;, 7;8;9;; 1; 3;0,1,2;; "
                                 "MeshTextureCoords { 3; 0.25;0.5;, 0;0;, 1;1;; } }");
    ASSERT_NE(mesh, nullptr);
    const D3DVERTEXELEMENT9 other[] = {{0, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                       {0, 8, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITION, 0},
                                       {0, 24, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                                       D3DDECL_END()};
    ID3DXMesh* clone = nullptr;
    ASSERT_EQ(mesh->CloneMesh(D3DXMESH_SYSTEMMEM, other, nullptr, &clone), S_OK);
    EXPECT_EQ(clone->GetNumBytesPerVertex(), 36u);
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    ASSERT_EQ(clone->GetDeclaration(decl), S_OK);
    EXPECT_EQ(decl[1].Usage, D3DDECLUSAGE_POSITION);
    EXPECT_EQ(decl[3].Stream, 0xFF);
    void* bytes = nullptr;
    clone->LockVertexBuffer(0, &bytes);
    const float* f = static_cast<const float*>(bytes);
    EXPECT_EQ(std::vector<float>(f, f + 9), (std::vector<float>{0.25f, 0.5f, 1, 2, 3, 1, 0, 0, 0}));
    clone->UnlockVertexBuffer();
    clone->Release();

    const D3DVERTEXELEMENT9 bad[] = {{0, 0, 99, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    EXPECT_EQ(mesh->CloneMesh(D3DXMESH_SYSTEMMEM, bad, nullptr, &clone), D3DERR_INVALIDCALL);
    EXPECT_EQ(clone, nullptr);
    mesh->Release();
}

TEST(D3DXMesh, AdjacencyJoinsDuplicatedVerticesWithinEpsilon) {
    TempDir dir;
    // Two triangles sharing the edge (0,1)-(1,0) through separate vertices; the third
    // triangle's copy of that edge is off by 0.001.
    ID3DXMesh* mesh = loadX(dir, R"(Mesh { 9;
        0;0;0;, 0;1;0;, 1;0;0;,  0;1;0;, 1;1;0;, 1;0;0;,  0;1.001;0;, 1;2;0;, 1;0;0;;
        3; 3;0,1,2;, 3;3,4,5;, 3;6,7,8;; })");
    ASSERT_NE(mesh, nullptr);
    std::vector<DWORD> adjacency(9);
    ASSERT_EQ(mesh->GenerateAdjacency(0.000001f, adjacency.data()), S_OK);
    EXPECT_EQ(adjacency, (std::vector<DWORD>{0xFFFFFFFF, 1, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0, 0xFFFFFFFF,
                                             0xFFFFFFFF, 0xFFFFFFFF}));
    // A looser epsilon lets the third triangle join the first edge as well.
    ASSERT_EQ(mesh->GenerateAdjacency(0.01f, adjacency.data()), S_OK);
    EXPECT_NE(adjacency[8], 0xFFFFFFFFu);
    EXPECT_EQ(mesh->GenerateAdjacency(0.0f, nullptr), D3DERR_INVALIDCALL);
    mesh->Release();
}

TEST(D3DXMesh, DrawSubsetDrawsEveryRunOfThatAttribute) {
    TempDir dir;
    DWORD materialCount = 0;
    ID3DXMesh* mesh = loadX(dir, R"(Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 3; 3;0,1,2;, 3;0,1,2;, 3;0,1,2;;
        MeshMaterialList { 2; 3; 0, 1, 0;;
          Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } Material { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; } } })",
                            &materialCount);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(materialCount, 2u);
    auto log = std::make_shared<ZarnRecordingLog>();
    auto* device = new ZarnRecordingDevice(nullptr, D3DPRESENT_PARAMETERS{}, ZarnRecordingHalCaps(), log);
    ID3DXMesh* onDevice = nullptr;
    ASSERT_EQ(mesh->CloneMesh(D3DXMESH_MANAGED, layout56, device, &onDevice), S_OK);
    EXPECT_TRUE(log->contains("CreateVertexBuffer(168, 0x0, 0x0, D3DPOOL_MANAGED) -> vb1"));
    EXPECT_TRUE(log->contains("CreateIndexBuffer(18, 0x0, D3DFMT_INDEX16, D3DPOOL_MANAGED) -> ib2"));
    log->clear();
    ASSERT_EQ(onDevice->DrawSubset(0), S_OK);
    EXPECT_EQ(log->lines, (std::vector<std::string>{"SetVertexDeclaration(decl3)", "SetStreamSource(0, vb1, 0, 56)",
                                                    "SetIndices(ib2)",
                                                    "DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1)",
                                                    "DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 6, 1)"}));
    log->clear();
    ASSERT_EQ(onDevice->DrawSubset(1), S_OK);
    EXPECT_EQ(log->calls("DrawIndexedPrimitive"),
              std::vector<std::string>{"DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 3, 1)"});
    log->clear();
    ASSERT_EQ(onDevice->DrawSubset(7), S_OK);
    EXPECT_EQ(log->countCalls("DrawIndexedPrimitive"), 0);
    onDevice->Release();
    mesh->Release();
    device->Release();
    EXPECT_EQ(ZarnRecordingLiveObjects(), 0);
}

TEST(D3DXTangentFrame, HardEdgesOfACubeSplitIntoFlatFaces) {
    TempDir dir;
    ID3DXMesh* mesh = loadX(dir, cube);
    ASSERT_NE(mesh, nullptr);
    ID3DXMesh* out = withTangents(mesh);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->GetNumFaces(), 12u);
    EXPECT_EQ(out->GetNumVertices(), 24u);
    for (const V56& v : vertices(out)) {
        // Outward axis normals: the normal points away from the cube's centre on its axis.
        float away[3] = {v.p[0] - 0.5f, v.p[1] - 0.5f, v.p[2] - 0.5f};
        EXPECT_NEAR(std::fabs(v.n[0]) + std::fabs(v.n[1]) + std::fabs(v.n[2]), 1.0f, 1e-5f);
        EXPECT_NEAR(dot3(v.n, away), 0.5f, 1e-5f);
        // No texture coordinates: a unit tangent orthogonal to the normal, x where possible.
        EXPECT_NEAR(dot3(v.tan, v.tan), 1.0f, 1e-5f);
        EXPECT_NEAR(dot3(v.tan, v.n), 0.0f, 1e-5f);
        if (std::fabs(v.n[0]) < 0.5f) {
            EXPECT_NEAR(v.tan[0], 1.0f, 1e-5f);
        }
    }
    out->Release();
    mesh->Release();
}

TEST(D3DXTangentFrame, SmoothSurfacesShareVerticesAndFollowU) {
    TempDir dir;
    ID3DXMesh* mesh = loadX(dir, grid);
    ASSERT_NE(mesh, nullptr);
    ID3DXMesh* out = withTangents(mesh);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->GetNumVertices(), 9u);
    for (const V56& v : vertices(out)) {
        EXPECT_NEAR(v.n[2], -1.0f, 1e-5f);
        EXPECT_NEAR(v.tan[0], 1.0f, 1e-5f);
        EXPECT_EQ(v.b[0], 0.0f);  // the binormal is not asked for and stays as cloned
    }
    out->Release();

    // Mirrored texture coordinates on the right half: the partials there point the other
    // way, so the shared middle column splits.
    ID3DXMesh* mirrored = loadX(dir, R"(Mesh {
      9; 0;0;0;, 1;0;0;, 2;0;0;, 0;1;0;, 1;1;0;, 2;1;0;, 0;2;0;, 1;2;0;, 2;2;0;;
      4; 4;0,3,4,1;, 4;1,4,5,2;, 4;3,6,7,4;, 4;4,7,8,5;;
      MeshTextureCoords { 9; 0;1;, 0.5;1;, 0;1;, 0;0.5;, 0.5;0.5;, 0;0.5;, 0;0;, 0.5;0;, 0;0;; } })");
    ASSERT_NE(mirrored, nullptr);
    out = withTangents(mirrored);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->GetNumVertices(), 12u);
    for (const V56& v : vertices(out)) EXPECT_NEAR(std::fabs(v.tan[0]), 1.0f, 1e-5f);
    out->Release();
    mirrored->Release();
    mesh->Release();
}

TEST(D3DXTangentFrame, RefusesMeshesWithoutTheAskedForElements) {
    TempDir dir;
    ID3DXMesh* mesh = loadX(dir, cube);  // positions only
    ASSERT_NE(mesh, nullptr);
    ID3DXMesh* out = nullptr;
    EXPECT_EQ(D3DXComputeTangentFrameEx(mesh, D3DDECLUSAGE_TEXCOORD, 0, D3DDECLUSAGE_TANGENT, 0, D3DX_DEFAULT, 0,
                                        D3DDECLUSAGE_NORMAL, 0, D3DXTANGENT_CALCULATE_NORMALS, nullptr, 0.01f, 0.25f,
                                        0.01f, &out, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(out, nullptr);
    mesh->Release();
}
