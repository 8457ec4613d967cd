// D3DXLoadMeshFromXA on text .x files: what is gathered (frames with their transforms,
// polygons as fans, normals splitting vertices, materials inline and by reference), what
// is skipped (templates, comments, unknown objects), and what is refused.
#include <d3dx9.h>

#include <ZarnRecordingDevice.h>

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Loaded {
    HRESULT hr = E_FAIL;
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD materialCount = 0;
    ~Loaded() {
        if (mesh) mesh->Release();
        if (materials) materials->Release();
    }
    std::vector<float> vertex(DWORD i) {
        void* bytes = nullptr;
        mesh->LockVertexBuffer(0, &bytes);
        DWORD stride = mesh->GetNumBytesPerVertex();
        const float* f = reinterpret_cast<const float*>(static_cast<char*>(bytes) + i * stride);
        std::vector<float> out(f, f + stride / 4);
        mesh->UnlockVertexBuffer();
        return out;
    }
    std::vector<DWORD> indices() {
        void* bytes = nullptr;
        mesh->LockIndexBuffer(0, &bytes);
        std::vector<DWORD> out;
        for (DWORD i = 0; i < mesh->GetNumFaces() * 3; ++i) out.push_back(static_cast<uint16_t*>(bytes)[i]);
        mesh->UnlockIndexBuffer();
        return out;
    }
};

void load(Loaded& out, TempDir& dir, const std::string& text) {
    std::string path = dir.write("m.x", text);
    auto* device = new ZarnRecordingDevice(nullptr, D3DPRESENT_PARAMETERS{}, ZarnRecordingHalCaps(),
                                           std::make_shared<ZarnRecordingLog>());
    out.hr = D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_SYSTEMMEM, device, nullptr, &out.materials, nullptr,
                                &out.materialCount, &out.mesh);
    device->Release();
}

const char* header = "xof 0303txt 0032\n";

}  // namespace

TEST(XFileLoad, TemplatesCommentsAndUnknownObjectsAreSkipped) {
    TempDir dir;
    Loaded x;
    load(x, dir, std::string(header) + R"(
template Mesh { <3D82AB44-62DA-11cf-AB39-0020AF71E433> DWORD nVertices; array Vector vertices[nVertices]; [...] }
// a comment { with braces
# another comment }
Header { 1; 0; 1; }
AnimTicksPerSecond { 4800; }
KeyValuePair { "key"; "value"; }
Mesh Tri {
  3; 0.0; 0.0; 0.0;, 0.0; 1.0; 0.0;, 1.0; 0.0; 0.0;;
  1; 3; 0, 1, 2;;
  VertexDuplicationIndices { 3; 3; 0, 1, 2; }
  DeclData { 1; 2; 0; 3; 0; 3; 1, 2, 3; }
  XSkinMeshHeader { 1; 1; 0; }
  SomethingNew { { Tri } 1.5e2; "text"; Nested { 1; } }
}
AnimationSet { Animation { { Tri } AnimationKey { 0; 1; 0; 4; 1.0, 0, 0, 0;;; } } }
)");
    ASSERT_EQ(x.hr, S_OK);
    EXPECT_EQ(x.mesh->GetNumFaces(), 1u);
    EXPECT_EQ(x.mesh->GetNumVertices(), 3u);
    EXPECT_EQ(x.materialCount, 0u);
    EXPECT_EQ(x.materials, nullptr);
    // Only positions: no normals or texture coordinates were given.
    EXPECT_EQ(x.mesh->GetNumBytesPerVertex(), 12u);
    EXPECT_EQ(x.indices(), (std::vector<DWORD>{0, 1, 2}));
}

