// Pixel work shared by the D3DX texture calls: decoding image files, shrinking an image to
// the next mip level, and writing texels into a locked level. Images are 8-bit B, G, R, A
// bytes per texel (Direct3D's A8R8G8B8 memory order), rows top first.
#pragma once

#include <d3d9.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace d3dxtexture {

// Sides beyond this are refused; so are images of more than kMaxImagePixels texels, so a
// small file cannot ask for gigabytes.
constexpr UINT kMaxImageSide = 16384;
constexpr uint64_t kMaxImagePixels = 64ull * 1024 * 1024;
// Files larger than this are not read.
constexpr uint64_t kMaxFileBytes = 1ull << 30;

struct Image {
    UINT width = 0;
    UINT height = 0;
    std::vector<uint8_t> bgra;  // width * height * 4
};

// Reads a whole file; false when it cannot be opened or exceeds kMaxFileBytes.
bool readFile(const char* path, std::vector<uint8_t>* bytes);

// PNG, JPEG, BMP or TGA in memory to an image; false (with a reason) for anything else,
// damaged data or sizes beyond the limits.
bool decodeImage(const uint8_t* data, size_t size, Image* out, std::string* reason);

// A box-filtered copy at the given smaller (or equal) size: every target texel is the mean of
// the source texels its area covers.
Image shrink(const Image& source, UINT width, UINT height);

// Copies an image into a locked level of the same size.
void writeRows(const Image& image, const D3DLOCKED_RECT& locked);

// Direct3D's 16-bit float (IEEE half), rounded to nearest even.
uint16_t floatToHalf(float value);

}  // namespace d3dxtexture
