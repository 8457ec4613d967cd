// See ReadbackDevice.h.
#include "ReadbackDevice.h"

#include <cmath>
#include <cstdio>

bool ReadbackDevice::create() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZarnEffectReadback";
    RegisterClassA(&wc);
    window_ = CreateWindowA("ZarnEffectReadback", "readback", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                            wc.hInstance, nullptr);
    d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    if (!window_ || !d3d_) return false;
    D3DPRESENT_PARAMETERS pp = {};
    pp.Windowed = TRUE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferWidth = 64;
    pp.BackBufferHeight = 64;
    pp.hDeviceWindow = window_;
    if (FAILED(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                  &pp, &device_))) {
        return false;
    }
    const D3DVERTEXELEMENT9 quad[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                      {0, 12, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                      D3DDECL_END()};
    const D3DVERTEXELEMENT9 mesh[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                      {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                                      {0, 24, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                      {0, 32, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_BINORMAL, 0},
                                      {0, 44, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_TANGENT, 0},
                                      D3DDECL_END()};
    return SUCCEEDED(device_->CreateVertexDeclaration(quad, &quadLayout_)) &&
           SUCCEEDED(device_->CreateVertexDeclaration(mesh, &meshLayout_));
}

ReadbackDevice::~ReadbackDevice() {
    if (quadLayout_) quadLayout_->Release();
    if (meshLayout_) meshLayout_->Release();
    if (device_) device_->Release();
    if (d3d_) d3d_->Release();
    if (window_) DestroyWindow(window_);
}

ID3DXEffect* ReadbackDevice::loadEffect(const std::string& path) {
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXCreateEffectFromFileA(device_, path.c_str(), nullptr, nullptr, 0, nullptr, &effect, &errors);
    if (FAILED(hr)) {
        std::printf("  %s: D3DXCreateEffectFromFileA failed 0x%08lx %s\n", path.c_str(),
                    static_cast<unsigned long>(hr), errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
        effect = nullptr;
    }
    if (errors) errors->Release();
    return effect;
}

IDirect3DTexture9* ReadbackDevice::texture(Image& image) {
    IDirect3DTexture9* tex = nullptr;
    if (FAILED(device_->CreateTexture(image.width, image.height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex,
                                      nullptr))) {
        return nullptr;
    }
    D3DLOCKED_RECT locked;
    tex->LockRect(0, &locked, nullptr, 0);
    for (int y = 0; y < image.height; ++y) {
        DWORD* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
        for (int x = 0; x < image.width; ++x) {
            float* p = image.at(x, y);
            DWORD c[4];
            for (int i = 0; i < 4; ++i) {
                c[i] = static_cast<DWORD>(std::lround(std::fmin(std::fmax(p[i], 0.0f), 1.0f) * 255.0f));
                p[i] = c[i] / 255.0f;
            }
            row[x] = c[3] << 24 | c[0] << 16 | c[1] << 8 | c[2];
        }
    }
    tex->UnlockRect(0);
    return tex;
}

IDirect3DTexture9* ReadbackDevice::floatTexture(const Image& image) {
    IDirect3DTexture9* tex = nullptr;
    if (FAILED(device_->CreateTexture(image.width, image.height, 1, 0, D3DFMT_R32F, D3DPOOL_MANAGED, &tex,
                                      nullptr))) {
        return nullptr;
    }
    D3DLOCKED_RECT locked;
    tex->LockRect(0, &locked, nullptr, 0);
    for (int y = 0; y < image.height; ++y) {
        float* row = reinterpret_cast<float*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
        for (int x = 0; x < image.width; ++x) row[x] = image.at(x, y)[0];
    }
    tex->UnlockRect(0);
    return tex;
}

IDirect3DCubeTexture9* ReadbackDevice::cubeTexture(const float faceColours[6][3]) {
    IDirect3DCubeTexture9* cube = nullptr;
    if (FAILED(device_->CreateCubeTexture(8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr))) return nullptr;
    for (int face = 0; face < 6; ++face) {
        for (UINT level = 0; level < cube->GetLevelCount(); ++level) {
            D3DLOCKED_RECT locked;
            D3DSURFACE_DESC desc;
            cube->GetLevelDesc(level, &desc);
            cube->LockRect(static_cast<D3DCUBEMAP_FACES>(face), level, &locked, nullptr, 0);
            DWORD colour = 0xff000000u | static_cast<DWORD>(faceColours[face][0] * 255.0f + 0.5f) << 16 |
                           static_cast<DWORD>(faceColours[face][1] * 255.0f + 0.5f) << 8 |
                           static_cast<DWORD>(faceColours[face][2] * 255.0f + 0.5f);
            for (UINT y = 0; y < desc.Height; ++y) {
                DWORD* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
                for (UINT x = 0; x < desc.Width; ++x) row[x] = colour;
            }
            cube->UnlockRect(static_cast<D3DCUBEMAP_FACES>(face), level);
        }
    }
    return cube;
}

IDirect3DTexture9* ReadbackDevice::target(int width, int height, float clear) {
    IDirect3DTexture9* tex = nullptr;
    if (FAILED(device_->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A32B32G32R32F, D3DPOOL_DEFAULT,
                                      &tex, nullptr))) {
        return nullptr;
    }
    IDirect3DSurface9* surface = nullptr;
    tex->GetSurfaceLevel(0, &surface);
    device_->SetRenderTarget(0, surface);
    surface->Release();
    // A depth buffer as large as the target, for the mesh draws.
    IDirect3DSurface9* depth = nullptr;
    if (SUCCEEDED(device_->CreateDepthStencilSurface(width, height, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, TRUE,
                                                     &depth, nullptr))) {
        device_->SetDepthStencilSurface(depth);
        depth->Release();
    }
    int level = static_cast<int>(clear * 255.0f + 0.5f);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_ARGB(level, level, level, level), 1.0f, 0);
    return tex;
}

Image ReadbackDevice::read(IDirect3DTexture9* target) {
    D3DSURFACE_DESC desc;
    target->GetLevelDesc(0, &desc);
    Image image(static_cast<int>(desc.Width), static_cast<int>(desc.Height));
    IDirect3DSurface9* surface = nullptr;
    IDirect3DSurface9* copy = nullptr;
    target->GetSurfaceLevel(0, &surface);
    if (SUCCEEDED(device_->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                       nullptr)) &&
        SUCCEEDED(device_->GetRenderTargetData(surface, copy))) {
        D3DLOCKED_RECT locked;
        copy->LockRect(&locked, nullptr, D3DLOCK_READONLY);
        for (int y = 0; y < image.height; ++y) {
            const float* row = reinterpret_cast<const float*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch);
            for (int x = 0; x < image.width; ++x) {
                for (int i = 0; i < 4; ++i) image.at(x, y)[i] = row[x * 4 + i];
            }
        }
        copy->UnlockRect();
    }
    if (copy) copy->Release();
    surface->Release();
    return image;
}

