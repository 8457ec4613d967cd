// The asset library file's top level and MODEL blocks, the lookups, and the passes that
// create and release every asset's Direct3D resources. The block kinds read themselves.
#include "assets/AssetLibrary.h"

#include "assets/Animation.h"
#include "assets/LibraryTokens.h"
#include "assets/Material.h"
#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "shell/Diagnostics.h"

#include <cstring>
#include <new>

AssetLibrary assetLibrary;

namespace {

// "%s %d" with the given keyword.
bool readCount(FILE* file, const char* keyword, int* count) {
    char token[kLibraryTokenMax + 1];
    if (readToken(file, token, kLibraryTokenMax) != TokenRead::ok) return false;
    if (!readInt(file, count)) return false;
    return std::strcmp(token, keyword) == 0;
}

// Makes the array of one asset kind. Counts of zero or less make no array; a count beyond
// what any real library holds is refused rather than allocated.
template <typename T>
bool createArray(const char* keyword, int count, T** array, int32_t* storedCount) {
    if (count > kMaxLibraryCount) {
        debugPrintf("Error loading asset library.  %s %d is more than the %d allowed\n", keyword, count,
                    kMaxLibraryCount);
        return false;
    }
    if (count > 0) {
        *array = new (std::nothrow) T[count];
        if (!*array) {
            debugPrintf("Error loading asset library.  Not enough memory for %s %d\n", keyword, count);
            return false;
        }
    }
    *storedCount = count;
    return true;
}

template <typename T>
T* findIn(T* array, int32_t count, const char* name) {
    if (!name) return nullptr;
    for (int32_t i = 0; i < count; ++i) {
        const char* assetName = array[i].getName();
        if (assetName && std::strcmp(assetName, name) == 0) {
            array[i].used = true;
            return &array[i];
        }
    }
    return nullptr;
}

template <typename T>
void listUnused(T* array, int32_t count, const char* format) {
    for (int32_t i = 0; i < count; ++i)
        if (!array[i].used) {
            const char* name = array[i].getName();
            debugPrintf(format, i, name ? name : "(null)");
        }
}

const char* printable(const char* name) { return name ? name : "(null)"; }

}  // namespace

AssetLibrary::~AssetLibrary() {
    delete[] textures;
    delete[] materials;
    delete[] meshes;
    delete[] animations;
}

bool AssetLibrary::load(const char* path) {
    // Other objects point into the arrays, so a second load could only leak or dangle.
    if (loaded) {
        debugPrintf("Error loading asset library %s: a library has already been loaded\n", printable(path));
        return false;
    }
    FILE* file = path ? std::fopen(path, "r") : nullptr;
    if (!file) {
        debugPrintf("Error opening file %s\n", printable(path));
        return false;
    }
    loaded = true;
    const bool ok = readSections(file);
    std::fclose(file);
    if (!ok) return false;

    for (int32_t i = 0; i < materialCount; ++i) materials[i].resolveTextures(textures, textureCount);
    return true;
}

bool AssetLibrary::readSections(FILE* file) {
    int count = 0;
    if (!readCount(file, "MODELCOUNT", &count)) {
        debugPrintf("Error loading puzzle file.  Expected 'MODELCOUNT'\n");
        return false;
    }
    if (!createArray("MODELCOUNT", count, &meshes, &meshCount)) return false;

    for (int32_t i = 0; i < meshCount; ++i) {
        char keyword[kLibraryTokenMax + 1], brace[kLibraryTokenMax + 1];
        const bool opened = readToken(file, keyword, kLibraryTokenMax) == TokenRead::ok &&
                            readToken(file, brace, kLibraryTokenMax) == TokenRead::ok &&
                            std::strcmp(keyword, "MODEL") == 0 && std::strcmp(brace, "{") == 0;
        if (!opened) {
            debugPrintf("Error loading asset library.  Expected 'MODEL {'\n");
            return false;
        }
        if (!readModelBlock(file, meshes[i])) return false;
    }

    if (!readCount(file, "TEXTURECOUNT", &count)) {
        debugPrintf("Error loading asset library file.  Expected 'TEXTURECOUNT'\n");
        return false;
    }
    if (!createArray("TEXTURECOUNT", count, &textures, &textureCount)) return false;
    for (int32_t i = 0; i < textureCount; ++i)
        if (!textures[i].readBlock(file)) {
            debugPrintf("Error reading texture.\n");
            return false;
        }

    if (!readCount(file, "MATERIALCOUNT", &count)) {
        debugPrintf("Error loading asset library file.  Expected 'MATERIALCOUNT'\n");
        return false;
    }
    if (!createArray("MATERIALCOUNT", count, &materials, &materialCount)) return false;
    for (int32_t i = 0; i < materialCount; ++i)
        if (!materials[i].readBlock(file)) {
            debugPrintf("Error reading material.\n");
            return false;
        }

    // The animation section is optional: anything but its keyword (or the end) means none.
    char token[kLibraryTokenMax + 1];
    if (readToken(file, token, kLibraryTokenMax, false) != TokenRead::ok || std::strcmp(token, "ANIMATIONCOUNT") != 0)
        return true;
    if (!readInt(file, &count)) {
        debugPrintf("Error loading asset library while reading 'ANIMATIONCOUNT'\n");
        return false;
    }
    if (!createArray("ANIMATIONCOUNT", count, &animations, &animationCount)) return false;
    for (int32_t i = 0; i < animationCount; ++i) {
        const bool ok = readToken(file, token, kLibraryTokenMax) == TokenRead::ok &&
                        std::strcmp(token, "ANIMATION") == 0 && animations[i].readBlock(file);
        if (!ok) {
            debugPrintf("Error loading asset library while reading ANIMATION\n");
            return false;
        }
    }
    skipToken(file);
    return true;
}

