// The quick PNG road against stb_image: every filter type on random rows, RGB and RGBA, one
// texel wide or several, in one image-data chunk or many, decodes to the very texels stb
// gives; what the road does not take (a transparency key, a broken checksum, an unknown
// filter, other depths) it leaves to stb, which still decodes or refuses it as before.
#include <gtest/gtest.h>

#include "D3DXTextureImage.h"
#include "D3DXTexturePng.h"

#include <libdeflate.h>

#include <random>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace {

using Bytes = std::vector<uint8_t>;

void put32(Bytes& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

void chunk(Bytes& png, const char* type, const Bytes& body) {
    put32(png, uint32_t(body.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    png.insert(png.end(), typed.begin(), typed.end());
    put32(png, libdeflate_crc32(0, typed.data(), typed.size()));
}

struct PngShape {
    uint32_t width, height;
    uint8_t depth = 8, colourType = 6, interlace = 0;
    int idatChunks = 1;
    const char* extraChunk = nullptr;  // put before the image data
    bool breakChecksum = false;
};

// A PNG whose rows are random filtered bytes, each row with the filter type its number gives
// (0 to 4 in turn), or `filter` for every row when that is set.
Bytes makePng(const PngShape& shape, unsigned seed, int filter = -1) {
    const size_t texelBytes = (shape.colourType == 6 ? 4 : 3) * shape.depth / 8;
    Bytes rows;
    std::mt19937 random(seed);
    for (uint32_t y = 0; y < shape.height; ++y) {
        rows.push_back(uint8_t(filter >= 0 ? filter : int(y % 5)));
        for (size_t i = 0; i < shape.width * texelBytes; ++i) rows.push_back(uint8_t(random()));
    }
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(6);
    Bytes compressed(libdeflate_zlib_compress_bound(compressor, rows.size()));
    compressed.resize(libdeflate_zlib_compress(compressor, rows.data(), rows.size(), compressed.data(), compressed.size()));
    libdeflate_free_compressor(compressor);
    if (shape.breakChecksum) compressed.back() ^= 1;

    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    put32(header, shape.width);
    put32(header, shape.height);
    header.insert(header.end(), {shape.depth, shape.colourType, 0, 0, shape.interlace});
    chunk(png, "IHDR", header);
    if (shape.extraChunk) chunk(png, shape.extraChunk, Bytes(6, 0));
    const size_t part = (compressed.size() + shape.idatChunks - 1) / shape.idatChunks;
    for (size_t at = 0; at < compressed.size(); at += part)
        chunk(png, "IDAT", Bytes(compressed.begin() + at, compressed.begin() + std::min(compressed.size(), at + part)));
    chunk(png, "IEND", {});
    return png;
}

// stb's texels, as B, G, R, A; empty when stb refuses the file.
Bytes stbTexels(const Bytes& png) {
    int width = 0, height = 0, channels = 0;
    stbi_uc* rgba = stbi_load_from_memory(png.data(), int(png.size()), &width, &height, &channels, 4);
    if (!rgba) return {};
    Bytes bgra(rgba, rgba + size_t(width) * height * 4);
    stbi_image_free(rgba);
    for (size_t i = 0; i < bgra.size(); i += 4) std::swap(bgra[i], bgra[i + 2]);
    return bgra;
}

TEST(QuickPng, EveryFilterDecodesToStbsTexels) {
    const PngShape shapes[] = {
        {1, 11},                                 // one texel a row: no left neighbour at all
        {7, 10, 8, 2},                           // RGB: three bytes a texel, alpha made opaque
        {33, 12, 8, 6, 0, 4},                    // the data split over four chunks
        {5, 9, 8, 2, 0, 1, "tEXt"},              // an ancillary chunk is passed over
    };
    unsigned seed = 1;
    for (const PngShape& shape : shapes)
        for (int filter = -1; filter <= 4; ++filter) {
            const Bytes png = makePng(shape, seed++, filter);
            d3dxtexture::Image image;
            ASSERT_TRUE(d3dxtexture::decodePlainPng(png.data(), png.size(), &image))
                << shape.width << "x" << shape.height << " filter " << filter;
            EXPECT_EQ(shape.width, image.width);
            EXPECT_EQ(shape.height, image.height);
            EXPECT_EQ(stbTexels(png), image.bgra) << shape.width << "x" << shape.height << " filter " << filter;
        }
}

TEST(QuickPng, WhatItDoesNotTakeIsLeftToStb) {
    struct Case {
        const char* what;
        PngShape shape;
        int filter;
        bool stbDecodes;
    } cases[] = {
        {"a transparency key", {4, 4, 8, 2, 0, 1, "tRNS"}, -1, true},
        {"a broken checksum", {4, 4, 8, 6, 0, 1, nullptr, true}, -1, true},
        {"16-bit samples", {4, 4, 16, 6}, -1, true},
        {"an unknown filter type", {4, 4}, 5, false},
        {"an unknown critical chunk", {4, 4, 8, 6, 0, 1, "ZZZZ"}, -1, false},
    };
    for (const Case& c : cases) {
        const Bytes png = makePng(c.shape, 7, c.filter);
        d3dxtexture::Image image;
        EXPECT_FALSE(d3dxtexture::decodePlainPng(png.data(), png.size(), &image)) << c.what;
        EXPECT_TRUE(image.bgra.empty()) << c.what;
        std::string reason;
        EXPECT_EQ(c.stbDecodes, d3dxtexture::decodeImage(png.data(), png.size(), &image, &reason)) << c.what;
        if (c.stbDecodes) {
            Bytes expected = stbTexels(png);
            EXPECT_EQ(expected, image.bgra) << c.what;
        } else {
            EXPECT_FALSE(reason.empty()) << c.what;
        }
    }
    // Cut short anywhere, the file is not the quick road's.
    const Bytes whole = makePng({6, 6}, 9);
    for (size_t length = 0; length < whole.size(); length += 7) {
        d3dxtexture::Image image;
        std::string reason;
        EXPECT_FALSE(d3dxtexture::decodePlainPng(whole.data(), length, &image)) << length;
    }
}

}  // namespace
