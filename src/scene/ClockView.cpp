// The field of view from the picture's shape, and the far wall fitted to what the orbiting
// camera sees (see ClockView.h).
#include "scene/ClockView.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kQuarterPi = 0.7853982f;

struct Vec {
    double x, y, z;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator*(double s, Vec v) { return {s * v.x, s * v.y, s * v.z}; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec normalized(Vec v) { return (1.0 / std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z)) * v; }

// The farthest any view reaches onto the plane z = wallZ, over the whole orbit: the largest
// view depth and the largest |x| and |y| where the view's corner rays meet it. A plane's cut
// through the view is the quadrilateral of those four hits, and depth is affine on the plane,
// so the corners bound everything in view.
struct Reach {
    double depth = 0, halfWidth = 0, halfHeight = 0;
    bool behind = false;  // some corner ray never meets the plane
};

Reach reachOnPlane(double tanX, double tanY, double wallZ) {
    Reach reach;
    constexpr int steps = 720;
    for (int i = 0; i < steps; ++i) {
        const double phi = 2.0 * 3.141592653589793 * i / steps;
        const Vec eye{kOrbitRadius * std::cos(phi), kOrbitRadius * std::sin(phi), kEyeZ};
        // The left-handed look-at's axes: forward, right, up.
        const Vec forward = normalized(Vec{0, kCameraTargetY, 0} - eye);
        const Vec right = normalized(cross(Vec{0, 1, 0}, forward));
        const Vec up = cross(forward, right);
        for (int sx = -1; sx <= 1; sx += 2)
            for (int sy = -1; sy <= 1; sy += 2) {
                // One unit of view depth along the corner ray.
                const Vec ray = forward + (sx * tanX) * right + (sy * tanY) * up;
                if (ray.z <= 1e-6) {
                    reach.behind = true;
                    continue;
                }
                const double depth = (wallZ - eye.z) / ray.z;
                const Vec hit = eye + depth * ray;
                reach.depth = std::max(reach.depth, depth);
                reach.halfWidth = std::max(reach.halfWidth, std::fabs(hit.x));
                reach.halfHeight = std::max(reach.halfHeight, std::fabs(hit.y));
            }
    }
    return reach;
}

}  // namespace

float clockFieldOfViewY(float aspect) {
    if (!(aspect > 0.0f) || aspect >= 4.0f / 3.0f) return kQuarterPi;
    return 2.0f * std::atan(std::tan(kQuarterPi / 2.0f) * (4.0f / 3.0f) / aspect);
}

D3DXMATRIX farWallPlacement(float tanHalfFovX, float tanHalfFovY) {
    D3DXMATRIX placement;
    D3DXMatrixIdentity(&placement);
    const Reach built = reachOnPlane(tanHalfFovX, tanHalfFovY, kFarWallZ);
    if (built.behind) return placement;  // no wall ends a view that wide
    if (built.depth <= kFarPlane && built.halfWidth <= kFarWallHalfWidth && built.halfHeight <= kFarWallHalfHeight)
        return placement;

    // Nearer by the share that brings the deepest view under the far plane, with a little to
    // spare; then as wide and high as the views reach there, again with a margin.
    const double nearer = std::min(1.0, 0.97 * kFarPlane / built.depth);
    const double wallZ = kEyeZ + (kFarWallZ - kEyeZ) * nearer;
    const Reach moved = reachOnPlane(tanHalfFovX, tanHalfFovY, wallZ);
    const double grow = std::max({nearer, 1.02 * moved.halfWidth / kFarWallHalfWidth,
                                  1.02 * moved.halfHeight / kFarWallHalfHeight});
    placement._11 = float(grow);
    placement._22 = float(grow);
    placement._43 = float(wallZ - kFarWallZ);
    return placement;
}
