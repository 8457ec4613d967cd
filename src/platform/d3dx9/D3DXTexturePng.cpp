#include "d3dx9/D3DXTexturePng.h"

#include <libdeflate.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace d3dxtexture {

namespace {

uint32_t bigEndian32(const uint8_t* bytes) {
    return (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
}

bool isChunk(const uint8_t* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

// Rows are unfiltered straight into B, G, R, A texels: PNG's predictors work byte by byte on
// the same channel, so the row above may as well be the texels already written. A file's
// R, G, B, A byte k lands on texel byte bgraByte[k].
constexpr size_t bgraByte[4] = {2, 1, 0, 3};

uint8_t paeth(int left, int above, int aboveLeft) {
    const int estimate = left + above - aboveLeft;
    const int toLeft = std::abs(estimate - left), toAbove = std::abs(estimate - above),
              toAboveLeft = std::abs(estimate - aboveLeft);
    if (toLeft <= toAbove && toLeft <= toAboveLeft) return static_cast<uint8_t>(left);
    return static_cast<uint8_t>(toAbove <= toAboveLeft ? above : aboveLeft);
}

// One row of `width` texels from its filtered bytes (`texelBytes` a texel) into `texels`;
// `above` is the row before, as texels (zeros for the first row).
template <size_t texelBytes>
void unfilterScalar(uint8_t filter, const uint8_t* filtered, const uint8_t* above, uint8_t* texels, size_t width) {
    for (size_t x = 0; x < width; ++x) {
        for (size_t k = 0; k < texelBytes; ++k) {
            const size_t at = x * 4 + bgraByte[k];
            const int left = x ? texels[at - 4] : 0, up = above[at], upLeft = x ? above[at - 4] : 0;
            int predicted = 0;
            switch (filter) {
            case 1: predicted = left; break;
            case 2: predicted = up; break;
            case 3: predicted = (left + up) >> 1; break;
            case 4: predicted = paeth(left, up, upLeft); break;
            default: break;
            }
            texels[at] = uint8_t(filtered[x * texelBytes + k] + predicted);
        }
        if (texelBytes == 3) texels[x * 4 + 3] = 0xFF;
    }
}

#ifdef __SSE2__
// Paeth's filter, most of the saver's rows, a texel at a time (its bytes are independent, the
// texels a chain): each byte widened to 16 bits, the nearest of left, above and above-left
// chosen without branches. Above-left when it is strictly nearest, else above when it is
// strictly nearer than left, else left: the order PNG prescribes. The filtered bytes are read
// four at a time, so the buffer holding them has a byte to spare after its last row.
template <size_t texelBytes>
void unpaeth(const uint8_t* filtered, const uint8_t* above, uint8_t* texels, size_t width) {
    const __m128i zero = _mm_setzero_si128();
    auto widen = [&](const uint8_t* bytes) {
        uint32_t four;
        std::memcpy(&four, bytes, 4);
        return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(four)), zero);
    };
    auto distance = [&](__m128i x) { return _mm_max_epi16(x, _mm_sub_epi16(zero, x)); };
    const uint32_t opaque = texelBytes == 3 ? 0xFF000000u : 0;
    __m128i left = zero, upLeft = zero;
    for (size_t x = 0; x < width; ++x) {
        const __m128i up = widen(above + x * 4);
        const __m128i toLeft = distance(_mm_sub_epi16(up, upLeft));
        const __m128i toUp = distance(_mm_sub_epi16(left, upLeft));
        const __m128i toUpLeft = distance(_mm_sub_epi16(_mm_add_epi16(left, up), _mm_add_epi16(upLeft, upLeft)));
        const __m128i takeUp = _mm_cmplt_epi16(toUp, toLeft);
        const __m128i takeUpLeft = _mm_cmplt_epi16(toUpLeft, _mm_min_epi16(toLeft, toUp));
        __m128i nearest = _mm_or_si128(_mm_and_si128(takeUp, up), _mm_andnot_si128(takeUp, left));
        nearest = _mm_or_si128(_mm_and_si128(takeUpLeft, upLeft), _mm_andnot_si128(takeUpLeft, nearest));
        // R, G, B, A to B, G, R, A: lanes 0 and 2 change places.
        const __m128i bytes = _mm_shufflelo_epi16(widen(filtered + x * texelBytes), _MM_SHUFFLE(3, 0, 1, 2));
        left = _mm_and_si128(_mm_add_epi16(bytes, nearest), _mm_set1_epi16(0xFF));
        const uint32_t texel = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(left, zero))) | opaque;
        std::memcpy(texels + x * 4, &texel, 4);
        upLeft = up;
    }
}
#endif

