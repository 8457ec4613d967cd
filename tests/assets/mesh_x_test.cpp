// DirectX meshes through the Mesh asset: reading with the device (the library defers it), the warning for files
// with several materials, the device copy with its tangent frame, and drawing subset 0.
#include "assets/Mesh.h"
#include "mesh_test_device.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

// Three quads side by side in z = 0, one material each.
const char* threeMaterials = R"(xof 0303txt 0032
Material Red { 1.0;0.0;0.0;1.0;; 10.0; 1.0;1.0;1.0;; 0.0;0.0;0.0;; }
Mesh Strip {
  8;
  0;0;0;, 0;1;0;, 1;0;0;, 1;1;0;, 2;0;0;, 2;1;0;, 3;0;0;, 3;1;0;;
  3;
  4;0,1,3,2;, 4;2,3,5,4;, 4;4,5,7,6;;
  MeshTextureCoords { 8; 0;1;, 0;0;, 0.33;1;, 0.33;0;, 0.66;1;, 0.66;0;, 1;1;, 1;0;; }
  MeshMaterialList {
    3; 3; 0, 1, 2;;
    { Red }
    Material { 0;1;0;1;; 5; 0;0;0;; 0;0;0;; TextureFilename { "green.png"; } }
    Material Blue { 0;0;1;1;; 5; 0;0;0;; 0;0;0;; }
  }
}
)";

const char* noMaterial = R"(xof 0303txt 0032
Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; }
)";

const char* oneMaterial = R"(xof 0303txt 0032
Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;;
  MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }
)";

}  // namespace

TEST(MeshX, ThreeMaterialsWarnAndOnlySubsetZeroIsDrawn) {
    TempDir dir;
    std::string path = dir.write("strip.x", threeMaterials);
    Mesh mesh;
    MeshTestDevice d;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(mesh.loadX(path.c_str(), d.device));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Warning: DirectX mesh " + path + " contains more than 1 material\n");
    EXPECT_EQ(mesh.xMaterialCount, 3u);
    ASSERT_NE(mesh.xMesh, nullptr);
    EXPECT_EQ(mesh.xMesh->GetNumFaces(), 6u);

    testing::internal::CaptureStderr();
    ASSERT_EQ(mesh.createDeviceObjects(d.device), S_OK);
    // The usages of the drawn layout: position, normal, texcoord, binormal, tangent.
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "0\n3\n5\n7\n6\n");
    EXPECT_EQ(mesh.xMesh->GetNumBytesPerVertex(), 56u);

    d.log->clear();
    mesh.draw(d.device);
    auto draws = d.log->calls("DrawIndexedPrimitive");
    ASSERT_EQ(draws.size(), 1u);
    // Subset 0 is the first quad: two triangles from index 0.
    EXPECT_NE(draws[0].find("D3DPT_TRIANGLELIST, 0, 0, "), std::string::npos);
    EXPECT_NE(draws[0].find(", 0, 2)"), std::string::npos) << draws[0];
    EXPECT_EQ(d.log->countCalls("SetVertexDeclaration"), 2);  // the mesh's own and the asset's
    mesh.releaseDeviceObjects();
    EXPECT_EQ(mesh.xMesh, nullptr);
    EXPECT_EQ(mesh.vertexDecl, nullptr);
}

TEST(MeshX, AFileWithoutMaterialsDrawsNothing) {
    TempDir dir;
    std::string path = dir.write("plain.x", noMaterial);
    Mesh mesh;
    MeshTestDevice d;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(mesh.loadX(path.c_str(), d.device));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(mesh.xMaterialCount, 0u);
    testing::internal::CaptureStderr();
    ASSERT_EQ(mesh.createDeviceObjects(d.device), S_OK);
    testing::internal::GetCapturedStderr();
    d.log->clear();
    mesh.draw(d.device);
    EXPECT_EQ(d.log->size(), 0u);
    // A D3DX mesh's box stays empty, so picking always misses.
    EXPECT_EQ(mesh.intersectRay(D3DXVECTOR3(0.2f, 0.2f, -1), D3DXVECTOR3(0, 0, 1)), -1.0f);
    mesh.releaseDeviceObjects();
}

