// The D3DX matrix helpers against values worked out by hand, in the row-vector, left-handed
// conventions every placement and camera of the scene depends on.
#include <d3dx9.h>

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float kEps = 1e-5f;

D3DXVECTOR3 transform(const D3DXVECTOR3& p, const D3DXMATRIX& m) {
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &p, &m);
    return out;
}

void expectVec(const D3DXVECTOR3& v, float x, float y, float z, float eps = kEps) {
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

void expectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float eps = kEps) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], eps) << "element " << r << "," << c;
}

D3DXMATRIX identity() {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

}  // namespace

TEST(D3DXMath, ProductAppliesLeftOperandFirst) {
    D3DXMATRIX t, r;
    D3DXMatrixTranslation(&t, 1.0f, 0.0f, 0.0f);
    D3DXMatrixRotationZ(&r, D3DX_PI / 2);
    // Move to x = 2, then turn a quarter about z: (0, 2, 0). The other order gives (1, 1, 0).
    expectVec(transform(D3DXVECTOR3(1, 0, 0), t * r), 0.0f, 2.0f, 0.0f);
    expectVec(transform(D3DXVECTOR3(1, 0, 0), r * t), 1.0f, 1.0f, 0.0f);

    D3DXMATRIX aliased = t;
    D3DXMatrixMultiply(&aliased, &aliased, &r);
    expectMatrixNear(aliased, t * r);
}

TEST(D3DXMath, SixteenFloatConstructorIsRowByRow) {
    const D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    EXPECT_EQ(m._12, 2.0f);
    EXPECT_EQ(m._21, 5.0f);
    EXPECT_EQ(m(3, 0), 13.0f);
}

TEST(D3DXMath, LookAtAlongZIsAPureTranslation) {
    D3DXMATRIX view;
    const D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMATRIX expected;
    D3DXMatrixTranslation(&expected, 0.0f, 0.0f, 10.0f);
    expectMatrixNear(view, expected);
}

TEST(D3DXMath, LookAtFromTheSideTurnsTheAxes) {
    // Eye on +x looking at the origin: forward is -x, so world +z is to the camera's right.
    D3DXMATRIX view;
    const D3DXVECTOR3 eye(10, 0, 0), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    const D3DXMATRIX expected(0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 10, 1);
    expectMatrixNear(view, expected);
    expectVec(transform(D3DXVECTOR3(0, 0, 1), view), 1.0f, 0.0f, 10.0f);
    expectVec(transform(D3DXVECTOR3(0, 3, 0), view), 0.0f, 3.0f, 10.0f);
}

TEST(D3DXMath, PerspectiveMapsNearAndFarToZeroAndOne) {
    D3DXMATRIX proj;
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 2, 2.0f, 1.0f, 11.0f);
    const D3DXMATRIX expected(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.1f, 1, 0, 0, -1.1f, 0);
    expectMatrixNear(proj, expected);
    expectVec(transform(D3DXVECTOR3(0, 0, 1), proj), 0.0f, 0.0f, 0.0f);
    expectVec(transform(D3DXVECTOR3(0, 0, 11), proj), 0.0f, 0.0f, 1.0f);
    // The edge of a 90-degree view at depth 4 is y = 4; with aspect 2 the side edge is x = 8.
    expectVec(transform(D3DXVECTOR3(8, 4, 4), proj), 1.0f, 1.0f, 1.1f - 1.1f / 4.0f);
}

TEST(D3DXMath, InverseUndoesScaleThenMove) {
    D3DXMATRIX s, t;
    D3DXMatrixScaling(&s, 2, 4, 8);
    D3DXMatrixTranslation(&t, 1, 2, 3);
    const D3DXMATRIX m = s * t;

    D3DXMATRIX inv;
    float det = 0;
    ASSERT_NE(D3DXMatrixInverse(&inv, &det, &m), nullptr);
    EXPECT_NEAR(det, 64.0f, 1e-4f);
    EXPECT_EQ(D3DXMatrixDeterminant(&m), det);
    D3DXMATRIX mirror;
    D3DXMatrixScaling(&mirror, -1, 1, 1);
    EXPECT_NEAR(D3DXMatrixDeterminant(&mirror), -1.0f, 1e-6f) << "a mirror turns the sign";
    D3DXMATRIX undoMove, undoScale;
    D3DXMatrixTranslation(&undoMove, -1, -2, -3);
    D3DXMatrixScaling(&undoScale, 0.5f, 0.25f, 0.125f);
    expectMatrixNear(inv, undoMove * undoScale);
}

TEST(D3DXMath, InverseOfAGeneralMatrixAndInPlace) {
    // No zero entries and a non-affine last column, so every cofactor term takes part.
    const D3DXMATRIX m(2, 1, 0.5f, 0.1f, 0.3f, 3, 1, 0.2f, 1, 0.4f, 4, 0.3f, 5, -2, 1, 1);
    D3DXMATRIX inv;
    ASSERT_NE(D3DXMatrixInverse(&inv, nullptr, &m), nullptr);
    expectMatrixNear(m * inv, identity(), 1e-4f);
    expectMatrixNear(inv * m, identity(), 1e-4f);

    D3DXMATRIX same = m;
    ASSERT_EQ(D3DXMatrixInverse(&same, nullptr, &same), &same);
    expectMatrixNear(same, inv);
}

TEST(D3DXMath, SingularMatrixHasNoInverse) {
    D3DXMATRIX flat;
    D3DXMatrixScaling(&flat, 1, 0, 1);
    D3DXMATRIX out = identity();
    float det = 5;
    EXPECT_EQ(D3DXMatrixInverse(&out, &det, &flat), nullptr);
    EXPECT_EQ(det, 0.0f);
}

TEST(D3DXMath, QuaternionAboutZTurnsXTowardsY) {
    const float theta = 0.7f;
    const D3DXQUATERNION q(0, 0, std::sin(theta / 2), std::cos(theta / 2));
    D3DXMATRIX r;
    D3DXMatrixRotationQuaternion(&r, &q);
    expectVec(transform(D3DXVECTOR3(1, 0, 0), r), std::cos(theta), std::sin(theta), 0.0f);
    D3DXMATRIX rz;
    D3DXMatrixRotationZ(&rz, theta);
    expectMatrixNear(r, rz);
}

TEST(D3DXMath, CoordDividesByWAndNormalIgnoresTranslation) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 5, 6, 7);
    m._44 = 2.0f;
    expectVec(transform(D3DXVECTOR3(1, 2, 3), m), 3.0f, 4.0f, 5.0f);

    D3DXVECTOR3 n;
    const D3DXVECTOR3 dir(1, 2, 3);
    D3DXVec3TransformNormal(&n, &dir, &m);
    expectVec(n, 1.0f, 2.0f, 3.0f);
}

TEST(D3DXMath, NormalizeGivesUnitLengthAndLeavesZeroAtZero) {
    D3DXVECTOR3 v(3, 0, 4);
    D3DXVec3Normalize(&v, &v);
    expectVec(v, 0.6f, 0.0f, 0.8f);
    const D3DXVECTOR3 zero(0, 0, 0);
    D3DXVECTOR3 out(1, 1, 1);
    D3DXVec3Normalize(&out, &zero);
    expectVec(out, 0.0f, 0.0f, 0.0f, 0.0f);
}
