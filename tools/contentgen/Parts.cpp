// Frame, hands, drums, spheres, pendulum and backdrops (see Parts.h).
#include "Parts.h"

#include "ChapterRing.h"
#include "Extrude.h"
#include "Gears.h"
#include "Layout.h"

#include <cmath>

namespace contentgen {

namespace {

constexpr double kFrameUv = 0.9;

ExtrudeParams plate(double z0, double z1, double bevel, double uvScale = kFrameUv) {
    ExtrudeParams p;
    p.zFront = z0;
    p.zBack = z1;
    p.bevelFront = bevel;
    p.bevelBack = 0;
    p.uv.scale = uvScale;
    return p;
}

Contour annularSector(double rIn, double rOut, double a0, double a1, int samples) {
    Contour c;
    for (int i = 0; i <= samples; ++i) c.push_back(polar(rOut, a0 + (a1 - a0) * i / samples));
    for (int i = samples; i >= 0; --i) c.push_back(polar(rIn, a0 + (a1 - a0) * i / samples));
    return c;
}

// A box-like bar between two points in the xy plane.
Contour bar(Vec2 a, Vec2 b, double halfWidth) {
    Vec2 d = normalized(b - a), n{-d.y, d.x};
    return {a - n * halfWidth, b - n * halfWidth, b + n * halfWidth, a + n * halfWidth};
}

}  // namespace

MeshBuilder makeFrame() {
    using namespace layout;
    MeshBuilder m;
    // The brass ring that seats the enamel chapter ring (see ChapterRing.h), with a lip
    // over each of its edges; the centre stays open so the two big wheels meshing behind
    // the hands show through. The lips lie on the ring, so they need no backs.
    m.append(extrude({circleContour({0, 0}, kDialRimOuter, 72), circleContour({0, 0}, kDialLipInner, 72)},
                     plate(-0.08, -0.03, 0.008)));
    ExtrudeParams outerLip = plate(-0.097, -0.079, 0.006), innerLip = plate(-0.094, -0.079, 0.005);
    outerLip.backCap = innerLip.backCap = false;
    m.append(extrude({circleContour({0, 0}, kDialRimOuter, 72), circleContour({0, 0}, kDialLipOuter, 72)}, outerLip));
    m.append(extrude({circleContour({0, 0}, kDialLipInnerTo, 72), circleContour({0, 0}, kDialLipInner, 72)}, innerLip));
    // Side brackets hugging the dial.
    m.append(extrude({annularSector(1.03, 1.12, -kPi * 0.30, kPi * 0.30, 40)}, plate(-0.07, -0.03, 0.01)));
    m.append(extrude({annularSector(1.03, 1.12, kPi * 0.70, kPi * 1.30, 40)}, plate(-0.07, -0.03, 0.01)));
    // The crown: a ring around each logo letter (the letters spin inside), and a crest bar.
    const double letterX[4] = {-1.293, -0.437, 0.433, 1.281};
    for (double x : letterX)
        m.append(extrude({circleContour({x, 1.342}, 0.43, 48), circleContour({x, 1.342}, 0.375, 48)},
                         plate(-0.07, -0.02, 0.01)));
    m.append(extrude({roundedRect(-1.70, 1.745, 1.70, 1.835, 0.04, 6)}, plate(-0.065, -0.025, 0.01)));
    // Counter plate: one window per counter, a bezel round each window, colon studs between
    // the hours, minutes and seconds, and a bridge up to the chapter ring.
    struct Window {
        double x0, x1, y;
    };
    const double pad = 0.012;
    const Window windows[6] = {
        {-0.6 - kDoubleWidth / 2 - pad, -0.6 + kDoubleWidth / 2 + pad, kTimeRowY},
        {-0.12 - kDigitWidth / 2 - pad, 0.12 + kDigitWidth / 2 + pad, kTimeRowY},
        {0.48 - kDigitWidth / 2 - pad, 0.72 + kDigitWidth / 2 + pad, kTimeRowY},
        {-0.77 - kTripleWidth / 2 - pad, -0.77 + kTripleWidth / 2 + pad, kDateRowY},
        {0.1 - kTripleWidth / 2 - pad, 0.1 + kTripleWidth / 2 + pad, kDateRowY},
        {0.86 - kDoubleWidth / 2 - pad, 0.86 + kDoubleWidth / 2 + pad, kDateRowY},
    };
    std::vector<Contour> plateContours{roundedRect(-1.25, -2.12, 1.25, -1.10, 0.08, 6)};
    for (const Window& w : windows) {
        double y0 = w.y - kWindowHalfHeight, y1 = w.y + kWindowHalfHeight;
        plateContours.push_back(roundedRect(w.x0, y0, w.x1, y1, 0.02, 3));
        m.append(extrude({roundedRect(w.x0 - 0.03, y0 - 0.03, w.x1 + 0.03, y1 + 0.03, 0.045, 5),
                          roundedRect(w.x0, y0, w.x1, y1, 0.02, 3)},
                         plate(-0.092, -0.068, 0.01)));
    }
    m.append(extrude(plateContours, plate(-0.07, -0.03, 0.01)));
    for (double x : {-0.30, 0.30})
        for (double dy : {-0.055, 0.055})
            m.append(extrude({circleContour({x, kTimeRowY + dy}, 0.02, 16)}, plate(-0.09, -0.068, 0.006)));
    m.append(extrude({roundedRect(-0.14, -1.14, 0.14, -0.97, 0.03, 4)}, plate(-0.075, -0.035, 0.008)));
    // A pair of posts that carry the pendulum's suspension behind the plate.
    for (double x : {-0.18, 0.18})
        m.append(cylinderZ(0.025, -0.03, kPendulumPivotZ + 0.05, 16, 0.0), Affine::translation({x, kPendulumPivotY, 0}));
    m.append(extrude({roundedRect(-0.24, kPendulumPivotY - 0.05, 0.24, kPendulumPivotY + 0.05, 0.03, 4)},
                     plate(kPendulumPivotZ + 0.05, kPendulumPivotZ + 0.08, 0.006)));
    return m;
}

MeshBuilder makeDrumFace(double width) {
    using namespace layout;
    // A slice of a cylinder about x: angle +half at the top (v = 0) to -half at the bottom
    // (v = 1); the nearest point of the slice sits at kDrumFrontZ.
    const double r = drumRadius();
    const int rows = 18, cols = std::max(2, static_cast<int>(width / 0.11));
    MeshBuilder m;
    std::vector<uint32_t> ids;
    for (int i = 0; i <= rows; ++i) {
        double v = double(i) / rows;
        double a = kDrumHalfAngle * (1 - 2 * v);
        Vec3 n{0, std::sin(a), -std::cos(a)};
        for (int j = 0; j <= cols; ++j) {
            double u = double(j) / cols;
            Vec3 p{-width / 2 + width * u, r * std::sin(a), kDrumFrontZ + r - r * std::cos(a)};
            ids.push_back(m.addVertex({p, n, {u, v}}));
        }
    }
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) {
            uint32_t a = ids[i * (cols + 1) + j];
            m.addQuad(a, a + 1, a + cols + 2, a + cols + 1);
        }
    return m;
}

