// A bilinear stretch of 32-bit pixels on the CPU, as GL_LINEAR samples with clamped edges:
// each destination pixel centre maps to the source, and the four texels around it are
// blended with 8-bit weights. llvmpipe runs its scaled blit through a texture sampler for
// every window pixel; this does the same work in a fraction of the CPU time.
#pragma once

#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

class CpuStretch {
public:
    // Stretches `source` (sourceWidth x sourceHeight, rows `sourceStride` pixels apart) into
    // `dest` (destWidth x destHeight, packed). The four bytes of a pixel are blended alike,
    // so their order does not matter. Sizes must be at least 1.
    void stretch(const uint32_t* source, int sourceWidth, int sourceHeight, int sourceStride, uint32_t* dest,
                 int destWidth, int destHeight);

private:
    // Where a destination column or row reads: the first of its two source texels and the
    // second's weight out of 256.
    struct Tap {
        int first;
        uint32_t secondWeight;
#if defined(__SSE2__)
        __m128i weights;  // the first texel's weight in the low four lanes, the second's above
#endif
    };
    static void taps(int sourceSize, int destSize, std::vector<Tap>* out);
    // One source row blended across into `out`, a pixel per destination column.
    void blendRow(const uint32_t* sourceRow, std::vector<uint32_t>* out) const;

    std::vector<Tap> columns, rows;
    int tapsFrom[2] = {0, 0};  // the source width and height the taps were made for
    std::vector<uint32_t> upper, lower;  // the two source rows around the current one, blended across
};
