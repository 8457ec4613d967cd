// The off-screen GL test fixture (named *_test.cpp so the test glob builds it into the suite).
#include "GLTestDevice.h"

#include <ZarnOffscreenDevice.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

bool near(uint32_t actual, uint32_t expected, int tolerance) {
    return std::abs(red(actual) - red(expected)) <= tolerance &&
           std::abs(green(actual) - green(expected)) <= tolerance &&
           std::abs(blue(actual) - blue(expected)) <= tolerance;
}

void saveImage(const Image& image, const std::string& name) {
    const std::string dir = std::string(ZARN_BINARY_DIR) + "/tests/gl-failures";
    std::filesystem::create_directories(dir);
    std::vector<uint8_t> rgba;
    rgba.reserve(image.pixels.size() * 4);
    for (uint32_t p : image.pixels) {
        rgba.push_back(uint8_t(red(p)));
        rgba.push_back(uint8_t(green(p)));
        rgba.push_back(uint8_t(blue(p)));
        rgba.push_back(255);
    }
    const std::string path = dir + "/" + name + ".png";
    stbi_write_png(path.c_str(), image.width, image.height, 4, rgba.data(), image.width * 4);
    ADD_FAILURE() << "actual image written to " << path;
}

bool GLDeviceTest::open(UINT bbWidth, UINT bbHeight, D3DMULTISAMPLE_TYPE samples, int windowWidth, int windowHeight) {
    window = ZarnCreateOffscreenWindow(windowWidth ? windowWidth : int(bbWidth),
                                       windowHeight ? windowHeight : int(bbHeight));
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!window || !d3d) {
        ADD_FAILURE() << "no off-screen OpenGL";
        return false;
    }
    D3DPRESENT_PARAMETERS pp = ZarnOffscreenPresentParameters(window, bbWidth, bbHeight, samples);
    const HRESULT hr = d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device);
    if (FAILED(hr) || !device) {
        ADD_FAILURE() << "CreateDevice failed: 0x" << std::hex << hr;
        return false;
    }
    const D3DVERTEXELEMENT9 quad[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                      {0, 12, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                      D3DDECL_END()};
    const D3DVERTEXELEMENT9 lit[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                     {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                                     {0, 24, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                     D3DDECL_END()};
    EXPECT_EQ(D3D_OK, device->CreateVertexDeclaration(quad, &quadDecl));
    EXPECT_EQ(D3D_OK, device->CreateVertexDeclaration(lit, &litDecl));
    return quadDecl && litDecl;
}

void GLDeviceTest::TearDown() {
    for (IUnknown* object : owned) object->Release();
    owned.clear();
    if (quadDecl) quadDecl->Release();
    if (litDecl) litDecl->Release();
    if (device) {
        EXPECT_EQ(0u, device->Release());
    }
    if (d3d) d3d->Release();
    ZarnDestroyWindow(window);
}

Image GLDeviceTest::present(const RECT* destRect) {
    Image image;
    EXPECT_EQ(D3D_OK, device->Present(nullptr, destRect, nullptr, nullptr));
    EXPECT_TRUE(ZarnReadPresentedImage(window, &image.pixels, &image.width, &image.height));
    return image;
}

IDirect3DVertexBuffer9* GLDeviceTest::makeBuffer(const void* data, UINT bytes) {
    IDirect3DVertexBuffer9* buffer = nullptr;
    EXPECT_EQ(D3D_OK, device->CreateVertexBuffer(bytes, D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, &buffer, nullptr));
    if (!buffer) return nullptr;
    void* target = nullptr;
    EXPECT_EQ(D3D_OK, buffer->Lock(0, bytes, &target, D3DLOCK_DISCARD));
    std::memcpy(target, data, bytes);
    EXPECT_EQ(D3D_OK, buffer->Unlock());
    owned.push_back(buffer);
    return buffer;
}

void GLDeviceTest::drawQuad(const QuadVertex (&vertices)[4]) {
    IDirect3DVertexBuffer9* buffer = makeBuffer(vertices, sizeof(vertices));
    device->SetVertexDeclaration(quadDecl);
    device->SetStreamSource(0, buffer, 0, sizeof(QuadVertex));
    EXPECT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2));
}

void GLDeviceTest::drawLit(const LitVertex* vertices, UINT count, D3DPRIMITIVETYPE type, UINT primitives) {
    IDirect3DVertexBuffer9* buffer = makeBuffer(vertices, UINT(sizeof(LitVertex) * count));
    device->SetVertexDeclaration(litDecl);
    device->SetStreamSource(0, buffer, 0, sizeof(LitVertex));
    EXPECT_EQ(D3D_OK, device->DrawPrimitive(type, 0, primitives));
}

IDirect3DTexture9* GLDeviceTest::makeTexture(UINT width, UINT height, const std::vector<uint32_t>& argb) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(D3D_OK, device->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr));
    if (!texture) return nullptr;
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(D3D_OK, texture->LockRect(0, &locked, nullptr, 0));
    // Little-endian 0xAARRGGBB is Direct3D's B, G, R, A byte order.
    for (UINT y = 0; y < height; ++y)
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch), &argb[size_t(y) * width],
                    width * 4);
    EXPECT_EQ(D3D_OK, texture->UnlockRect(0));
    owned.push_back(texture);
    return texture;
}
