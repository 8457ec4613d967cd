// Chapter ring mesh and picture (see ChapterRing.h).
#include "ChapterRing.h"

#include "Coverage.h"
#include "Extrude.h"
#include "Layout.h"

#include <cmath>

namespace contentgen {

namespace {

const Rgba kEnamel{0.035f, 0.04f, 0.055f, 1};
const Rgba kLume{0.93f, 0.91f, 0.82f, 1};

// A bar along the radius at angle a, from r0 to r1, of the given half width.
Contour radialBar(double a, double r0, double r1, double halfWidth) {
    Vec2 d = polar(1, a), n{-d.y, d.x};
    return {d * r0 - n * halfWidth, d * r1 - n * halfWidth, d * r1 + n * halfWidth, d * r0 + n * halfWidth};
}

// The marks, as outlines on the dial (angle measured clockwise from twelve).
std::vector<Contour> chapterMarks() {
    std::vector<Contour> marks;
    auto angleOf = [](double minutes) { return kPi / 2 - minutes * kPi / 30; };
    // Minute track: two fine circles with a tick for every minute between them.
    const double trackIn = 0.925, trackOut = 0.952, line = 0.0035;
    marks.push_back(circleContour({0, 0}, trackOut + line, 180));
    marks.push_back(circleContour({0, 0}, trackOut - line, 180));
    marks.push_back(circleContour({0, 0}, trackIn + line, 180));
    marks.push_back(circleContour({0, 0}, trackIn - line, 180));
    for (int m = 0; m < 60; ++m)
        if (m % 5 != 0) marks.push_back(radialBar(angleOf(m), trackIn, trackOut, 0.0035));
    // Hour batons, broad at the quarters; twelve gets a pair.
    for (int h = 0; h < 12; ++h) {
        const double a = angleOf(5 * h);
        if (h == 0) {
            for (double side : {-1.0, 1.0}) marks.push_back(radialBar(a + side * 0.034, 0.815, 0.95, 0.014));
        } else {
            marks.push_back(radialBar(a, 0.815, 0.95, h % 3 == 0 ? 0.024 : 0.015));
        }
    }
    return marks;
}

}  // namespace

Vec2 chapterRingUv(Vec2 p) { return {0.75 + 0.25 * p.x, 0.5 - 0.5 * p.y}; }

MeshBuilder makeChapterRing() {
    using namespace layout;
    ExtrudeParams p;
    p.zFront = kChapterFrontZ;
    p.zBack = kChapterFrontZ + 0.008;
    p.bevelFront = 0.003;
    p.backCap = false;  // it lies on the frame's brass ring
    MeshBuilder m = extrude({circleContour({0, 0}, kChapterOuter, 72), circleContour({0, 0}, kChapterInner, 72)}, p);
    // The lips of the frame cover its edges; walls sample the plain enamel near the rim.
    m.mapUv([](const Vertex& v) {
        Vec2 q{v.position.x, v.position.y};
        if (std::fabs(v.normal.z) < 0.999) q = q * 0.985 + Vec2{0, 0.002 * v.position.z};
        return chapterRingUv(q);
    });
    return m;
}

void drawChapterRing(Image& base, Image& height, int x0, int size) {
    CoverageMask marks(size, size);
    auto toPixel = [size](Vec2 p) { return Vec2{(p.x + 1) * 0.5 * size, (1 - p.y) * 0.5 * size}; };
    // Each mark is filled on its own so that overlapping ones (batons across the track)
    // add up instead of cancelling under the even-odd rule.
    std::vector<Contour> all = chapterMarks();
    for (size_t i = 0; i < all.size(); ++i) {
        if (i < 4) {
            if (i % 2 == 0) marks.fill({all[i], all[i + 1]}, toPixel);
            continue;
        }
        marks.fill({all[i]}, toPixel);
    }
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double k = marks.at(x, y);
            base.at(x0 + x, y) = mix(kEnamel, kLume, k);
            height.at(x0 + x, y).r = static_cast<float>(0.5 + 0.4 * k);
        }
}

}  // namespace contentgen
