// Transform: the placement every widget owns and every animation samples into. It keeps a
// position and a rotation and the matrix built from them (rotate about the local origin,
// then move), so drawing reads one matrix while the time drive edits the parts.
#pragma once

#include "math/Quaternion.h"
#include "math/Vec3.h"

#include <d3dx9.h>

struct alignas(16) Transform {
    D3DXMATRIXA16 matrix;
    Vec3 position;
    Quaternion rotation;

    Transform();

    // Write only the translation row: a matrix copied in with setMatrix keeps its rotation.
    void setPosition(float x, float y, float z);
    void setPosition(const Vec3& p) { setPosition(p.x, p.y, p.z); }
    void translateBy(float dx, float dy, float dz);

    void setRotation(const Quaternion& q);
    // Replaces the rotation outright.
    void setRotationAxisAngle(float ax, float ay, float az, float angle);
    // Turns further, after the rotation already held.
    void rotateBy(float ax, float ay, float az, float angle);

    // Overwrites the matrix only; position and rotation stay as they were until the next
    // rebuild replaces the matrix again.
    void setMatrix(const float values[16]);
    void setMatrix(const D3DMATRIX& m);

    void reset();
    void rebuild();
};
