// The .strip reader and strip drawing: group types, the buffers and the draw calls they
// make, and the rejection of truncated or inconsistent files.
#include "assets/Mesh.h"
#include "mesh_test_device.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

bool loadStripBytes(Mesh& mesh, TempDir& dir, const std::string& bytes) {
    std::string path = dir.write("m.strip", bytes);
    return mesh.loadStrip(path.c_str());
}

StripBuilder fiveVertices(int32_t groups) {
    StripBuilder b;
    b.header(5, groups).vertex(0, 0, 0).vertex(0, 1, 0).vertex(1, 0, 0).vertex(1, 1, 2).vertex(-1, 3, 0);
    return b;
}

}  // namespace

TEST(MeshStrip, GroupTypesZeroAndTwoAreListAndFanEverythingElseIsAStrip) {
    TempDir dir;
    Mesh mesh;
    StripBuilder b = fiveVertices(5);
    b.group(0, {0, 1, 2}).group(2, {0, 1, 2}).group(1, {0, 1, 2}).group(3, {0, 1, 2}).group(-7, {0, 1, 2});
    ASSERT_TRUE(loadStripBytes(mesh, dir, b.bytes));
    ASSERT_EQ(mesh.primGroupCount, 5);
    EXPECT_EQ(mesh.primGroups[0].type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(mesh.primGroups[1].type, D3DPT_TRIANGLEFAN);
    EXPECT_EQ(mesh.primGroups[2].type, D3DPT_TRIANGLESTRIP);
    EXPECT_EQ(mesh.primGroups[3].type, D3DPT_TRIANGLESTRIP);
    EXPECT_EQ(mesh.primGroups[4].type, D3DPT_TRIANGLESTRIP);
    EXPECT_EQ(mesh.stripVertexCount, 5);
    EXPECT_EQ(mesh.stripVertices[3].position[2], 2.0f);
}

TEST(MeshStrip, BuffersAndDrawCallsFollowTheGroups) {
    TempDir dir;
    Mesh mesh;
    StripBuilder b = fiveVertices(4);
    // Five indices: one triangle as a list, three as a strip or a fan.
    b.group(0, {0, 1, 2, 3, 4}).group(1, {0, 1, 2, 3, 4}).group(2, {0, 1, 2, 3, 4}).group(1, {4, 3});
    ASSERT_TRUE(loadStripBytes(mesh, dir, b.bytes));
    MeshTestDevice d;
    ASSERT_EQ(mesh.createDeviceObjects(d.device), S_OK);
    EXPECT_TRUE(d.log->contains("CreateVertexBuffer(280, 0x0, 0x0, D3DPOOL_DEFAULT) -> vb2"));
    EXPECT_TRUE(d.log->contains("CreateIndexBuffer(34, 0x0, D3DFMT_INDEX16, D3DPOOL_DEFAULT) -> ib3"));
    // The bounds are widened while the vertices are copied.
    EXPECT_EQ(mesh.boundsMin.x, -1.0f);
    EXPECT_EQ(mesh.boundsMax.y, 3.0f);
    EXPECT_EQ(mesh.boundsMax.z, 2.0f);
    void* bytes = nullptr;
    ASSERT_EQ(mesh.indexBuffer->Lock(0, 0, &bytes, 0), S_OK);
    EXPECT_EQ(static_cast<uint16_t*>(bytes)[15], 4);
    EXPECT_EQ(static_cast<uint16_t*>(bytes)[16], 3);
    mesh.indexBuffer->Unlock();

    d.log->clear();
    mesh.draw(d.device);
    std::vector<std::string> expected = {
        "SetVertexDeclaration(decl1)",
        "SetStreamSource(0, vb2, 0, 56)",
        "SetIndices(ib3)",
        "DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 5, 0, 1)",
        "DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, 5, 5, 3)",
        "DrawIndexedPrimitive(D3DPT_TRIANGLEFAN, 0, 0, 5, 10, 3)",
    };
    // The two-index group is too short for a triangle and draws nothing.
    EXPECT_EQ(d.log->lines, expected);
    mesh.releaseDeviceObjects();
    EXPECT_EQ(mesh.vertexBuffer, nullptr);
    EXPECT_EQ(mesh.indexBuffer, nullptr);
    EXPECT_EQ(mesh.vertexDecl, nullptr);
}

TEST(MeshStrip, ZeroGroupsGiveNoIndexBufferAndNoDraw) {
    TempDir dir;
    Mesh mesh;
    ASSERT_TRUE(loadStripBytes(mesh, dir, fiveVertices(0).bytes));
    MeshTestDevice d;
    testing::internal::CaptureStderr();
    EXPECT_EQ(mesh.createDeviceObjects(d.device), E_FAIL);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(mesh.vertexBuffer, nullptr);
    EXPECT_EQ(mesh.indexBuffer, nullptr);
    d.log->clear();
    mesh.draw(d.device);
    EXPECT_EQ(d.log->size(), 0u);
    EXPECT_EQ(mesh.intersectRay(D3DXVECTOR3(0.2f, 0.2f, -5), D3DXVECTOR3(0, 0, 1)), -1.0f);
    mesh.releaseDeviceObjects();
}

TEST(MeshStrip, DamagedFilesAreRejectedAndLeaveAnEmptyMesh) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    std::string good = fiveVertices(1).group(0, {0, 1, 2}).bytes;
    std::vector<Case> cases = {
        {"empty file", ""},
        {"header cut short", good.substr(0, 6)},
        {"vertices cut short", good.substr(0, 8 + 56 * 3)},
        {"group header cut short", good.substr(0, 8 + 56 * 5 + 6)},
        {"indices cut short", good.substr(0, good.size() - 1)},
        {"index at the vertex count", fiveVertices(1).group(0, {0, 1, 5}).bytes},
        {"negative vertex count", StripBuilder().header(-1, 0).bytes},
        {"more vertices than 16-bit indices reach", StripBuilder().header(65537, 0).bytes},
        {"vertex count beyond the file", StripBuilder().header(1000000, 0).bytes},
        {"negative group count", fiveVertices(-1).bytes},
        {"group count beyond the file", fiveVertices(0x7fffffff).bytes},
        {"negative index count", fiveVertices(1).put<int32_t>(0).put<int32_t>(-3).bytes},
        {"index count beyond the file", fiveVertices(1).put<int32_t>(0).put<int32_t>(0x40000000).bytes},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mesh mesh;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(loadStripBytes(mesh, dir, c.bytes));
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("Error in .strip file"), std::string::npos) << err;
        EXPECT_EQ(mesh.stripVertexCount, 0);
        EXPECT_EQ(mesh.primGroupCount, 0);
        EXPECT_EQ(mesh.primGroups, nullptr);
        EXPECT_EQ(mesh.stripVertices, nullptr);
    }
    Mesh mesh;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(mesh.loadStrip("missing.strip"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error opening \"missing.strip\"\n");
}

TEST(MeshStrip, AtMost65536VerticesAreAccepted) {
    TempDir dir;
    StripBuilder b;
    b.header(65536, 1);
    b.bytes.append(56 * 65536, '\0');
    b.group(1, {0, 65535, 1});
    Mesh mesh;
    EXPECT_TRUE(loadStripBytes(mesh, dir, b.bytes));
    EXPECT_EQ(mesh.stripVertexCount, 65536);
}
