// The shadow map's stationary layer. Most of what casts shadows never moves against the light
// (the camera orbits, the clock stands still): the frame, the panel behind the dial and the
// read-out drums. Their part of the shadow map, colour and depth, is kept from the frame that
// drew it and copied back at the start of each shadow pass; only the moving parts are drawn
// into it again. Before the copy the pass lists the stationary draws (mesh, material, world
// matrix) without drawing them; any change in that list or in the light draws the layer anew.
#pragma once

#include <d3d9.h>

// Draws the scene once in the shadow pass; the caster cache may call it up to three times a
// frame, choosing which casters it lets through (see Material::shadowDrawWanted).
typedef void (*ShadowCasterDraw)(void* context, IDirect3DDevice9* device);

// Makes the layer's colour and depth copies and the shadow pass's own depth surface, all the
// map's size. Without them (or with a multisampled map, whose depth Direct3D cannot copy)
// every pass draws every caster, as it would without the cache.
void initShadowCasterCache(IDirect3DDevice9* device, UINT side, D3DFORMAT depthFormat, bool multisampledMap);
void releaseShadowCasterCache();

// The shadow pass, once the map is its render target, renders with the layer's own depth
// surface (the map's size) until it ends; the frame's depth surface is put back then.
void beginShadowLayerPass(IDirect3DDevice9* device);
void endShadowLayerPass(IDirect3DDevice9* device);

// Inside the shadow pass: the stationary layer (kept or drawn anew) and then the moving
// casters; a pass not rendering with the layer's depth draws every caster at once.
void drawShadowCasters(IDirect3DDevice9* device, ShadowCasterDraw draw, void* context);

// Times the stationary layer was drawn since it was made; for tests.
unsigned shadowLayerRedraws();