template <size_t texelBytes>
void unfilter(uint8_t filter, const uint8_t* filtered, const uint8_t* above, uint8_t* texels, size_t width) {
#ifdef __SSE2__
    if (filter == 4) return unpaeth<texelBytes>(filtered, above, texels, width);
#endif
    unfilterScalar<texelBytes>(filter, filtered, above, texels, width);
}

struct Decompressor {
    libdeflate_decompressor* it = libdeflate_alloc_decompressor();
    ~Decompressor() { libdeflate_free_decompressor(it); }
};

bool decode(const uint8_t* data, size_t size, Image* out) {
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < 8 + 25 || std::memcmp(data, signature, 8) != 0) return false;
    // The header, first and of its fixed length.
    const uint8_t* header = data + 8;
    if (bigEndian32(header) != 13 || !isChunk(header + 4, "IHDR")) return false;
    const uint32_t width = bigEndian32(header + 8), height = bigEndian32(header + 12);
    const uint8_t depth = header[16], colourType = header[17];
    if (depth != 8 || (colourType != 2 && colourType != 6) || header[18] != 0 || header[19] != 0 || header[20] != 0)
        return false;
    if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide ||
        uint64_t(width) * height > kMaxImagePixels)
        return false;

    // The chunks up to IEND: the image data joined, ancillary chunks passed over, and any other
    // critical chunk, a second header or a transparency key left to stb_image.
    std::vector<uint8_t> compressed;
    size_t at = 8 + 25;
    bool ended = false;
    while (!ended) {
        if (size - at < 12) return false;
        const size_t length = bigEndian32(data + at);
        const uint8_t* type = data + at + 4;
        if (length > size - at - 12) return false;
        if (isChunk(type, "IDAT"))
            compressed.insert(compressed.end(), data + at + 8, data + at + 8 + length);
        else if (isChunk(type, "IEND"))
            ended = true;
        else if (!(type[0] & 0x20) || isChunk(type, "tRNS") || isChunk(type, "CgBI"))
            return false;
        at += 12 + length;
    }
    if (compressed.empty()) return false;

    const size_t texelBytes = colourType == 6 ? 4 : 3;
    const size_t rowBytes = 1 + size_t(width) * texelBytes;  // the filter type, then the texels
    const size_t filteredBytes = rowBytes * height;
    std::unique_ptr<uint8_t[]> filtered(new uint8_t[filteredBytes + 1]);
    Decompressor decompressor;
    if (!decompressor.it) return false;
    // Exactly the rows the header promises, in one zlib stream whose checksum holds.
    if (libdeflate_zlib_decompress(decompressor.it, compressed.data(), compressed.size(), filtered.get(),
                                   filteredBytes, nullptr) != LIBDEFLATE_SUCCESS)
        return false;
    filtered[filteredBytes] = 0;

    out->width = width;
    out->height = height;
    out->bgra.resize(size_t(width) * height * 4);
    const std::vector<uint8_t> zeros(size_t(width) * 4, 0);
    const uint8_t* above = zeros.data();
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* row = &filtered[y * rowBytes];
        if (row[0] > 4) return false;  // not a filter PNG defines
        uint8_t* texels = &out->bgra[y * width * 4];
        if (texelBytes == 4)
            unfilter<4>(row[0], row + 1, above, texels, width);
        else
            unfilter<3>(row[0], row + 1, above, texels, width);
        above = texels;
    }
    return true;
}

}  // namespace

bool decodePlainPng(const uint8_t* data, size_t size, Image* out) {
    try {
        if (decode(data, size, out)) return true;
    } catch (const std::bad_alloc&) {
    }
    *out = Image();
    return false;
}

}  // namespace d3dxtexture
