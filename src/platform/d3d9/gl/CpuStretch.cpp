// The CPU stretch (see CpuStretch.h): each source row blended across once, then pairs of
// them down. Every byte is blended in 16 bits: 255 x 256 plus the rounding still fits. On
// x86 SSE2 (always there on x86-64) blends a pixel's four bytes at once across and four
// pixels at once down; elsewhere two bytes share a 32-bit word.
#include "d3d9/gl/CpuStretch.h"

#include <algorithm>
#include <cmath>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr uint32_t kEvenBytes = 0x00FF00FFu;

// a x (256 - w) + b x w, rounded, for each byte: w out of 256.
inline uint32_t lerp(uint32_t a, uint32_t b, uint32_t w) {
    const uint32_t v = 256 - w;
    const uint32_t even = ((a & kEvenBytes) * v + (b & kEvenBytes) * w + 0x00800080u) >> 8;
    const uint32_t odd = (((a >> 8) & kEvenBytes) * v + ((b >> 8) & kEvenBytes) * w + 0x00800080u) >> 8;
    return (even & kEvenBytes) | ((odd & kEvenBytes) << 8);
}

// out[x] = lerp(a[x], b[x], w) for a whole row.
void lerpRow(const uint32_t* a, const uint32_t* b, uint32_t w, uint32_t* out, int count) {
    int x = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128(), half = _mm_set1_epi16(128);
    const __m128i wa = _mm_set1_epi16(short(256 - w)), wb = _mm_set1_epi16(short(w));
    const auto blend = [&](__m128i p, __m128i q) {
        return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(p, wa), _mm_mullo_epi16(q, wb)), half), 8);
    };
    for (; x + 4 <= count; x += 4) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x));
        const __m128i q = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
        const __m128i low = blend(_mm_unpacklo_epi8(p, zero), _mm_unpacklo_epi8(q, zero));
        const __m128i high = blend(_mm_unpackhi_epi8(p, zero), _mm_unpackhi_epi8(q, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(low, high));
    }
#endif
    for (; x < count; ++x) out[x] = lerp(a[x], b[x], w);
}

}  // namespace

void CpuStretch::taps(int sourceSize, int destSize, std::vector<Tap>* out) {
    out->resize(size_t(destSize));
    const double scale = double(sourceSize) / double(destSize);
    for (int i = 0; i < destSize; ++i) {
        // The centre of destination pixel i, in source texels from the first texel's centre.
        const double at = std::clamp((i + 0.5) * scale - 0.5, 0.0, double(sourceSize - 1));
        int first = int(at);
        long weight = std::lround((at - first) * 256.0);
        if (weight == 256) ++first, weight = 0;
        if (first >= sourceSize - 1) first = sourceSize - 1, weight = 0;
        Tap& tap = (*out)[size_t(i)];
        tap.first = first;
        tap.secondWeight = uint32_t(weight);
#if defined(__SSE2__)
        const short second = short(weight), firstWeight = short(256 - weight);
        tap.weights = _mm_set_epi16(second, second, second, second, firstWeight, firstWeight, firstWeight, firstWeight);
#endif
    }
}

void CpuStretch::blendRow(const uint32_t* sourceRow, std::vector<uint32_t>* out) const {
    out->resize(columns.size());
    uint32_t* o = out->data();
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128(), half = _mm_set1_epi16(128);
    for (const Tap& tap : columns) {
        if (!tap.secondWeight) {
            *o++ = sourceRow[tap.first];
            continue;
        }
        // The texel and its right neighbour as eight 16-bit channels, each pair weighted
        // and the halves added.
        const __m128i pair = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(sourceRow + tap.first)), zero);
        const __m128i weighted = _mm_mullo_epi16(pair, tap.weights);
        const __m128i sum = _mm_add_epi16(_mm_add_epi16(weighted, _mm_srli_si128(weighted, 8)), half);
        *o++ = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_srli_epi16(sum, 8), zero)));
    }
#else
    for (const Tap& tap : columns)
        *o++ = tap.secondWeight ? lerp(sourceRow[tap.first], sourceRow[tap.first + 1], tap.secondWeight)
                                : sourceRow[tap.first];
#endif
}

void CpuStretch::stretch(const uint32_t* source, int sourceWidth, int sourceHeight, int sourceStride,
                         uint32_t* dest, int destWidth, int destHeight) {
    // The taps depend on the sizes alone, which stay the same from frame to frame.
    if (columns.size() != size_t(destWidth) || rows.size() != size_t(destHeight) || tapsFrom[0] != sourceWidth ||
        tapsFrom[1] != sourceHeight) {
        taps(sourceWidth, destWidth, &columns);
        taps(sourceHeight, destHeight, &rows);
        tapsFrom[0] = sourceWidth;
        tapsFrom[1] = sourceHeight;
    }
    int upperRow = -1, lowerRow = -1;
    const auto sourceRow = [&](int row) { return source + size_t(row) * size_t(sourceStride); };
    for (int y = 0; y < destHeight; ++y) {
        const Tap& tap = rows[size_t(y)];
        const int second = tap.secondWeight ? tap.first + 1 : tap.first;
        // Upscaling walks down the source a row at a time: a row blended across is kept while
        // it is one of the two.
        if (upperRow != tap.first) {
            if (lowerRow == tap.first) {
                std::swap(upper, lower);
                std::swap(upperRow, lowerRow);
            } else {
                blendRow(sourceRow(tap.first), &upper);
                upperRow = tap.first;
            }
        }
        if (lowerRow != second) {
            blendRow(sourceRow(second), &lower);
            lowerRow = second;
        }
        uint32_t* out = dest + size_t(y) * size_t(destWidth);
        const uint32_t* u = upper.data();
        const uint32_t* l = lower.data();
        if (tap.secondWeight == 0) {
            std::copy(u, u + destWidth, out);
        } else {
            lerpRow(u, l, tap.secondWeight, out, destWidth);
        }
    }
}
