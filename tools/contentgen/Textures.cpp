// Procedural textures (see Textures.h). All noise is seeded, so every build draws the same
// pictures.
#include "Textures.h"

#include "ChapterRing.h"
#include "Image.h"
#include "Vec.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace contentgen {

namespace {

// Brushing: noise stretched along x, so the grain runs in u.
double brushed(int x, int y, int size, uint32_t seed) {
    double fine = fbm2(x / 64.0, y / 1.5, size / 64, size * 2 / 3, 3, seed);
    double coarse = fbm2(x / 128.0, y / 12.0, size / 128, size / 12, 2, seed + 7);
    return 0.65 * fine + 0.35 * coarse;
}

bool writeBrushedMetal(const std::string& dir, const std::string& stem, Rgba tint, double contrast, uint32_t seed) {
    const int size = 512;
    Image base(size, size), height(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double b = brushed(x, y, size, seed);
            double cloud = fbm2(x / 128.0, y / 128.0, 4, 4, 3, seed + 3);
            base.at(x, y) = scaled(tint, 1 - contrast + 2 * contrast * b - 0.08 * (cloud - 0.5));
            height.at(x, y).r = static_cast<float>(b);
        }
    return base.writePng(dir + "/" + stem + ".png") &&
           normalMapFromHeight(height, 5.0).writePng(dir + "/" + stem + "Normal.png");
}

// A soft studio: dim warm floor, a grey cyclorama brightening towards the horizon, a large
// soft box up front-left (where the key light stands), a cooler strip light to the right.
Rgba studio(Vec3 d) {
    d = normalized(d);
    Rgba c;
    if (d.y < 0) {
        double t = std::min(1.0, -d.y * 3);
        c = mix(Rgba{0.30f, 0.28f, 0.26f, 1}, Rgba{0.10f, 0.09f, 0.08f, 1}, t);
    } else {
        double t = std::pow(d.y, 0.6);
        c = mix(Rgba{0.42f, 0.42f, 0.44f, 1}, Rgba{0.16f, 0.17f, 0.20f, 1}, t);
    }
    auto softBox = [&](Vec3 centre, double size, Rgba colour) {
        double a = std::acos(std::clamp(dot(d, normalized(centre)), -1.0, 1.0));
        double k = std::clamp((size - a) / (size * 0.5), 0.0, 1.0);
        k = k * k * (3 - 2 * k);
        c = mix(c, colour, k);
    };
    softBox({-0.45, 0.55, -0.70}, 0.45, {1.0f, 0.97f, 0.92f, 1});
    softBox({0.85, 0.25, -0.35}, 0.22, {0.78f, 0.84f, 0.95f, 1});
    softBox({0.0, 0.95, 0.3}, 0.30, {0.70f, 0.70f, 0.72f, 1});
    return c;
}

}  // namespace

bool writeMetalTextures(const std::string& dir) {
    return writeBrushedMetal(dir, "brass", {0.86f, 0.66f, 0.34f, 1}, 0.10, 11);
}

bool writeEnvironmentMap(const std::string& path) {
    // DDS cube map, uncompressed A8R8G8B8, faces in Direct3D order +X -X +Y -Y +Z -Z, each
    // face seen from the centre with v = 0 at its top.
    const int size = 128;
    std::vector<uint8_t> data;
    for (int face = 0; face < 6; ++face) {
        Image img(size, size);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                double s = 2 * (x + 0.5) / size - 1, t = 2 * (y + 0.5) / size - 1;
                Vec3 d;
                switch (face) {
                case 0: d = {1, -t, -s}; break;
                case 1: d = {-1, -t, s}; break;
                case 2: d = {s, 1, t}; break;
                case 3: d = {s, -1, -t}; break;
                case 4: d = {s, -t, 1}; break;
                default: d = {-s, -t, -1}; break;
                }
                img.at(x, y) = studio(d);
            }
        img.appendBgra(data);
    }
    uint32_t header[32] = {};
    header[0] = 0x20534444;                      // "DDS "
    header[1] = 124;                             // header size
    header[2] = 0x1 | 0x2 | 0x4 | 0x8 | 0x1000;  // caps, height, width, pitch, pixel format
    header[3] = size;
    header[4] = size;
    header[5] = size * 4;  // pitch
    header[7] = 1;         // mip levels
    header[19] = 32;       // pixel format size
    header[20] = 0x40 | 0x1;  // RGB with alpha
    header[22] = 32;
    header[23] = 0x00FF0000;
    header[24] = 0x0000FF00;
    header[25] = 0x000000FF;
    header[26] = 0xFF000000;
    header[27] = 0x1000 | 0x8;   // texture, complex
    header[28] = 0x200 | 0xFC00;  // cube map with all six faces
    std::unique_ptr<FILE, int (*)(FILE*)> f(fopen(path.c_str(), "wb"), fclose);
    if (!f) return false;
    uint8_t bytes[128];
    for (int i = 0; i < 32; ++i)
        for (int b = 0; b < 4; ++b) bytes[i * 4 + b] = static_cast<uint8_t>(header[i] >> (8 * b));
    fwrite(bytes, 1, sizeof bytes, f.get());
    fwrite(data.data(), 1, data.size(), f.get());
    return ferror(f.get()) == 0;
}

