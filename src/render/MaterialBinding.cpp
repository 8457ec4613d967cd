// Material::bindEffect: picks the effect for a material's kind and sets its per-draw
// parameters from the material, the device's transforms, the light and the eye. Without a
// usable effect the caller draws fixed-function, and `textured` materials always do, with
// alpha blending on.
#include "render/MaterialBinding.h"

#include "assets/Material.h"
#include "assets/Texture.h"
#include "render/ShadowMapping.h"
#include "shell/Diagnostics.h"

namespace {

D3DXVECTOR4 eyePosition(0.0f, 0.0f, -10.0f, 1.0f);

void reportSet(HRESULT hr, const char* handleName) {
    if (FAILED(hr)) debugPrintf("Failed to set effect parameter %s\n", handleName);
}

bool hasTexture(const Texture* texture) { return texture && texture->texture; }

D3DXVECTOR4 asVector(const D3DCOLORVALUE& c) { return D3DXVECTOR4(c.r, c.g, c.b, c.a); }

struct DrawMatrices {
    D3DXMATRIXA16 world, worldView, worldViewProj, lightWorldViewProj;
};

DrawMatrices readMatrices(IDirect3DDevice9* device) {
    DrawMatrices m;
    D3DXMATRIXA16 view;
    D3DXMATRIXA16 proj;
    device->GetTransform(D3DTS_WORLD, &m.world);
    device->GetTransform(D3DTS_VIEW, &view);
    device->GetTransform(D3DTS_PROJECTION, &proj);
    D3DXMatrixMultiply(&m.worldView, &m.world, &view);
    D3DXMatrixMultiply(&m.worldViewProj, &m.worldView, &proj);
    D3DXMatrixMultiply(&m.lightWorldViewProj, &m.world, &matLightViewProj);
    return m;
}

}  // namespace

void setEyePosition(float x, float y, float z, float w) { eyePosition = D3DXVECTOR4(x, y, z, w); }

bool Material::bindEffect(ID3DXEffect** effect, IDirect3DDevice9* device) {
    if (effectKind == bumpShadow && _effectBumpShadows.getD3DEffect()) {
        if (!hasTexture(baseTexture) || !hasTexture(bumpTexture)) {
            debugPrintf("TextureBumpShadow effect is missing essential textures\n");
            return false;
        }
        ID3DXEffect* fx = _effectBumpShadows.getD3DEffect();
        const EffectBumpShadows& e = _effectBumpShadows;
        *effect = fx;
        DrawMatrices m = readMatrices(device);
        D3DXVECTOR4 ambientColour = asVector(d3dMaterial.Ambient);
        D3DXVECTOR4 diffuseColour = asVector(d3dMaterial.Diffuse);
        reportSet(fx->SetMatrix(e.h_matWorld, &m.world), "_effectBumpShadows.h_matWorld");
        reportSet(fx->SetMatrix(e.h_matWorldViewProj, &m.worldViewProj), "_effectBumpShadows.h_matWorldViewProj");
        reportSet(fx->SetMatrix(e.h_matLightWorldViewProj, &m.lightWorldViewProj),
                  "_effectBumpShadows.h_matLightWorldViewProj");
        reportSet(fx->SetTexture(e.h_base_Tex, baseTexture->texture), "_effectBumpShadows.h_base_Tex");
        reportSet(fx->SetTexture(e.h_bump_Tex, bumpTexture->texture), "_effectBumpShadows.h_bump_Tex");
        reportSet(fx->SetVector(e.h_ambient, &ambientColour), "_effectBumpShadows.h_ambient");
        reportSet(fx->SetVector(e.h_diffuse, &diffuseColour), "_effectBumpShadows.h_diffuse");
        reportSet(fx->SetVector(e.h_specular, &specular), "_effectBumpShadows.h_specular");
        reportSet(fx->SetFloat(e.h_specularPower, specularPower), "_effectBumpShadows.h_specularPower");
        reportSet(fx->SetFloat(e.h_bumpiness, bumpiness), "_effectBumpShadows.h_bumpiness");
        reportSet(fx->SetVector(e.h_eyePosition, &eyePosition), "_effectBumpShadows.h_eyePosition");
        reportSet(fx->SetVector(e.h_texTransform, &texTransform), "_effectBumpShadows.h_texTransform");
        return true;
    }

    if (effectKind == bumpReflectShadow && _effectBumpReflectShadows.getD3DEffect()) {
        if (!hasTexture(baseTexture) || !hasTexture(bumpTexture) || !hasTexture(cubemapTexture)) {
            debugPrintf("BumpReflectShadows effect is missing essential textures\n");
            return false;
        }
        ID3DXEffect* fx = _effectBumpReflectShadows.getD3DEffect();
        const EffectBumpReflectShadows* pEff = &_effectBumpReflectShadows;
        *effect = fx;
        DrawMatrices m = readMatrices(device);
        D3DXVECTOR4 ambientColour = asVector(d3dMaterial.Ambient);
        D3DXVECTOR4 diffuseColour = asVector(d3dMaterial.Diffuse);
        reportSet(fx->SetMatrix(pEff->h_matWorldView, &m.worldView), "pEff->h_matWorldView");
        reportSet(fx->SetMatrix(pEff->h_matWorldViewProj, &m.worldViewProj), "pEff->h_matWorldViewProj");
        reportSet(fx->SetMatrix(pEff->h_matWorld, &m.world), "pEff->h_matWorld");
        reportSet(fx->SetMatrix(pEff->h_matLightWorldViewProj, &m.lightWorldViewProj), "pEff->h_matLightWorldViewProj");
        reportSet(fx->SetTexture(pEff->h_base_Tex, baseTexture->texture), "pEff->h_base_Tex");
        reportSet(fx->SetTexture(pEff->h_bump_Tex, bumpTexture->texture), "pEff->h_bump_Tex");
        reportSet(fx->SetTexture(pEff->h_environmentMap_Tex, cubemapTexture->texture), "pEff->h_environmentMap_Tex");
        reportSet(fx->SetVector(pEff->h_ambient, &ambientColour), "pEff->h_ambient");
        reportSet(fx->SetVector(pEff->h_diffuse, &diffuseColour), "pEff->h_diffuse");
        reportSet(fx->SetVector(pEff->h_specular, &specular), "pEff->h_specular");
        reportSet(fx->SetFloat(pEff->h_specularPower, specularPower), "pEff->h_specularPower");
        reportSet(fx->SetFloat(pEff->h_bumpiness, bumpiness), "pEff->h_bumpiness");
        reportSet(fx->SetFloat(pEff->h_reflectionClarity, reflectionClarity), "pEff->h_reflectionClarity");
        reportSet(fx->SetFloat(pEff->h_reflectance, reflectance), "pEff->h_reflectance");
        reportSet(fx->SetVector(pEff->h_eyePosition, &eyePosition), "pEff->h_eyePosition");
        reportSet(fx->SetVector(pEff->h_texTransform, &texTransform), "pEff->h_texTransform");
        return true;
    }

    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    *effect = nullptr;
    return false;
}
