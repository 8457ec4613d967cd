// Material block reading, texture resolution, highlighting and the fixed-function binding.
#include "assets/Material.h"

#include "assets/AssetLibrary.h"
#include "assets/LibraryTokens.h"
#include "assets/Texture.h"
#include "shell/Diagnostics.h"

#include <cstdlib>
#include <cstring>

namespace {

void replaceId(char** id, const char* value) {
    std::free(*id);
    *id = strdup(value);
}

// Reads up to `count` numbers into `values`, stopping at the first that is not there; values
// not read keep what they held. Returns how many were read.
int readFloats(FILE* file, float* values, int count) {
    int read = 0;
    while (read < count && readFloat(file, &values[read])) ++read;
    return read;
}

bool allDigits(const char* text) {
    if (!*text) return false;
    for (const char* p = text; *p; ++p)
        if (*p < '0' || *p > '9') return false;
    return true;
}

// An id made only of digits is first a position in the texture list, then a name.
Texture* resolveLocally(const char* id, Texture* textures, int32_t textureCount) {
    if (!id) return nullptr;
    if (allDigits(id)) {
        long long position = 0;
        for (const char* p = id; *p && position <= textureCount; ++p) position = position * 10 + (*p - '0');
        if (position < textureCount) {
            textures[position].used = true;
            return &textures[position];
        }
    }
    for (int32_t i = 0; i < textureCount; ++i) {
        const char* name = textures[i].getName();
        if (name && std::strcmp(name, id) == 0) {
            textures[i].used = true;
            return &textures[i];
        }
    }
    debugPrintf("The texture '%s' could not be found for this material.\n", id);
    return nullptr;
}

Texture* resolve(const char* id, bool fromLibrary, Texture* textures, int32_t textureCount) {
    if (fromLibrary) return id ? AssetLibrary::findTextureIn(textures, textureCount, id) : nullptr;
    return resolveLocally(id, textures, textureCount);
}

}  // namespace

Material::Material() {
    d3dMaterial.Diffuse = {diffuse.x, diffuse.y, diffuse.z, diffuse.w};
    d3dMaterial.Ambient = {ambient.x, ambient.y, ambient.z, ambient.w};
    d3dMaterial.Specular = {0.3f, 0.3f, 0.3f, 1.0f};
    d3dMaterial.Emissive = {0.0f, 0.0f, 0.0f, 0.0f};
    d3dMaterial.Power = specularPower;
}

Material::~Material() {
    std::free(baseId);
    std::free(bumpId);
    std::free(cubemapId);
    std::free(spheremapId);
}

