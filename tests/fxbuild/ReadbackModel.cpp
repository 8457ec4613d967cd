// See ReadbackModel.h. Each function mirrors its GLSL effect under data/effects.
#include "ReadbackModel.h"

#include <algorithm>
#include <cmath>

namespace model {
namespace {

// The texture coordinate the saver's quad gives pixel (x, y) of a target of the given size,
// when the quad is shifted half a pixel of the full frame (fullW x fullH).
void quadCoordinate(int x, int y, int width, int height, int fullW, int fullH, float& u, float& v) {
    u = static_cast<float>(x) / width + 0.5f / fullW;
    v = static_cast<float>(y) / height + 0.5f / fullH;
}

const float* texel(const Image& image, int x, int y, bool wrap = false) {
    if (wrap) {
        x = ((x % image.width) + image.width) % image.width;
        y = ((y % image.height) + image.height) % image.height;
    }
    x = std::clamp(x, 0, image.width - 1);
    y = std::clamp(y, 0, image.height - 1);
    return image.at(x, y);
}

}  // namespace

Image pattern(int width, int height, unsigned seed, float low, float high) {
    Image image(width, height);
    unsigned state = seed * 2654435761u + 12345u;
    for (float& value : image.rgba) {
        state = state * 1664525u + 1013904223u;
        value = low + (high - low) * static_cast<float>(state >> 8) / static_cast<float>(1u << 24);
    }
    return image;
}

void bilinear(const Image& image, float u, float v, float out[4], bool wrap) {
    float x = u * image.width - 0.5f, y = v * image.height - 0.5f;
    int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    float fx = x - x0, fy = y - y0;
    for (int i = 0; i < 4; ++i) {
        float top = texel(image, x0, y0, wrap)[i] * (1 - fx) + texel(image, x0 + 1, y0, wrap)[i] * fx;
        float bottom = texel(image, x0, y0 + 1, wrap)[i] * (1 - fx) + texel(image, x0 + 1, y0 + 1, wrap)[i] * fx;
        out[i] = top * (1 - fy) + bottom * fy;
    }
}

void point(const Image& image, float u, float v, float out[4]) {
    const float* t = texel(image, static_cast<int>(std::floor(u * image.width)),
                           static_cast<int>(std::floor(v * image.height)));
    for (int i = 0; i < 4; ++i) out[i] = t[i];
}

Image downFilter(const Image& frame) {
    const float kThreshold = 0.6f;
    Image out(frame.width / 4, frame.height / 4);
    const float tu = 1.0f / frame.width, tv = 1.0f / frame.height;
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            float u, v, tap[4], sum[3] = {0, 0, 0};
            quadCoordinate(x, y, out.width, out.height, frame.width, frame.height, u, v);
            for (float oy : {0.5f, 2.5f}) {
                for (float ox : {0.5f, 2.5f}) {
                    bilinear(frame, u + ox * tu, v + oy * tv, tap);
                    for (int i = 0; i < 3; ++i) sum[i] += tap[i];
                }
            }
            for (int i = 0; i < 3; ++i) out.at(x, y)[i] = std::max(sum[i] * 0.25f - kThreshold, 0.0f) / (1 - kThreshold);
            out.at(x, y)[3] = 1.0f;
        }
    }
    return out;
}

Image blur(const Image& quarter, bool horizontal) {
    const float offsets[5] = {0.0f, 1.3846154f, -1.3846154f, 3.2307692f, -3.2307692f};
    const float weights[5] = {0.2270270f, 0.3162162f, 0.3162162f, 0.0702703f, 0.0702703f};
    Image out(quarter.width, quarter.height);
    const float tu = 1.0f / quarter.width, tv = 1.0f / quarter.height;
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            float u, v, tap[4], sum[3] = {0, 0, 0};
            quadCoordinate(x, y, out.width, out.height, out.width * 4, out.height * 4, u, v);
            u += 0.375f * tu;
            v += 0.375f * tv;
            for (int k = 0; k < 5; ++k) {
                bilinear(quarter, u + (horizontal ? offsets[k] * tu : 0), v + (horizontal ? 0 : offsets[k] * tv), tap);
                for (int i = 0; i < 3; ++i) sum[i] += tap[i] * weights[k];
            }
            for (int i = 0; i < 3; ++i) out.at(x, y)[i] = sum[i];
            out.at(x, y)[3] = 1.0f;
        }
    }
    return out;
}

Image combine(const Image& sharp, const Image& glow) {
    const float kGlowStrength = 0.8f;
    Image out(sharp.width, sharp.height);
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            float u, v, s[4], g[4];
            quadCoordinate(x, y, out.width, out.height, out.width, out.height, u, v);
            point(sharp, u, v, s);
            bilinear(glow, u, v, g);
            for (int i = 0; i < 3; ++i) out.at(x, y)[i] = std::clamp(s[i] + g[i] * kGlowStrength, 0.0f, 1.0f);
            out.at(x, y)[3] = 1.0f;
        }
    }
    return out;
}

}  // namespace model
