// AssetLibrary: owns every texture, material, mesh and animation of the saver, read from
// data/assetLibrary.txt, and finds them by name. Its arrays are allocated once, at the counts
// the file declares, and never resized, so materials, widgets and the scene keep plain
// pointers into them for the life of the process.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <cstdio>

class Texture;
class Material;
class Mesh;
class Animation;

class AssetLibrary {
public:
    AssetLibrary() = default;
    ~AssetLibrary();
    AssetLibrary(const AssetLibrary&) = delete;
    AssetLibrary& operator=(const AssetLibrary&) = delete;

    // Reads the library file. True when every mandatory section was read; on a structural
    // error the message is printed and whatever was read before stays in the library.
    bool load(const char* path);

    // Creates the Direct3D resources of every texture, material and mesh; single failures
    // are reported by the assets themselves. Always true.
    bool createDeviceObjects(IDirect3DDevice9* device);
    void releaseDeviceObjects();

    // Exact, case-sensitive lookups; the first match in file order is marked used. A missing
    // name prints a warning and yields null.
    Texture* findTexture(const char* name);
    Material* findMaterial(const char* name);
    Mesh* findMesh(const char* name);
    Animation* findAnimation(const char* name);

    // Lists the assets no lookup has touched (a development aid).
    void reportUnused();

    // findTexture over a given texture list: materials resolve their LIB ids with it.
    static Texture* findTextureIn(Texture* textures, int32_t textureCount, const char* name);

    int32_t textureCount = 0;
    Texture* textures = nullptr;
    int32_t materialCount = 0;
    Material* materials = nullptr;
    int32_t meshCount = 0;
    Mesh* meshes = nullptr;
    int32_t animationCount = 0;
    Animation* animations = nullptr;

private:
    bool readSections(FILE* file);
    bool readModelBlock(FILE* file, Mesh& mesh);
    bool loaded = false;
};

extern AssetLibrary assetLibrary;