MeshBuilder makeSphere(double radius, int slices, int stacks) {
    MeshBuilder m;
    for (int i = 0; i < stacks; ++i)
        for (int j = 0; j < slices; ++j) {
            uint32_t corner[4];
            const int di[4] = {0, 0, 1, 1}, dj[4] = {0, 1, 1, 0};
            for (int k = 0; k < 4; ++k) {
                double v = double(i + di[k]) / stacks, u = double(j + dj[k]) / slices;
                double lat = kPi / 2 - v * kPi, lon = (u - 0.5) * 2 * kPi;
                Vec3 n{std::cos(lat) * std::sin(lon), std::sin(lat), -std::cos(lat) * std::cos(lon)};
                // At the poles each quad's pole corner takes the quad's middle longitude, so
                // the texture does not twist there.
                if (i + di[k] == 0 || i + di[k] == stacks) u = (j + 0.5) / slices;
                corner[k] = m.addVertex({n * radius, n, {u, v}});
            }
            m.addTriangle(corner[0], corner[1], corner[2]);
            m.addTriangle(corner[0], corner[2], corner[3]);
        }
    return m;
}

MeshBuilder makePendulum() {
    using namespace layout;
    // Pivot at the origin. The anchor reaches forward from the suspension to the ticking
    // wheel's rim; rod and bob hang straight down.
    MeshBuilder m;
    const double anchorZ = kAnchorZ - kPendulumPivotZ;  // behind the drums, before the wheel
    ExtrudeParams p = plate(anchorZ - 0.01, anchorZ + 0.01, 0.004, 2.0);
    const double wheelDrop = kPendulumPivotY - kTickWheelY;  // pivot above the wheel centre
    const double reach = wheelDrop - 0.33;                    // arms end at the wheel's teeth
    std::vector<Contour> anchor;
    Contour arch;
    const double a0 = -kPi / 2 - 0.55, a1 = -kPi / 2 + 0.55;
    for (int i = 0; i <= 24; ++i) arch.push_back(polar(reach + 0.02, a0 + (a1 - a0) * i / 24));
    for (int i = 24; i >= 0; --i) arch.push_back(polar(reach - 0.03, a0 + (a1 - a0) * i / 24));
    m.append(extrude({arch}, p));
    // Pallets: two hooks pointing down into the teeth.
    for (double s : {-1.0, 1.0}) {
        Vec2 base = polar(reach, -kPi / 2 + s * 0.50);
        Contour pallet{base + Vec2{-0.022, 0.02}, base + Vec2{0.022, 0.02}, base + Vec2{0.008 * s, -0.07},
                       base + Vec2{-0.008 * s + 0.004 * s, -0.068}};
        m.append(extrude({pallet}, p));
    }
    m.append(extrude({bar({0, 0}, {0, -reach + 0.01}, 0.018)}, p));
    m.append(cylinderZ(0.05, anchorZ - 0.03, 0.03, 32, 0.008));
    // Rod, a lens-shaped bob and a small regulating nut.
    ExtrudeParams rod = plate(-0.012, 0.012, 0.004, 2.0);
    rod.bevelBack = 0.004;
    m.append(extrude({bar({0, -0.03}, {0, -1.78}, 0.016)}, rod));
    MeshBuilder bob = makeSphere(0.27, 28, 12);
    bob.transform(Affine::scaling(1, 1, 0.28).then(Affine::translation({0, -1.75, 0})));
    m.append(bob);
    m.append(extrude({circleContour({0, -1.75}, 0.285, 64), circleContour({0, -1.75}, 0.255, 64)},
                     plate(-0.045, 0.045, 0.008, 2.0)));
    m.append(extrude({roundedRect(-0.035, -2.08, 0.035, -2.02, 0.012, 3)}, plate(-0.02, 0.02, 0.004, 2.0)));
    m.append(extrude({bar({0, -2.00}, {0, -2.12}, 0.006)}, rod));
    return m;
}

