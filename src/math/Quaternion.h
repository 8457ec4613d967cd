// Quaternion: an orientation, stored w first (w, x, y, z) as the animation files write their
// rotation keys. D3DX stores x, y, z, w, so conversion to a matrix goes through toD3DX().
#pragma once

#include <d3dx9.h>

struct Quaternion {
    float w = 1.0f, x = 0.0f, y = 0.0f, z = 0.0f;

    constexpr Quaternion() = default;
    constexpr Quaternion(float fw, float fx, float fy, float fz) : w(fw), x(fx), y(fy), z(fz) {}

    static constexpr Quaternion identity() { return {}; }

    // The axis is taken as given: every axis the clock turns about already has length 1.
    static Quaternion fromAxisAngle(float ax, float ay, float az, float angle);

    D3DXQUATERNION toD3DX() const { return D3DXQUATERNION(x, y, z, w); }

    // Row-vector rotation matrix of a unit quaternion, fourth row and column identity.
    void toMatrix(D3DXMATRIX* out) const;
};

// Hamilton product p (x) q: as a row-vector rotation, q turns first and p second.
Quaternion operator*(const Quaternion& p, const Quaternion& q);