bool Material::readBlock(FILE* file) {
    char keyword[kBlockTokenMax + 1];
    char brace[kBlockTokenMax + 1];
    if (readToken(file, keyword, kBlockTokenMax) != TokenRead::ok) return false;
    if (readToken(file, brace, kBlockTokenMax) != TokenRead::ok) return false;
    if (std::strcmp(keyword, "MATERIAL") != 0 || std::strcmp(brace, "{") != 0) return false;

    char token[kBlockTokenMax + 1];
    char argument[kBlockTokenMax + 1];
    // Reads the one-token argument of a keyword; at the end of the file the block simply ends.
    auto readArgument = [&](TokenRead* status) {
        *status = readToken(file, argument, kBlockTokenMax);
        return *status == TokenRead::ok;
    };

    for (;;) {
        const TokenRead r = readToken(file, token, kBlockTokenMax);
        if (r == TokenRead::end) return true;
        if (r == TokenRead::tooLong) return false;
        if (std::strcmp(token, "}") == 0) return true;

        TokenRead a = TokenRead::ok;
        if (token[0] == '#') {
            skipRestOfLine(file);
        } else if (std::strcmp(token, "EFFECT") == 0) {
            if (readArgument(&a)) {
                if (std::strcmp(argument, "textured") == 0)
                    effectKind = textured;
                else if (std::strcmp(argument, "bumpShadow") == 0)
                    effectKind = bumpShadow;
                else if (std::strcmp(argument, "bumpReflectShadow") == 0)
                    effectKind = bumpReflectShadow;
                else
                    debugPrintf("Unrecognized material effect, %s\n", argument);
            }
        } else if (std::strcmp(token, "BASEID") == 0 || std::strcmp(token, "LIBBASEID") == 0) {
            if (readArgument(&a)) {
                replaceId(&baseId, argument);
                if (token[0] == 'L') baseIsLibrary = true;
            }
        } else if (std::strcmp(token, "BUMPID") == 0 || std::strcmp(token, "LIBBUMPID") == 0) {
            if (readArgument(&a)) {
                replaceId(&bumpId, argument);
                if (token[0] == 'L') bumpIsLibrary = true;
            }
        } else if (std::strcmp(token, "CUBEMAPID") == 0 || std::strcmp(token, "LIBCUBEMAPID") == 0) {
            if (readArgument(&a)) {
                replaceId(&cubemapId, argument);
                if (token[0] == 'L') cubemapIsLibrary = true;
            }
        } else if (std::strcmp(token, "SPHEREMAPID") == 0) {
            if (readArgument(&a)) replaceId(&spheremapId, argument);
        } else if (std::strcmp(token, "AMBIENT") == 0) {
            float v[4] = {ambient.x, ambient.y, ambient.z, ambient.w};
            readFloats(file, v, 4);
            ambient = D3DXVECTOR4(v[0], v[1], v[2], v[3]);
            d3dMaterial.Ambient = {v[0], v[1], v[2], v[3]};
        } else if (std::strcmp(token, "DIFFUSE") == 0) {
            float v[4] = {diffuse.x, diffuse.y, diffuse.z, diffuse.w};
            readFloats(file, v, 4);
            diffuse = D3DXVECTOR4(v[0], v[1], v[2], v[3]);
            d3dMaterial.Diffuse = {v[0], v[1], v[2], v[3]};
        } else if (std::strcmp(token, "SPECULAR") == 0) {
            float v[5] = {specular.x, specular.y, specular.z, specular.w, specularPower};
            const int read = readFloats(file, v, 5);
            if (read != 5) debugPrintf("Warning: Expected 5 params while reading SPECULAR, found %d", read);
            specular = D3DXVECTOR4(v[0], v[1], v[2], v[3]);
            d3dMaterial.Specular = {v[0] / 2, v[1] / 2, v[2] / 2, v[3] / 2};
            specularPower = v[4];
            d3dMaterial.Power = v[4];
        } else if (std::strcmp(token, "HIGHLIGHT") == 0) {
            float v[3] = {highlight.x, highlight.y, highlight.z};
            readFloats(file, v, 3);
            highlight = D3DXVECTOR3(v[0], v[1], v[2]);
        } else if (std::strcmp(token, "BUMPINESS") == 0) {
            readFloats(file, &bumpiness, 1);
        } else if (std::strcmp(token, "REFLECTANCE") == 0) {
            readFloats(file, &reflectance, 1);
        } else if (std::strcmp(token, "REFLECTION_CLARITY") == 0) {
            readFloats(file, &reflectionClarity, 1);
        } else if (std::strcmp(token, "NAME") == 0) {
            if (readArgument(&a)) setName(argument);
        } else if (std::strcmp(token, "EDIT") == 0) {
            // An editor marker; nothing in the material depends on it.
        } else {
            debugPrintf("Unrecognized material property, %s\n", token);
        }
        if (a == TokenRead::tooLong) return false;
        if (a == TokenRead::end) return true;
    }
}

void Material::resolveTextures(Texture* textures, int32_t textureCount) {
    baseTexture = resolve(baseId, baseIsLibrary, textures, textureCount);
    bumpTexture = resolve(bumpId, bumpIsLibrary, textures, textureCount);
    cubemapTexture = resolve(cubemapId, cubemapIsLibrary, textures, textureCount);
    spheremapTexture = resolve(spheremapId, false, textures, textureCount);
}

void Material::setTexTransform(float scaleU, float offsetU, float scaleV, float offsetV) {
    texTransform = D3DXVECTOR4(scaleU, offsetU, scaleV, offsetV);
    hasTexTransform = true;
}

void Material::highlightOn() {
    // Always from the declared colours, so highlighting twice does not compound.
    d3dMaterial.Diffuse.r = diffuse.x * highlight.x;
    d3dMaterial.Diffuse.g = diffuse.y * highlight.y;
    d3dMaterial.Diffuse.b = diffuse.z * highlight.z;
    d3dMaterial.Ambient.r = ambient.x * highlight.x;
    d3dMaterial.Ambient.g = ambient.y * highlight.y;
    d3dMaterial.Ambient.b = ambient.z * highlight.z;
}

void Material::highlightOff() {
    d3dMaterial.Diffuse.r = diffuse.x;
    d3dMaterial.Diffuse.g = diffuse.y;
    d3dMaterial.Diffuse.b = diffuse.z;
    d3dMaterial.Ambient.r = ambient.x;
    d3dMaterial.Ambient.g = ambient.y;
    d3dMaterial.Ambient.b = ambient.z;
}

void Material::applyFixedFunction(IDirect3DDevice9* device) {
    device->SetMaterial(&d3dMaterial);
    device->SetTexture(0, (baseTexture && baseTexture->texture) ? baseTexture->texture : nullptr);
    if (hasTexTransform) {
        // Row vectors: (u, v, 1, 0) x M gives u' = scaleU u + offsetU, v' = scaleV v + offsetV.
        D3DXMATRIX m;
        D3DXMatrixIdentity(&m);
        m._11 = texTransform.x;
        m._31 = texTransform.y;
        m._22 = texTransform.z;
        m._32 = texTransform.w;
        device->SetTransform(D3DTS_TEXTURE0, &m);
        device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    }
}

void Material::endFixedFunction(IDirect3DDevice9* device) {
    if (hasTexTransform) device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
}
