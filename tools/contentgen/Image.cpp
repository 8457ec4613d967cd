// Image storage, noise and PNG output (see Image.h).
#include "Image.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace contentgen {

namespace {

uint8_t toByte(float v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

uint32_t hash(int x, int y, int z, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<uint32_t>(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<uint32_t>(y) * 0xC2B2AE35u;
    h = (h << 11) | (h >> 21);
    h ^= static_cast<uint32_t>(z) * 0x27D4EB2Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

double unit(uint32_t h) { return (h & 0xFFFFFF) / double(0xFFFFFF); }
double smooth(double t) { return t * t * (3 - 2 * t); }

}  // namespace

bool Image::writePng(const std::string& path) const {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) return false;
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < w; ++x) {
            const Rgba& c = at(x, y);
            float a = std::clamp(c.a, 0.0f, 1.0f);
            // cairo stores premultiplied colour.
            row[x] = (uint32_t(toByte(a)) << 24) | (uint32_t(toByte(c.r * a)) << 16) | (uint32_t(toByte(c.g * a)) << 8) |
                     toByte(c.b * a);
        }
    }
    cairo_surface_mark_dirty(s);
    bool ok = cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(s);
    return ok;
}

void Image::appendBgra(std::vector<uint8_t>& out) const {
    for (const Rgba& c : px) {
        out.push_back(toByte(c.b));
        out.push_back(toByte(c.g));
        out.push_back(toByte(c.r));
        out.push_back(toByte(c.a));
    }
}

Image normalMapFromHeight(const Image& height, double strength, bool wrapY) {
    Image out(height.width(), height.height());
    for (int y = 0; y < height.height(); ++y)
        for (int x = 0; x < height.width(); ++x) {
            int yUp = wrapY ? y - 1 : std::max(0, y - 1), yDown = wrapY ? y + 1 : std::min(height.height() - 1, y + 1);
            double dx = (height.wrapped(x + 1, y).r - height.wrapped(x - 1, y).r) * 0.5;
            double dy = (height.wrapped(x, yDown).r - height.wrapped(x, yUp).r) / std::max(1, yDown - yUp);
            double nx = -dx * strength, ny = -dy * strength, nz = 1;
            double len = std::sqrt(nx * nx + ny * ny + nz * nz);
            out.at(x, y) = {float(nx / len * 0.5 + 0.5), float(ny / len * 0.5 + 0.5), float(nz / len * 0.5 + 0.5), 1};
        }
    return out;
}

double latticeNoise2(double x, double y, int periodX, int periodY, uint32_t seed) {
    double fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    double tx = smooth(x - fx), ty = smooth(y - fy);
    auto v = [&](int i, int j) {
        return unit(hash(((i % periodX) + periodX) % periodX, ((j % periodY) + periodY) % periodY, 0, seed));
    };
    double a = v(ix, iy) + (v(ix + 1, iy) - v(ix, iy)) * tx;
    double b = v(ix, iy + 1) + (v(ix + 1, iy + 1) - v(ix, iy + 1)) * tx;
    return a + (b - a) * ty;
}

double fbm2(double x, double y, int periodX, int periodY, int octaves, uint32_t seed) {
    double sum = 0, amp = 0.5, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * latticeNoise2(x, y, periodX, periodY, seed + o * 101);
        norm += amp;
        x *= 2, y *= 2, periodX *= 2, periodY *= 2, amp *= 0.5;
    }
    return sum / norm;
}

double noise3(double x, double y, double z, uint32_t seed) {
    double fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy), iz = static_cast<int>(fz);
    double tx = smooth(x - fx), ty = smooth(y - fy), tz = smooth(z - fz);
    auto v = [&](int i, int j, int k) { return unit(hash(i, j, k, seed)); };
    auto lerp = [](double a, double b, double t) { return a + (b - a) * t; };
    double c00 = lerp(v(ix, iy, iz), v(ix + 1, iy, iz), tx), c10 = lerp(v(ix, iy + 1, iz), v(ix + 1, iy + 1, iz), tx);
    double c01 = lerp(v(ix, iy, iz + 1), v(ix + 1, iy, iz + 1), tx),
           c11 = lerp(v(ix, iy + 1, iz + 1), v(ix + 1, iy + 1, iz + 1), tx);
    return lerp(lerp(c00, c10, ty), lerp(c01, c11, ty), tz);
}

double fbm3(double x, double y, double z, int octaves, uint32_t seed) {
    double sum = 0, amp = 0.5, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * noise3(x, y, z, seed + o * 131);
        norm += amp;
        x *= 2.03, y *= 2.03, z *= 2.03, amp *= 0.5;
    }
    return sum / norm;
}

}  // namespace contentgen
