// The texture-coordinate edits on a built .obj mesh, and the shared screen-quad
// declaration.
#include "assets/Mesh.h"
#include "mesh_test_device.h"
#include "shell/SaverState.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

// Two faces: the first entirely in the lower half of the texture (v <= 0.5), the second not.
const char* twoFaces =
    "v 0 0 0\nv 0 1 0\nv 1 0 0\nvt 0.1 0.2\nvt 0.3 0.5\nvt 0.6 0.4\nvt 0.9 0.9\n"
    "f 1/1 2/2 3/3\nf 1/1 2/4 3/3\n";

struct Built {
    TempDir dir;
    MeshTestDevice d;
    Mesh mesh;
    explicit Built(bool isStatic) {
        std::string path = dir.write("m.obj", twoFaces);
        testing::internal::CaptureStdout();
        EXPECT_TRUE(mesh.loadObj(path.c_str()));
        testing::internal::GetCapturedStdout();
        mesh.isStatic = isStatic;
        EXPECT_EQ(mesh.createDeviceObjects(d.device), S_OK);
    }
    ~Built() { mesh.releaseDeviceObjects(); }
};

}  // namespace

TEST(MeshTexEdit, CustomTexAnimShiftsUOfLowerHalfFacesFromTheLoadedValues) {
    Built b(false);
    testing::internal::CaptureStderr();
    b.mesh.customTexAnim(0.25f);
    b.mesh.customTexAnim(0.25f);  // not accumulated: starts from the loaded coordinates
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Deprecated function Mesh::customTexAnim() is slow and should not be used."
              "Deprecated function Mesh::customTexAnim() is slow and should not be used.");
    auto v = meshBufferVertices(b.mesh.vertexBuffer);
    ASSERT_EQ(v.size(), 6u);
    EXPECT_FLOAT_EQ(v[0].texCoord[0], 0.35f);
    EXPECT_FLOAT_EQ(v[1].texCoord[0], 0.55f);
    EXPECT_FLOAT_EQ(v[2].texCoord[0], 0.85f);
    EXPECT_FLOAT_EQ(v[1].texCoord[1], 0.5f);
    EXPECT_FLOAT_EQ(v[3].texCoord[0], 0.1f);  // the second face reaches v = 0.9
    EXPECT_FLOAT_EQ(v[4].texCoord[0], 0.9f);
}

TEST(MeshTexEdit, TransformTexCoordsRewritesEveryCornerWithoutAccumulating) {
    Built b(false);
    testing::internal::CaptureStderr();
    b.mesh.transformTexCoords(2, 1, -1, 1);
    b.mesh.transformTexCoords(2, 1, -1, 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Deprecated function Mesh::transformTexCoords() is slow and should not be used.\n"
              "Deprecated function Mesh::transformTexCoords() is slow and should not be used.\n");
    auto v = meshBufferVertices(b.mesh.vertexBuffer);
    EXPECT_FLOAT_EQ(v[4].texCoord[0], 2.8f);
    EXPECT_FLOAT_EQ(v[4].texCoord[1], 0.1f);
    EXPECT_FLOAT_EQ(b.mesh.texCoords[3].x, 0.9f);  // the loaded coordinates stay
}

TEST(MeshTexEdit, StaticMeshesAreWarnedAboutLockFailuresStopTheEdit) {
    Built b(true);
    testing::internal::CaptureStderr();
    b.mesh.transformTexCoords(1, 0.5f, 1, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Deprecated function Mesh::transformTexCoords() is slow and should not be used.\n"
              "Error: Attempting to modify tex coords of a static mesh.\n");
    EXPECT_FLOAT_EQ(meshBufferVertices(b.mesh.vertexBuffer)[0].texCoord[0], 0.6f);  // still carried out

    b.d.device->script().failingCalls["Lock"] = E_FAIL;
    testing::internal::CaptureStderr();
    b.mesh.customTexAnim(1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Deprecated function Mesh::customTexAnim() is slow and should not be used."
              "Error: Attempting to modify tex coords of a static mesh.\n"
              "Error while attempting to lock vertex buffer\n");

    Mesh unbuilt;
    unbuilt.isStatic = false;
    testing::internal::CaptureStderr();
    unbuilt.transformTexCoords(1, 0, 1, 0);
    unbuilt.customTexAnim(1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Deprecated function Mesh::transformTexCoords() is slow and should not be used.\n"
              "Deprecated function Mesh::customTexAnim() is slow and should not be used.");
}

TEST(MeshStaticInit, CreatesTheScreenQuadDeclarationOrReportsWhy) {
    MeshTestDevice d;
    IDirect3DDevice9* previous = saverState.device;
    saverState.device = d.device;
    Mesh::staticInit();
    ASSERT_NE(Mesh::screenQuadDecl, nullptr);
    D3DVERTEXELEMENT9 elements[8];
    UINT count = 8;
    ASSERT_EQ(Mesh::screenQuadDecl->GetDeclaration(elements, &count), S_OK);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(elements[1].Offset, 12);
    EXPECT_EQ(elements[1].Usage, D3DDECLUSAGE_TEXCOORD);
    Mesh::screenQuadDecl->Release();
    Mesh::screenQuadDecl = nullptr;

    d.device->script().failingCalls["CreateVertexDeclaration"] = E_FAIL;
    testing::internal::CaptureStderr();
    Mesh::staticInit();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error creating vertex declaration in Mesh::staticInit().\n");
    EXPECT_EQ(Mesh::screenQuadDecl, nullptr);
    saverState.device = previous;
}
