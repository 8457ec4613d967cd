// Texture: an image that materials refer to (base colour, bump, sphere or cube map), declared
// by a TEXTURE block of the asset library and loaded through D3DX once the device exists.
#pragma once

#include "assets/Asset.h"

#include <d3d9.h>
#include <cstdio>

class Texture : public Asset {
public:
    Texture() = default;
    ~Texture() override;

    // Reads one TEXTURE block from the library file, from its opening "TEXTURE {" to its "}"
    // (or the end of the file). False on a wrong opening, an unknown keyword or an over-long
    // token; the library then stops loading.
    bool readBlock(FILE* file);

    // Loads the image named by TXFILE; false (texture stays null) without a file name or
    // when the image does not load.
    bool createDeviceObjects(IDirect3DDevice9* device);
    void releaseDeviceObjects();

    const char* getFileName() const { return fileName; }

    IDirect3DBaseTexture9* texture = nullptr;  // a cube texture when cubemap is set
    bool cubemap = false;

private:
    void setFileName(const char* name);

    char* fileName = nullptr;
};
