// The Direct3D 9 device of the effect read-back check (a Win32 program run under Wine): a
// hidden window, float render targets read back to memory, 8-bit input textures, and the
// screen quad drawn exactly as the saver draws it.
#pragma once

#include <d3d9.h>
#include <d3dx9.h>

#include <functional>
#include <string>
#include <vector>

struct Image {
    int width = 0, height = 0;
    std::vector<float> rgba;
    Image() = default;
    Image(int w, int h) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4, 0.0f) {}
    float* at(int x, int y) { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
    const float* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

class ReadbackDevice {
public:
    bool create();
    ~ReadbackDevice();
    IDirect3DDevice9* device() const { return device_; }

    ID3DXEffect* loadEffect(const std::string& path);
    // An A8R8G8B8 texture of `image`, whose values are rounded to what the texture holds.
    IDirect3DTexture9* texture(Image& image);
    IDirect3DTexture9* floatTexture(const Image& image);  // R32F, red channel only
    IDirect3DCubeTexture9* cubeTexture(const float faceColours[6][3]);
    // A float target of the given size, cleared to `clear`, made the render target.
    IDirect3DTexture9* target(int width, int height, float clear);
    Image read(IDirect3DTexture9* target);
    // Draws the saver's screen quad, shifted half a pixel of a fullWidth x fullHeight frame.
    bool drawQuad(ID3DXEffect* effect, int fullWidth, int fullHeight);
    // Draws one triangle list of mesh vertices (position, normal, uv, binormal, tangent).
    // `inPass`, when given, sets parameters inside the open pass, committed before the draw,
    // as the saver's shadow pass does.
    bool drawMesh(ID3DXEffect* effect, const std::vector<float>& vertices,
                  const std::function<void()>& inPass = nullptr);

private:
    bool drawWith(ID3DXEffect* effect, IDirect3DVertexDeclaration9* layout, const void* data, UINT stride,
                  UINT triangles, D3DPRIMITIVETYPE type, const std::function<void()>& inPass = nullptr);
    HWND window_ = nullptr;
    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    IDirect3DVertexDeclaration9* quadLayout_ = nullptr;
    IDirect3DVertexDeclaration9* meshLayout_ = nullptr;
};