bool writeMoonWorldAtlas(const std::string& dir) {
    // Left half: the earth, right half: the moon, each longitude 0..1 across its half and
    // latitude north to south down the height. Noise is sampled on the sphere itself, so
    // nothing seams at the date line or pinches at the poles. The halves keep a few texels
    // of margin that repeat their edges, so filtering never mixes earth and moon.
    const int w = 1024, h = 256, half = w / 2, gutter = 3;
    Image base(w, h), height(w, h);
    struct Crater {
        Vec3 centre;
        double radius;
    };
    std::vector<Crater> craters;
    for (int i = 0; i < 90; ++i) {
        double u = latticeNoise2(i * 3.1, 0.5, 1 << 20, 1, 401), v = latticeNoise2(i * 3.1, 7.5, 1 << 20, 1, 402);
        double lon = u * 2 * kPi, lat = std::asin(2 * v - 1);
        double r = 0.03 + 0.12 * std::pow(latticeNoise2(i * 3.1, 13.5, 1 << 20, 1, 403), 3);
        craters.push_back({{std::cos(lat) * std::sin(lon), std::sin(lat), std::cos(lat) * std::cos(lon)}, r});
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool moon = x >= half;
            int lx = std::clamp((moon ? x - half : x) - gutter, 0, half - 2 * gutter - 1);
            double u = (lx + 0.5) / (half - 2 * gutter), v = (y + 0.5) / h;
            double lon = (u - 0.5) * 2 * kPi, lat = kPi / 2 - v * kPi;
            Vec3 p{std::cos(lat) * std::sin(lon), std::sin(lat), -std::cos(lat) * std::cos(lon)};
            Rgba c;
            double hgt;
            if (!moon) {
                double land = fbm3(p.x * 1.6 + 3, p.y * 1.6, p.z * 1.6, 5, 77);
                double detail = fbm3(p.x * 6, p.y * 6, p.z * 6, 3, 78);
                double absLat = std::fabs(lat) / (kPi / 2);
                if (land > 0.56) {
                    double dry = std::clamp(1 - std::fabs(absLat - 0.28) * 4 + (detail - 0.5), 0.0, 1.0);
                    c = mix(Rgba{0.22f, 0.42f, 0.20f, 1}, Rgba{0.70f, 0.60f, 0.38f, 1}, dry);
                    c = scaled(c, 0.85 + 0.3 * detail);
                    hgt = 0.55 + (land - 0.56) * 1.5 + 0.1 * detail;
                } else {
                    double shallow = std::clamp((land - 0.48) / 0.08, 0.0, 1.0);
                    c = mix(Rgba{0.04f, 0.12f, 0.32f, 1}, Rgba{0.12f, 0.35f, 0.55f, 1}, shallow);
                    hgt = 0.5;
                }
                double ice = std::clamp((absLat - 0.78 + 0.06 * (detail - 0.5)) / 0.04, 0.0, 1.0);
                c = mix(c, Rgba{0.92f, 0.95f, 0.98f, 1}, ice);
                hgt += 0.05 * ice;
            } else {
                double maria = fbm3(p.x * 1.3 + 9, p.y * 1.3, p.z * 1.3, 4, 91);
                double dust = fbm3(p.x * 9, p.y * 9, p.z * 9, 3, 92);
                double dark = std::clamp((maria - 0.5) / 0.08, 0.0, 1.0);
                double g = 0.70 - 0.28 * dark + 0.10 * (dust - 0.5);
                hgt = 0.5 - 0.06 * dark + 0.05 * dust;
                for (const Crater& cr : craters) {
                    double dist = std::acos(std::clamp(dot(p, cr.centre), -1.0, 1.0)) / cr.radius;
                    if (dist < 1.0) hgt -= 0.25 * cr.radius * (1 - dist * dist), g += 0.04 * (1 - dist);
                    else if (dist < 1.35) hgt += 0.5 * cr.radius * (1.35 - dist), g += 0.08 * (1.35 - dist);
                }
                c = {float(g), float(g * 0.98), float(g * 0.95), 1};
            }
            base.at(x, y) = c;
            height.at(x, y).r = static_cast<float>(hgt);
        }
    return base.writePng(dir + "/moonWorld.png") &&
           normalMapFromHeight(height, 12.0, false).writePng(dir + "/moonWorldNormal.png");
}

