// Material: how a mesh surface is shaded. It names its effect kind and textures, holds the
// light colours and the bump and reflection parameters read from a MATERIAL block, and can
// bind itself to the fixed-function pipeline. Colours are kept as D3DXVECTOR4 (r, g, b, a in
// x, y, z, w) because the effect binding hands them to effects as vectors.
#pragma once

#include "assets/Asset.h"

#include <d3d9.h>
#include <d3dx9.h>

#include <cstdint>
#include <cstdio>

class Texture;

class Material : public Asset {
public:
    enum EffectKind : int32_t { textured = 0, bumpShadow = 1, bumpReflectShadow = 2 };

    Material();
    ~Material() override;

    // Reads one MATERIAL block; false only for a wrong opening or an over-long token.
    bool readBlock(FILE* file);

    // Turns the four texture ids into pointers into the library's texture array: LIB ids by
    // name through the library lookup, the others by position or name.
    void resolveTextures(Texture* textures, int32_t textureCount);

    bool createDeviceObjects(IDirect3DDevice9*) { return true; }
    void releaseDeviceObjects() {}

    void setTexTransform(float scaleU, float offsetU, float scaleV, float offsetV);
    void highlightOn();
    void highlightOff();

    void applyFixedFunction(IDirect3DDevice9* device);
    void endFixedFunction(IDirect3DDevice9* device);

    // The shader-effect binding of a material is drawing code and lives in render/.
    bool bindEffect(ID3DXEffect** effect, IDirect3DDevice9* device);
    void bindShadowEffect(IDirect3DDevice9* device);
    // Whether the shadow pass's current traversal draws this caster (the stationary layer may be
    // kept from an earlier frame); `stationary` is the widget's promise that it never moves.
    bool shadowDrawWanted(const void* mesh, const D3DXMATRIX& world, bool stationary);
    void endShadowDraw();

    bool hasTexTransform = false;
    int32_t effectKind = textured;
    char* baseId = nullptr;
    char* bumpId = nullptr;
    char* cubemapId = nullptr;
    char* spheremapId = nullptr;
    bool baseIsLibrary = false;
    bool bumpIsLibrary = false;
    bool cubemapIsLibrary = false;
    Texture* baseTexture = nullptr;
    Texture* bumpTexture = nullptr;
    Texture* cubemapTexture = nullptr;
    Texture* spheremapTexture = nullptr;
    D3DXVECTOR4 diffuse{0.85f, 0.85f, 0.85f, 1.0f};
    D3DXVECTOR4 ambient{0.85f, 0.85f, 0.85f, 1.0f};
    D3DXVECTOR4 specular{0.3f, 0.3f, 0.3f, 1.0f};
    float specularPower = 100.0f;
    D3DXVECTOR3 highlight{1.25f, 1.25f, 1.25f};
    float bumpiness = 0.5f;
    float reflectance = 0.5f;
    float reflectionClarity = 3.0f;
    D3DXVECTOR4 texTransform{1.0f, 0.0f, 1.0f, 0.0f};  // scaleU, offsetU, scaleV, offsetV
    // The colours as drawn: highlighting changes Diffuse and Ambient here only, and Specular
    // is the declared specular halved.
    D3DMATERIAL9 d3dMaterial;
};
