// Feeds arbitrary bytes to the cube-map loader as a DDS file, then builds the cube texture on
// a recording device as the reflection material does. A header the loader accepts must
// describe texels that all lie inside the file.
#include "d3dx9/D3DXTextureDds.h"

#include <ZarnRecordingDevice.h>
#include <d3dx9.h>

#include "FuzzInputFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    d3dxtexture::DdsCubeLayout layout;
    std::string reason;
    if (d3dxtexture::parseDdsCube(data, size, &layout, &reason)) {
        const UINT last = layout.levels - 1;
        const size_t side = layout.edge >> last ? layout.edge >> last : 1;
        if (layout.levels == 0 || d3dxtexture::ddsLevelOffset(layout, 5, last) + side * side * 4 > size) std::abort();
    } else if (reason.empty()) {
        std::abort();
    }

    const char* path = writeFuzzInput("input.dds", data, size);
    auto* device = new ZarnRecordingDevice(nullptr, D3DPRESENT_PARAMETERS{}, ZarnRecordingHalCaps(), nullptr);
    IDirect3DCubeTexture9* cube = nullptr;
    if (SUCCEEDED(D3DXCreateCubeTextureFromFileA(device, path, &cube)) && cube) cube->Release();
    device->Release();
    return 0;
}
