// Parameter lookups of the effect classes. Every name is looked up even after one has
// failed, so one run reports every parameter an effect file lacks.
#include "render/EffectKinds.h"

bool EffectShadowMap::cacheParams() {
    if (!_pD3DEffect) return false;
    bool ok = true;
    ok = cacheParam(&h_lightPosition, "lightPosition") && ok;
    ok = cacheParam(&h_distanceScale, "distanceScale") && ok;
    ok = cacheParam(&h_matLightWorldViewProj, "matLightWorldViewProj") && ok;
    ok = cacheParam(&h_matWorld, "matWorld") && ok;
    return ok;
}

bool EffectBumpShadows::cacheParams() {
    if (!_pD3DEffect) return false;
    bool ok = true;
    ok = cacheParam(&h_ShadowMap_Tex, "ShadowMap_Tex") && ok;
    ok = cacheParam(&h_lightPosition, "lightPosition") && ok;
    ok = cacheParam(&h_pixelWidth, "pixelWidth") && ok;
    ok = cacheParam(&h_matWorldViewProj, "matWorldViewProj") && ok;
    ok = cacheParam(&h_matWorld, "matWorld") && ok;
    ok = cacheParam(&h_matLightWorldViewProj, "matLightWorldViewProj") && ok;
    ok = cacheParam(&h_base_Tex, "base_Tex") && ok;
    ok = cacheParam(&h_bump_Tex, "bump_Tex") && ok;
    ok = cacheParam(&h_ambient, "ambient") && ok;
    ok = cacheParam(&h_diffuse, "diffuse") && ok;
    ok = cacheParam(&h_specular, "specular") && ok;
    ok = cacheParam(&h_specularPower, "specularPower") && ok;
    ok = cacheParam(&h_bumpiness, "bumpiness") && ok;
    ok = cacheParam(&h_distanceScale, "distanceScale") && ok;
    ok = cacheParam(&h_shadowBias, "shadowBias") && ok;
    ok = cacheParam(&h_eyePosition, "eyePosition") && ok;
    ok = cacheParam(&h_texTransform, "texTransform") && ok;
    return ok;
}

bool EffectBumpReflectShadows::cacheParams() {
    if (!_pD3DEffect) return false;
    bool ok = true;
    ok = cacheParam(&h_ShadowMap_Tex, "ShadowMap_Tex") && ok;
    ok = cacheParam(&h_lightPosition, "lightPosition") && ok;
    ok = cacheParam(&h_pixelWidth, "pixelWidth") && ok;
    ok = cacheParam(&h_matWorldView, "matWorldView") && ok;
    ok = cacheParam(&h_matWorldViewProj, "matWorldViewProj") && ok;
    ok = cacheParam(&h_matWorld, "matWorld") && ok;
    ok = cacheParam(&h_matLightWorldViewProj, "matLightWorldViewProj") && ok;
    ok = cacheParam(&h_base_Tex, "base_Tex") && ok;
    ok = cacheParam(&h_bump_Tex, "bump_Tex") && ok;
    ok = cacheParam(&h_environmentMap_Tex, "environmentMap_Tex") && ok;
    ok = cacheParam(&h_ambient, "ambient") && ok;
    ok = cacheParam(&h_diffuse, "diffuse") && ok;
    ok = cacheParam(&h_specular, "specular") && ok;
    ok = cacheParam(&h_specularPower, "specularPower") && ok;
    ok = cacheParam(&h_bumpiness, "bumpiness") && ok;
    ok = cacheParam(&h_reflectionClarity, "reflectionClarity") && ok;
    ok = cacheParam(&h_reflectance, "reflectance") && ok;
    ok = cacheParam(&h_distanceScale, "distanceScale") && ok;
    ok = cacheParam(&h_shadowBias, "shadowBias") && ok;
    ok = cacheParam(&h_eyePosition, "eyePosition") && ok;
    ok = cacheParam(&h_texTransform, "texTransform") && ok;
    return ok;
}

bool EffectPostCopy::cacheParams() {
    if (!_pD3DEffect) return false;
    bool ok = true;
    ok = cacheParam(&h_texMain_Tex, "texMain_Tex") && ok;
    return ok;
}

bool EffectPostCombine::cacheParams() {
    if (!_pD3DEffect) return false;
    bool ok = true;
    ok = cacheParam(&h_texMain_Tex, "texMain_Tex") && ok;
    ok = cacheParam(&h_texOverlay_Tex, "texOverlay_Tex") && ok;
    return ok;
}

bool EffectDownFilter4::cacheParams() {
    if (!_pD3DEffect) return false;
    bool ok = true;
    ok = cacheParam(&h_texMain_Tex, "texMain_Tex") && ok;
    ok = cacheParam(&h_texelSize, "texelSize") && ok;
    return ok;
}

bool EffectBlur::cacheParams() {
    if (!_pD3DEffect) return false;
    bool ok = true;
    ok = cacheParam(&h_texMain_Tex, "texMain_Tex") && ok;
    ok = cacheParam(&h_texelSize, "texelSize") && ok;
    return ok;
}
