// Reading the DDS files the saver's cube maps come in: uncompressed 32-bit A8R8G8B8 or
// X8R8G8B8 cube maps with all six faces, with or without mip levels. Every header field is
// checked, and every size against the file's length, before a byte of texel data is used.
#pragma once

#include <d3d9.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace d3dxtexture {

struct DdsCubeLayout {
    UINT edge = 0;
    UINT levels = 0;  // mip levels stored in the file per face (at least 1)
    D3DFORMAT format = D3DFMT_UNKNOWN;
    size_t dataOffset = 0;  // first texel of face +X, level 0
    size_t faceBytes = 0;   // one face with all its levels
};

// False with a reason when the bytes are not such a cube map or are shorter than it claims.
bool parseDdsCube(const uint8_t* data, size_t size, DdsCubeLayout* layout, std::string* reason);

// Byte offset of a face's level inside the file.
size_t ddsLevelOffset(const DdsCubeLayout& layout, UINT face, UINT level);

}  // namespace d3dxtexture
