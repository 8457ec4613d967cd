// Image decoding through stb_image (PNG, JPEG, BMP and TGA only, the formats the saver's
// media use; its own PNGs take a quicker road, D3DXTexturePng.h), box-filter mip reduction
// and texel writing for the D3DX texture calls. stb is compiled into this file alone, with
// static linkage, so no other user of stb clashes with it.
#include "d3dx9/D3DXTextureImage.h"

#include "d3dx9/D3DXTexturePng.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_MAX_DIMENSIONS 16384
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace d3dxtexture {

namespace {

// stb's own words when it has any: some of its failures leave an empty reason behind.
std::string stbReason(const char* fallback) {
    const char* reason = stbi_failure_reason();
    return reason && reason[0] ? reason : fallback;
}

// stb_image builds each JPEG Huffman table in a 257-entry array without checking that the
// table's sixteen code counts add up to at most 256; a damaged file makes it write past the
// array. Every table of every DHT segment is checked here first, walking the markers the way
// a decoder does (entropy-coded data runs up to the next marker that is not a restart or a
// stuffed zero). False for a JPEG that must not reach stb.
bool jpegHuffmanTablesFit(const uint8_t* data, size_t size) {
    // stb takes a JPEG for one when fill bytes (0xFF) and then SOI open it.
    size_t at = 0;
    while (at < size && data[at] == 0xFF) ++at;
    if (at == 0 || at >= size || data[at] != 0xD8) return true;
    ++at;
    while (at + 1 < size) {
        if (data[at] != 0xFF) {
            ++at;  // entropy-coded data
            continue;
        }
        const uint8_t marker = data[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0x00 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01 || marker == 0xD8) {
            at += 2;  // stuffed zero, restart, TEM or a stray SOI: no length follows
            continue;
        }
        if (marker == 0xD9) return true;  // EOI
        if (at + 4 > size) return true;   // a truncated header is stb's to refuse
        const size_t length = (size_t(data[at + 2]) << 8) | data[at + 3];
        if (length < 2) return false;
        const size_t end = std::min(size, at + 2 + length);
        if (marker == 0xC4) {
            // stb reads a segment cut short by the file's end as if zeros followed, so the
            // counts that are there must already fit.
            size_t table = at + 4;
            while (table < end) {
                size_t symbols = 0;
                for (size_t i = 1; i <= 16 && table + i < size; ++i) symbols += data[table + i];
                if (symbols > 256) return false;
                table += 17 + symbols;
            }
        }
        at = end;
    }
    return true;
}

}  // namespace

bool readFile(const char* path, std::vector<uint8_t>* bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    long length = ok ? std::ftell(file) : -1;
    ok = ok && length >= 0 && static_cast<uint64_t>(length) <= kMaxFileBytes && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        try {
            bytes->resize(static_cast<size_t>(length));
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    if (ok && length > 0) ok = std::fread(bytes->data(), 1, bytes->size(), file) == bytes->size();
    std::fclose(file);
    return ok;
}

bool decodeImage(const uint8_t* data, size_t size, Image* out, std::string* reason) {
    if (!data || size == 0 || size > static_cast<size_t>(INT32_MAX)) {
        *reason = "empty or oversized file";
        return false;
    }
    if (!jpegHuffmanTablesFit(data, size)) {
        *reason = "damaged JPEG Huffman table";
        return false;
    }
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, static_cast<int>(size), &width, &height, &channels)) {
        *reason = stbReason("unknown image format");
        return false;
    }
    if (width <= 0 || height <= 0 || static_cast<UINT>(width) > kMaxImageSide ||
        static_cast<UINT>(height) > kMaxImageSide ||
        static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kMaxImagePixels) {
        *reason = "image too large";
        return false;
    }
    if (decodePlainPng(data, size, out)) return true;
    const int infoWidth = width, infoHeight = height;
    stbi_uc* rgba = stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &channels, 4);
    if (!rgba) {
        *reason = stbReason("damaged image");
        return false;
    }
    // The limits above were checked on the header's sizes; the decoder must have kept to them.
    if (width != infoWidth || height != infoHeight) {
        stbi_image_free(rgba);
        *reason = "image size changed while decoding";
        return false;
    }
    bool ok = true;
    try {
        out->width = static_cast<UINT>(width);
        out->height = static_cast<UINT>(height);
        out->bgra.resize(static_cast<size_t>(width) * height * 4);
        for (size_t i = 0; i < out->bgra.size(); i += 4) {
            out->bgra[i + 0] = rgba[i + 2];
            out->bgra[i + 1] = rgba[i + 1];
            out->bgra[i + 2] = rgba[i + 0];
            out->bgra[i + 3] = rgba[i + 3];
        }
    } catch (const std::bad_alloc&) {
        *reason = "out of memory";
        ok = false;
    }
    stbi_image_free(rgba);
    return ok;
}