TEST(MeshX, OneMaterialLoadsQuietly) {
    TempDir dir;
    std::string path = dir.write("one.x", oneMaterial);
    Mesh mesh;
    MeshTestDevice d;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(mesh.loadX(path.c_str(), d.device));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    testing::internal::CaptureStderr();
    ASSERT_EQ(mesh.createDeviceObjects(d.device), S_OK);
    testing::internal::GetCapturedStderr();
    d.log->clear();
    mesh.draw(d.device);
    EXPECT_EQ(d.log->calls("DrawIndexedPrimitive"),
              std::vector<std::string>{"DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1)"});
    mesh.releaseDeviceObjects();
}

TEST(MeshX, FailuresAreReportedWithTheirCause) {
    TempDir dir;
    struct Case {
        const char* file;
        std::string text;
        const char* cause;
    };
    const Case cases[] = {
        {"bin.x", "xof 0303bin 0032 binary bytes", "is a binary or compressed .x file, which is not supported\n"},
        {"zip.x", "xof 0303tzip0032 ...", "is a binary or compressed .x file, which is not supported\n"},
        {"bad.x", "xof 0303txt 0032\nMesh { 3; 0;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n", "is malformed\n"},
        {"cut.x", "xof 0303txt 0032\nMesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,", "is malformed\n"},
        {"junk.x", "not an x file at all", "is malformed\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string path = dir.write(c.file, c.text);
        Mesh mesh;
    MeshTestDevice d;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(mesh.loadX(path.c_str(), d.device));
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err, "DirectX mesh " + path + " " + c.cause + "Error while loading " + path + "\n");
        EXPECT_EQ(mesh.xMesh, nullptr);
    }
    Mesh missing;
    MeshTestDevice d;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(missing.loadX("missing.x", d.device));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error while loading missing.x\n");
}

TEST(MeshX, FailedCloneLeavesNoMesh) {
    TempDir dir;
    std::string path = dir.write("one.x", oneMaterial);
    Mesh mesh;
    MeshTestDevice d;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(mesh.loadX(path.c_str(), d.device));
    testing::internal::GetCapturedStderr();
    d.device->script().failingCalls["CreateVertexBuffer"] = E_OUTOFMEMORY;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(FAILED(mesh.createDeviceObjects(d.device)));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error cloning dxMesh");
    EXPECT_EQ(mesh.xMesh, nullptr);
    d.log->clear();
    mesh.draw(d.device);
    EXPECT_EQ(d.log->size(), 0u);
    mesh.releaseDeviceObjects();
}

// D3DX reads a .x file only with a device: without one it refuses, and a file the library
// named before the device existed is read by createDeviceObjects, with the same messages.
TEST(MeshX, TheFileIsReadWithTheDevice) {
    TempDir dir;
    const std::string good = dir.write("one.x", oneMaterial);
    {
        Mesh mesh;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(mesh.loadX(good.c_str(), nullptr));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error while loading " + good + "\n");
    }
    struct Case {
        std::string file;
        HRESULT result;
        std::string messages;
    };
    const Case cases[] = {
        {good, S_OK, ""},
        {"missing.x", E_FAIL, "Error while loading missing.x\nError loading .x file missing.x\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Mesh mesh;
        mesh.deferX(c.file.c_str());
        EXPECT_EQ(mesh.xMesh, nullptr);
        MeshTestDevice d;
        testing::internal::CaptureStderr();
        EXPECT_EQ(SUCCEEDED(mesh.createDeviceObjects(d.device)), SUCCEEDED(c.result));
        const std::string err = testing::internal::GetCapturedStderr();
        if (FAILED(c.result)) {
            EXPECT_EQ(err, c.messages);
        }
        EXPECT_EQ(mesh.xMesh != nullptr, SUCCEEDED(c.result));
        mesh.releaseDeviceObjects();
    }
}
