// The post-processing chain's targets, effects and passes.
#include "render/ScreenFX.h"

#include "assets/Mesh.h"
#include "shell/Diagnostics.h"
#include "shell/SaverState.h"

#include <cstring>

ScreenFX screenFX;

namespace {

struct QuadVertex {
    float x, y, z, u, v;
};
static_assert(sizeof(QuadVertex) == 20, "the screen quad is 20 bytes a vertex");

bool multisampled() { return saverState.presentParams.MultiSampleType != D3DMULTISAMPLE_NONE; }

// A quarter of a side, dropping the low two bits; never 0, so a tiny back buffer still gets
// a real target and a finite texel size.
UINT quarterOf(UINT side) { return side / 4 > 0 ? side / 4 : 1; }

void setTexelSize(EffectDownFilter4& effect, float width, float height, const char* handleName) {
    D3DXVECTOR4 size(1.0f / width, 1.0f / height, 0.0f, 0.0f);
    if (FAILED(effect.getD3DEffect()->SetVector(effect.h_texelSize, &size))) {
        debugPrintf("Failed to set effect parameter %s\n", handleName);
    }
}

void setTexelSize(EffectBlur& effect, float width, float height, const char* handleName) {
    D3DXVECTOR4 size(1.0f / width, 1.0f / height, 0.0f, 0.0f);
    if (FAILED(effect.getD3DEffect()->SetVector(effect.h_texelSize, &size))) {
        debugPrintf("Failed to set effect parameter %s\n", handleName);
    }
}

}  // namespace

bool ScreenFX::createTarget(IDirect3DDevice9* dev, UINT width, UINT height, IDirect3DTexture9** texture,
                            IDirect3DSurface9** surface) {
    if (FAILED(D3DXCreateTexture(dev, width, height, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                 texture))) {
        debugPrintf("Unable to initialize render target.\n");
        *texture = nullptr;
        *surface = nullptr;
        available = false;
        return false;
    }
    if (FAILED((*texture)->GetSurfaceLevel(0, surface))) {
        *surface = nullptr;
        debugPrintf("Error while caching surface of render target.\n");
    }
    return true;
}

