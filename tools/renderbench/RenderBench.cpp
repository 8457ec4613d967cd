// zarn-renderbench: times the three rendering stages of a frame on the GL back end, off-screen,
// with the saver's own effects, material binding, shadow mapping and post chain:
//   zarn-renderbench [width height [frames]]
// Every frame ends with Present into an off-screen window, which reads the image back and so
// waits for the GPU; a stage's cost is the difference between frames with and without it:
//   base    clear + Present
//   colour  base + the colour pass (40 bump-mapped, shadow-receiving meshes)
//   shadow  colour + the shadow pass (the same meshes into the shadow map)
//   post    colour + redirection and the post chain
// Each configuration runs without and with 4 samples.
#include "assets/Material.h"
#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "render/MaterialBinding.h"
#include "render/ScreenFX.h"
#include "render/ShadowMapping.h"
#include "shell/SaverState.h"

#include <ZarnOffscreen.h>
#include <ZarnOffscreenDevice.h>
#include <ZarnSolidTexture.h>
#include <d3d9.h>
#include <d3dx9.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Vertex {
    float px, py, pz, nx, ny, nz, u, v, bx, by, bz, tx, ty, tz;
};

constexpr int kMeshes = 40;
constexpr int kRings = 20, kSegments = 25;  // 20 × 25 quads = 1,000 triangles

// A sphere of 1,000 triangles as a plain list, wound clockwise seen from outside.
std::vector<Vertex> sphere(float cx, float cy, float cz, float radius) {
    auto at = [&](int ring, int segment) {
        float theta = float(M_PI) * float(ring) / kRings;
        float phi = 2.0f * float(M_PI) * float(segment) / kSegments;
        float nx = std::sin(theta) * std::cos(phi), ny = std::cos(theta), nz = std::sin(theta) * std::sin(phi);
        return Vertex{cx + radius * nx, cy + radius * ny, cz + radius * nz, nx, ny, nz,
                      float(segment) / kSegments, float(ring) / kRings, 0, -1, 0, -std::sin(phi), 0, std::cos(phi)};
    };
    std::vector<Vertex> out;
    for (int r = 0; r < kRings; ++r) {
        for (int s = 0; s < kSegments; ++s) {
            Vertex a = at(r, s), b = at(r, s + 1), c = at(r + 1, s + 1), d = at(r + 1, s);
            out.insert(out.end(), {a, c, b, a, d, c});
        }
    }
    return out;
}

