// The effect classes in use: each looks up the handles of its own parameter list, in list
// order, into fields named h_ plus the parameter name. The field order is the lookup order.
#pragma once

#include "render/Effect.h"

// The shadow-map pass: distance from the light.
class EffectShadowMap : public Effect {
public:
    bool cacheParams() override;

    D3DXHANDLE h_lightPosition = nullptr;
    D3DXHANDLE h_distanceScale = nullptr;
    D3DXHANDLE h_matLightWorldViewProj = nullptr;
    D3DXHANDLE h_matWorld = nullptr;
};

// Bump-mapped, shadow-receiving colour draws.
class EffectBumpShadows : public Effect {
public:
    bool cacheParams() override;

    D3DXHANDLE h_ShadowMap_Tex = nullptr;
    D3DXHANDLE h_lightPosition = nullptr;
    D3DXHANDLE h_pixelWidth = nullptr;
    D3DXHANDLE h_matWorldViewProj = nullptr;
    D3DXHANDLE h_matWorld = nullptr;
    D3DXHANDLE h_matLightWorldViewProj = nullptr;
    D3DXHANDLE h_base_Tex = nullptr;
    D3DXHANDLE h_bump_Tex = nullptr;
    D3DXHANDLE h_ambient = nullptr;
    D3DXHANDLE h_diffuse = nullptr;
    D3DXHANDLE h_specular = nullptr;
    D3DXHANDLE h_specularPower = nullptr;
    D3DXHANDLE h_bumpiness = nullptr;
    D3DXHANDLE h_distanceScale = nullptr;
    D3DXHANDLE h_shadowBias = nullptr;
    D3DXHANDLE h_eyePosition = nullptr;
    D3DXHANDLE h_texTransform = nullptr;
};

// The same with a cube-map reflection.
class EffectBumpReflectShadows : public Effect {
public:
    bool cacheParams() override;

    D3DXHANDLE h_ShadowMap_Tex = nullptr;
    D3DXHANDLE h_lightPosition = nullptr;
    D3DXHANDLE h_pixelWidth = nullptr;
    D3DXHANDLE h_matWorldView = nullptr;
    D3DXHANDLE h_matWorldViewProj = nullptr;
    D3DXHANDLE h_matWorld = nullptr;
    D3DXHANDLE h_matLightWorldViewProj = nullptr;
    D3DXHANDLE h_base_Tex = nullptr;
    D3DXHANDLE h_bump_Tex = nullptr;
    D3DXHANDLE h_environmentMap_Tex = nullptr;
    D3DXHANDLE h_ambient = nullptr;
    D3DXHANDLE h_diffuse = nullptr;
    D3DXHANDLE h_specular = nullptr;
    D3DXHANDLE h_specularPower = nullptr;
    D3DXHANDLE h_bumpiness = nullptr;
    D3DXHANDLE h_reflectionClarity = nullptr;
    D3DXHANDLE h_reflectance = nullptr;
    D3DXHANDLE h_distanceScale = nullptr;
    D3DXHANDLE h_shadowBias = nullptr;
    D3DXHANDLE h_eyePosition = nullptr;
    D3DXHANDLE h_texTransform = nullptr;
};

// Post-processing copy (loaded and tested, never drawn).
class EffectPostCopy : public Effect {
public:
    bool cacheParams() override;

    D3DXHANDLE h_texMain_Tex = nullptr;
};

// Post-processing: sharp frame plus glow.
class EffectPostCombine : public Effect {
public:
    bool cacheParams() override;

    D3DXHANDLE h_texMain_Tex = nullptr;
    D3DXHANDLE h_texOverlay_Tex = nullptr;
};

// Post-processing: quarter-size down-filter.
class EffectDownFilter4 : public Effect {
public:
    bool cacheParams() override;

    D3DXHANDLE h_texMain_Tex = nullptr;
    D3DXHANDLE h_texelSize = nullptr;
};

// Post-processing: one-axis blur (horizontal and vertical objects).
class EffectBlur : public Effect {
public:
    bool cacheParams() override;

    D3DXHANDLE h_texMain_Tex = nullptr;
    D3DXHANDLE h_texelSize = nullptr;
};
