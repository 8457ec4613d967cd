// Ray picking: the box test, single-sided triangles, which hit is kept, the texture
// coordinate of the hit, and the triangle order of strips and fans.
#include "assets/Mesh.h"
#include "mesh_test_device.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

void loadObjText(Mesh& mesh, TempDir& dir, const std::string& text) {
    std::string path = dir.write("m.obj", text);
    testing::internal::CaptureStdout();
    ASSERT_TRUE(mesh.loadObj(path.c_str()));
    testing::internal::GetCapturedStdout();
}

// A front-facing triangle in the z = 0 plane (clockwise seen from -z) and its twin at z = 2.
const char* twoLayers =
    "v 0 0 0\nv 0 1 0\nv 1 0 0\nv 0 0 2\nv 0 1 2\nv 1 0 2\n"
    "vt 0 0\nvt 0 1\nvt 1 0\nvt 0.5 0.5\n"
    "f 1/1 2/2 3/3\nf 4/4 5/4 6/4\n";

}  // namespace

TEST(MeshPick, NearestFrontFaceAndItsTextureCoordinate) {
    TempDir dir;
    Mesh mesh;
    loadObjText(mesh, dir, twoLayers);
    D3DXVECTOR2 tex(-1, -1);
    EXPECT_NEAR(mesh.intersectRay(D3DXVECTOR3(0.25f, 0.5f, -5), D3DXVECTOR3(0, 0, 1), &tex), 5.0f, 1e-5f);
    // u = 0.5 towards the second corner, v = 0.25 towards the third.
    EXPECT_NEAR(tex.x, 0.25f, 1e-5f);
    EXPECT_NEAR(tex.y, 0.5f, 1e-5f);
    // The same ray from behind sees only back faces.
    EXPECT_EQ(mesh.intersectRay(D3DXVECTOR3(0.25f, 0.5f, 5), D3DXVECTOR3(0, 0, -1), &tex), -1.0f);
    // Missing the box entirely, and a ray parallel to the faces.
    EXPECT_EQ(mesh.intersectRay(D3DXVECTOR3(5, 5, -5), D3DXVECTOR3(0, 0, 1)), -1.0f);
    EXPECT_EQ(mesh.intersectRay(D3DXVECTOR3(-1, 0.25f, 1), D3DXVECTOR3(1, 0, 0)), -1.0f);
}

TEST(MeshPick, OriginInsideTheBoxAndHitsBehindTheOrigin) {
    TempDir dir;
    Mesh mesh;
    loadObjText(mesh, dir, twoLayers);
    // Inside the box: the box test passes; the far layer is ahead, the near one behind.
    // The first triangle (behind, t = -1) is kept only until the second replaces it.
    D3DXVECTOR2 tex(0, 0);
    EXPECT_NEAR(mesh.intersectRay(D3DXVECTOR3(0.25f, 0.25f, 1), D3DXVECTOR3(0, 0, 1), &tex), 1.0f, 1e-5f);
    EXPECT_NEAR(tex.x, 0.5f, 1e-5f);

    // With only the near layer a hit behind the origin is what comes back.
    Mesh single;
    loadObjText(single, dir, "v 0 0 0\nv 0 1 0\nv 1 0 0\nv 0 0 2\nf 1 2 3\n");
    EXPECT_NEAR(single.intersectRay(D3DXVECTOR3(0.25f, 0.25f, 1), D3DXVECTOR3(0, 0, 1)), -1.0f, 1e-5f);
    EXPECT_NEAR(single.intersectRay(D3DXVECTOR3(0.25f, 0.25f, 1), D3DXVECTOR3(0, 0, 2)), -0.5f, 1e-5f);
}

TEST(MeshPick, EqualDistancesKeepTheFirstTriangle) {
    TempDir dir;
    Mesh mesh;
    loadObjText(mesh, dir,
                "v 0 0 0\nv 0 1 0\nv 1 0 0\nvt 0.1 0.1\nvt 0.9 0.9\n"
                "f 1/1 2/1 3/1\nf 1/2 2/2 3/2\n");
    D3DXVECTOR2 tex(0, 0);
    EXPECT_NEAR(mesh.intersectRay(D3DXVECTOR3(0.2f, 0.2f, -1), D3DXVECTOR3(0, 0, 1), &tex), 1.0f, 1e-5f);
    EXPECT_NEAR(tex.x, 0.1f, 1e-5f);
}

TEST(MeshPick, NoFacesMeansNoHitEvenInsideTheBox) {
    TempDir dir;
    Mesh mesh;
    loadObjText(mesh, dir, "v 0 0 0\nv 1 1 1\n");
    EXPECT_EQ(mesh.intersectRay(D3DXVECTOR3(0.5f, 0.5f, 0.5f), D3DXVECTOR3(0, 0, 1)), -1.0f);
    Mesh empty;  // never loaded: its box is inside out and always missed
    EXPECT_EQ(empty.intersectRay(D3DXVECTOR3(0, 0, -1), D3DXVECTOR3(0, 0, 1)), -1.0f);
}

TEST(MeshPick, StripTrianglesAlternateTheirWinding) {
    TempDir dir;
    StripBuilder b;
    // A strip of two triangles over the unit square in z = 0: (0,1,2) and, odd, (1,3,2).
    b.header(4, 1).vertex(0, 0, 0, 0, 0).vertex(0, 1, 0, 0, 1).vertex(1, 0, 0, 1, 0).vertex(1, 1, 0, 1, 1);
    b.group(1, {0, 1, 2, 3});
    Mesh mesh;
    std::string path = dir.write("s.strip", b.bytes);
    ASSERT_TRUE(mesh.loadStrip(path.c_str()));
    MeshTestDevice d;
    ASSERT_EQ(mesh.createDeviceObjects(d.device), S_OK);  // the bounds come from the buffer copy
    D3DXVECTOR2 tex(0, 0);
    // Both triangles face -z, so the second one is hit from the front as well.
    EXPECT_NEAR(mesh.intersectRay(D3DXVECTOR3(0.75f, 0.75f, -2), D3DXVECTOR3(0, 0, 1), &tex), 2.0f, 1e-5f);
    EXPECT_NEAR(tex.x, 0.75f, 1e-5f);
    EXPECT_NEAR(tex.y, 0.75f, 1e-5f);
    EXPECT_NEAR(mesh.intersectRay(D3DXVECTOR3(0.25f, 0.25f, -2), D3DXVECTOR3(0, 0, 1)), 2.0f, 1e-5f);
    EXPECT_EQ(mesh.intersectRay(D3DXVECTOR3(0.75f, 0.75f, 2), D3DXVECTOR3(0, 0, -1)), -1.0f);

    // The same square as a fan: (0,1,3) and (0,3,2).
    StripBuilder fan;
    fan.header(4, 1).vertex(0, 0, 0).vertex(0, 1, 0).vertex(1, 0, 0).vertex(1, 1, 0);
    fan.group(2, {0, 1, 3, 2});
    Mesh fanMesh;
    path = dir.write("f.strip", fan.bytes);
    ASSERT_TRUE(fanMesh.loadStrip(path.c_str()));
    ASSERT_EQ(fanMesh.createDeviceObjects(d.device), S_OK);
    EXPECT_NEAR(fanMesh.intersectRay(D3DXVECTOR3(0.8f, 0.2f, -1), D3DXVECTOR3(0, 0, 1)), 1.0f, 1e-5f);
    mesh.releaseDeviceObjects();
    fanMesh.releaseDeviceObjects();
}
