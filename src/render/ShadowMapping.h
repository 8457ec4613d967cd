// Shadow mapping: the process-wide shadow-map targets, the light's matrices, the three effects
// that write and read the shadow map, and the pass that draws the scene from the light. When
// shadows are off or cannot be had, the receivers read a tiny texture of 1.0 ("nothing nearer
// to the light"), so the colour pass is the same either way; a run that starts without shadows
// also builds the receivers without their shadow taps (the same picture, less work a pixel).
#pragma once

#include "render/EffectKinds.h"

#include <d3d9.h>
#include <d3dx9.h>

extern bool shadowsAvailable;
extern IDirect3DTexture9* shadowMapTexture;
extern IDirect3DSurface9* shadowMapSurface;
extern IDirect3DSurface9* shadowMapMSTarget;
extern IDirect3DTexture9* _pTexNoShadow;
extern IDirect3DSurface9* savedRenderTarget;
// The light's view × projection of the last shadow pass; all zeros before the first one.
extern D3DXMATRIXA16 matLightViewProj;
// 1.25 shadow-map texels in texture-coordinate units, the spacing of the receivers' taps.
extern float pixelWidth;

extern EffectShadowMap _effectShadowMap;
extern EffectBumpShadows _effectBumpShadows;
extern EffectBumpReflectShadows _effectBumpReflectShadows;

constexpr float distanceScale = 0.045f;
constexpr float shadowBias = 0.005f;

// True when all three effects initialised. The receivers are built for the EnableShadows
// setting: with shadows off (or unavailable) without their shadow taps.
bool initShadowMaps(IDirect3DDevice9* device);
// Binds the shadow map (or the map of 1.0) to the receivers; asked for shadows after a start
// without them, it first rebuilds the receivers with their taps.
void selectShadowMap(bool enabled);
void beginShadowPass(IDirect3DDevice9* device, float fov, float aspect, float zNear, float zFar,
                     const D3DXVECTOR3& eye, const D3DXVECTOR3& target);
void endShadowPass(IDirect3DDevice9* device);
// Gives back every texture, surface and effect and returns shadow mapping to its start-of-
// process state. The saver never calls it (its objects live until exit); tests and tools that
// create several devices in one process do.
void releaseShadowMaps();
