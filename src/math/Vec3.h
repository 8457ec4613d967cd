// Vec3: the three-float vector of the widget tree and the animation poses (positions, axes,
// picking rays), with the few operations the scene needs. Plain data, so it can sit inside
// key records that are zero-filled in bulk.
#pragma once

#include <cmath>

struct Vec3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;

    constexpr Vec3() = default;
    constexpr Vec3(float fx, float fy, float fz) : x(fx), y(fy), z(fz) {}

    // Divides by the length; a zero vector has no direction and is left as it is.
    void normalise() {
        const float lengthSquared = x * x + y * y + z * z;
        if (lengthSquared > 0.0f) {
            const float length = std::sqrt(lengthSquared);
            x /= length;
            y /= length;
            z /= length;
        }
    }
};

inline float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(const Vec3& a, float k) { return {a.x * k, a.y * k, a.z * k}; }
