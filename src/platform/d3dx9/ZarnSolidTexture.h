// Not part of D3DX: a small texture of one colour, made through D3DXCreateTexture and
// D3DXFillTexture, for the rendering tests and benchmarks that need a plain base or a flat
// normal map (0xFF8080FF) without image files.
#pragma once

#include <d3dx9.h>

#include <cstdint>

inline void ZarnFillSolid(D3DXVECTOR4* out, const D3DXVECTOR2*, const D3DXVECTOR2*, LPVOID data) {
    const uint32_t argb = *static_cast<const uint32_t*>(data);
    *out = D3DXVECTOR4(float((argb >> 16) & 0xFF) / 255.0f, float((argb >> 8) & 0xFF) / 255.0f,
                       float(argb & 0xFF) / 255.0f, float(argb >> 24) / 255.0f);
}

// A 4 x 4 A8R8G8B8 texture of the colour 0xAARRGGBB, or null when the device refuses one.
inline IDirect3DTexture9* ZarnCreateSolidTexture(IDirect3DDevice9* device, uint32_t argb) {
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(D3DXCreateTexture(device, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture))) return nullptr;
    D3DXFillTexture(texture, ZarnFillSolid, &argb);
    return texture;
}