namespace {

// The common mip step, exactly half in both directions: each texel is the rounded mean of a
// 2 x 2 block, what the general filter below gives for such a block, without its divisions.
void halve(const Image& source, Image& out) {
    const size_t sourceRow = static_cast<size_t>(source.width) * 4;
    for (UINT y = 0; y < out.height; ++y) {
        const uint8_t* top = &source.bgra[static_cast<size_t>(y) * 2 * sourceRow];
        const uint8_t* bottom = top + sourceRow;
        uint8_t* texel = &out.bgra[static_cast<size_t>(y) * out.width * 4];
        for (UINT x = 0; x < out.width; ++x, top += 8, bottom += 8, texel += 4)
            for (int c = 0; c < 4; ++c)
                texel[c] = static_cast<uint8_t>((top[c] + top[c + 4] + bottom[c] + bottom[c + 4] + 2u) >> 2);
    }
}

// The source texels [first, end) that target texel i of `to` covers, `from` texels in all.
struct Span {
    UINT first, end;
    UINT count() const { return end - first; }
};

std::vector<Span> spans(UINT from, UINT to) {
    std::vector<Span> result(to);
    for (UINT i = 0; i < to; ++i) {
        const UINT first = static_cast<UINT>(static_cast<uint64_t>(i) * from / to);
        const UINT end = std::max(first + 1, static_cast<UINT>(static_cast<uint64_t>(i + 1) * from / to));
        result[i] = {first, std::min(end, from)};
    }
    return result;
}

// Every target texel the rounded mean of its block, for any pair of sizes.
template <typename Sum>
void averageBlocks(const Image& source, Image& out, const std::vector<Span>& columns, const std::vector<Span>& rows) {
    for (UINT y = 0; y < out.height; ++y) {
        const Span& row = rows[y];
        uint8_t* texel = &out.bgra[static_cast<size_t>(y) * out.width * 4];
        for (UINT x = 0; x < out.width; ++x, texel += 4) {
            const Span& column = columns[x];
            Sum sum[4] = {0, 0, 0, 0};
            for (UINT sy = row.first; sy < row.end; ++sy) {
                const uint8_t* from = &source.bgra[(static_cast<size_t>(sy) * source.width + column.first) * 4];
                for (UINT sx = column.first; sx < column.end; ++sx, from += 4)
                    for (int c = 0; c < 4; ++c) sum[c] += from[c];
            }
            const Sum count = Sum(row.count()) * column.count();
            for (int c = 0; c < 4; ++c) texel[c] = static_cast<uint8_t>((sum[c] + count / 2) / count);
        }
    }
}

}  // namespace

Image shrink(const Image& source, UINT width, UINT height) {
    Image out;
    out.width = std::max(1u, width);
    out.height = std::max(1u, height);
    out.bgra.assign(static_cast<size_t>(out.width) * out.height * 4, 0);
    // An empty or short source gives black rather than a read outside it.
    if (source.width == 0 || source.height == 0 ||
        source.bgra.size() < static_cast<size_t>(source.width) * source.height * 4)
        return out;
    if (static_cast<uint64_t>(out.width) * 2 == source.width && static_cast<uint64_t>(out.height) * 2 == source.height) {
        halve(source, out);
        return out;
    }
    const std::vector<Span> columns = spans(source.width, out.width), rows = spans(source.height, out.height);
    uint64_t largestBlock = 0;
    for (const Span& row : rows)
        for (const Span& column : columns) largestBlock = std::max(largestBlock, uint64_t(row.count()) * column.count());
    // A block's sums fit 32 bits (and divide quicker) unless it holds more than 2^24 texels,
    // which only a shrink of a huge image straight to a few texels asks for.
    if (largestBlock <= (1u << 24))
        averageBlocks<uint32_t>(source, out, columns, rows);
    else
        averageBlocks<uint64_t>(source, out, columns, rows);
    return out;
}

void writeRows(const Image& image, const D3DLOCKED_RECT& locked) {
    const size_t rowBytes = static_cast<size_t>(image.width) * 4;
    auto* target = static_cast<uint8_t*>(locked.pBits);
    for (UINT y = 0; y < image.height; ++y)
        std::memcpy(target + static_cast<size_t>(y) * locked.Pitch, &image.bgra[y * rowBytes], rowBytes);
}

uint16_t floatToHalf(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const uint32_t sign = (bits >> 16) & 0x8000u;
    const uint32_t exponent = (bits >> 23) & 0xFFu;
    uint32_t mantissa = bits & 0x7FFFFFu;
    if (exponent == 0xFF) return static_cast<uint16_t>(sign | 0x7C00u | (mantissa ? 0x200u : 0u));  // inf, NaN
    int halfExponent = static_cast<int>(exponent) - 127 + 15;
    if (halfExponent >= 0x1F) return static_cast<uint16_t>(sign | 0x7C00u);  // too large: infinity
    if (halfExponent <= 0) {
        // A subnormal half (or zero): shift the full mantissa into place, rounding to even.
        if (halfExponent < -10) return static_cast<uint16_t>(sign);
        mantissa |= 0x800000u;
        const int shift = 14 - halfExponent;
        uint32_t half = mantissa >> shift;
        const uint32_t remainder = mantissa & ((1u << shift) - 1);
        const uint32_t halfway = 1u << (shift - 1);
        if (remainder > halfway || (remainder == halfway && (half & 1))) ++half;
        return static_cast<uint16_t>(sign | half);
    }
    uint32_t half = (static_cast<uint32_t>(halfExponent) << 10) | (mantissa >> 13);
    const uint32_t remainder = mantissa & 0x1FFFu;
    if (remainder > 0x1000u || (remainder == 0x1000u && (half & 1))) ++half;  // may carry into the exponent
    return static_cast<uint16_t>(sign | half);
}

}  // namespace d3dxtexture
