// Small vector helpers for building geometry. The generator works in the saver's world
// conventions: x right, y up, z away from the camera (left-handed).
#pragma once

#include <cmath>

namespace contentgen {

constexpr double kPi = 3.14159265358979323846;

struct Vec2 {
    double x = 0, y = 0;
};

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, double s) { return {a.x * s, a.y * s}; }
inline double dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
inline double cross(Vec2 a, Vec2 b) { return a.x * b.y - a.y * b.x; }
inline double length(Vec2 a) { return std::sqrt(dot(a, a)); }
inline Vec2 normalized(Vec2 a) {
    double l = length(a);
    return l > 0 ? a * (1.0 / l) : a;
}
inline Vec2 polar(double r, double angle) { return {r * std::cos(angle), r * std::sin(angle)}; }

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(Vec3 a) { return std::sqrt(dot(a, a)); }
inline Vec3 normalized(Vec3 a) {
    double l = length(a);
    return l > 0 ? a * (1.0 / l) : a;
}

// Row-vector affine transform (p × M), the same convention as the saver's matrices.
struct Affine {
    // Rows of the 3 × 3 part, then the translation row.
    Vec3 r0{1, 0, 0}, r1{0, 1, 0}, r2{0, 0, 1}, t{0, 0, 0};

    Vec3 point(Vec3 p) const { return r0 * p.x + r1 * p.y + r2 * p.z + t; }
    Vec3 direction(Vec3 d) const { return r0 * d.x + r1 * d.y + r2 * d.z; }

    static Affine translation(Vec3 d) {
        Affine a;
        a.t = d;
        return a;
    }
    static Affine scaling(double sx, double sy, double sz) {
        Affine a;
        a.r0 = {sx, 0, 0};
        a.r1 = {0, sy, 0};
        a.r2 = {0, 0, sz};
        return a;
    }
    // The same sense as the saver's quaternion rotations: about +z a positive angle turns +x
    // towards +y.
    static Affine rotationZ(double angle) {
        Affine a;
        double c = std::cos(angle), s = std::sin(angle);
        a.r0 = {c, s, 0};
        a.r1 = {-s, c, 0};
        return a;
    }
    static Affine rotationY(double angle) {
        Affine a;
        double c = std::cos(angle), s = std::sin(angle);
        a.r0 = {c, 0, -s};
        a.r2 = {s, 0, c};
        return a;
    }
    static Affine rotationX(double angle) {
        Affine a;
        double c = std::cos(angle), s = std::sin(angle);
        a.r1 = {0, c, s};
        a.r2 = {0, -s, c};
        return a;
    }
    // this first, then b.
    Affine then(const Affine& b) const {
        Affine o;
        o.r0 = b.direction(r0);
        o.r1 = b.direction(r1);
        o.r2 = b.direction(r2);
        o.t = b.point(t);
        return o;
    }
};

}  // namespace contentgen
