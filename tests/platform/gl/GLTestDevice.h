// A GL device on an off-screen window for rendering tests, with helpers to draw simple
// geometry and read back what was presented. On a failed check the test can save the image
// (saveImage) under the build folder so it can be looked at.
#pragma once

#include <ZarnOffscreen.h>
#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

struct QuadVertex {
    float x, y, z, u, v;
};

struct LitVertex {
    float x, y, z, nx, ny, nz, u, v;
};

struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

inline int red(uint32_t c) { return int((c >> 16) & 0xff); }
inline int green(uint32_t c) { return int((c >> 8) & 0xff); }
inline int blue(uint32_t c) { return int(c & 0xff); }
inline int alpha(uint32_t c) { return int(c >> 24); }

// True when every channel is within tolerance.
bool near(uint32_t actual, uint32_t expected, int tolerance);
void saveImage(const Image& image, const std::string& name);

class GLDeviceTest : public ::testing::Test {
protected:
    void TearDown() override;
    // Opens a device with a back buffer of bbWidth × bbHeight on a window of the given size
    // (the back buffer's when 0). Fails the test when no device can be made.
    bool open(UINT bbWidth, UINT bbHeight, D3DMULTISAMPLE_TYPE samples = D3DMULTISAMPLE_NONE, int windowWidth = 0,
              int windowHeight = 0);
    Image present(const RECT* destRect = nullptr);

    IDirect3DVertexBuffer9* makeBuffer(const void* data, UINT bytes);
    // Draws a fan of 4 screen-quad vertices (POSITION, TEXCOORD0).
    void drawQuad(const QuadVertex (&vertices)[4]);
    void drawLit(const LitVertex* vertices, UINT count, D3DPRIMITIVETYPE type, UINT primitives);
    IDirect3DTexture9* makeTexture(UINT width, UINT height, const std::vector<uint32_t>& argb);

    HWND window = nullptr;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    IDirect3DVertexDeclaration9* quadDecl = nullptr;
    IDirect3DVertexDeclaration9* litDecl = nullptr;
    std::vector<IUnknown*> owned;
};