class Bench {
public:
    bool open(UINT width, UINT height, D3DMULTISAMPLE_TYPE samples) {
        window = ZarnCreateOffscreenWindow(int(width), int(height));
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        if (!window || !d3d) return false;
        D3DPRESENT_PARAMETERS pp = ZarnOffscreenPresentParameters(window, width, height, samples);
        if (FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device))) {
            return false;
        }
        saverState.direct3d = d3d;
        saverState.device = device;
        saverState.presentParams = pp;
        saverState.settings.EnableFilters = true;
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        Mesh::staticInit();
        const D3DVERTEXELEMENT9 layout[] = {
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
            {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
            {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
            {0, 32, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BINORMAL, 0},
            {0, 44, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
            D3DDECL_END()};
        device->CreateVertexDeclaration(layout, &decl);
        for (int i = 0; i < kMeshes; ++i) {
            std::vector<Vertex> mesh = sphere(-3.5f + float(i % 8), -2.0f + float(i / 8), 0.0f, 0.45f);
            IDirect3DVertexBuffer9* buffer = nullptr;
            UINT bytes = UINT(mesh.size() * sizeof(Vertex));
            device->CreateVertexBuffer(bytes, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr);
            void* data = nullptr;
            buffer->Lock(0, bytes, &data, 0);
            std::memcpy(data, mesh.data(), bytes);
            buffer->Unlock();
            buffers.push_back(buffer);
        }
        base.texture = ZarnCreateSolidTexture(device, 0xFFC8A040);
        bump.texture = ZarnCreateSolidTexture(device, 0xFF8080FF);
        material.effectKind = Material::bumpShadow;
        material.baseTexture = &base;
        material.bumpTexture = &bump;
        initShadowMaps(device);
        selectShadowMap(true);
        screenFX.createResources(device);
        return shadowsAvailable && screenFX.available;
    }

    void close() {
        screenFX.releaseResources();
        releaseShadowMaps();
        base.releaseDeviceObjects();
        bump.releaseDeviceObjects();
        for (IDirect3DVertexBuffer9* buffer : buffers) buffer->Release();
        buffers.clear();
        if (decl) decl->Release();
        if (Mesh::screenQuadDecl) Mesh::screenQuadDecl->Release();
        Mesh::screenQuadDecl = nullptr;
        decl = nullptr;
        if (device) device->Release();
        if (d3d) d3d->Release();
        device = nullptr;
        d3d = nullptr;
        ZarnDestroyWindow(window);
        window = nullptr;
        saverState = SaverState();
    }

    void frame(bool colour, bool shadow, bool post) {
        if (post) screenFX.redirectFrame();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        if (shadow) {
            beginShadowPass(device, 0.56099874f, 1.3f, 5.0f, 25.0f, D3DXVECTOR3(-4, 5, -12),
                            D3DXVECTOR3(-0.6f, 0.3f, 0));
            for (IDirect3DVertexBuffer9* buffer : buffers) {
                device->SetTransform(D3DTS_WORLD, &identity);
                material.bindShadowEffect(device);
                draw(buffer);
                material.endShadowDraw();
            }
            endShadowPass(device);
        }
        if (colour) {
            device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
            setEyePosition(0, 0, -10, 1);
            D3DXMATRIX view, proj;
            D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
            D3DXMatrixLookAtLH(&view, &eye, &at, &up);
            D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 4,
                                       float(saverState.presentParams.BackBufferWidth) /
                                           float(saverState.presentParams.BackBufferHeight),
                                       3.0f, 20.0f);
            device->SetTransform(D3DTS_VIEW, &view);
            device->SetTransform(D3DTS_PROJECTION, &proj);
            for (IDirect3DVertexBuffer9* buffer : buffers) {
                device->SetTransform(D3DTS_WORLD, &identity);
                ID3DXEffect* effect = nullptr;
                if (material.bindEffect(&effect, device) && effect) {
                    UINT passes = 0;
                    effect->Begin(&passes, 0);
                    effect->BeginPass(passes - 1);
                    draw(buffer);
                    effect->EndPass();
                    effect->End();
                }
            }
        }
        device->EndScene();
        if (post) screenFX.applyEffects();
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }

    // Milliseconds per frame, averaged over `frames` after a few unmeasured ones.
    double time(int frames, bool colour, bool shadow, bool post) {
        for (int i = 0; i < 3; ++i) frame(colour, shadow, post);
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < frames; ++i) frame(colour, shadow, post);
        std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        return elapsed.count() / frames;
    }

private:
    void draw(IDirect3DVertexBuffer9* buffer) {
        device->SetVertexDeclaration(decl);
        device->SetStreamSource(0, buffer, 0, sizeof(Vertex));
        device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, kRings * kSegments * 2);
    }

    HWND window = nullptr;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    IDirect3DVertexDeclaration9* decl = nullptr;
    std::vector<IDirect3DVertexBuffer9*> buffers;
    Material material;
    Texture base, bump;
};

}  // namespace

int main(int argc, char** argv) {
    UINT width = argc > 2 ? UINT(std::atoi(argv[1])) : 1280;
    UINT height = argc > 2 ? UINT(std::atoi(argv[2])) : 720;
    int frames = argc > 3 ? std::atoi(argv[3]) : 20;
    if (width == 0 || height == 0 || frames <= 0) {
        std::fprintf(stderr, "usage: zarn-renderbench [width height [frames]]\n");
        return 2;
    }
    // The effects are read from the build's data folder, as the saver reads its install's.
    if (chdir(ZARN_BUILD_DATA_ROOT) != 0) {
        std::fprintf(stderr, "cannot enter %s\n", ZARN_BUILD_DATA_ROOT);
        return 1;
    }
    std::printf("%u x %u, %d meshes of %d triangles, %d frames per figure (ms per frame)\n", width, height, kMeshes,
                kRings * kSegments * 2, frames);
    std::printf("%-10s %8s %8s %8s %8s %10s\n", "samples", "base", "colour", "shadow", "post", "full frame");
    for (D3DMULTISAMPLE_TYPE samples : {D3DMULTISAMPLE_NONE, D3DMULTISAMPLE_4_SAMPLES}) {
        Bench bench;
        if (!bench.open(width, height, samples)) {
            std::fprintf(stderr, "no device with %d samples, or effects unavailable\n", int(samples));
            bench.close();
            return 1;
        }
        double base = bench.time(frames, false, false, false);
        double colour = bench.time(frames, true, false, false);
        double shadow = bench.time(frames, true, true, false);
        double post = bench.time(frames, true, false, true);
        double full = bench.time(frames, true, true, true);
        std::printf("%-10d %8.2f %8.2f %8.2f %8.2f %10.2f\n", int(samples), base, colour - base, shadow - colour,
                    post - colour, full);
        bench.close();
    }
    return 0;
}
