// Vectors, quaternions and Transform placements: the conventions widgets and animation poses
// are composed with (row vectors, rotate then move, a product's right operand turning first).
#include "math/EulerMatrix.h"
#include "math/Quaternion.h"
#include "math/Transform.h"
#include "math/Vec3.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float kEps = 1e-5f;
constexpr float kQuarter = 1.5707964f;

D3DXVECTOR3 apply(const D3DXMATRIX& m, float x, float y, float z) {
    const D3DXVECTOR3 p(x, y, z);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &p, &m);
    return out;
}

void expectPoint(const D3DXVECTOR3& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, kEps);
    EXPECT_NEAR(v.y, y, kEps);
    EXPECT_NEAR(v.z, z, kEps);
}

void expectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], kEps) << "element " << r << "," << c;
}

D3DXMATRIX matrixOf(const Quaternion& q) {
    D3DXMATRIX m;
    q.toMatrix(&m);
    return m;
}

}  // namespace

TEST(Vec3Math, DotCrossAndNormalise) {
    EXPECT_FLOAT_EQ(dot(Vec3(1, 2, 3), Vec3(4, -5, 6)), 12.0f);
    const Vec3 z = cross(Vec3(1, 0, 0), Vec3(0, 1, 0));
    EXPECT_EQ(z.x, 0.0f);
    EXPECT_EQ(z.y, 0.0f);
    EXPECT_EQ(z.z, 1.0f);
    const Vec3 c = cross(Vec3(1, 2, 3), Vec3(4, 5, 6));
    EXPECT_FLOAT_EQ(c.x, -3.0f);
    EXPECT_FLOAT_EQ(c.y, 6.0f);
    EXPECT_FLOAT_EQ(c.z, -3.0f);

    Vec3 v(0, 3, 4);
    v.normalise();
    EXPECT_FLOAT_EQ(v.y, 0.6f);
    EXPECT_FLOAT_EQ(v.z, 0.8f);

    Vec3 zero;
    zero.normalise();
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
    EXPECT_EQ(zero.z, 0.0f);
}

TEST(QuaternionMath, AboutZTurnsXTowardsY) {
    const float theta = 0.4f;
    const Quaternion q = Quaternion::fromAxisAngle(0, 0, 1, theta);
    EXPECT_NEAR(q.w, std::cos(theta / 2), kEps);
    EXPECT_NEAR(q.z, std::sin(theta / 2), kEps);
    expectPoint(apply(matrixOf(q), 1, 0, 0), std::cos(theta), std::sin(theta), 0.0f);
}

TEST(QuaternionMath, ProductTurnsByTheRightOperandFirst) {
    const Quaternion p = Quaternion::fromAxisAngle(1, 0, 0, 0.3f);
    const Quaternion q = Quaternion::fromAxisAngle(0, 0.6f, 0.8f, 1.1f);
    expectMatrixNear(matrixOf(p * q), matrixOf(q) * matrixOf(p));
    // Hamilton's rules on the basis: i j = k, j i = -k.
    const Quaternion k = Quaternion(0, 1, 0, 0) * Quaternion(0, 0, 1, 0);
    EXPECT_EQ(k.z, 1.0f);
    EXPECT_EQ(k.w, 0.0f);
    const Quaternion minusK = Quaternion(0, 0, 1, 0) * Quaternion(0, 1, 0, 0);
    EXPECT_EQ(minusK.z, -1.0f);
}

TEST(TransformMath, RotatesAboutTheLocalOriginThenMoves) {
    Transform t;
    t.setPosition(5, 0, 0);
    t.setRotationAxisAngle(0, 0, 1, kQuarter);
    expectPoint(apply(t.matrix, 1, 0, 0), 5.0f, 1.0f, 0.0f);
    t.translateBy(0, 0, 2);
    t.translateBy(1, 0, 0);
    EXPECT_FLOAT_EQ(t.position.x, 6.0f);
    EXPECT_FLOAT_EQ(t.position.z, 2.0f);
    expectPoint(apply(t.matrix, 1, 0, 0), 6.0f, 1.0f, 2.0f);

    t.reset();
    expectPoint(apply(t.matrix, 1, 2, 3), 1.0f, 2.0f, 3.0f);
    EXPECT_EQ(t.rotation.w, 1.0f);
    EXPECT_EQ(t.position.x, 0.0f);
}

