// Feeds arbitrary bytes to the image loader as a texture file (PNG, JPEG, BMP or TGA through
// stb_image, behind our size and format limits), then builds the full mip chain on a
// recording device as a material's texture does. Whatever the file holds, decoding must stay
// inside its buffers and an accepted image must have the size the loader promised; a PNG the
// quick road takes must decode to stb_image's very texels.
#include "d3dx9/D3DXTextureImage.h"
#include "d3dx9/D3DXTexturePng.h"

#include <ZarnRecordingDevice.h>
#include <d3dx9.h>

#include "FuzzInputFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    d3dxtexture::Image image;
    std::string reason;
    if (d3dxtexture::decodeImage(data, size, &image, &reason)) {
        if (image.width == 0 || image.height == 0 || image.width > d3dxtexture::kMaxImageSide ||
            image.height > d3dxtexture::kMaxImageSide ||
            uint64_t(image.width) * image.height > d3dxtexture::kMaxImagePixels ||
            image.bgra.size() != size_t(image.width) * image.height * 4)
            std::abort();
    } else if (reason.empty()) {
        std::abort();
    }

    d3dxtexture::Image quick;
    if (d3dxtexture::decodePlainPng(data, size, &quick)) {
        int width = 0, height = 0, channels = 0;
        stbi_uc* rgba = stbi_load_from_memory(data, int(size), &width, &height, &channels, 4);
        if (!rgba || uint32_t(width) != quick.width || uint32_t(height) != quick.height) std::abort();
        for (size_t i = 0; i < quick.bgra.size(); i += 4)
            if (quick.bgra[i] != rgba[i + 2] || quick.bgra[i + 1] != rgba[i + 1] || quick.bgra[i + 2] != rgba[i] ||
                quick.bgra[i + 3] != rgba[i + 3])
                std::abort();
        stbi_image_free(rgba);
    }

    // The whole call, file to texture, as the saver makes it.
    const char* path = writeFuzzInput("input.img", data, size);
    auto* device = new ZarnRecordingDevice(nullptr, D3DPRESENT_PARAMETERS{}, ZarnRecordingHalCaps(), nullptr);
    IDirect3DTexture9* texture = nullptr;
    if (SUCCEEDED(D3DXCreateTextureFromFileA(device, path, &texture)) && texture) texture->Release();
    device->Release();
    return 0;
}