TEST(XFileLoad, PolygonsBecomeFansAndNormalsSplitVertices) {
    TempDir dir;
    Loaded x;
    // A quad and a triangle sharing vertices 1 and 3, with a different normal per face.
    load(x, dir, std::string("xof 0302txt 0064\n") + R"(
Mesh {
  5; 0;0;0;, 0;1;0;, 1;1;0;, 1;0;0;, 2;0;0;;
  2; 4; 0,1,2,3;, 3; 3,2,4;;
  MeshNormals { 2; 0;0;-1;, 0;0;1;; 2; 4; 0,0,0,0;, 3; 1,1,1;; }
  MeshTextureCoords { 5; 0;0;, 0;1;, 1;1;, 1;0;, 2;0;; }
}
)");
    ASSERT_EQ(x.hr, S_OK);
    EXPECT_EQ(x.mesh->GetNumFaces(), 3u);
    // Vertices 3 and 2 are needed again with the second normal.
    EXPECT_EQ(x.mesh->GetNumVertices(), 7u);
    EXPECT_EQ(x.mesh->GetNumBytesPerVertex(), 32u);
    auto idx = x.indices();
    EXPECT_EQ(idx, (std::vector<DWORD>{0, 1, 2, 0, 2, 3, 5, 6, 4}));
    auto v5 = x.vertex(5);  // vertex 3 again, with normal (0, 0, 1)
    EXPECT_EQ(v5[0], 1.0f);
    EXPECT_EQ(v5[5], 1.0f);
    EXPECT_EQ(v5[6], 1.0f);  // its texture coordinate (1, 0)
    EXPECT_EQ(x.vertex(0)[5], -1.0f);
    EXPECT_EQ(x.vertex(4)[5], 1.0f);  // first used with the second normal
}

