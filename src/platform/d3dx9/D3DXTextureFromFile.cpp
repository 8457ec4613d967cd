// D3DXCreateTextureFromFileA: an image file (PNG, JPEG, BMP, TGA) becomes an A8R8G8B8
// texture with its full mip chain, each level box-filtered from the one above. The texels go
// in through LockRect, so any back end that can lock a managed texture can take them.
#include <d3dx9.h>

#include "d3dx9/D3DXTextureImage.h"
#include "win32/messages/DesktopPings.h"

#include <new>

using namespace d3dxtexture;

HRESULT D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, LPDIRECT3DTEXTURE9* ppTexture) {
    if (ppTexture) *ppTexture = nullptr;
    if (!pDevice || !pSrcFile || !ppTexture) return D3DERR_INVALIDCALL;

    std::vector<uint8_t> bytes;
    if (!readFile(pSrcFile, &bytes)) return D3DERR_NOTFOUND;
    // A large image takes a while to decode, filter and upload: the desktop hears from us
    // between the steps (see DesktopPings.h).
    zarnAnswerDesktopPings();
    Image image;
    std::string reason;
    try {
        if (!decodeImage(bytes.data(), bytes.size(), &image, &reason)) return D3DXERR_INVALIDDATA;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    bytes = {};
    zarnAnswerDesktopPings();

    IDirect3DTexture9* texture = nullptr;
    HRESULT hr = D3DXCreateTexture(pDevice, image.width, image.height, D3DX_DEFAULT, 0, D3DFMT_A8R8G8B8,
                                   D3DPOOL_MANAGED, &texture);
    if (FAILED(hr)) return hr;

    try {
        const DWORD levels = texture->GetLevelCount();
        for (DWORD level = 0; level < levels && SUCCEEDED(hr); ++level) {
            D3DSURFACE_DESC desc = {};
            hr = texture->GetLevelDesc(level, &desc);
            if (FAILED(hr)) break;
            if (level > 0) image = shrink(image, desc.Width, desc.Height);
            zarnAnswerDesktopPings();
            if (desc.Width != image.width || desc.Height != image.height) {
                hr = D3DERR_INVALIDCALL;  // the device made a level of another size than asked
                break;
            }
            D3DLOCKED_RECT locked = {};
            hr = texture->LockRect(level, &locked, nullptr, 0);
            if (FAILED(hr)) break;
            if (locked.pBits && locked.Pitch >= static_cast<INT>(image.width * 4))
                writeRows(image, locked);
            else
                hr = D3DERR_INVALIDCALL;
            HRESULT unlocked = texture->UnlockRect(level);
            zarnAnswerDesktopPings();
            if (SUCCEEDED(hr)) hr = unlocked;
        }
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    if (FAILED(hr)) {
        texture->Release();
        return hr;
    }
    *ppTexture = texture;
    return D3D_OK;
}