void ScreenFX::createResources(IDirect3DDevice9* dev) {
    device = dev;
    const D3DPRESENT_PARAMETERS& pp = saverState.presentParams;
    const UINT width = pp.BackBufferWidth;
    const UINT height = pp.BackBufferHeight;

    if (multisampled()) {
        if (FAILED(device->CreateRenderTarget(width, height, pp.BackBufferFormat, pp.MultiSampleType,
                                              pp.MultiSampleQuality, FALSE, &sceneMSTarget, nullptr))) {
            sceneMSTarget = nullptr;
            debugPrintf("Error creating render target for ScreenFX");
        }
    }
    createTarget(device, width, height, &sceneTexture, &sceneSurface);
    createTarget(device, quarterOf(width), quarterOf(height), &quarterTextureA, &quarterSurfaceA);
    createTarget(device, quarterOf(width), quarterOf(height), &quarterTextureB, &quarterSurfaceB);

    if (FAILED(device->GetRenderTarget(0, &backBufferSurface))) {
        backBufferSurface = nullptr;
        debugPrintf("Error while caching default render target.\n");
    }

    _effectCopy.init(device, "data/effects/PP_Copy.fxo", "data/effects/PP_CopyFallback.fxo");
    _effectCombine.init(device, "data/effects/PP_Combine.fxo", "data/effects/PP_CombineFallback.fxo");
    if (_effectDownFilter4.init(device, "data/effects/PP_DownFilter4.fxo", "data/effects/PP_DownFilter4Fallback.fxo")) {
        setTexelSize(_effectDownFilter4, static_cast<float>(width), static_cast<float>(height),
                     "_effectDownFilter4.h_texelSize");
    }
    const float quarterWidth = static_cast<float>(quarterOf(width));
    const float quarterHeight = static_cast<float>(quarterOf(height));
    if (_effectBlurHorizontal.init(device, "data/effects/PP_BlurHorizontal.fxo",
                                   "data/effects/PP_BlurHorizontalFallback.fxo")) {
        setTexelSize(_effectBlurHorizontal, quarterWidth, quarterHeight, "_effectBlurHorizontal.h_texelSize");
    }
    if (_effectBlurVertical.init(device, "data/effects/PP_BlurVertical.fxo", "data/effects/PP_BlurVerticalFallback.fxo")) {
        setTexelSize(_effectBlurVertical, quarterWidth, quarterHeight, "_effectBlurVertical.h_texelSize");
    }

    Effect* effects[] = {&_effectCopy, &_effectCombine, &_effectDownFilter4, &_effectBlurHorizontal,
                         &_effectBlurVertical};
    for (Effect* effect : effects) {
        if (!effect->isSupported()) available = false;
    }
    if (!available) logPrintf("Warning: Post-processing effects are not supported by this GPU.\n");

    if (FAILED(device->CreateVertexBuffer(80, 0, D3DFVF_XYZ | D3DFVF_TEX1, D3DPOOL_DEFAULT, &quadVertexBuffer,
                                          nullptr))) {
        quadVertexBuffer = nullptr;
        debugPrintf("Error creating vertex buffer for screen quad\n");
        return;
    }
    void* data = nullptr;
    if (FAILED(quadVertexBuffer->Lock(0, 80, &data, 0)) || !data) {
        debugPrintf("Error locking vertex buffer for screen quad\n");
        quadVertexBuffer->Release();
        quadVertexBuffer = nullptr;
        return;
    }
    // Shifted half a back-buffer pixel left and up so texels land on pixel centres.
    const float dx = 1.0f / static_cast<float>(width);
    const float dy = 1.0f / static_cast<float>(height);
    const QuadVertex quad[4] = {
        {-1.0f - dx, -1.0f + dy, 1.0f, 0.0f, 1.0f},
        {-1.0f - dx, 1.0f + dy, 1.0f, 0.0f, 0.0f},
        {1.0f - dx, 1.0f + dy, 1.0f, 1.0f, 0.0f},
        {1.0f - dx, -1.0f + dy, 1.0f, 1.0f, 1.0f},
    };
    std::memcpy(data, quad, sizeof quad);
    quadVertexBuffer->Unlock();
}

void ScreenFX::releaseResources() {
    IUnknown* objects[] = {quadVertexBuffer, sceneSurface,    sceneTexture,    sceneMSTarget,    quarterSurfaceA,
                           quarterTextureA,  quarterSurfaceB, quarterTextureB, backBufferSurface};
    for (IUnknown* object : objects) {
        if (object) object->Release();
    }
    quadVertexBuffer = nullptr;
    sceneTexture = quarterTextureA = quarterTextureB = nullptr;
    sceneSurface = sceneMSTarget = quarterSurfaceA = quarterSurfaceB = backBufferSurface = nullptr;
    Effect* effects[] = {&_effectCopy, &_effectCombine, &_effectDownFilter4, &_effectBlurHorizontal,
                         &_effectBlurVertical};
    for (Effect* effect : effects) effect->release();
    available = true;
    frameRedirected = false;
    device = nullptr;
}

void ScreenFX::redirectFrame() {
    if (!available || !saverState.settings.EnableFilters) return;
    if (!backBufferSurface) {
        logPrintf("Warning: Primary drawing surface is not properly cached\n");
        return;
    }
    if (!sceneSurface || !device) return;
    IDirect3DSurface9* target = multisampled() ? sceneMSTarget : sceneSurface;
    // A missing multisampled target is a failed switch, reported every frame like any other.
    if (!target || FAILED(device->SetRenderTarget(0, target))) {
        debugPrintf("Error while setting render target for screen effects.\n");
        return;
    }
    frameRedirected = true;
}

