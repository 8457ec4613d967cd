// Hand outlines, meshes and their enamel atlas (see Hands.h).
#include "Hands.h"

#include "Coverage.h"
#include "Extrude.h"
#include "Gears.h"
#include "Image.h"

#include <cmath>

namespace contentgen {

namespace {

// The atlas: each hand's face is laid flat on its half of the picture, 512 texels to the
// unit, from y = 1.0 at the top row down to y = -0.3125; the corners round each hand stay
// rim colour, and the side walls and chamfers sample a corner, so they read as the rim.
constexpr int kAtlasWidth = 256, kAtlasHeight = 672;
constexpr double kTexelsPerUnit = 512, kAtlasTopY = 1.0;
using Half = int;
constexpr Half minuteHalf = 0, hourHalf = 1;

// The rim: how far the dark steel reaches in from the outline on the face.
constexpr double kRimWidth = 0.014;
const Rgba kEnamel{0.95f, 0.93f, 0.84f, 1};
const Rgba kRim{0.05f, 0.055f, 0.075f, 1};

struct HandDepth {
    double zFront, zBack, bevel;
};
// The hour hand lies just in front of the chapter ring, the minute hand in front of it and
// the boss over the arbor in front of both.
constexpr HandDepth kMinuteDepth{-0.132, -0.116, 0.006};
constexpr HandDepth kHourDepth{-0.110, -0.094, 0.006};
constexpr double kBossRadius = 0.034, kBossFront = -0.148, kBossBack = -0.128;

Vec2 atlasPixel(Vec2 p, Half half) { return {kAtlasWidth / 2.0 * (half + 0.5) + p.x * kTexelsPerUnit, (kAtlasTopY - p.y) * kTexelsPerUnit}; }

// An outline symmetric about the y axis from its right half, listed from top to bottom.
Contour mirrored(const std::vector<Vec2>& rightHalf) {
    Contour c;
    for (const Vec2& p : rightHalf) c.push_back(p);
    for (size_t i = rightHalf.size(); i-- > 0;)
        if (rightHalf[i].x > 1e-9) c.push_back({-rightHalf[i].x, rightHalf[i].y});
    return c;
}

// Right half from the tip down: a right-hand arc of radius r about `centre` from angle a0
// down to a1.
void arc(std::vector<Vec2>& out, Vec2 centre, double r, double a0, double a1, int samples) {
    for (int i = 0; i <= samples; ++i) out.push_back(centre + polar(r, a0 + (a1 - a0) * i / samples));
}

Contour minuteOutline() {
    // A lance reaching into the minute track, a round hub, and a tail with a disc
    // counterweight that balances it.
    std::vector<Vec2> right{{0, 0.93}, {0.016, 0.89}, {0.034, 0.78}, {0.047, 0.50}, {0.053, 0.22}};
    arc(right, {0, 0}, 0.060, kPi * 0.36, -kPi * 0.40, 10);
    right.push_back({0.02, -0.09});
    arc(right, {0, -0.178}, 0.056, kPi * 0.40, -kPi * 0.5, 12);
    return mirrored(right);
}

Contour hourOutline() {
    // A broad leaf: wide enough to tell from the minute hand even at thumbnail size.
    std::vector<Vec2> right{{0, 0.59}, {0.040, 0.545}, {0.074, 0.47}, {0.084, 0.40}, {0.074, 0.32},
                            {0.052, 0.25}, {0.046, 0.16}};
    arc(right, {0, 0}, 0.074, kPi * 0.36, -kPi * 0.40, 10);
    right.insert(right.end(), {{0.03, -0.10}, {0.05, -0.125}, {0.036, -0.155}, {0, -0.165}});
    return mirrored(right);
}

ExtrudeParams handPlate(const HandDepth& d) {
    ExtrudeParams p;
    p.zFront = d.zFront;
    p.zBack = d.zBack;
    p.bevelFront = d.bevel;
    p.uv.scale = 1;
    return p;
}

// Faces lie flat on their half of the atlas; everything else (walls, chamfers) samples a
// small patch in the half's top corner, where there is only rim. The patch keeps the
// walls' own coordinates, shrunk, so their tangent frames stay well defined.
void mapOntoAtlas(MeshBuilder& m, Half half) {
    m.mapUv([half](const Vertex& v) {
        if (std::fabs(v.normal.z) > 0.999) {
            Vec2 px = atlasPixel({v.position.x, v.position.y}, half);
            return Vec2{px.x / kAtlasWidth, px.y / kAtlasHeight};
        }
        return Vec2{0.5 * half + 0.03 + 0.004 * v.uv.x, 0.01 + 0.004 * (v.uv.y + 0.2)};
    });
}

}  // namespace

MeshBuilder makeMinuteHand() {
    MeshBuilder m = extrude({minuteOutline()}, handPlate(kMinuteDepth));
    m.append(cylinderZ(kBossRadius, kBossFront, kBossBack, 28, 0.006));
    mapOntoAtlas(m, minuteHalf);
    return m;
}

MeshBuilder makeHourHand() {
    MeshBuilder m = extrude({hourOutline()}, handPlate(kHourDepth));
    mapOntoAtlas(m, hourHalf);
    return m;
}

bool writeHandTextures(const std::string& dir) {
    CoverageMask enamel(kAtlasWidth, kAtlasHeight);
    const struct {
        Contour outline;
        Half half;
    } hands[] = {{minuteOutline(), minuteHalf}, {hourOutline(), hourHalf}};
    for (const auto& h : hands) {
        const Half half = h.half;
        enamel.fill({insetContour(h.outline, kRimWidth)}, [half](Vec2 p) { return atlasPixel(p, half); });
    }
    // The boss over the arbor is polished steel like the rim.
    CoverageMask boss(kAtlasWidth, kAtlasHeight);
    boss.fill({circleContour({0, 0}, kBossRadius + 0.004, 40)}, [](Vec2 p) { return atlasPixel(p, minuteHalf); });
    Image base(kAtlasWidth, kAtlasHeight), height(kAtlasWidth, kAtlasHeight);
    for (int y = 0; y < kAtlasHeight; ++y)
        for (int x = 0; x < kAtlasWidth; ++x) {
            double e = enamel.at(x, y) * (1 - boss.at(x, y));
            // A faint grain keeps the enamel from looking printed.
            double grain = fbm2(x / 3.0, y / 3.0, kAtlasWidth / 3, kAtlasHeight / 3, 2, 611);
            base.at(x, y) = mix(kRim, scaled(kEnamel, 0.97 + 0.06 * grain), e);
            // The enamel stands a little proud of the rim.
            height.at(x, y).r = static_cast<float>(0.6 * e + 0.02 * grain);
        }
    return base.writePng(dir + "/hands.png") && normalMapFromHeight(height, 2.0, false).writePng(dir + "/handsNormal.png");
}

}  // namespace contentgen
