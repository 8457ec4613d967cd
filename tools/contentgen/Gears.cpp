// Gear outlines and the clock's wheels (see Gears.h and the trains described in Layout.h).
#include "Gears.h"

#include "Layout.h"
#include "MeshDetail.h"

#include <cmath>

namespace contentgen {

namespace {

constexpr double kGearUv = 1.6;  // brushed-brass texture repeats per unit
constexpr double kFancyWheelDepth = layout::kEscapeWheelDepth;

// Windows between spokes: spoke k runs from rIn to rOut along the angle
// phase + k * 2pi / spokes + twist * (r - rIn) / (rOut - rIn), keeping a constant width.
std::vector<Contour> spokeWindows(int spokes, double rIn, double rOut, double spokeHalfWidth, double twist,
                                  double phase) {
    std::vector<Contour> windows;
    const int samples = meshDetail() == MeshDetail::caster ? 4 : 8;
    auto spokeAngle = [&](int k, double r) { return phase + 2 * kPi * k / spokes + twist * (r - rIn) / (rOut - rIn); };
    for (int k = 0; k < spokes; ++k) {
        Contour w;
        // Along the outer arc from spoke k to spoke k+1.
        double a0 = spokeAngle(k, rOut) + std::asin(spokeHalfWidth / rOut);
        double a1 = spokeAngle(k + 1, rOut) - std::asin(spokeHalfWidth / rOut);
        for (int i = 0; i <= samples; ++i) w.push_back(polar(rOut, a0 + (a1 - a0) * i / samples));
        // Down the side of spoke k+1.
        for (int i = 1; i < samples / 2; ++i) {
            double r = rOut + (rIn - rOut) * i / (samples / 2);
            w.push_back(polar(r, spokeAngle(k + 1, r) - std::asin(spokeHalfWidth / r)));
        }
        double b0 = spokeAngle(k + 1, rIn) - std::asin(spokeHalfWidth / rIn);
        double b1 = spokeAngle(k, rIn) + std::asin(spokeHalfWidth / rIn);
        for (int i = 0; i <= samples / 2; ++i) w.push_back(polar(rIn, b0 + (b1 - b0) * i / (samples / 2)));
        // Up the side of spoke k.
        for (int i = 1; i < samples / 2; ++i) {
            double r = rIn + (rOut - rIn) * i / (samples / 2);
            w.push_back(polar(r, spokeAngle(k, r) + std::asin(spokeHalfWidth / r)));
        }
        windows.push_back(w);
    }
    return windows;
}

ExtrudeParams slab(double z0, double z1, double bevel) {
    ExtrudeParams p;
    p.zFront = z0;
    p.zBack = z1;
    p.bevelFront = bevel;
    p.bevelBack = 0;  // the backs face away from every viewpoint; no chamfer needed
    p.uv.scale = kGearUv;
    return p;
}

// A spur wheel: toothed rim, web with the given windows, a raised hub and a bore.
MeshBuilder spurWheel(const Contour& profile, std::vector<Contour> windows, double thickness, double hubRadius,
                      double boreRadius, double hubThickness) {
    std::vector<Contour> contours = std::move(windows);
    contours.push_back(profile);
    contours.push_back(circleContour({0, 0}, boreRadius, 16));
    MeshBuilder m = extrude(contours, slab(-thickness / 2, thickness / 2, thickness * 0.14));
    if (hubRadius > 0) {
        MeshBuilder hub = extrude({circleContour({0, 0}, hubRadius, 32), circleContour({0, 0}, boreRadius, 16)},
                                  slab(-hubThickness / 2, hubThickness / 2, hubThickness * 0.12));
        m.append(hub);
    }
    return m;
}

}  // namespace

Contour spurProfile(int teeth, double pitchRadius, double phase) {
    const double m = 2 * pitchRadius / teeth;
    const double tip = pitchRadius + m, root = pitchRadius - 1.25 * m;
    const double tau = 2 * kPi / teeth;
    // Fractions of one tooth pitch: root land, flank through the pitch circle, tip land.
    const struct {
        double f, r;
    } shape[] = {{-0.5, root}, {-0.31, root}, {-0.25, pitchRadius}, {-0.14, tip}, {0.14, tip}, {0.25, pitchRadius},
                 {0.31, root}};
    Contour c;
    if (meshDetail() != MeshDetail::full && teeth > 20) {
        // Coarser: root to tip and back in straight flanks.
        for (int k = 0; k < teeth; ++k)
            for (const auto& s : {shape[1], shape[3], shape[4], shape[6]}) c.push_back(polar(s.r, phase + (k + s.f) * tau));
        return c;
    }
    // Small pinions keep a point in the middle of each root land so it stays round.
    const size_t first = teeth > 20 ? 1 : 0;
    for (int k = 0; k < teeth; ++k)
        for (size_t i = first; i < std::size(shape); ++i) c.push_back(polar(shape[i].r, phase + (k + shape[i].f) * tau));
    return c;
}

MeshBuilder cylinderZ(double radius, double z0, double z1, int segments, double bevel) {
    ExtrudeParams p = slab(z0, z1, 0);
    p.bevelFront = bevel;
    p.bevelBack = bevel;
    return extrude({circleContour({0, 0}, radius, segments)}, p);
}

MeshBuilder bevelGear(int teeth, double pitchRadius, double halfAngle, double faceWidth, double boreRadius,
                      double phase) {
    const double coneDistance = pitchRadius / std::sin(halfAngle);
    const double inner = (coneDistance - faceWidth) / coneDistance;  // scale at the small end
    const double zOuter = coneDistance * std::cos(halfAngle), zInner = zOuter * inner;
    Contour outer = spurProfile(teeth, pitchRadius, phase);
    Contour small = outer;
    for (Vec2& p : small) p = p * inner;
    Contour bore = circleContour({0, 0}, boreRadius, 24);
    MeshBuilder m;
    CapUv uv;
    uv.scale = kGearUv;
    // The big end faces away from the apex, the small end towards it.
    addCap(m, {outer, reversed(bore)}, zOuter, false, uv);
    addCap(m, {small, reversed(bore)}, zInner, true, uv);
    addBand(m, small, zInner, outer, zOuter, kGearUv);
    addBand(m, reversed(bore), zInner, reversed(bore), zOuter, kGearUv);
    return m;
}

MeshBuilder makeToothyGear() {
    using namespace layout;
    Contour profile = spurProfile(kToothyTeeth, kToothyPitch);
    auto windows = spokeWindows(6, 0.17, 0.80, 0.035, 0.35, 0);
    MeshBuilder m = spurWheel(profile, windows, 0.05, 0.12, 0.03, 0.08);
    // A thin raised ring just inside the teeth stiffens the rim and catches the light.
    m.append(extrude({circleContour({0, 0}, 0.86, 96), circleContour({0, 0}, 0.80, 96)}, slab(-0.032, 0.0, 0.006)));
    return m;
}

MeshBuilder makeFancyGear() {
    // The escape wheel shape: raked teeth like a ratchet, five swept spokes.
    const int teeth = 40;
    const double pitch = 0.33, m = 2 * pitch / teeth, tip = pitch + 1.2 * m, root = pitch - 1.3 * m;
    const double tau = 2 * kPi / teeth;
    Contour profile;
    for (int k = 0; k < teeth; ++k) {
        profile.push_back(polar(root, (k - 0.45) * tau));
        profile.push_back(polar(root + 0.3 * (tip - root), (k - 0.1) * tau));
        profile.push_back(polar(tip, (k + 0.28) * tau));
        profile.push_back(polar(tip - 0.15 * (tip - root), (k + 0.36) * tau));
        profile.push_back(polar(root, (k + 0.3) * tau));
    }
    auto windows = spokeWindows(5, 0.085, 0.27, 0.022, 0.9, 0);
    // As the ticking wheel it stands just under the date line: set back behind the drums
    // (which reach 0.103 deep), it passes behind the counter plate instead of covering the
    // month drum, and shows below the plate like the escape wheel of a movement.
    MeshBuilder wheel = spurWheel(profile, windows, 0.04, 0.065, 0.018, 0.07);
    wheel.transform(Affine::translation({0, 0, kFancyWheelDepth}));
    wheel.append(cylinderZ(0.02, -0.02, kFancyWheelDepth + 0.04, 16, 0.004));
    return wheel;
}

MeshBuilder makeFancySecondary() {
    // Pierced with a ring of round holes instead of spokes.
    Contour profile = spurProfile(48, 0.40);
    std::vector<Contour> holes;
    for (int k = 0; k < 8; ++k) holes.push_back(circleContour(polar(0.235, kPi / 8 + k * kPi / 4), 0.085, 18));
    for (int k = 0; k < 8; ++k) holes.push_back(circleContour(polar(0.125, k * kPi / 4), 0.022, 8));
    return spurWheel(profile, holes, 0.045, 0.07, 0.02, 0.08);
}

MeshBuilder makeExtraGearA() {
    using namespace layout;
    const double wheel = extraWheelPitch(), pinion = extraPinionPitch();
    // Phase of the pinion so that it meets the other copy's wheel gap-to-tooth: the lower
    // copy's wheel turns by -w and the upper copy's pinion by +4w, along the line between
    // their centres at angle phi.
    const double phi = std::atan2(2.161 - 1.356, 2.275 - 2.416);
    const double tauPinion = 2 * kPi / kExtraPinionTeeth;
    const double delta = std::fmod(5 * phi + kPi - tauPinion / 2, tauPinion);
    MeshBuilder m = spurWheel(spurProfile(kExtraWheelTeeth, wheel), spokeWindows(4, 0.12, wheel - 0.09, 0.03, 0.0, kPi / 4),
                              0.045, 0.09, 0.02, 0.07);
    MeshBuilder p = extrude({spurProfile(kExtraPinionTeeth, pinion, delta), circleContour({0, 0}, 0.02, 16)},
                            slab(kExtraPinionZ - 0.03, kExtraPinionZ + 0.03, 0.005));
    m.append(p);
    m.append(cylinderZ(0.022, -0.06, kExtraPinionZ + 0.05, 20, 0.004));
    return m;
}

MeshBuilder makeExtraGearB() {
    // Rides on the same arbor as the upper extra gear A, 0.414 further back; its own arbor
    // reaches forward to meet that one.
    MeshBuilder m = spurWheel(spurProfile(44, 0.45), spokeWindows(5, 0.1, 0.37, 0.028, -0.5, 0), 0.045, 0.08, 0.02, 0.07);
    m.append(cylinderZ(0.022, -0.32, 0.04, 20, 0.004));
    return m;
}

MeshBuilder makeSideDriver() {
    using namespace layout;
    // Its bevel ring lies in its own plane with the cone apex 0.387 in front (towards -z).
    const double pitch = kSideMiterPitch, half = kPi / 4;
    MeshBuilder ring = bevelGear(kSideMiterTeeth, pitch, half, 0.11, 0.2);
    const double zOuter = pitch / std::tan(half);
    MeshBuilder m;
    m.append(ring, Affine::translation({0, 0, -zOuter}));
    // Web and hub behind the ring.
    m.append(spurWheel(circleContour({0, 0}, pitch * 0.98, 64), spokeWindows(4, 0.08, 0.2, 0.025, 0.0, 0), 0.03, 0.07, 0.02,
                       0.07),
             Affine::translation({0, 0, 0.03}));
    m.append(cylinderZ(0.025, -0.02, 0.14, 20, 0.004));
    return m;
}

MeshBuilder makeSideGear() {
    using namespace layout;
    // Built about local x (the clock turns it about x). Towards the driver: a 45-degree
    // bevel ring whose apex lies where the two axes cross, 0.953 to the -x side, with the ring
    // beyond the apex. Towards the globe: the 2-to-1 bevel wheel driving the mini gear,
    // whose apex is the globe's centre.
    const double apexDriver = kSideDriverX - kSideGearX;   // -0.953
    const double apexMini = kMiniCentreX - kSideGearX;     // +0.82
    MeshBuilder m;
    // bevelGear runs along +z from its apex; map +z onto -x.
    Affine alongMinusX;
    alongMinusX.r0 = {0, 0, 1};   // local x -> world z
    alongMinusX.r1 = {0, 1, 0};
    alongMinusX.r2 = {-1, 0, 0};  // local z -> world -x
    // Both rings are set half a tooth round against the driver and the mini gear, whose
    // teeth stand at phase 0: turned as the clock turns the three wheels, that puts a gap
    // of this gear where a tooth of the other crosses the line of contact, on both sides
    // of the clock (the left train is the right one turned half a turn about z).
    MeshBuilder miter = bevelGear(kSideMiterTeeth, kSideMiterPitch, kPi / 4, 0.11, 0.05, kPi / kSideMiterTeeth);
    m.append(miter, alongMinusX.then(Affine::translation({apexDriver, 0, 0})));
    const double wheelHalf = miniWheelHalfAngle();
    const double wheelPitch = kMiniConeDistance * std::sin(wheelHalf);
    MeshBuilder wheel = bevelGear(kMiniWheelTeeth, wheelPitch, wheelHalf, 0.09, 0.05, kPi / kMiniWheelTeeth);
    m.append(wheel, alongMinusX.then(Affine::translation({apexMini, 0, 0})));
    // Shaft between the two rings, with a collar at the gear's own position.
    const double xFrom = apexDriver - kSideMiterPitch - 0.02;
    const double xTo = apexMini - kMiniConeDistance * std::cos(wheelHalf) + 0.02;
    MeshBuilder shaft = cylinderZ(0.028, xFrom, xTo, 20, 0.004);
    Affine zToX;
    zToX.r0 = {0, 0, 1};
    zToX.r1 = {0, 1, 0};
    zToX.r2 = {1, 0, 0};
    m.append(shaft, zToX);
    MeshBuilder collar = spurWheel(spurProfile(24, 0.18), {}, 0.035, 0.06, 0.026, 0.06);
    m.append(collar, zToX);
    return m;
}

MeshBuilder makeSideMini() {
    using namespace layout;
    // About local x through the globe's centre (its apex); the pinion sits on the -x side of
    // it, where the clock's tilt brings it round to meet the side gear's wheel.
    const double half = miniPinionHalfAngle();
    const double pitch = kMiniConeDistance * std::sin(half);
    MeshBuilder pinion = bevelGear(kMiniPinionTeeth, pitch, half, 0.09, 0.03);
    Affine alongMinusX;
    alongMinusX.r0 = {0, 0, 1};
    alongMinusX.r1 = {0, 1, 0};
    alongMinusX.r2 = {-1, 0, 0};
    MeshBuilder m;
    m.append(pinion, alongMinusX);
    const double xPitch = kMiniConeDistance * std::cos(half);
    MeshBuilder arbor = cylinderZ(0.03, 0.35, xPitch + 0.03, 16, 0.004);
    m.append(arbor, alongMinusX);
    return m;
}

}  // namespace contentgen