bool writeLogoTextures(const std::string& dir) {
    // Engine turning: overlapping rings of fine ridges, the guilloche of a watch dial.
    const int size = 256;
    Image base(size, size), height(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double sum = 0;
            for (int k = 0; k < 12; ++k) {
                double cx = size / 2.0 + size * 0.18 * std::cos(k * kPi / 6), cy = size / 2.0 + size * 0.18 * std::sin(k * kPi / 6);
                double dx = std::remainder(x - cx, size), dy = std::remainder(y - cy, size);
                sum += std::cos(std::sqrt(dx * dx + dy * dy) * 0.55);
            }
            double ridge = 0.5 + sum / 24;
            base.at(x, y) = scaled(Rgba{0.80f, 0.81f, 0.84f, 1}, 0.9 + 0.15 * ridge);
            height.at(x, y).r = static_cast<float>(ridge);
        }
    return base.writePng(dir + "/logo.png") && normalMapFromHeight(height, 1.6).writePng(dir + "/logoNormal.png");
}

bool writeBackdropTextures(const std::string& dir) {
    // Near: deep blue-grey leather, darker towards its edges, in the left half of its atlas
    // and the chapter ring in the right half. Far: a calm night gradient.
    const int size = 512;
    Image near(2 * size, size), nearHeight(2 * size, size), far(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double u = (x + 0.5) / size, v = (y + 0.5) / size;
            double grain = fbm2(x / 6.0, y / 6.0, size / 6 + 1, size / 6 + 1, 3, 501);
            double pores = latticeNoise2(x / 2.0, y / 2.0, size / 2, size / 2, 502);
            double edge = std::min(std::min(u, 1 - u), std::min(v, 1 - v));
            double vignette = 0.55 + 0.45 * std::clamp(edge * 5, 0.0, 1.0);
            near.at(x, y) = scaled(Rgba{0.16f, 0.19f, 0.25f, 1}, vignette * (0.9 + 0.2 * grain));
            nearHeight.at(x, y).r = static_cast<float>(0.7 * grain + 0.3 * pores);
            double glow = std::exp(-((u - 0.5) * (u - 0.5) * 6 + (v - 0.45) * (v - 0.45) * 9));
            double mist = fbm2(u * 4, v * 4, 4, 4, 4, 503);
            far.at(x, y) = mix(Rgba{0.015f, 0.02f, 0.045f, 1}, Rgba{0.10f, 0.12f, 0.20f, 1}, 0.8 * glow + 0.25 * mist);
        }
    drawChapterRing(near, nearHeight, size, size);
    return near.writePng(dir + "/backdropNear.png") &&
           normalMapFromHeight(nearHeight, 1.5).writePng(dir + "/backdropNearNormal.png") &&
           far.writePng(dir + "/backdropFar.png");
}

}  // namespace contentgen