MeshBuilder makeBackdropNear() {
    // A dark panel behind the whole clock; its bevelled edge stays in view as a frame at
    // narrow aspect ratios. Its leather spans the left half of the atlas once; the right
    // half holds the chapter ring, which sits on the dial far in front of the panel.
    const double x0 = -5.6, x1 = 5.6, y0 = -4.4, y1 = 3.3;
    ExtrudeParams p;
    p.zFront = 1.2;
    p.zBack = 1.4;
    p.bevelFront = 0.12;
    p.backCap = false;
    p.smoothDegrees = 20;
    MeshBuilder m = extrude({roundedRect(x0, y0, x1, y1, 0.5, 10)}, p);
    // Laid flat from the front, chamfer and walls included (the walls' depth keeps their
    // tangent frames defined).
    const double scale = 1.0 / (x1 - x0), vCentre = 0.5 + (y0 + y1) / 2 * scale;
    m.mapUv([=](const Vertex& v) {
        return Vec2{0.5 * (0.5 + v.position.x * scale), vCentre - v.position.y * scale + 0.01 * (v.position.z - 1.2)};
    });
    m.append(makeChapterRing());
    return m;
}

MeshBuilder makeBackdropFar() {
    // A wide wall far behind: it fills the view at every orbit position up to 16:9 and stays
    // inside the far plane (20) even at the edges of a tilted view. Wider and taller views
    // move and stretch it (scene/ClockView.h, which knows these extents).
    const double x0 = -26, x1 = 26, y0 = -18, y1 = 18, z = 6.0;
    const int nx = 8, ny = 6;
    MeshBuilder m;
    std::vector<uint32_t> ids;
    for (int i = 0; i <= ny; ++i)
        for (int j = 0; j <= nx; ++j) {
            double u = double(j) / nx, v = double(i) / ny;
            ids.push_back(m.addVertex({{x0 + (x1 - x0) * u, y1 - (y1 - y0) * v, z}, {0, 0, -1}, {u, v}}));
        }
    for (int i = 0; i < ny; ++i)
        for (int j = 0; j < nx; ++j) {
            uint32_t a = ids[i * (nx + 1) + j];
            m.addQuad(a, a + 1, a + nx + 2, a + nx + 1);
        }
    return m;
}

}  // namespace contentgen
