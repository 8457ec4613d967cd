// Rendering tests on the real GL back end, off-screen: a device on an off-screen window whose
// presentation parameters are the saver's, the saver's effect files in a fresh working
// folder, simple meshes in the saver's 56-byte vertex layout, and the frame loop's order of
// shadow pass, colour pass and post chain in miniature. Failing image checks save the image
// under the build folder so it can be looked at.
#pragma once

#include "assets/Material.h"
#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "render/MaterialBinding.h"
#include "render/ScreenFX.h"
#include "render/ShadowMapping.h"
#include "shell/Diagnostics.h"
#include "shell/SaverState.h"
#include "support/TempDir.h"

#include <ZarnOffscreen.h>
#include <ZarnOffscreenDevice.h>
#include <ZarnSolidTexture.h>
#include <d3d9.h>
#include <d3dx9.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct MeshVertex56 {
    float px, py, pz, nx, ny, nz, u, v, bx, by, bz, tx, ty, tz;
};
static_assert(sizeof(MeshVertex56) == 56, "the saver's mesh vertex is 56 bytes");

struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    // Mean of red, green and blue, 0..255.
    double brightness(int x, int y) const {
        uint32_t c = at(x, y);
        return (((c >> 16) & 0xff) + ((c >> 8) & 0xff) + (c & 0xff)) / 3.0;
    }
    // Pixels that differ from those of another picture of the same size.
    int differingFrom(const Picture& other) const {
        int differing = 0;
        for (size_t i = 0; i < pixels.size() && i < other.pixels.size(); ++i) differing += pixels[i] != other.pixels[i];
        return differing;
    }
};

// A quad or box as a triangle list: each face is two clockwise triangles seen from outside.
class MeshBuilder {
public:
    // One square face of half-size h centred on c, facing n, with `up` its upward direction.
    void face(D3DXVECTOR3 c, D3DXVECTOR3 n, D3DXVECTOR3 up, float h) {
        D3DXVECTOR3 look(-n.x, -n.y, -n.z);
        D3DXVECTOR3 right(up.y * look.z - up.z * look.y, up.z * look.x - up.x * look.z, up.x * look.y - up.y * look.x);
        auto corner = [&](float sr, float su, float u, float v) {
            return MeshVertex56{c.x + (right.x * sr + up.x * su) * h, c.y + (right.y * sr + up.y * su) * h,
                                c.z + (right.z * sr + up.z * su) * h, n.x, n.y, n.z, u, v, -up.x, -up.y, -up.z,
                                right.x, right.y, right.z};
        };
        MeshVertex56 tl = corner(-1, 1, 0, 0), tr = corner(1, 1, 1, 0), br = corner(1, -1, 1, 1), bl = corner(-1, -1, 0, 1);
        vertices.insert(vertices.end(), {tl, tr, br, tl, br, bl});
    }

    void box(D3DXVECTOR3 c, float h) {
        face({c.x, c.y, c.z - h}, {0, 0, -1}, {0, 1, 0}, h);
        face({c.x, c.y, c.z + h}, {0, 0, 1}, {0, 1, 0}, h);
        face({c.x - h, c.y, c.z}, {-1, 0, 0}, {0, 1, 0}, h);
        face({c.x + h, c.y, c.z}, {1, 0, 0}, {0, 1, 0}, h);
        face({c.x, c.y + h, c.z}, {0, 1, 0}, {0, 0, 1}, h);
        face({c.x, c.y - h, c.z}, {0, -1, 0}, {0, 0, -1}, h);
    }

    std::vector<MeshVertex56> vertices;
};

class GLRenderFixture : public ::testing::Test {
protected:
    void TearDown() override {
        screenFX.releaseResources();
        releaseShadowMaps();
        for (Texture* t : {&white, &flat}) t->releaseDeviceObjects();
        for (IUnknown* object : owned) object->Release();
        owned.clear();
        if (Mesh::screenQuadDecl) Mesh::screenQuadDecl->Release();
        Mesh::screenQuadDecl = nullptr;
        if (meshDecl) meshDecl->Release();
        meshDecl = nullptr;
        if (device) device->Release();
        if (d3d) d3d->Release();
        device = nullptr;
        d3d = nullptr;
        ZarnDestroyWindow(window);
        window = nullptr;
        saverState.device = nullptr;
        saverState.direct3d = nullptr;
        saverState.presentParams = {};
        saverState.settings = SaverSettings();
        closeLog();
    }