TEST(XFileLoad, FramesAreGatheredWithTheirTransforms) {
    TempDir dir;
    Loaded x;
    load(x, dir, std::string(header) + R"(
Frame Root {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,0,0,1;; }
  Frame Child {
    FrameTransformMatrix { 0,1,0,0, -1,0,0,0, 0,0,1,0, 0,0,5,1;; }
    Mesh { 3; 1;0;0;, 2;0;0;, 1;1;0;; 1; 3;0,1,2;;
      MeshNormals { 1; 1;0;0;; 1; 3;0,0,0;; } }
  }
  Mesh { 3; 1;0;0;, 0;0;0;, 0;1;0;; 1; 3;0,1,2;; }
}
Mesh Loose { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; }
)");
    ASSERT_EQ(x.hr, S_OK);
    ASSERT_EQ(x.mesh->GetNumVertices(), 9u);
    EXPECT_EQ(x.mesh->GetNumBytesPerVertex(), 24u);
    // Child first: (1,0,0) turned a quarter to (0,1,0), moved by (0,0,5), then by (10,0,0).
    auto v = x.vertex(0);
    EXPECT_NEAR(v[0], 10.0f, 1e-5f);
    EXPECT_NEAR(v[1], 1.0f, 1e-5f);
    EXPECT_NEAR(v[2], 5.0f, 1e-5f);
    EXPECT_NEAR(v[3], 0.0f, 1e-5f);  // the normal turns with it
    EXPECT_NEAR(v[4], 1.0f, 1e-5f);
    EXPECT_NEAR(x.vertex(1)[1], 2.0f, 1e-5f);
    auto w = x.vertex(3);  // the root's own mesh: only moved
    EXPECT_NEAR(w[0], 11.0f, 1e-5f);
    EXPECT_NEAR(w[2], 0.0f, 1e-5f);
    EXPECT_EQ(x.vertex(8)[0], 1.0f);  // the loose mesh is untransformed
    EXPECT_EQ(x.indices(), (std::vector<DWORD>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(XFileLoad, MaterialsInlineByReferenceAndAcrossMeshes) {
    TempDir dir;
    Loaded x;
    load(x, dir, std::string(header) + R"(
Material Shiny { 0.5;0.25;1;0.75;; 20; 1;0.5;0;; 0;0;0.1;; TextureFilename { "metal.png"; } }
Mesh A {
  4; 0;0;0;, 0;1;0;, 1;0;0;, 1;1;0;;
  2; 3;0,1,2;, 3;1,3,2;;
  MeshMaterialList { 2; 1; 1;; { Shiny } Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }
}
Mesh B {
  3; 0;0;0;, 0;1;0;, 1;0;0;;
  1; 3;0,1,2;;
  MeshMaterialList { 1; 1; 0;; { Shiny } }
}
Mesh C { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; }
)");
    ASSERT_EQ(x.hr, S_OK);
    // A's two, B's one, and a default for C, which has none.
    ASSERT_EQ(x.materialCount, 4u);
    ASSERT_NE(x.materials, nullptr);
    auto* m = static_cast<D3DXMATERIAL*>(x.materials->GetBufferPointer());
    EXPECT_EQ(m[0].MatD3D.Diffuse.g, 0.25f);
    EXPECT_EQ(m[0].MatD3D.Power, 20.0f);
    EXPECT_EQ(m[0].MatD3D.Specular.g, 0.5f);
    EXPECT_EQ(m[0].MatD3D.Emissive.b, 0.1f);
    ASSERT_NE(m[0].pTextureFilename, nullptr);
    EXPECT_STREQ(m[0].pTextureFilename, "metal.png");
    EXPECT_EQ(m[1].pTextureFilename, nullptr);
    EXPECT_STREQ(m[2].pTextureFilename, "metal.png");
    EXPECT_EQ(m[3].MatD3D.Diffuse.r, 1.0f);

    // One face index for A's two faces: the last one holds for the rest. Drawing subsets on
    // a device shows which faces carry which id.
    auto log = std::make_shared<ZarnRecordingLog>();
    auto* device = new ZarnRecordingDevice(nullptr, D3DPRESENT_PARAMETERS{}, ZarnRecordingHalCaps(), log);
    ID3DXMesh* copy = nullptr;
    D3DVERTEXELEMENT9 decl[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    ASSERT_EQ(x.mesh->CloneMesh(D3DXMESH_MANAGED, decl, device, &copy), S_OK);
    auto drawsOf = [&](DWORD subset) {
        log->clear();
        copy->DrawSubset(subset);
        return log->calls("DrawIndexedPrimitive");
    };
    EXPECT_EQ(drawsOf(1), std::vector<std::string>{"DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 10, 0, 2)"});
    EXPECT_EQ(drawsOf(0).size(), 0u);
    EXPECT_EQ(drawsOf(2), std::vector<std::string>{"DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 10, 6, 1)"});
    EXPECT_EQ(drawsOf(3), std::vector<std::string>{"DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 10, 9, 1)"});
    copy->Release();
    device->Release();
}

TEST(XFileLoad, MalformedAndUnsupportedFilesAreRefused) {
    struct Case {
        const char* name;
        std::string text;
        HRESULT expected;
    };
    std::string h = header;
    const Case cases[] = {
        {"binary", "xof 0303bin 0032", E_NOTIMPL},
        {"bzip", "xof 0303bzip0032", E_NOTIMPL},
        {"old version", "xof 0201txt 0032 Mesh { }", D3DXERR_INVALIDDATA},
        {"short header", "xof 03", D3DXERR_INVALIDDATA},
        {"unknown format", "xof 0303abc 0032", D3DXERR_INVALIDDATA},
        {"index past the vertices", h + "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,3;; }", D3DXERR_INVALIDDATA},
        {"face with two corners", h + "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 2;0,1;; }", D3DXERR_INVALIDDATA},
        {"vertex count beyond the data", h + "Mesh { 4000000000; 0;0;0;; 0; }", D3DXERR_INVALIDDATA},
        {"face count beyond the data", h + "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 99999; 3;0,1,2;; }",
         D3DXERR_INVALIDDATA},
        {"negative count", h + "Mesh { -3; 0;0;0;; 0; }", D3DXERR_INVALIDDATA},
        {"fractional index", h + "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,1.5;; }", D3DXERR_INVALIDDATA},
        {"unclosed brace", h + "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;;", D3DXERR_INVALIDDATA},
        {"stray closing brace", h + "}", D3DXERR_INVALIDDATA},
        {"unterminated string", h + "KeyValuePair { \"abc", D3DXERR_INVALIDDATA},
        {"missing material reference",
         h + "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 0;; { Nowhere } } }",
         D3DXERR_INVALIDDATA},
        {"material id past the list",
         h + "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 1;; "
             "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }",
         D3DXERR_INVALIDDATA},
        {"normal faces disagree",
         h + "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; MeshNormals { 1; 0;0;1;; 1; 4;0,0,0,0;; } }",
         D3DXERR_INVALIDDATA},
        {"too few texture coordinates",
         h + "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; MeshTextureCoords { 2; 0;0;, 1;1;; } }",
         D3DXERR_INVALIDDATA},
        {"nested too deeply", h + std::string(200, ' ') + [] {
             std::string s;
             for (int i = 0; i < 100; ++i) s += "Frame {";
             for (int i = 0; i < 100; ++i) s += "}";
             return s;
         }(), D3DXERR_INVALIDDATA},
        {"no mesh at all", h + "Frame { }", E_FAIL},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded x;
        load(x, dir, c.text);
        EXPECT_EQ(x.hr, c.expected);
        EXPECT_EQ(x.mesh, nullptr);
        EXPECT_EQ(x.materials, nullptr);
        EXPECT_EQ(x.materialCount, 0u);
    }
}
