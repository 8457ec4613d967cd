// Quaternion construction and composition for the widget placements and animation keys.
#include "math/Quaternion.h"

#include <cmath>

Quaternion Quaternion::fromAxisAngle(float ax, float ay, float az, float angle) {
    const float s = std::sin(angle * 0.5f);
    return {std::cos(angle * 0.5f), ax * s, ay * s, az * s};
}

void Quaternion::toMatrix(D3DXMATRIX* out) const {
    const D3DXQUATERNION q = toD3DX();
    D3DXMatrixRotationQuaternion(out, &q);
}

Quaternion operator*(const Quaternion& p, const Quaternion& q) {
    return {p.w * q.w - p.x * q.x - p.y * q.y - p.z * q.z,
            p.w * q.x + p.x * q.w + p.y * q.z - p.z * q.y,
            p.w * q.y - p.x * q.z + p.y * q.w + p.z * q.x,
            p.w * q.z + p.x * q.y - p.y * q.x + p.z * q.w};
}
