// What the Linux (GLSL) effects compute, on the CPU, for the read-back check: the same
// sampling rules as Direct3D 9 (texel centres at half-integers, clamped addressing) and the
// same pixel positions as the saver's screen quad.
#pragma once

#include "ReadbackDevice.h"

namespace model {

// Deterministic values in [low, high] for every channel.
Image pattern(int width, int height, unsigned seed, float low = 0.0f, float high = 1.0f);
void bilinear(const Image& image, float u, float v, float out[4], bool wrap = false);
void point(const Image& image, float u, float v, float out[4]);

Image downFilter(const Image& frame);
Image blur(const Image& quarter, bool horizontal);
Image combine(const Image& sharp, const Image& glow);

}  // namespace model