    // Opens the device the way the saver does and copies the saver's effect files in.
    bool open(UINT width, UINT height, D3DMULTISAMPLE_TYPE samples = D3DMULTISAMPLE_NONE) {
        window = ZarnCreateOffscreenWindow(int(width), int(height));
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        if (!window || !d3d) {
            ADD_FAILURE() << "no off-screen OpenGL";
            return false;
        }
        D3DPRESENT_PARAMETERS pp = ZarnOffscreenPresentParameters(window, width, height, samples);
        HRESULT hr = d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device);
        if (FAILED(hr) || !device) {
            ADD_FAILURE() << "CreateDevice failed: 0x" << std::hex << hr;
            return false;
        }
        saverState.direct3d = d3d;
        saverState.device = device;
        saverState.presentParams = pp;
        Mesh::staticInit();
        const D3DVERTEXELEMENT9 layout[] = {
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
            {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
            {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
            {0, 32, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BINORMAL, 0},
            {0, 44, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
            D3DDECL_END()};
        device->CreateVertexDeclaration(layout, &meshDecl);
        copySaverEffects();
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        return meshDecl && Mesh::screenQuadDecl;
    }

    void copySaverEffects() {
        namespace fs = std::filesystem;
        for (const auto& entry : fs::directory_iterator(fs::path(ZARN_SOURCE_DIR) / "data" / "effects")) {
            if (entry.path().extension() != ".fxo") continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream text;
            text << in.rdbuf();
            dir.write("data/effects/" + entry.path().filename().string(), text.str());
        }
    }

    IDirect3DVertexBuffer9* makeBuffer(const void* data, UINT bytes) {
        IDirect3DVertexBuffer9* buffer = nullptr;
        if (FAILED(device->CreateVertexBuffer(bytes, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr))) return nullptr;
        void* target = nullptr;
        buffer->Lock(0, bytes, &target, 0);
        std::memcpy(target, data, bytes);
        buffer->Unlock();
        owned.push_back(buffer);
        return buffer;
    }

    struct DrawItem {
        IDirect3DVertexBuffer9* buffer;
        UINT triangles;
    };

    DrawItem upload(const MeshBuilder& mesh) {
        return {makeBuffer(mesh.vertices.data(), UINT(mesh.vertices.size() * sizeof(MeshVertex56))),
                UINT(mesh.vertices.size() / 3)};
    }

    void drawMesh(const DrawItem& item) {
        device->SetVertexDeclaration(meshDecl);
        device->SetStreamSource(0, item.buffer, 0, sizeof(MeshVertex56));
        device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, item.triangles);
    }

    // A plain white, flat-bumped material of the bumpShadow kind.
    void makeMaterial() {
        white.texture = ZarnCreateSolidTexture(device, 0xFFFFFFFF);
        flat.texture = ZarnCreateSolidTexture(device, 0xFF8080FF);
        // Mid-grey, so that lit surfaces do not saturate and differences in light show.
        material.d3dMaterial.Diffuse = {0.6f, 0.6f, 0.6f, 1.0f};
        material.d3dMaterial.Ambient = {0.4f, 0.4f, 0.4f, 1.0f};
        material.effectKind = Material::bumpShadow;
        material.baseTexture = &white;
        material.bumpTexture = &flat;
    }

    void setCamera() {
        D3DXMATRIX view, proj;
        D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 4,
                                   float(saverState.presentParams.BackBufferWidth) /
                                       float(saverState.presentParams.BackBufferHeight),
                                   3.0f, 20.0f);
        device->SetTransform(D3DTS_VIEW, &view);
        device->SetTransform(D3DTS_PROJECTION, &proj);
        viewProj = view * proj;
    }

    // A plane 8 units wide at z = 2, and a box of side 1.5 at the origin between it and the
    // light at (-4, 5, -12): the box's shadow falls down and to the right of the box.
    std::vector<DrawItem> planeAndBox() {
        MeshBuilder plane;
        plane.face({0, 0, 2}, {0, 0, -1}, {0, 1, 0}, 4.0f);
        MeshBuilder box;
        box.box({0, 0, 0}, 0.75f);
        return {upload(plane), upload(box)};
    }