bool AssetLibrary::readModelBlock(FILE* file, Mesh& mesh) {
    char token[kLibraryTokenMax + 1];
    char argument[kLibraryTokenMax + 1];
    for (;;) {
        const TokenRead r = readToken(file, token, kLibraryTokenMax);
        if (r == TokenRead::end) return true;
        if (r == TokenRead::tooLong) return false;
        if (std::strcmp(token, "}") == 0) return true;

        if (std::strcmp(token, "MESH") == 0) {
            const TokenRead a = readToken(file, argument, kLibraryTokenMax);
            if (a != TokenRead::ok) {
                if (a == TokenRead::end) debugPrintf("Error loading asset library.  Expected mesh filename");
                return false;
            }
            if (endsWith(argument, ".obj")) {
                if (!mesh.loadObj(argument)) debugPrintf("Error loading .obj file %s\n", argument);
            } else if (endsWith(argument, ".x")) {
                // No device yet: the mesh loads the file with the device it is given later.
                mesh.deferX(argument);
            } else if (endsWith(argument, ".strip")) {
                if (!mesh.loadStrip(argument)) debugPrintf("Error loading .strip file %s\n", argument);
            } else {
                debugPrintf("Unexpected mesh file type, %s\n", argument);
            }
        } else if (std::strcmp(token, "TXTRANSFORM") == 0) {
            float v[4];
            if (!(readFloat(file, &v[0]) && readFloat(file, &v[1]) && readFloat(file, &v[2]) &&
                  readFloat(file, &v[3]))) {
                debugPrintf("Error reading TXTRANSFORM attribute.\n");
                return false;
            }
            mesh.applyTexTransform(v[0], v[1], v[2], v[3]);
        } else if (std::strcmp(token, "NAME") == 0) {
            const TokenRead a = readToken(file, argument, kLibraryTokenMax);
            if (a != TokenRead::ok) {
                debugPrintf("Error reading NAME attribute.\n");
                return false;
            }
            mesh.setName(argument);
        } else if (std::strcmp(token, "STATIC") == 0) {
            const TokenRead a = readToken(file, argument, kLibraryTokenMax);
            if (a == TokenRead::ok && std::strcmp(argument, "true") == 0) {
                mesh.isStatic = true;
            } else if (a == TokenRead::ok && std::strcmp(argument, "false") == 0) {
                mesh.isStatic = false;
            } else {
                debugPrintf("Error reading STATUS attribute\n");
                return false;
            }
        }
        // Any other token is not an attribute and is passed over, one token at a time.
    }
}

bool AssetLibrary::createDeviceObjects(IDirect3DDevice9* device) {
    for (int32_t i = 0; i < textureCount; ++i) textures[i].createDeviceObjects(device);
    for (int32_t i = 0; i < materialCount; ++i) materials[i].createDeviceObjects(device);
    for (int32_t i = 0; i < meshCount; ++i) meshes[i].createDeviceObjects(device);
    return true;
}

void AssetLibrary::releaseDeviceObjects() {
    for (int32_t i = 0; i < textureCount; ++i) textures[i].releaseDeviceObjects();
    for (int32_t i = 0; i < meshCount; ++i) meshes[i].releaseDeviceObjects();
}

Texture* AssetLibrary::findTextureIn(Texture* textures, int32_t textureCount, const char* name) {
    Texture* found = findIn(textures, textureCount, name);
    if (!found) debugPrintf("Warning: Couldn't find textures %s in asset library\n", printable(name));
    return found;
}

Texture* AssetLibrary::findTexture(const char* name) { return findTextureIn(textures, textureCount, name); }

Material* AssetLibrary::findMaterial(const char* name) {
    Material* found = findIn(materials, materialCount, name);
    if (!found) debugPrintf("Warning: Couldn't find material %s in asset library\n", printable(name));
    return found;
}

Mesh* AssetLibrary::findMesh(const char* name) {
    Mesh* found = findIn(meshes, meshCount, name);
    if (!found) debugPrintf("Warning: Couldn't find mesh %s in asset library\n", printable(name));
    return found;
}

Animation* AssetLibrary::findAnimation(const char* name) {
    Animation* found = findIn(animations, animationCount, name);
    if (!found) debugPrintf("Warning: Couldn't find animation %s in asset library\n", printable(name));
    return found;
}

void AssetLibrary::reportUnused() {
    debugPrintf("Unused global assets:\n");
    listUnused(textures, textureCount, "  Unused texture %d: %s\n");
    listUnused(materials, materialCount, "  Unused material %d: %s\n");
    listUnused(meshes, meshCount, "  Unused mesh %d: %s\n");
    listUnused(animations, animationCount, "  Unused anim %d: %s\n");
}
