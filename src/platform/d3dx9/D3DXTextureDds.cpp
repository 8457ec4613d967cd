// DDS cube-map header validation (see D3DXTextureDds.h).
#include "d3dx9/D3DXTextureDds.h"

#include "d3dx9/D3DXTextureImage.h"

#include <cstring>

namespace d3dxtexture {

namespace {

// Header field flags and capability bits of the DDS format.
constexpr uint32_t DDSD_CAPS = 0x1;
constexpr uint32_t DDSD_HEIGHT = 0x2;
constexpr uint32_t DDSD_WIDTH = 0x4;
constexpr uint32_t DDSD_PITCH = 0x8;
constexpr uint32_t DDSD_PIXELFORMAT = 0x1000;
constexpr uint32_t DDSD_MIPMAPCOUNT = 0x20000;
constexpr uint32_t DDSD_LINEARSIZE = 0x80000;
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1;
constexpr uint32_t DDPF_FOURCC = 0x4;
constexpr uint32_t DDPF_RGB = 0x40;
constexpr uint32_t DDSCAPS2_CUBEMAP = 0x200;
constexpr uint32_t DDSCAPS2_CUBEMAP_ALLFACES = 0xFC00;
constexpr uint32_t DDSCAPS2_VOLUME = 0x200000;

constexpr size_t kMagicSize = 4;
constexpr size_t kHeaderSize = 124;
constexpr size_t kPixelFormatSize = 32;

uint32_t word(const uint8_t* header, size_t index) {
    uint32_t value;
    std::memcpy(&value, header + index * 4, 4);  // DDS is little-endian, like the machines we run on
    return value;
}

bool fail(std::string* reason, const char* text) {
    *reason = text;
    return false;
}

UINT fullChain(UINT edge) {
    UINT levels = 1;
    while (edge > 1) {
        edge >>= 1;
        ++levels;
    }
    return levels;
}

}  // namespace

bool parseDdsCube(const uint8_t* data, size_t size, DdsCubeLayout* layout, std::string* reason) {
    if (!data || size < kMagicSize + kHeaderSize) return fail(reason, "file shorter than a DDS header");
    if (std::memcmp(data, "DDS ", 4) != 0) return fail(reason, "not a DDS file");
    const uint8_t* h = data + kMagicSize;
    // Word indices into the 124-byte header.
    const uint32_t headerSize = word(h, 0), flags = word(h, 1), height = word(h, 2), width = word(h, 3),
                   pitchOrLinearSize = word(h, 4), mipMapCount = word(h, 6);
    const uint32_t pfSize = word(h, 18), pfFlags = word(h, 19), fourCC = word(h, 20), bitCount = word(h, 21),
                   redMask = word(h, 22), greenMask = word(h, 23), blueMask = word(h, 24), alphaMask = word(h, 25);
    const uint32_t caps2 = word(h, 27);
    (void)fourCC;

    if (headerSize != kHeaderSize || pfSize != kPixelFormatSize) return fail(reason, "damaged DDS header");
    const uint32_t required = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    if ((flags & required) != required) return fail(reason, "DDS header lacks size or format");
    if ((caps2 & DDSCAPS2_CUBEMAP) == 0 || (caps2 & DDSCAPS2_CUBEMAP_ALLFACES) != DDSCAPS2_CUBEMAP_ALLFACES ||
        (caps2 & DDSCAPS2_VOLUME) != 0)
        return fail(reason, "not a cube map with all six faces");
    if (width == 0 || width != height || width > kMaxImageSide) return fail(reason, "cube faces must be square");

    if ((pfFlags & DDPF_FOURCC) || !(pfFlags & DDPF_RGB) || bitCount != 32 || redMask != 0x00FF0000u ||
        greenMask != 0x0000FF00u || blueMask != 0x000000FFu)
        return fail(reason, "only uncompressed 32-bit ARGB cube maps are supported");
    D3DFORMAT format;
    if ((pfFlags & DDPF_ALPHAPIXELS) && alphaMask == 0xFF000000u)
        format = D3DFMT_A8R8G8B8;
    else if (!(pfFlags & DDPF_ALPHAPIXELS) && (alphaMask == 0 || alphaMask == 0xFF000000u))
        format = D3DFMT_X8R8G8B8;
    else
        return fail(reason, "unsupported alpha layout");

    if ((flags & DDSD_PITCH) && pitchOrLinearSize != width * 4) return fail(reason, "row pitch does not match width");
    if ((flags & DDSD_LINEARSIZE) && !(flags & DDSD_PITCH) && pitchOrLinearSize != 0 &&
        pitchOrLinearSize != width * height * 4)
        return fail(reason, "level size does not match width");

    UINT levels = 1;
    if ((flags & DDSD_MIPMAPCOUNT) && mipMapCount > 0) levels = mipMapCount;
    if (levels > fullChain(width)) return fail(reason, "more mip levels than the size allows");

    uint64_t faceBytes = 0;
    for (UINT level = 0; level < levels; ++level) {
        uint64_t side = width >> level ? width >> level : 1;
        faceBytes += side * side * 4;
    }
    const uint64_t needed = kMagicSize + kHeaderSize + 6 * faceBytes;
    if (needed > size) return fail(reason, "file shorter than its header claims");

    layout->edge = width;
    layout->levels = levels;
    layout->format = format;
    layout->dataOffset = kMagicSize + kHeaderSize;
    layout->faceBytes = static_cast<size_t>(faceBytes);
    return true;
}

size_t ddsLevelOffset(const DdsCubeLayout& layout, UINT face, UINT level) {
    size_t offset = layout.dataOffset + face * layout.faceBytes;
    for (UINT l = 0; l < level; ++l) {
        size_t side = layout.edge >> l ? layout.edge >> l : 1;
        offset += side * side * 4;
    }
    return offset;
}

}  // namespace d3dxtexture
