// Measurements shared by the parts and the pictures drawn on them: where the clock keeps
// its counters, how big the drum faces are, and the gear trains' pitch radii, worked out
// from the positions at which the clock places and turns each wheel.
#pragma once

#include <cmath>

namespace contentgen::layout {

// ---- drum faces ----------------------------------------------------------------------------
// A counter face is a slice of a drum: it spans 90 degrees of a cylinder whose axis runs
// along x, so its chord (what the window shows) is 0.40 high. Texture v runs from the top
// of the slice to its bottom, evenly in angle, so the label in the middle is seen at its
// true proportions.
constexpr double kDrumHalfAngle = 3.14159265358979323846 / 4;
constexpr double kDrumChord = 0.40;
inline double drumRadius() { return kDrumChord / 2 / std::sin(kDrumHalfAngle); }
inline double drumArc() { return drumRadius() * 2 * kDrumHalfAngle; }
// The face's nearest point sits this far in front of the counter's origin.
constexpr double kDrumFrontZ = -0.03;
// One digit wheel is 0.22 wide: the odometer advances 0.24 per digit, leaving a hairline
// between wheels. The double and triple faces carry two- and three-character labels.
constexpr double kDigitWidth = 0.22;
constexpr double kDoubleWidth = 0.44;
constexpr double kTripleWidth = 0.66;
// The bezel opening shows the middle of the chord; the rest curves away behind the plate.
constexpr double kWindowHalfHeight = 0.15;

// ---- the dial ----------------------------------------------------------------------------------
// The chapter ring: black enamel with cream hour batons and a minute track, seated in the
// frame's brass ring between an outer and an inner lip. The enamel is laid on the near
// backdrop's picture (its only picture that is not tiled), so it is part of that mesh.
constexpr double kChapterInner = 0.79;
constexpr double kChapterOuter = 0.97;
constexpr double kChapterFrontZ = -0.088;
constexpr double kDialLipInner = 0.775, kDialLipInnerTo = 0.80;
constexpr double kDialLipOuter = 0.962, kDialRimOuter = 1.0;

// ---- counter rows ----------------------------------------------------------------------------
constexpr double kTimeRowY = -1.36;
constexpr double kDateRowY = -1.88;
constexpr double kCounterZ = 0.05;

// ---- gear trains -----------------------------------------------------------------------------
// The two large toothed wheels turn at the same rate in opposite directions from centres
// 1.91 apart, so they mesh with equal pitch radii at the dial's centre. An odd tooth count
// puts a gap of one wheel opposite a tooth of the other with both drawn from one mesh.
constexpr double kToothyPitch = 0.955;
constexpr int kToothyTeeth = 61;
// Extra gear A is a wheel with a pinion on one arbor. The lower copy turns once per two
// minutes and drives the upper copy's pinion, which turns once per thirty seconds: 4 to 1,
// over a centre distance of |(2.416, 1.356) - (2.275, 2.161)|. The upper copy sits 0.105
// nearer the camera, so the pinion stands 0.105 behind the wheel.
inline double extraCentreDistance() {
    double dx = 2.416 - 2.275, dy = 1.356 - 2.161;
    return std::sqrt(dx * dx + dy * dy);
}
inline double extraWheelPitch() { return extraCentreDistance() * 4 / 5; }
inline double extraPinionPitch() { return extraCentreDistance() / 5; }
constexpr int kExtraWheelTeeth = 64;
constexpr int kExtraPinionTeeth = 16;
constexpr double kExtraPinionZ = 0.468 - 0.363;

// The side trains: a driver turning about z at (±2.507, 0, 0.791) and a side gear turning at
// the same rate about x through (±3.46, 0, 0.404). Their axes cross at (±2.507, 0, 0.404), so
// they are a pair of 45-degree bevel wheels with their cone apex there. The driver's toothed
// ring lies in its own plane, 0.387 behind the apex, which fixes the pitch radius; the side
// gear's ring sits on the far side of the apex so that both turn the ways the clock turns them.
constexpr double kSideDriverZ = 0.791;
constexpr double kSideAxisZ = 0.404;
constexpr double kSideDriverX = 2.507;
constexpr double kSideGearX = 3.46;
constexpr double kSideMiterPitch = kSideDriverZ - kSideAxisZ;
constexpr int kSideMiterTeeth = 28;
// The mini gear turns twice as fast as the side gear about an axis tilted 45 degrees from
// the side gear's, both through the globe's centre: bevel wheels of 2 to 1 on crossed axes.
constexpr double kMiniCentreX = 4.28;
constexpr double kMiniConeDistance = 0.75;  // from the apex to the pitch circles
inline double miniPinionHalfAngle() {
    const double s = std::sin(3.14159265358979323846 / 4), c = std::cos(3.14159265358979323846 / 4);
    return std::atan(s / (2 + c));
}
inline double miniWheelHalfAngle() { return 3.14159265358979323846 / 4 - miniPinionHalfAngle(); }
constexpr int kMiniPinionTeeth = 12;
constexpr int kMiniWheelTeeth = 24;

// ---- globe, moon and pendulum ---------------------------------------------------------------
constexpr double kGlobeRadius = 0.5;
constexpr double kMoonRadius = 0.42;
// The pendulum hangs behind the counter plate; its anchor reaches the ticking wheel.
constexpr double kPendulumPivotY = -1.62;
constexpr double kPendulumPivotZ = 0.30;
constexpr double kTickWheelY = -2.174;
// The fancy wheel's plate lies this far behind its position (see makeFancyGear), and the
// pendulum's anchor just in front of it.
constexpr double kEscapeWheelDepth = 0.16;
constexpr double kAnchorZ = 0.118;

}  // namespace contentgen::layout