void ScreenFX::applyEffects() {
    if (!device) return;
    if (frameRedirected) {
        if (!backBufferSurface) {
            logPrintf("Warning: Primary drawing surface is not properly cached\n");
            return;
        }
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        if (multisampled()) device->StretchRect(sceneMSTarget, nullptr, sceneSurface, nullptr, D3DTEXF_POINT);
        downFilter4x(sceneTexture, quarterSurfaceA);
        blur(true, quarterTextureA, quarterSurfaceB);
        blur(false, quarterTextureB, quarterSurfaceA);
        combine(sceneTexture, quarterTextureA, backBufferSurface);
        frameRedirected = false;
    }
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
}

void ScreenFX::downFilter4x(IDirect3DTexture9* source, IDirect3DSurface9* destination) {
    if (FAILED(device->SetRenderTarget(0, destination))) {
        debugPrintf("Error setting render target for 'downFilter4x' effect.\n");
    }
    ID3DXEffect* fx = _effectDownFilter4.getD3DEffect();
    if (!fx) return;
    if (FAILED(fx->SetTexture(_effectDownFilter4.h_texMain_Tex, source))) {
        debugPrintf("Failed to set effect parameter %s\n", "_effectDownFilter4");
    }
    drawQuad(device, fx, "downFilter4x");
}

void ScreenFX::blur(bool horizontal, IDirect3DTexture9* source, IDirect3DSurface9* destination) {
    if (FAILED(device->SetRenderTarget(0, destination))) {
        debugPrintf("Error setting render target for 'blur' effect.\n");
    }
    EffectBlur& effect = horizontal ? _effectBlurHorizontal : _effectBlurVertical;
    ID3DXEffect* fx = effect.getD3DEffect();
    if (!fx) return;
    if (FAILED(fx->SetTexture(effect.h_texMain_Tex, source))) {
        debugPrintf("Failed to set effect parameter %s\n", horizontal ? "_effectBlurHorizontal" : "_effectBlurVertical");
    }
    drawQuad(device, fx, "blur");
}

void ScreenFX::combine(IDirect3DTexture9* sharp, IDirect3DTexture9* overlay, IDirect3DSurface9* destination) {
    if (FAILED(device->SetRenderTarget(0, destination))) {
        debugPrintf("Error setting render target for 'combine' effect.\n");
    }
    ID3DXEffect* fx = _effectCombine.getD3DEffect();
    if (!fx) return;
    if (FAILED(fx->SetTexture(_effectCombine.h_texMain_Tex, sharp))) {
        debugPrintf("Failed to set effect parameter %s\n", "_effectCombine.texMain_Tex");
    }
    if (FAILED(fx->SetTexture(_effectCombine.h_texOverlay_Tex, overlay))) {
        debugPrintf("Failed to set effect parameter %s\n", "_effectCombine.h_texOverlay_Tex");
    }
    drawQuad(device, fx, "combine");
}

void ScreenFX::drawQuad(IDirect3DDevice9* dev, ID3DXEffect* fx, const char* passName) {
    UINT passes = 0;
    fx->Begin(&passes, 0);
    fx->BeginPass(0);
    D3DXMATRIXA16 identity;
    D3DXMatrixIdentity(&identity);
    dev->SetTransform(D3DTS_PROJECTION, &identity);
    dev->SetTransform(D3DTS_WORLD, &identity);
    dev->SetTransform(D3DTS_VIEW, &identity);
    if (FAILED(dev->SetStreamSource(0, quadVertexBuffer, 0, 20))) {
        debugPrintf("Error setting stream source for '%s' effect\n.", passName);
    }
    if (FAILED(dev->SetVertexDeclaration(Mesh::screenQuadDecl))) {
        debugPrintf("Error setting vertex declaration for '%s' effect\n.", passName);
    }
    if (FAILED(dev->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2))) {
        debugPrintf("Error drawing screen quad for '%s' effect\n.", passName);
    }
    fx->EndPass();
    fx->End();
}