TEST(TransformMath, NegativeZAxisTurnsClockwiseOnScreen) {
    Transform t;
    t.setRotationAxisAngle(0, 0, -1, kQuarter);
    expectPoint(apply(t.matrix, 1, 0, 0), 0.0f, -1.0f, 0.0f);
}

TEST(TransformMath, RotateByTurnsAfterTheRotationAlreadyHeld) {
    Transform fresh;
    fresh.rotateBy(0, 1, 0, 0.8f);
    Transform direct;
    direct.setRotationAxisAngle(0, 1, 0, 0.8f);
    expectMatrixNear(fresh.matrix, direct.matrix);

    // About z first, then about x: +x goes to +y, and +y then to +z.
    Transform t;
    t.setPosition(0, 0, 3);
    t.setRotationAxisAngle(0, 0, 1, kQuarter);
    t.rotateBy(1, 0, 0, kQuarter);
    expectPoint(apply(t.matrix, 1, 0, 0), 0.0f, 0.0f, 4.0f);
    expectMatrixNear(t.matrix, matrixOf(Quaternion::fromAxisAngle(0, 0, 1, kQuarter)) *
                                   matrixOf(Quaternion::fromAxisAngle(1, 0, 0, kQuarter)) * [] {
                                       D3DXMATRIX m;
                                       D3DXMatrixTranslation(&m, 0, 0, 3);
                                       return m;
                                   }());

    // setRotationAxisAngle discards what was there before.
    t.setRotationAxisAngle(0, 0, 1, kQuarter);
    expectPoint(apply(t.matrix, 1, 0, 0), 0.0f, 1.0f, 3.0f);
}

TEST(TransformMath, SetMatrixKeepsItsRotationUntilTheNextRebuild) {
    D3DXMATRIX copied;
    D3DXMatrixRotationZ(&copied, kQuarter);
    copied._41 = 9;

    Transform t;
    t.setMatrix(copied);
    EXPECT_EQ(t.position.x, 0.0f);  // the parts are not touched
    t.setPosition(1, 2, 3);
    expectPoint(apply(t.matrix, 1, 0, 0), 1.0f, 3.0f, 3.0f);

    t.rebuild();  // back to the parts: identity rotation at (1, 2, 3)
    expectPoint(apply(t.matrix, 1, 0, 0), 2.0f, 2.0f, 3.0f);

    float raw[16];
    for (int i = 0; i < 16; ++i) raw[i] = static_cast<float>(i);
    t.setMatrix(raw);
    EXPECT_EQ(t.matrix._12, 1.0f);
    EXPECT_EQ(t.matrix._44, 15.0f);
}

TEST(EulerMatrix, WritesAnOrthonormalRotationAndKeepsTheRest) {
    D3DXMATRIX m(0, 0, 0, 7, 0, 0, 0, 8, 0, 0, 0, 9, 4, 5, 6, 1);
    eulerToMatrix(&m, 0.3f, -1.2f, 2.0f);
    EXPECT_EQ(m._14, 7.0f);
    EXPECT_EQ(m._24, 8.0f);
    EXPECT_EQ(m._34, 9.0f);
    EXPECT_EQ(m._41, 4.0f);
    EXPECT_EQ(m._43, 6.0f);
    EXPECT_EQ(m._44, 1.0f);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const float d = m.m[i][0] * m.m[j][0] + m.m[i][1] * m.m[j][1] + m.m[i][2] * m.m[j][2];
            EXPECT_NEAR(d, i == j ? 1.0f : 0.0f, kEps) << "rows " << i << "," << j;
        }
    // A proper rotation, not a mirror.
    const float det = m._11 * (m._22 * m._33 - m._23 * m._32) - m._12 * (m._21 * m._33 - m._23 * m._31) +
                      m._13 * (m._21 * m._32 - m._22 * m._31);
    EXPECT_NEAR(det, 1.0f, kEps);

    // One angle alone: c turns within the x-y plane, b within x-z.
    eulerToMatrix(&m, 0.0f, 0.0f, 0.5f);
    EXPECT_NEAR(m._11, std::cos(0.5f), kEps);
    EXPECT_NEAR(m._21, std::sin(0.5f), kEps);
    EXPECT_NEAR(m._33, 1.0f, kEps);
    eulerToMatrix(&m, 0.0f, 0.5f, 0.0f);
    EXPECT_NEAR(m._31, -std::sin(0.5f), kEps);
    EXPECT_NEAR(m._22, 1.0f, kEps);
}
