// D3DXCreateTexture and D3DXFillTexture: an empty texture with D3DX's defaults, and filling
// every level from a function of the texel centre, written in the texture's own format.
#include <d3dx9.h>

#include "d3dx9/D3DXTextureImage.h"

#include <algorithm>
#include <cstring>

using namespace d3dxtexture;

namespace {

// D3DX's default size for an unspecified side.
constexpr UINT kDefaultSide = 256;

uint8_t unitToByte(float value) {
    value = std::clamp(value, 0.0f, 1.0f);
    return static_cast<uint8_t>(value * 255.0f + 0.5f);
}

// Bytes per texel of the formats the fill can write; 0 for the others.
UINT fillBytesPerTexel(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_R32F:
        case D3DFMT_G16R16F: return 4;
        case D3DFMT_R16F: return 2;
        case D3DFMT_A16B16G16R16F: return 8;
        default: return 0;
    }
}

void writeTexel(D3DFORMAT format, const D3DXVECTOR4& v, uint8_t* texel) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
            texel[0] = unitToByte(v.z);
            texel[1] = unitToByte(v.y);
            texel[2] = unitToByte(v.x);
            texel[3] = format == D3DFMT_X8R8G8B8 ? 0xFF : unitToByte(v.w);
            break;
        case D3DFMT_R16F: {
            uint16_t r = floatToHalf(v.x);
            std::memcpy(texel, &r, 2);
            break;
        }
        case D3DFMT_G16R16F: {
            uint16_t rg[2] = {floatToHalf(v.x), floatToHalf(v.y)};
            std::memcpy(texel, rg, 4);
            break;
        }
        case D3DFMT_A16B16G16R16F: {
            uint16_t rgba[4] = {floatToHalf(v.x), floatToHalf(v.y), floatToHalf(v.z), floatToHalf(v.w)};
            std::memcpy(texel, rgba, 8);
            break;
        }
        case D3DFMT_R32F: std::memcpy(texel, &v.x, 4); break;
        default: break;
    }
}

}  // namespace

HRESULT D3DXCreateTexture(LPDIRECT3DDEVICE9 pDevice, UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                          D3DFORMAT Format, D3DPOOL Pool, LPDIRECT3DTEXTURE9* ppTexture) {
    if (ppTexture) *ppTexture = nullptr;
    if (!pDevice || !ppTexture) return D3DERR_INVALIDCALL;
    if (Width == D3DX_DEFAULT || Width == 0) Width = kDefaultSide;
    if (Height == D3DX_DEFAULT || Height == 0) Height = kDefaultSide;
    if (Format == D3DFMT_UNKNOWN) Format = D3DFMT_A8R8G8B8;
    // 0 asks Direct3D for the full chain, which is what D3DX_DEFAULT means here.
    UINT levels = MipLevels == D3DX_DEFAULT ? 0 : MipLevels;
    return pDevice->CreateTexture(Width, Height, levels, Usage, Format, Pool, ppTexture, nullptr);
}

HRESULT D3DXFillTexture(LPDIRECT3DTEXTURE9 pTexture, LPD3DXFILL2D pFunction, LPVOID pData) {
    if (!pTexture || !pFunction) return D3DERR_INVALIDCALL;
    const DWORD levels = pTexture->GetLevelCount();
    for (DWORD level = 0; level < levels; ++level) {
        D3DSURFACE_DESC desc = {};
        HRESULT hr = pTexture->GetLevelDesc(level, &desc);
        if (FAILED(hr)) return hr;
        const UINT texelBytes = fillBytesPerTexel(desc.Format);
        if (texelBytes == 0 || desc.Width == 0 || desc.Height == 0) return D3DERR_INVALIDCALL;

        D3DLOCKED_RECT locked = {};
        hr = pTexture->LockRect(level, &locked, nullptr, 0);
        if (FAILED(hr)) return hr;
        if (!locked.pBits || locked.Pitch < static_cast<INT>(desc.Width * texelBytes)) {
            pTexture->UnlockRect(level);
            return D3DERR_INVALIDCALL;
        }
        const D3DXVECTOR2 texelSize(1.0f / desc.Width, 1.0f / desc.Height);
        for (UINT y = 0; y < desc.Height; ++y) {
            auto* row = static_cast<uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
            for (UINT x = 0; x < desc.Width; ++x) {
                const D3DXVECTOR2 centre((x + 0.5f) * texelSize.x, (y + 0.5f) * texelSize.y);
                D3DXVECTOR4 value(0.0f, 0.0f, 0.0f, 0.0f);
                pFunction(&value, &centre, &texelSize, pData);
                writeTexel(desc.Format, value, row + static_cast<size_t>(x) * texelBytes);
            }
        }
        hr = pTexture->UnlockRect(level);
        if (FAILED(hr)) return hr;
    }
    return D3D_OK;
}
