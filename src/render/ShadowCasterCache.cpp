// The stationary layer of the shadow map: its copies, the list that tells whether it is still
// current, and the material hook that lets each caster through in the right traversal.
#include "render/ShadowCasterCache.h"

#include "assets/Material.h"
#include "render/ShadowMapping.h"
#include "shell/Diagnostics.h"

#include <cstring>
#include <vector>

namespace {

// Which casters the current traversal of the scene lets through.
enum class CasterPhase { every, listStationary, stationaryOnly, movingOnly };
CasterPhase phase = CasterPhase::every;

struct StationaryDraw {
    const void* mesh;
    const Material* material;
    D3DXMATRIX world;
};

bool sameDraws(const std::vector<StationaryDraw>& a, const std::vector<StationaryDraw>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].mesh != b[i].mesh || a[i].material != b[i].material ||
            std::memcmp(&a[i].world, &b[i].world, sizeof(D3DXMATRIX)) != 0)
            return false;
    }
    return true;
}

IDirect3DTexture9* layerTexture = nullptr;
IDirect3DSurface9* layerColour = nullptr;
IDirect3DSurface9* layerDepth = nullptr;
IDirect3DSurface9* passDepth = nullptr;
IDirect3DSurface9* frameDepth = nullptr;  // what the open pass replaced with passDepth
bool passUsesLayerDepth = false;
bool layerKept = false;
unsigned redraws = 0;
D3DXMATRIX layerLightViewProj;
std::vector<StationaryDraw> layerDraws;  // what the kept layer holds
std::vector<StationaryDraw> frameDraws;  // what this frame would draw into it

template <typename T>
void releaseObject(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

// Direct3D copies depth only outside a scene: the pass steps out of the frame's scene for it.
// A failed copy leaves no layer kept.
void copyDepth(IDirect3DDevice9* device, IDirect3DSurface9* from, IDirect3DSurface9* to) {
    const bool inScene = SUCCEEDED(device->EndScene());
    if (FAILED(device->StretchRect(from, nullptr, to, nullptr, D3DTEXF_NONE))) layerKept = false;
    if (inScene) device->BeginScene();
}

void keepLayer(IDirect3DDevice9* device) {
    layerKept = SUCCEEDED(device->StretchRect(shadowMapSurface, nullptr, layerColour, nullptr, D3DTEXF_POINT));
    copyDepth(device, passDepth, layerDepth);
    layerDraws = frameDraws;
    layerLightViewProj = matLightViewProj;
    ++redraws;
}

bool restoreLayer(IDirect3DDevice9* device) {
    if (FAILED(device->StretchRect(layerColour, nullptr, shadowMapSurface, nullptr, D3DTEXF_POINT))) layerKept = false;
    if (layerKept) copyDepth(device, layerDepth, passDepth);
    return layerKept;
}

}  // namespace

void initShadowCasterCache(IDirect3DDevice9* device, UINT side, D3DFORMAT depthFormat, bool multisampledMap) {
    releaseShadowCasterCache();
    if (multisampledMap || !shadowMapSurface) return;
    bool made = SUCCEEDED(device->CreateDepthStencilSurface(side, side, depthFormat, D3DMULTISAMPLE_NONE, 0, FALSE,
                                                            &passDepth, nullptr)) &&
                SUCCEEDED(device->CreateDepthStencilSurface(side, side, depthFormat, D3DMULTISAMPLE_NONE, 0, FALSE,
                                                            &layerDepth, nullptr)) &&
                SUCCEEDED(D3DXCreateTexture(device, side, side, 1, D3DUSAGE_RENDERTARGET, D3DFMT_R16F,
                                            D3DPOOL_DEFAULT, &layerTexture)) &&
                SUCCEEDED(layerTexture->GetSurfaceLevel(0, &layerColour));
    if (!made) {
        debugPrintf("The shadow map's stationary layer is not kept: every caster is drawn each frame.\n");
        releaseShadowCasterCache();
    }
}

void releaseShadowCasterCache() {
    releaseObject(layerColour);
    releaseObject(layerTexture);
    releaseObject(layerDepth);
    releaseObject(passDepth);
    releaseObject(frameDepth);
    passUsesLayerDepth = false;
    layerKept = false;
    redraws = 0;
    layerDraws.clear();
    frameDraws.clear();
    phase = CasterPhase::every;
}

void beginShadowLayerPass(IDirect3DDevice9* device) {
    if (!passDepth) return;
    device->GetDepthStencilSurface(&frameDepth);
    passUsesLayerDepth = SUCCEEDED(device->SetDepthStencilSurface(passDepth));
}

void endShadowLayerPass(IDirect3DDevice9* device) {
    if (passUsesLayerDepth) device->SetDepthStencilSurface(frameDepth);
    passUsesLayerDepth = false;
    releaseObject(frameDepth);
}

void drawShadowCasters(IDirect3DDevice9* device, ShadowCasterDraw draw, void* context) {
    if (!device || !draw) return;
    // The layer's copies are made together with passDepth, so a pass using it has them all.
    if (!passUsesLayerDepth) {
        draw(context, device);
        return;
    }
    phase = CasterPhase::listStationary;
    frameDraws.clear();
    draw(context, device);
    const bool current = layerKept && sameDraws(frameDraws, layerDraws) &&
                         std::memcmp(&layerLightViewProj, &matLightViewProj, sizeof(D3DXMATRIX)) == 0;
    // A failed copy back leaves the map as it was cleared, or the colour without its depth;
    // drawing the layer over either gives the layer again.
    if (!current || !restoreLayer(device)) {
        phase = CasterPhase::stationaryOnly;
        draw(context, device);
        keepLayer(device);
    }
    phase = CasterPhase::movingOnly;
    draw(context, device);
    phase = CasterPhase::every;
}

unsigned shadowLayerRedraws() { return redraws; }

bool Material::shadowDrawWanted(const void* mesh, const D3DXMATRIX& world, bool stationary) {
    switch (phase) {
    case CasterPhase::listStationary:
        if (stationary) frameDraws.push_back({mesh, this, world});
        return false;
    case CasterPhase::stationaryOnly: return stationary;
    case CasterPhase::movingOnly: return !stationary;
    case CasterPhase::every: break;
    }
    return true;
}
