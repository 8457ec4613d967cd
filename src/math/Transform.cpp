// Transform operations: every one except setMatrix keeps matrix = R(rotation) x T(position).
#include "math/Transform.h"

#include <cstring>

Transform::Transform() { D3DXMatrixIdentity(&matrix); }

void Transform::setPosition(float x, float y, float z) {
    position = Vec3(x, y, z);
    matrix._41 = x;
    matrix._42 = y;
    matrix._43 = z;
}

void Transform::translateBy(float dx, float dy, float dz) {
    setPosition(position.x + dx, position.y + dy, position.z + dz);
}

void Transform::setRotation(const Quaternion& q) {
    rotation = q;
    rebuild();
}

void Transform::setRotationAxisAngle(float ax, float ay, float az, float angle) {
    rotation = Quaternion::fromAxisAngle(ax, ay, az, angle);
    rebuild();
}

void Transform::rotateBy(float ax, float ay, float az, float angle) {
    rotation = Quaternion::fromAxisAngle(ax, ay, az, angle) * rotation;
    rebuild();
}

void Transform::setMatrix(const float values[16]) { std::memcpy(&matrix.m[0][0], values, 16 * sizeof(float)); }

void Transform::setMatrix(const D3DMATRIX& m) { setMatrix(&m.m[0][0]); }

void Transform::reset() {
    position = Vec3();
    rotation = Quaternion::identity();
    D3DXMatrixIdentity(&matrix);
}

void Transform::rebuild() {
    // With a pure rotation followed by a pure translation the product is the rotation with
    // the position written into the fourth row.
    rotation.toMatrix(&matrix);
    matrix._41 = position.x;
    matrix._42 = position.y;
    matrix._43 = position.z;
}
