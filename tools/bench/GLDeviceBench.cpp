// zarn-bench device: measures the GL device alone, off-screen, without the clock: the cost of one DrawPrimitive of a small mesh (state
// unchanged between draws, so it is the draw path's own overhead plus the driver's), and of a
// 1280 × 720 frame that clears, draws 40 meshes of 1,000 triangles through the fixed-function
// pipeline with a new world matrix each, and presents. Prints the figures and the number of
// GL state calls the cache issued and dropped.
#include "GLDeviceBench.h"

#include <ZarnOffscreen.h>
#include <ZarnOffscreenDevice.h>
#include <d3d9.h>
#include <gl/ZarnGLStatistics.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct Vertex {
    float x, y, z, nx, ny, nz, u, v;
};

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A ring of `triangles` triangles around the origin, facing the camera (clockwise on screen).
std::vector<Vertex> ringMesh(int triangles, float radius) {
    std::vector<Vertex> v;
    for (int i = 0; i < triangles; ++i) {
        const float a0 = 6.2831853f * float(i) / float(triangles), a1 = 6.2831853f * float(i + 1) / float(triangles);
        v.push_back({0, 0, 0, 0, 0, -1, 0.5f, 0.5f});
        v.push_back({radius * std::cos(a0), radius * std::sin(a0), 0, 0, 0, -1, 0, 0});
        v.push_back({radius * std::cos(a1), radius * std::sin(a1), 0, 0, 0, -1, 1, 1});
    }
    return v;
}

D3DMATRIX identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

}  // namespace

int runGLDeviceBench() {
    const int width = 1280, height = 720;
    HWND window = ZarnCreateOffscreenWindow(width, height);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!window || !d3d) {
        std::fprintf(stderr, "zarn-bench: no off-screen OpenGL\n");
        return 1;
    }
    D3DADAPTER_IDENTIFIER9 id{};
    d3d->GetAdapterIdentifier(0, 0, &id);
    D3DPRESENT_PARAMETERS pp = ZarnOffscreenPresentParameters(window, width, height);
    IDirect3DDevice9* device = nullptr;
    if (FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device))) {
        std::fprintf(stderr, "zarn-bench: CreateDevice failed\n");
        return 1;
    }
    std::printf("renderer: %s\n", id.Description);

    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                         {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                                         {0, 24, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                         D3DDECL_END()};
    IDirect3DVertexDeclaration9* decl = nullptr;
    device->CreateVertexDeclaration(elements, &decl);
    auto makeBuffer = [&](const std::vector<Vertex>& vertices) {
        IDirect3DVertexBuffer9* buffer = nullptr;
        const UINT bytes = UINT(vertices.size() * sizeof(Vertex));
        device->CreateVertexBuffer(bytes, 0, 0, D3DPOOL_DEFAULT, &buffer, nullptr);
        void* data = nullptr;
        buffer->Lock(0, 0, &data, 0);
        std::memcpy(data, vertices.data(), bytes);
        buffer->Unlock();
        return buffer;
    };
    IDirect3DVertexBuffer9* small = makeBuffer(ringMesh(12, 0.02f));
    IDirect3DVertexBuffer9* mesh = makeBuffer(ringMesh(1000, 0.12f));

    D3DMATERIAL9 material{};
    material.Diffuse = {0.8f, 0.7f, 0.5f, 1};
    material.Ambient = {0.3f, 0.3f, 0.3f, 1};
    material.Specular = {1, 1, 1, 1};
    material.Power = 16;
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 1};
    light.Specular = {1, 1, 1, 1};
    light.Direction = {0.3f, -0.4f, 1.0f};
    device->SetMaterial(&material);
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
    device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    D3DMATRIX m = identity();
    device->SetTransform(D3DTS_VIEW, &m);
    device->SetTransform(D3DTS_PROJECTION, &m);
    device->SetVertexDeclaration(decl);

    // Per draw: the same small mesh over and over, flushed at the end so queued work counts.
    device->SetStreamSource(0, small, 0, sizeof(Vertex));
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    const int draws = 20000;
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 12);
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < draws; ++i) device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 12);
    const double submitSeconds = secondsSince(start);
    device->Present(nullptr, nullptr, nullptr, nullptr);
    ZarnFinishGLWork(device);
    const double drawSeconds = secondsSince(start);
    std::printf("DrawPrimitive, 12-triangle mesh, state unchanged: %.2f us per draw submitted, %.2f us with the\n"
                "  driver's rendering finished after one present (%d draws)\n",
                submitSeconds * 1e6 / draws, drawSeconds * 1e6 / draws, draws);

    // Per frame: clear, 40 × 1,000 triangles with a world matrix each, present.
    device->SetStreamSource(0, mesh, 0, sizeof(Vertex));
    const int frames = 30;
    uint64_t issued0 = 0, skipped0 = 0, issued1 = 0, skipped1 = 0;
    auto frame = [&](int f) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF202040, 1.0f, 0);
        device->BeginScene();
        for (int k = 0; k < 40; ++k) {
            D3DMATRIX world = identity();
            world._41 = -0.85f + 0.24f * float(k % 8) + 0.001f * float(f);
            world._42 = -0.8f + 0.4f * float(k / 8);
            world._43 = 0.5f;
            device->SetTransform(D3DTS_WORLD, &world);
            device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1000);
        }
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        ZarnFinishGLWork(device);
    };
    frame(0);
    ZarnGetGLCallCounts(device, &issued0, &skipped0);
    start = std::chrono::steady_clock::now();
    for (int f = 1; f <= frames; ++f) frame(f);
    const double frameSeconds = secondsSince(start);
    ZarnGetGLCallCounts(device, &issued1, &skipped1);
    std::printf("1280x720 frame, clear + 40 x 1,000 lit triangles + present: %.2f ms per frame (%d frames)\n",
                frameSeconds * 1e3 / frames, frames);
    std::printf("GL state calls per frame: %.1f issued, %.1f dropped as redundant\n",
                double(issued1 - issued0) / frames, double(skipped1 - skipped0) / frames);

    small->Release();
    mesh->Release();
    decl->Release();
    device->Release();
    d3d->Release();
    ZarnDestroyWindow(window);
    return 0;
}
