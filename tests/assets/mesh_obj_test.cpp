// The .obj reader and the buffers built from it: face forms chosen by the flags as they
// stand, statements that only count as unexpected, rejection of damaged files, and the
// flat normals and per-face tangent frames written into the vertex buffer.
#include "assets/Mesh.h"
#include "mesh_test_device.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

const char* triangleObj = "v 0 0 0\nv 0 1 0\nv 1 0 0\n";

bool loadObjText(Mesh& mesh, TempDir& dir, const std::string& text) {
    std::string path = dir.write("m.obj", text);
    return mesh.loadObj(path.c_str());
}

void expectNear3(const float* v, float x, float y, float z) {
    EXPECT_NEAR(v[0], x, 1e-5f);
    EXPECT_NEAR(v[1], y, 1e-5f);
    EXPECT_NEAR(v[2], z, 1e-5f);
}

}  // namespace

TEST(MeshObj, ReadsStatementsAndReportsOnStandardOutput) {
    TempDir dir;
    Mesh mesh;
    testing::internal::CaptureStdout();
    bool ok = loadObjText(mesh, dir,
                          "# a comment line\nmtllib x.mtl\nusemtl m\ns off\ng group\n"
                          "v 1 2 3\nv -1 5 0\nv 0 0 -2\nvt 0 0\nvt 1 0\nvt 0 1\nvn 0 0 -1\nn 0 1 0\n"
                          "f 1/1/1 2/2/2 3/3/2\nls 1 2\n");
    std::string out = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(ok);
    EXPECT_NE(out.find("Reading .obj file "), std::string::npos);
    EXPECT_EQ(mesh.positions.count, 3);
    EXPECT_EQ(mesh.texCoords.count, 3);
    EXPECT_EQ(mesh.normals.count, 2);
    EXPECT_TRUE(mesh.hasTexCoords);
    EXPECT_TRUE(mesh.hasNormals);
    ASSERT_EQ(mesh.faces.count, 1);
    const MeshFace& f = mesh.faces[0];
    EXPECT_EQ(f.position[2], 2);
    EXPECT_EQ(f.texCoord[1], 1);
    EXPECT_EQ(f.normal[2], 1);
    EXPECT_EQ(mesh.boundsMin.x, -1.0f);
    EXPECT_EQ(mesh.boundsMin.z, -2.0f);
    EXPECT_EQ(mesh.boundsMax.y, 5.0f);
    EXPECT_EQ(mesh.boundsMax.z, 3.0f);
}

TEST(MeshObj, TexCoordLinesAfterFacesLeaveEarlierFacesInThePlainForm) {
    TempDir dir;
    Mesh mesh;
    ASSERT_TRUE(loadObjText(mesh, dir,
                            std::string(triangleObj) + "f 1 2 3\nvt 0.5 0.5\nvt 1 0\nvt 0 1\nf 3/1 2/2 1/3\n"));
    ASSERT_EQ(mesh.faces.count, 2);
    EXPECT_EQ(mesh.faces[0].texCoord[0], 0);
    EXPECT_EQ(mesh.faces[0].texCoord[2], 0);
    EXPECT_EQ(mesh.faces[1].position[0], 2);
    EXPECT_EQ(mesh.faces[1].texCoord[2], 2);

    // The earlier face reads texture coordinate 0 for every corner once the buffer is built.
    MeshTestDevice d;
    ASSERT_EQ(mesh.createDeviceObjects(d.device), S_OK);
    auto v = meshBufferVertices(mesh.vertexBuffer);
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(v[1].texCoord[0], 0.5f);
    EXPECT_EQ(v[5].texCoord[1], 1.0f);
    mesh.releaseDeviceObjects();
}

TEST(MeshObj, StrayTokensAreUnexpectedButTheGeometryStays) {
    TempDir dir;
    {
        // A fourth corner is left over as a stray statement.
        Mesh mesh;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(loadObjText(mesh, dir, std::string(triangleObj) + "v 1 1 0\nf 1 2 3 4\n"));
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("Unexpected data encountered while opeing file "), std::string::npos);
        ASSERT_EQ(mesh.faces.count, 1);
        EXPECT_EQ(mesh.faces[0].position[2], 2);
    }
    {
        // An object name is not part of the subset, yet the mesh is still drawn.
        Mesh mesh;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(loadObjText(mesh, dir, std::string("o Gear\n") + triangleObj + "f 1 2 3\n"));
        testing::internal::GetCapturedStderr();
        MeshTestDevice d;
        ASSERT_EQ(mesh.createDeviceObjects(d.device), S_OK);
        d.log->clear();
        mesh.draw(d.device);
        EXPECT_EQ(d.log->calls("DrawPrimitive"), std::vector<std::string>{"DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1)"});
        mesh.releaseDeviceObjects();
    }
}