bool ReadbackDevice::drawWith(ID3DXEffect* effect, IDirect3DVertexDeclaration9* layout, const void* data, UINT stride,
                              UINT primitives, D3DPRIMITIVETYPE type, const std::function<void()>& inPass) {
    UINT passes = 0;
    bool ok = SUCCEEDED(effect->Begin(&passes, 0)) && passes >= 1 && SUCCEEDED(effect->BeginPass(0));
    if (ok && inPass) {
        inPass();
        ok = SUCCEEDED(effect->CommitChanges());
    }
    ok = ok && SUCCEEDED(device_->SetVertexDeclaration(layout));
    ok = ok && SUCCEEDED(device_->BeginScene());
    ok = ok && SUCCEEDED(device_->DrawPrimitiveUP(type, primitives, data, stride));
    ok = ok && SUCCEEDED(device_->EndScene());
    ok = SUCCEEDED(effect->EndPass()) && ok;
    ok = SUCCEEDED(effect->End()) && ok;
    return ok;
}

bool ReadbackDevice::drawQuad(ID3DXEffect* effect, int fullWidth, int fullHeight) {
    const float dx = 1.0f / static_cast<float>(fullWidth);
    const float dy = 1.0f / static_cast<float>(fullHeight);
    const float quad[4][5] = {{-1.0f - dx, -1.0f + dy, 1.0f, 0.0f, 1.0f},
                              {-1.0f - dx, 1.0f + dy, 1.0f, 0.0f, 0.0f},
                              {1.0f - dx, 1.0f + dy, 1.0f, 1.0f, 0.0f},
                              {1.0f - dx, -1.0f + dy, 1.0f, 1.0f, 1.0f}};
    return drawWith(effect, quadLayout_, quad, 20, 2, D3DPT_TRIANGLEFAN);
}

bool ReadbackDevice::drawMesh(ID3DXEffect* effect, const std::vector<float>& vertices,
                              const std::function<void()>& inPass) {
    return drawWith(effect, meshLayout_, vertices.data(), 56, static_cast<UINT>(vertices.size() / 14 / 3),
                    D3DPT_TRIANGLELIST, inPass);
}
