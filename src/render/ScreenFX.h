// ScreenFX: the post-processing chain. When it is on, the frame is drawn into an off-screen
// texture; after the scene that image is shrunk to a quarter, blurred one axis at a time and
// added back over the sharp frame into the back buffer. Every step is one full-screen quad
// drawn with one effect. When the effects or targets cannot be had, or EnableFilters is off,
// frames go straight into the back buffer.
#pragma once

#include "render/EffectKinds.h"

#include <d3d9.h>
#include <d3dx9.h>

class ScreenFX {
public:
    void createResources(IDirect3DDevice9* device);
    void redirectFrame();
    void applyEffects();
    // Gives back the targets, the quad and the effects and returns to the constructed state.
    // The saver never calls it; tests and tools that make several devices do.
    void releaseResources();

    void downFilter4x(IDirect3DTexture9* source, IDirect3DSurface9* destination);
    void blur(bool horizontal, IDirect3DTexture9* source, IDirect3DSurface9* destination);
    void combine(IDirect3DTexture9* sharp, IDirect3DTexture9* overlay, IDirect3DSurface9* destination);

    bool available = true;
    IDirect3DVertexBuffer9* quadVertexBuffer = nullptr;
    IDirect3DTexture9* sceneTexture = nullptr;
    IDirect3DSurface9* sceneSurface = nullptr;
    IDirect3DSurface9* sceneMSTarget = nullptr;
    IDirect3DTexture9* quarterTextureA = nullptr;
    IDirect3DSurface9* quarterSurfaceA = nullptr;
    IDirect3DTexture9* quarterTextureB = nullptr;
    IDirect3DSurface9* quarterSurfaceB = nullptr;
    IDirect3DSurface9* backBufferSurface = nullptr;
    bool frameRedirected = false;
    EffectPostCopy _effectCopy;
    EffectPostCombine _effectCombine;
    EffectDownFilter4 _effectDownFilter4;
    EffectBlur _effectBlurHorizontal;
    EffectBlur _effectBlurVertical;

private:
    // The draw that every pass ends with: identity transforms, the quad, one fan.
    void drawQuad(IDirect3DDevice9* device, ID3DXEffect* effect, const char* passName);
    bool createTarget(IDirect3DDevice9* device, UINT width, UINT height, IDirect3DTexture9** texture,
                      IDirect3DSurface9** surface);

    IDirect3DDevice9* device = nullptr;
};

extern ScreenFX screenFX;
