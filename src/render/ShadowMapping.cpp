// Shadow-map creation, selection and the per-frame shadow pass, plus the material's shadow
// draw hooks. The pass is opened once per frame; each draw only commits two matrices.
#include "render/ShadowMapping.h"

#include "assets/Material.h"
#include "device/SoftwareTier.h"
#include "render/ShadowCasterCache.h"
#include "shell/Diagnostics.h"
#include "shell/SaverState.h"

#include <string>

bool shadowsAvailable = true;
IDirect3DTexture9* shadowMapTexture = nullptr;
IDirect3DSurface9* shadowMapSurface = nullptr;
IDirect3DSurface9* shadowMapMSTarget = nullptr;
IDirect3DTexture9* _pTexNoShadow = nullptr;
IDirect3DSurface9* savedRenderTarget = nullptr;
D3DXMATRIXA16 matLightViewProj = D3DXMATRIX(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
float pixelWidth = 0.0f;

EffectShadowMap _effectShadowMap;
EffectBumpShadows _effectBumpShadows;
EffectBumpReflectShadows _effectBumpReflectShadows;

namespace {

const D3DXVECTOR4 kLightPosition(-4.0f, 5.0f, -12.0f, 1.0f);
const D3DXVECTOR4 kDefaultTexTransform(1.0f, 0.0f, 1.0f, 0.0f);

// Set when the pass could not be redirected into the shadow map; its draws are then masked so
// they never land in the frame (the effect is open, but the target is the frame's own).
bool shadowDrawsMasked = false;
DWORD maskedColorWrite = 0xF;
// The pass turns fixed-function lighting off for its own draws; the colour pass that follows
// must get it back, or every fixed-function material would draw unlit whenever shadows are on.
DWORD lightingBeforePass = TRUE;

// Without a shadow map to read, the receivers are built without their shadow taps: sampling
// the one-texel map of 1.0 costs every lit pixel nine fetches that cannot change it. The
// software tier's receivers shade more lightly (SoftwareTier.h).
const D3DXMACRO kShadowsOff = {"SHADOWS_OFF", "1"};
const D3DXMACRO kLightShading = {"LIGHT_SHADING", "1"};
bool receiversTapShadowMap = true;
IDirect3DDevice9* receiverDevice = nullptr;  // not owned: the device outlives its effects

template <typename T>
void releaseObject(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

void WINAPI fillWithOne(D3DXVECTOR4* out, const D3DXVECTOR2*, const D3DXVECTOR2*, LPVOID) {
    *out = D3DXVECTOR4(1.0f, 1.0f, 1.0f, 1.0f);
}

void reportSet(HRESULT hr, const char* handleName) {
    if (FAILED(hr)) debugPrintf("Failed to set effect parameter %s\n", handleName);
}

void logRenderTargetError(HRESULT hr) {
    logPrintf("Error creating multisampled render target for shadow map: ");
    switch (hr) {
        case D3DERR_NOTAVAILABLE: logPrintf("Not available\n"); break;
        case D3DERR_INVALIDCALL: logPrintf("Invalid call\n"); break;
        case D3DERR_OUTOFVIDEOMEMORY: logPrintf("Out of video memory\n"); break;
        case E_OUTOFMEMORY: logPrintf("Out of memory\n"); break;
        default: logPrintf("Unknown error 0x%x\n", static_cast<unsigned>(hr)); break;
    }
}

// The six sets both receivers get at load; `name` prefixes the handle names in messages.
template <typename ReceiverEffect>
void setReceiverConstants(ReceiverEffect& effect, const char* name) {
    ID3DXEffect* fx = effect.getD3DEffect();
    if (!fx) return;
    std::string prefix = name;
    reportSet(fx->SetTexture(effect.h_ShadowMap_Tex, shadowMapTexture), (prefix + ".h_ShadowMap_Tex").c_str());
    reportSet(fx->SetVector(effect.h_lightPosition, &kLightPosition), (prefix + ".h_lightPosition").c_str());
    reportSet(fx->SetFloat(effect.h_pixelWidth, pixelWidth), (prefix + ".h_pixelWidth").c_str());
    reportSet(fx->SetVector(effect.h_texTransform, &kDefaultTexTransform), (prefix + ".h_texTransform").c_str());
    reportSet(fx->SetFloat(effect.h_distanceScale, distanceScale), (prefix + ".h_distanceScale").c_str());
    reportSet(fx->SetFloat(effect.h_shadowBias, shadowBias), (prefix + ".h_shadowBias").c_str());
}

bool loadReceivers(IDirect3DDevice9* device, bool withShadowTaps) {
    D3DXMACRO list[3] = {};
    size_t count = 0;
    if (!withShadowTaps) list[count++] = kShadowsOff;
    if (softwareTier.lightShading) list[count++] = kLightShading;
    const D3DXMACRO* macros = count ? list : nullptr;
    receiversTapShadowMap = withShadowTaps;
    receiverDevice = device;
    bool result = true;
    if (!_effectBumpShadows.init(device, "data/effects/TextureBumpShadows.fxo",
                                 "data/effects/TextureBumpShadowsFallback.fxo", macros)) {
        result = false;
    } else {
        setReceiverConstants(_effectBumpShadows, "_effectBumpShadows");
    }

    if (!_effectBumpReflectShadows.init(device, "data/effects/TextureBumpCubemapShadows.fxo",
                                        "data/effects/TextureBumpCubemapShadowsFallback.fxo", macros)) {
        result = false;
    } else {
        setReceiverConstants(_effectBumpReflectShadows, "_effectBumpReflectShadows");
    }
    return result;
}

}  // namespace

bool initShadowMaps(IDirect3DDevice9* device) {
    const D3DPRESENT_PARAMETERS& pp = saverState.presentParams;
    shadowsAvailable = true;
    // The square map is as high as the back buffer. A back buffer higher than wide would give
    // a map wider than the automatic depth buffer it renders with, so the side then follows
    // the narrower dimension.
    UINT side = pp.BackBufferHeight;
    if (pp.BackBufferWidth < side) side = pp.BackBufferWidth;
    if (softwareTier.smallerShadowMap && side >= 3) side = side * 2 / 3;
    pixelWidth = static_cast<float>(1.25 / static_cast<double>(side));

    if (pp.MultiSampleType != D3DMULTISAMPLE_NONE) {
        HRESULT hr = device->CreateRenderTarget(side, side, D3DFMT_R16F, pp.MultiSampleType, pp.MultiSampleQuality,
                                                FALSE, &shadowMapMSTarget, nullptr);
        if (FAILED(hr)) {
            shadowMapMSTarget = nullptr;
            logRenderTargetError(hr);
        }
    }

    if (FAILED(D3DXCreateTexture(device, side, side, 1, D3DUSAGE_RENDERTARGET, D3DFMT_R16F, D3DPOOL_DEFAULT,
                                 &shadowMapTexture))) {
        debugPrintf("Unable to initialize render target for shadow maps.\n");
        shadowMapTexture = nullptr;
        shadowMapSurface = nullptr;
        shadowsAvailable = false;
    } else if (FAILED(shadowMapTexture->GetSurfaceLevel(0, &shadowMapSurface))) {
        shadowMapSurface = nullptr;
        debugPrintf("Error while caching surface of shadow map texture.\n");
    }

    if (FAILED(D3DXCreateTexture(device, 4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_R16F, D3DPOOL_DEFAULT,
                                 &_pTexNoShadow))) {
        debugPrintf("Unable to initialize render target for bypass shadow map.\n");
        _pTexNoShadow = nullptr;
    } else if (FAILED(D3DXFillTexture(_pTexNoShadow, fillWithOne, nullptr))) {
        debugPrintf("Error initializing _pTexNoShadow\n");
    }

    initShadowCasterCache(device, side, pp.AutoDepthStencilFormat, shadowMapMSTarget != nullptr);

    bool result = true;
    if (!_effectShadowMap.init(device, "data/effects/ShadowMap.fxo", "data/effects/ShadowMapFallback.fxo")) {
        result = false;
        shadowsAvailable = false;
    } else {
        ID3DXEffect* fx = _effectShadowMap.getD3DEffect();
        reportSet(fx->SetVector(_effectShadowMap.h_lightPosition, &kLightPosition), "_effectShadowMap.h_lightPosition");
        reportSet(fx->SetFloat(_effectShadowMap.h_distanceScale, distanceScale), "_effectShadowMap.h_distanceScale");
    }

    // The setting is read here, before the receivers compile, so that only the variant the run
    // draws with is built; selectShadowMap rebuilds them if it is later asked for the other.
    if (!loadReceivers(device, saverState.settings.EnableShadows && shadowsAvailable)) result = false;
    return result;
}

void selectShadowMap(bool enabled) {
    if (enabled && shadowsAvailable && !receiversTapShadowMap && receiverDevice) {
        loadReceivers(receiverDevice, true);
    }
    IDirect3DTexture9* texture = enabled && shadowsAvailable ? shadowMapTexture : _pTexNoShadow;
    ID3DXEffect* bump = _effectBumpShadows.getD3DEffect();
    if (!bump || FAILED(bump->SetTexture(_effectBumpShadows.h_ShadowMap_Tex, texture))) {
        debugPrintf("Failed to set effect parameter %s\n", "_effectBumpShadows.h_ShadowMap_Tex");
    }
    ID3DXEffect* reflect = _effectBumpReflectShadows.getD3DEffect();
    if (!reflect || FAILED(reflect->SetTexture(_effectBumpReflectShadows.h_ShadowMap_Tex, texture))) {
        debugPrintf("Failed to set effect parameter %s\n", "_effectBumpReflectShadows.h_ShadowMap_Tex");
    }
}

void beginShadowPass(IDirect3DDevice9* device, float fov, float aspect, float zNear, float zFar,
                     const D3DXVECTOR3& eye, const D3DXVECTOR3& target) {
    ID3DXEffect* fx = _effectShadowMap.getD3DEffect();
    if (!fx) return;
    if (!shadowMapSurface) {
        // The map exists but its surface does not: the draws of this pass would go into the
        // frame itself, so they are kept from writing colour until endShadowPass.
        if (SUCCEEDED(device->GetRenderState(D3DRS_COLORWRITEENABLE, &maskedColorWrite))) {
            device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
            shadowDrawsMasked = true;
        }
        return;
    }

    device->GetRenderTarget(0, &savedRenderTarget);
    IDirect3DSurface9* passTarget = shadowMapMSTarget ? shadowMapMSTarget : shadowMapSurface;
    if (FAILED(device->SetRenderTarget(0, passTarget))) {
        debugPrintf("Error while setting render target for shadow maps.\n");
    }
    beginShadowLayerPass(device);

    if (FAILED(device->GetRenderState(D3DRS_LIGHTING, &lightingBeforePass))) lightingBeforePass = TRUE;
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFFFFFF, 1.0f, 0);

    D3DXMATRIXA16 proj;
    D3DXMATRIXA16 view;
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMatrixPerspectiveFovLH(&proj, fov, aspect, zNear, zFar);
    D3DXMatrixLookAtLH(&view, &eye, &target, &up);
    D3DXMatrixMultiply(&matLightViewProj, &view, &proj);

    reportSet(fx->SetVector(_effectShadowMap.h_lightPosition, &kLightPosition), "_effectShadowMap.h_lightPosition");
    if (ID3DXEffect* bump = _effectBumpShadows.getD3DEffect()) {
        if (FAILED(bump->SetVector(_effectBumpShadows.h_lightPosition, &kLightPosition))) {
            debugPrintf("Failed to set lightPosition in _pEffectBumpShadows effect\n");
        }
    }
    if (ID3DXEffect* reflect = _effectBumpReflectShadows.getD3DEffect()) {
        if (FAILED(reflect->SetVector(_effectBumpReflectShadows.h_lightPosition, &kLightPosition))) {
            debugPrintf("Failed to set lightPosition in _pEffectBumpReflectShadows effect\n");
        }
    }

    UINT passes = 0;
    fx->Begin(&passes, 0);
    fx->BeginPass(0);
}

void endShadowPass(IDirect3DDevice9* device) {
    if (shadowDrawsMasked) {
        device->SetRenderState(D3DRS_COLORWRITEENABLE, maskedColorWrite);
        shadowDrawsMasked = false;
    }
    if (ID3DXEffect* fx = _effectShadowMap.getD3DEffect()) {
        fx->EndPass();
        fx->End();
    }
    if (shadowMapMSTarget && shadowMapSurface) {
        device->StretchRect(shadowMapMSTarget, nullptr, shadowMapSurface, nullptr, D3DTEXF_POINT);
    }
    endShadowLayerPass(device);
    if (savedRenderTarget) {
        device->SetRenderTarget(0, savedRenderTarget);
        savedRenderTarget->Release();
        savedRenderTarget = nullptr;
        device->SetRenderState(D3DRS_LIGHTING, lightingBeforePass);
    }
}

void releaseShadowMaps() {
    releaseObject(shadowMapSurface);
    releaseObject(shadowMapTexture);
    releaseObject(shadowMapMSTarget);
    releaseObject(_pTexNoShadow);
    releaseObject(savedRenderTarget);
    releaseShadowCasterCache();
    // The handles stay behind but are only ever used through a loaded effect, and the next
    // init looks them all up again.
    _effectShadowMap.release();
    _effectBumpShadows.release();
    _effectBumpReflectShadows.release();
    shadowsAvailable = true;
    matLightViewProj = D3DXMATRIX(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    pixelWidth = 0.0f;
    shadowDrawsMasked = false;
    receiversTapShadowMap = true;
    receiverDevice = nullptr;
}

void Material::bindShadowEffect(IDirect3DDevice9* device) {
    ID3DXEffect* fx = _effectShadowMap.getD3DEffect();
    if (!fx) return;
    D3DXMATRIXA16 world;
    device->GetTransform(D3DTS_WORLD, &world);
    D3DXMATRIXA16 lightWorldViewProj;
    D3DXMatrixMultiply(&lightWorldViewProj, &world, &matLightViewProj);
    reportSet(fx->SetMatrix(_effectShadowMap.h_matLightWorldViewProj, &lightWorldViewProj),
              "_effectShadowMap.h_matLightWorldViewProj");
    reportSet(fx->SetMatrix(_effectShadowMap.h_matWorld, &world), "_effectShadowMap.h_matWorld");
    fx->CommitChanges();
}

void Material::endShadowDraw() {}
