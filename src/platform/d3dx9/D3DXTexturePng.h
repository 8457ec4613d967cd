// The quick road for the PNGs the saver ships: 8-bit RGB or RGBA, not interlaced, with no
// palette and no transparency key. Such a file is inflated by libdeflate and unfiltered
// straight into B, G, R, A texels, several times faster than stb_image, which stays the
// decoder for everything else.
#pragma once

#include "D3DXTextureImage.h"

namespace d3dxtexture {

// True with the image when the file is such a PNG and whole; false for any other file, any
// damage or a lack of memory, leaving the file to stb_image (and its words for what is
// wrong). Where both decode a file their texels are the same.
bool decodePlainPng(const uint8_t* data, size_t size, Image* out);

}  // namespace d3dxtexture
