// The same lit cube read from .obj, .strip and .x and drawn through the fixed-function
// pipeline on the real GL device: all three must cover the same pixels with the same
// shading, so the three readers, their buffers and their normals agree with each other.
#include "assets/Mesh.h"
#include "support/TempDir.h"

#include <ZarnOffscreen.h>
#include <ZarnOffscreenDevice.h>
#include <d3d9.h>
#include <d3dx9.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int size = 64;

const float corners[8][3] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, 1}, {0, 1, 1}, {1, 1, 1}, {1, 0, 1}};
// Each face clockwise seen from outside, as Direct3D's default culling wants.
const int quads[6][4] = {{0, 1, 2, 3}, {7, 6, 5, 4}, {4, 5, 1, 0}, {3, 2, 6, 7}, {4, 0, 3, 7}, {1, 5, 6, 2}};
const float faceNormals[6][3] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}};

std::string cubeObj() {
    std::string s;
    char line[128];
    for (auto& c : corners) {
        std::snprintf(line, sizeof line, "v %g %g %g\n", c[0] - 0.5f, c[1] - 0.5f, c[2] - 0.5f);
        s += line;
    }
    for (auto& q : quads) {
        std::snprintf(line, sizeof line, "f %d %d %d\nf %d %d %d\n", q[0] + 1, q[1] + 1, q[2] + 1, q[0] + 1, q[2] + 1,
                      q[3] + 1);
        s += line;
    }
    return s;
}

// Four vertices per face with that face's normal; the faces drawn as a list, a fan and strips.
std::string cubeStrip() {
    std::string s;
    auto put = [&](const void* p, size_t n) { s.append(static_cast<const char*>(p), n); };
    int32_t header[2] = {24, 6};
    put(header, sizeof header);
    for (int f = 0; f < 6; ++f)
        for (int k = 0; k < 4; ++k) {
            const float* c = corners[quads[f][k]];
            MeshVertex v = {{c[0] - 0.5f, c[1] - 0.5f, c[2] - 0.5f},
                            {faceNormals[f][0], faceNormals[f][1], faceNormals[f][2]},
                            {0, 0},
                            {0, 1, 0},
                            {1, 0, 0}};
            put(&v, sizeof v);
        }
    for (uint16_t f = 0; f < 6; ++f) {
        uint16_t b = static_cast<uint16_t>(4 * f);
        std::vector<uint16_t> indices;
        int32_t type;
        if (f == 0) type = 0, indices = {b, uint16_t(b + 1), uint16_t(b + 2), b, uint16_t(b + 2), uint16_t(b + 3)};
        else if (f == 1) type = 2, indices = {b, uint16_t(b + 1), uint16_t(b + 2), uint16_t(b + 3)};
        else type = 5, indices = {b, uint16_t(b + 1), uint16_t(b + 3), uint16_t(b + 2)};
        int32_t group[2] = {type, static_cast<int32_t>(indices.size())};
        put(group, sizeof group);
        put(indices.data(), indices.size() * 2);
    }
    return s;
}

std::string cubeX() {
    std::string s = "xof 0303txt 0032\nMesh Cube {\n8;\n";
    char line[128];
    for (int i = 0; i < 8; ++i) {
        std::snprintf(line, sizeof line, "%g;%g;%g;%s\n", corners[i][0] - 0.5f, corners[i][1] - 0.5f,
                      corners[i][2] - 0.5f, i == 7 ? ";" : ",");
        s += line;
    }
    s += "6;\n";
    for (int f = 0; f < 6; ++f) {
        std::snprintf(line, sizeof line, "4;%d,%d,%d,%d;%s\n", quads[f][0], quads[f][1], quads[f][2], quads[f][3],
                      f == 5 ? ";" : ",");
        s += line;
    }
    s += "MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }\n}\n";
    return s;
}

class MeshRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = ZarnCreateOffscreenWindow(size, size);
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_TRUE(window && d3d) << "no off-screen OpenGL";
        D3DPRESENT_PARAMETERS pp = ZarnOffscreenPresentParameters(window, size, size);
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
                  D3D_OK);
    }
    void TearDown() override {
        if (device) device->Release();
        if (d3d) d3d->Release();
        ZarnDestroyWindow(window);
    }

    std::vector<uint32_t> render(Mesh& mesh) {
        D3DXMATRIX world, view, projection;
        D3DXMatrixIdentity(&world);
        D3DXVECTOR3 eye(1.2f, 1.6f, -2.4f), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, 1.0f, 0.5f, 10.0f);
        device->SetTransform(D3DTS_WORLD, &world);
        device->SetTransform(D3DTS_VIEW, &view);
        device->SetTransform(D3DTS_PROJECTION, &projection);
        D3DLIGHT9 light{};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = {1, 1, 1, 1};
        light.Direction = {-0.3f, -0.5f, 0.8f};
        device->SetLight(0, &light);
        device->LightEnable(0, TRUE);
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        device->SetRenderState(D3DRS_AMBIENT, 0xFF202020);
        D3DMATERIAL9 material{};
        material.Diffuse = {1, 1, 1, 1};
        material.Ambient = {1, 1, 1, 1};
        device->SetMaterial(&material);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        mesh.draw(device);
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        std::vector<uint32_t> pixels;
        int w = 0, h = 0;
        EXPECT_TRUE(ZarnReadPresentedImage(window, &pixels, &w, &h));
        return pixels;
    }

    HWND window = nullptr;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
};

int channelGap(uint32_t a, uint32_t b) {
    int gap = 0;
    for (int shift : {0, 8, 16}) gap = std::max(gap, std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff)));
    return gap;
}

}  // namespace

TEST_F(MeshRenderTest, ObjStripAndXCubesCoverTheSamePixelsAlike) {
    ASSERT_NE(device, nullptr);
    TempDir dir;
    Mesh obj, strip, x;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(obj.loadObj(dir.write("cube.obj", cubeObj()).c_str()));
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(strip.loadStrip(dir.write("cube.strip", cubeStrip()).c_str()));
    ASSERT_TRUE(x.loadX(dir.write("cube.x", cubeX()).c_str(), device));
    testing::internal::CaptureStderr();  // the .x mesh lists its layout's usages
    ASSERT_EQ(obj.createDeviceObjects(device), S_OK);
    ASSERT_EQ(strip.createDeviceObjects(device), S_OK);
    ASSERT_EQ(x.createDeviceObjects(device), S_OK);
    testing::internal::GetCapturedStderr();

    std::vector<uint32_t> images[3] = {render(obj), render(strip), render(x)};
    const char* names[3] = {"obj", "strip", "x"};
    int covered = 0;
    for (uint32_t p : images[0]) covered += (p & 0xFFFFFF) != 0;
    // The cube fills a good part of the picture, and not all of it.
    EXPECT_GT(covered, size * size / 8);
    EXPECT_LT(covered, size * size * 3 / 4);
    for (int k = 1; k < 3; ++k) {
        SCOPED_TRACE(names[k]);
        ASSERT_EQ(images[k].size(), images[0].size());
        int coverageDiffers = 0, shadeDiffers = 0;
        for (size_t i = 0; i < images[0].size(); ++i) {
            bool a = (images[0][i] & 0xFFFFFF) != 0, b = (images[k][i] & 0xFFFFFF) != 0;
            coverageDiffers += a != b;
            shadeDiffers += a && b && channelGap(images[0][i], images[k][i]) > 6;
        }
        EXPECT_EQ(coverageDiffers, 0);
        EXPECT_EQ(shadeDiffers, 0);
    }
    // Three faces are visible with three different shades: the normals are per face.
    std::vector<uint32_t> shades;
    for (uint32_t p : images[0])
        if ((p & 0xFFFFFF) != 0 && std::find(shades.begin(), shades.end(), p) == shades.end()) shades.push_back(p);
    EXPECT_GE(shades.size(), 3u);
    obj.releaseDeviceObjects();
    strip.releaseDeviceObjects();
    x.releaseDeviceObjects();
}
