// Pictures under construction: a floating-point RGBA image, deterministic tileable noise,
// normal maps from height fields, and PNG output through cairo.
//
// Normal maps hold the tangent-space normal as RGB = n * 0.5 + 0.5: red along growing u
// (to the right in the image), green along growing v (down the image, the direction the
// meshes' binormals take), blue along the surface normal, so a flat texel is (128, 128, 255).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace contentgen {

struct Rgba {
    float r = 0, g = 0, b = 0, a = 1;
};

inline Rgba mix(Rgba a, Rgba b, double t) {
    float f = static_cast<float>(t);
    return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f, a.a + (b.a - a.a) * f};
}
inline Rgba scaled(Rgba c, double s) {
    float f = static_cast<float>(s);
    return {c.r * f, c.g * f, c.b * f, c.a};
}

class Image {
public:
    Image(int width, int height) : w(width), h(height), px(static_cast<size_t>(width) * height) {}
    int width() const { return w; }
    int height() const { return h; }
    Rgba& at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
    const Rgba& at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
    // Wraps around in both directions, as the saver's samplers do.
    const Rgba& wrapped(int x, int y) const { return at(((x % w) + w) % w, ((y % h) + h) % h); }
    bool writePng(const std::string& path) const;
    // Bytes in B, G, R, A order (Direct3D's A8R8G8B8 in memory).
    void appendBgra(std::vector<uint8_t>& out) const;

private:
    int w, h;
    std::vector<Rgba> px;
};

// Height field (values in the red channel of `height`) to a normal map; `strength` scales
// the slopes, measured per texel. Neighbours wrap horizontally and, when wrapY, vertically.
Image normalMapFromHeight(const Image& height, double strength, bool wrapY = true);

// Deterministic noise in [0, 1]. The 2-D forms repeat every `period` lattice cells so that
// textures tile; the 3-D form is for spheres, sampled on the surface so it has no seams.
double latticeNoise2(double x, double y, int periodX, int periodY, uint32_t seed);
double fbm2(double x, double y, int periodX, int periodY, int octaves, uint32_t seed);
double noise3(double x, double y, double z, uint32_t seed);
double fbm3(double x, double y, double z, int octaves, uint32_t seed);

}  // namespace contentgen