TEST(MeshObj, DamagedFilesAreRejectedAndLeaveAnEmptyMesh) {
    struct Case {
        const char* name;
        std::string text;
        const char* message;
    };
    const std::string tri = triangleObj;
    const Case cases[] = {
        {"malformed number", "v 1 x 3\n" + tri + "f 1 2 3\n", "Malformed 'v' statement"},
        {"number with trailing junk", tri + "vt 0.5 1.0abc\nf 1/1 2/1 3/1\n", "Malformed 'vt' statement"},
        {"file ends inside v", tri + "f 1 2 3\nv 1 2", "Malformed 'v' statement"},
        {"face form does not match", tri + "f 1/1/1 2/2/2 3/3/3\n", "Malformed 'f' statement"},
        {"normals-only form needs //", tri + "vn 0 0 1\nf 1/1 2/1 3/1\n", "Malformed 'f' statement"},
        {"face index past the positions", tri + "f 1 2 4\n", "Face index out of range"},
        {"face index zero", tri + "f 0 1 2\n", "Face index out of range"},
        {"relative index", tri + "f -1 -2 -3\n", "Face index out of range"},
        {"texture index past the array", tri + "vt 0 0\nf 1/1 2/2 3/1\n", "Face index out of range"},
        {"index too large for int", tri + "f 1 2 99999999999\n", "Malformed 'f' statement"},
        {"ls without numbers", tri + "ls a b\n", "Malformed 'ls' statement"},
        {"over-long token", tri + "f 1 2 3\n" + std::string(300, 'x') + "\n", "Token longer than 255"},
        {"over-long number", "v 1 2 " + std::string(300, '1') + "\n", "Token longer than 255"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mesh mesh;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(loadObjText(mesh, dir, c.text));
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_EQ(mesh.positions.count, 0);
        EXPECT_EQ(mesh.faces.count, 0);
        EXPECT_EQ(mesh.texCoords.count, 0);
        EXPECT_EQ(mesh.boundsMax.x, -10000000.0f);
        MeshTestDevice d;
        mesh.createDeviceObjects(d.device);
        d.log->clear();
        mesh.draw(d.device);
        EXPECT_EQ(d.log->countCalls("DrawPrimitive"), 0);
        mesh.releaseDeviceObjects();
    }
}

TEST(MeshObj, EveryNumberSpellingReadsAsStrtofReadsIt) {
    // Plain decimals take a quicker parser than strtof; what it does not take whole goes to
    // strtof, so every spelling keeps its value (to the bit) or its refusal.
    const char* spellings[] = {"1",     "-0.5",  "+2.25", "1e3",  "1E-3", ".5",   "5.",          "0x1p3",
                               "1e-40", "0.1",   "-0",    "1e39", "nan",  "-inf", "infinity",    "1.5x",
                               "-",     "1e",    "1.2.3", "e5",   "+-1",  "--1",  "3.14159265358979"};
    TempDir dir;
    for (const char* spelling : spellings) {
        SCOPED_TRACE(spelling);
        char* stop = nullptr;
        const float expected = std::strtof(spelling, &stop);
        const bool valid = *stop == '\0' && std::isfinite(expected);
        Mesh mesh;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const bool ok = loadObjText(mesh, dir, std::string("v ") + spelling + " 0 0\n");
        testing::internal::GetCapturedStdout();
        testing::internal::GetCapturedStderr();
        ASSERT_EQ(valid, ok);
        if (valid) {
            const float read = mesh.positions[0].x;
            EXPECT_EQ(0, std::memcmp(&read, &expected, sizeof read)) << read << " vs " << expected;
        }
    }
}

TEST(MeshObj, MissingFileIsReported) {
    TempDir dir;
    Mesh mesh;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(mesh.loadObj("nowhere.obj"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error opening mesh file nowhere.obj\n");
}

// The read ends as a success when the file ends inside a skipped line (no final line end),
// whatever unexpected data came before; with its line end, the unexpected data is reported.
TEST(MeshObj, AFileEndingInsideASkippedLineIsReadWhole) {
    for (const char* last : {"#", "# the end", "s 1", "g group", "mtllib clock.mtl", "usemtl brass"}) {
        const std::string body = std::string("o x\n") + triangleObj + "f 1 2 3\n" + last;
        TempDir dir;
        Mesh ended;
        testing::internal::CaptureStderr();
        EXPECT_TRUE(loadObjText(ended, dir, body)) << last;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << last;
        EXPECT_EQ(ended.faces.count, 1) << last;
        EXPECT_EQ(ended.positions.count, 3) << last;

        Mesh complete;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(loadObjText(complete, dir, body + "\n")) << last;
        EXPECT_NE(testing::internal::GetCapturedStderr().find("Unexpected data encountered while opeing file "),
                  std::string::npos)
            << last;
        EXPECT_EQ(complete.faces.count, 1) << last;
    }
    // Ending that way does not excuse a face that points past the positions.
    TempDir dir;
    Mesh bad;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loadObjText(bad, dir, std::string(triangleObj) + "f 1 2 9\n# the end"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Face index out of range"), std::string::npos);
    EXPECT_EQ(bad.faces.count, 0);
}

TEST(MeshObj, WithoutNormalsEveryCornerCarriesTheFaceNormal) {
    TempDir dir;
    Mesh mesh;
    // (P1 - P0) x (P2 - P1) for this clockwise triangle points at the viewer (-z).
    ASSERT_TRUE(loadObjText(mesh, dir, "v 0 0 0\nv 0 2 0\nv 2 0 0\nv 0 0 1\nf 1 2 3\nf 1 4 2\n"));
    MeshTestDevice d;
    ASSERT_EQ(mesh.createDeviceObjects(d.device), S_OK);
    EXPECT_TRUE(d.log->contains("CreateVertexBuffer(336, 0x0, 0x0, D3DPOOL_DEFAULT) -> vb2"));
    auto v = meshBufferVertices(mesh.vertexBuffer);
    ASSERT_EQ(v.size(), 6u);
    for (int c = 0; c < 3; ++c) expectNear3(v[c].normal, 0, 0, -1);
    for (int c = 3; c < 6; ++c) expectNear3(v[c].normal, -1, 0, 0);
    mesh.releaseDeviceObjects();
}

TEST(MeshObj, TangentFrameWithoutTexCoordsUsesTheXAxis) {
    TempDir dir;
    Mesh mesh;
    // A face tilted about the y axis, so (1, 0, 0) is not in its plane.
    ASSERT_TRUE(loadObjText(mesh, dir, "v 0 0 0\nv 0 1 0\nv 1 0 1\nf 1 2 3\n"));
    MeshTestDevice d;
    ASSERT_EQ(mesh.createDeviceObjects(d.device), S_OK);
    auto v = meshBufferVertices(mesh.vertexBuffer);
    ASSERT_EQ(v.size(), 3u);
    const float s = std::sqrt(0.5f);
    for (const MeshVertex& x : v) {
        EXPECT_EQ(x.texCoord[0], 0.0f);
        EXPECT_EQ(x.texCoord[1], 0.0f);
        expectNear3(x.normal, s, 0, -s);
        // (1, 0, 0) projected onto the face's plane, normalised.
        expectNear3(x.tangent, s, 0, s);
        // N x (1, 0, 0), with (T x (0, 1, 0)) . N = -1 < 0 flipping it.
        expectNear3(x.binormal, 0, s, 0);
    }
    mesh.releaseDeviceObjects();
}

TEST(MeshObj, TangentFollowsTheTextureUDirection) {
    TempDir dir;
    Mesh mesh;
    // u runs along +y and v along +x on a face in the z = 0 plane.
    ASSERT_TRUE(loadObjText(mesh, dir,
                            "v 0 0 0\nv 0 1 0\nv 1 0 0\nvt 0 0\nvt 1 0\nvt 0 1\nvn 0 0 -1\n"
                            "f 1/1/1 2/2/1 3/3/1\n"));
    MeshTestDevice d;
    ASSERT_EQ(mesh.createDeviceObjects(d.device), S_OK);
    auto v = meshBufferVertices(mesh.vertexBuffer);
    ASSERT_EQ(v.size(), 3u);
    for (const MeshVertex& x : v) {
        expectNear3(x.tangent, 0, 1, 0);
        // N x S = (0,0,-1) x (0,1,0) = (1, 0, 0); (T x W) . N = ((0,1,0) x (1,0,0)) . N = 1.
        expectNear3(x.binormal, 1, 0, 0);
    }
    EXPECT_EQ(v[1].texCoord[0], 1.0f);
    mesh.releaseDeviceObjects();
}

TEST(MeshObj, DynamicBuffersOnlyForNonStaticMeshesAndFailuresLeaveNoBuffer) {
    TempDir dir;
    Mesh mesh;
    ASSERT_TRUE(loadObjText(mesh, dir, std::string(triangleObj) + "f 1 2 3\n"));
    mesh.isStatic = false;
    {
        MeshTestDevice d;
        ASSERT_EQ(mesh.createDeviceObjects(d.device), S_OK);
        EXPECT_TRUE(d.log->contains("CreateVertexBuffer(168, 0x200, 0x0, D3DPOOL_DEFAULT) -> vb2"));
        mesh.releaseDeviceObjects();
    }
    {
        MeshTestDevice d;
        d.device->script().failingCalls["Lock"] = E_FAIL;
        testing::internal::CaptureStderr();
        EXPECT_EQ(mesh.createDeviceObjects(d.device), E_FAIL);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(mesh.vertexBuffer, nullptr);
        mesh.releaseDeviceObjects();
    }
    {
        // No faces: the zero-byte buffer is refused and the mesh draws nothing.
        Mesh empty;
        ASSERT_TRUE(loadObjText(empty, dir, triangleObj));
        MeshTestDevice d;
        EXPECT_EQ(empty.createDeviceObjects(d.device), E_FAIL);
        d.log->clear();
        empty.draw(d.device);
        EXPECT_EQ(d.log->size(), 0u);
        empty.releaseDeviceObjects();
    }
}

TEST(MeshObj, TexTransformTranslateScaleAndWriteBack) {
    TempDir dir;
    Mesh mesh;
    ASSERT_TRUE(loadObjText(mesh, dir, std::string(triangleObj) + "vt 0.5 0.25\nf 1/1 2/1 3/1\n"));
    mesh.applyTexTransform(2, 1, -1, 0.5f);
    EXPECT_EQ(mesh.texCoords[0].x, 2.0f);
    EXPECT_EQ(mesh.texCoords[0].y, 0.25f);
    mesh.translate(1, 0, 0);
    EXPECT_EQ(mesh.positions[0].x, 1.0f);
    EXPECT_EQ(mesh.boundsMax.x, 1.0f);  // translate leaves the bounds
    mesh.scale(2, 3, 1);
    EXPECT_EQ(mesh.positions[1].y, 3.0f);
    EXPECT_EQ(mesh.boundsMax.y, 3.0f);

    ASSERT_TRUE(mesh.writeObj("out.obj"));
    EXPECT_EQ(dir.read("out.obj"),
              "v 2.000000 0.000000 0.000000\nv 2.000000 3.000000 0.000000\nv 4.000000 0.000000 0.000000\n"
              "vt 2.000000 0.250000\nf 1/1 2/1 3/1\n");
    Mesh again;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(again.loadObj("out.obj"));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(again.faces.count, 1);

    // Without texture coordinates a planar x/z mapping is written.
    Mesh plain;
    ASSERT_TRUE(loadObjText(plain, dir, "v 1 2 3\nv 4 5 6\nv 7 8 9\nvn 0 0 1\nf 1//1 2//1 3//1\n"));
    ASSERT_TRUE(plain.writeObj("plain.obj"));
    EXPECT_EQ(dir.read("plain.obj"),
              "v 1.000000 2.000000 3.000000\nv 4.000000 5.000000 6.000000\nv 7.000000 8.000000 9.000000\n"
              "vt 1.000000 3.000000\nvt 4.000000 6.000000\nvt 7.000000 9.000000\nn 0.000000 0.000000 1.000000\n"
              "f 1/1/1 2/2/1 3/3/1\n");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(plain.writeObj("no/such/dir/x.obj"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error opening file no/such/dir/x.obj for writing\n");
}
