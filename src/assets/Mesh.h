// Mesh: the geometry of one part of the clock, read from .obj, .x or .strip files when the
// library is parsed, and turned into Direct3D buffers once the device exists.
// (Loading is filled in by the mesh loaders; until then the file name is only recorded.)
#pragma once

#include "assets/Asset.h"

#include <d3d9.h>
#include <string>

class Mesh : public Asset {
public:
    bool loadObj(const char* fileName);
    bool loadStrip(const char* fileName);
    bool loadX(const char* fileName);
    void applyTexTransform(float a, float b, float c, float d);
    HRESULT createDeviceObjects(IDirect3DDevice9* device);
    void releaseDeviceObjects();

    bool isStatic = true;
    std::string sourceFile;
};