    // Where a world point lands in the back buffer, in pixels.
    POINT pixelOf(D3DXVECTOR3 p) const {
        D3DXVECTOR3 ndc;
        D3DXVec3TransformCoord(&ndc, &p, &viewProj);
        return {LONG((ndc.x + 1) * 0.5f * float(saverState.presentParams.BackBufferWidth)),
                LONG((1 - ndc.y) * 0.5f * float(saverState.presentParams.BackBufferHeight))};
    }

    double brightnessAt(const Picture& picture, D3DXVECTOR3 point) const {
        POINT p = pixelOf(point);
        return picture.brightness(int(p.x), int(p.y));
    }

    // One frame as the saver's frame loop draws it: redirect, clear, shadow pass (when
    // shadowCasters is given; it draws into the open pass), colour pass (colourParts, after
    // the camera is set), post chain, Present.
    Picture renderFrame(const std::function<void()>& shadowCasters, const std::function<void()>& colourParts) {
        screenFX.redirectFrame();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        if (shadowCasters) {
            beginShadowPass(device, 0.56099874f, 1.3f, 5.0f, 25.0f, D3DXVECTOR3(-4, 5, -12),
                            D3DXVECTOR3(-0.6f, 0.3f, 0));
            shadowCasters();
            endShadowPass(device);
        }
        device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        setEyePosition(0, 0, -10, 1);
        setCamera();
        colourParts();
        device->EndScene();
        screenFX.applyEffects();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        return presented();
    }

    // The same with the fixture's material: each of `count` parts is drawn by
    // draw(part, shadowPass) after its world transform, worldOf(part), is set.
    Picture renderFrame(size_t count, bool shadowPass, const std::function<D3DXMATRIX(size_t)>& worldOf,
                        const std::function<void(size_t, bool)>& draw) {
        auto casters = [&] {
            for (size_t part = 0; part < count; ++part) {
                const D3DXMATRIX world = worldOf(part);
                device->SetTransform(D3DTS_WORLD, &world);
                material.bindShadowEffect(device);
                draw(part, true);
                material.endShadowDraw();
            }
        };
        return renderFrame(shadowPass ? std::function<void()>(casters) : nullptr, [&] {
            for (size_t part = 0; part < count; ++part) {
                const D3DXMATRIX world = worldOf(part);
                device->SetTransform(D3DTS_WORLD, &world);
                ID3DXEffect* effect = nullptr;
                if (material.bindEffect(&effect, device) && effect) {
                    UINT passes = 0;
                    effect->Begin(&passes, 0);
                    effect->BeginPass(passes - 1);
                    draw(part, false);
                    effect->EndPass();
                    effect->End();
                } else {
                    ADD_FAILURE() << "the material fell back to fixed function";
                }
            }
        });
    }

    // The same for vertex buffers drawn in place.
    Picture renderFrame(const std::vector<DrawItem>& items, bool shadowPass) {
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        return renderFrame(
            items.size(), shadowPass, [&](size_t) { return identity; },
            [&](size_t part, bool) { drawMesh(items[part]); });
    }

    Picture presented() {
        Picture picture;
        ZarnReadPresentedImage(window, &picture.pixels, &picture.width, &picture.height);
        return picture;
    }

    // Writes the picture as a PPM under the build folder, for looking at a failure.
    void savePicture(const Picture& picture, const std::string& name) {
        std::string path = std::string(ZARN_BINARY_DIR) + "/tests/" + name + ".ppm";
        FILE* file = std::fopen(path.c_str(), "wb");
        if (!file) return;
        std::fprintf(file, "P6\n%d %d\n255\n", picture.width, picture.height);
        for (uint32_t c : picture.pixels) {
            unsigned char rgb[3] = {static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 8),
                                    static_cast<unsigned char>(c)};
            std::fwrite(rgb, 1, 3, file);
        }
        std::fclose(file);
        std::printf("picture saved to %s\n", path.c_str());
    }

    TempDir dir;
    HWND window = nullptr;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    IDirect3DVertexDeclaration9* meshDecl = nullptr;
    std::vector<IUnknown*> owned;
    D3DXMATRIX viewProj;
    Material material;
    Texture white, flat;
};
