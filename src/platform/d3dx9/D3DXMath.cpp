// The D3DX matrix and vector helpers the scene composes its placements with. The formulas are
// D3DX's own: row vectors (p x M, translation in the fourth row), left-handed coordinates, and
// D3DX's answers at the edges (a singular matrix has no inverse and yields null; a zero vector
// normalises to zero). Every function allows pOut to alias an input.
#include <d3dx9.h>

#include <cmath>

D3DXMATRIX::D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23, float f24,
                       float f31, float f32, float f33, float f34, float f41, float f42, float f43, float f44) {
    _11 = f11; _12 = f12; _13 = f13; _14 = f14;
    _21 = f21; _22 = f22; _23 = f23; _24 = f24;
    _31 = f31; _32 = f32; _33 = f33; _34 = f34;
    _41 = f41; _42 = f42; _43 = f43; _44 = f44;
}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& rhs) const {
    D3DXMATRIX out;
    D3DXMatrixMultiply(&out, this, &rhs);
    return out;
}

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) pOut->m[r][c] = (r == c) ? 1.0f : 0.0f;
    return pOut;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    // Computed into a temporary so that out may be either operand.
    D3DMATRIX t;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            t.m[r][c] = pM1->m[r][0] * pM2->m[0][c] + pM1->m[r][1] * pM2->m[1][c] + pM1->m[r][2] * pM2->m[2][c] +
                        pM1->m[r][3] * pM2->m[3][c];
    *static_cast<D3DMATRIX*>(pOut) = t;
    return pOut;
}

namespace {

// The 2x2 minors of the top and bottom row pairs, from which both the determinant and the
// inverse follow (cofactor expansion); in double so that nearly singular placements (a far
// camera) still invert cleanly.
struct PairMinors {
    double a[4][4];
    double s0, s1, s2, s3, s4, s5, c0, c1, c2, c3, c4, c5;

    explicit PairMinors(const D3DXMATRIX& m) {
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) a[r][c] = m.m[r][c];
        s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
        s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
        s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
        s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
        s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
        s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
        c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
        c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
        c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
        c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
        c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
        c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
    }
    double determinant() const { return s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0; }
};

}  // namespace

float D3DXMatrixDeterminant(const D3DXMATRIX* pM) {
    return static_cast<float>(PairMinors(*pM).determinant());
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM) {
    const PairMinors minors(*pM);
    const auto& a = minors.a;
    const double s0 = minors.s0, s1 = minors.s1, s2 = minors.s2, s3 = minors.s3, s4 = minors.s4, s5 = minors.s5;
    const double c0 = minors.c0, c1 = minors.c1, c2 = minors.c2, c3 = minors.c3, c4 = minors.c4, c5 = minors.c5;

    const double det = minors.determinant();
    if (pDeterminant) *pDeterminant = static_cast<float>(det);
    if (det == 0.0 || !std::isfinite(det)) return nullptr;
    const double k = 1.0 / det;

    double b[4][4];
    b[0][0] = (a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3) * k;
    b[0][1] = (-a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3) * k;
    b[0][2] = (a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3) * k;
    b[0][3] = (-a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3) * k;
    b[1][0] = (-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1) * k;
    b[1][1] = (a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1) * k;
    b[1][2] = (-a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1) * k;
    b[1][3] = (a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1) * k;
    b[2][0] = (a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0) * k;
    b[2][1] = (-a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0) * k;
    b[2][2] = (a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0) * k;
    b[2][3] = (-a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0) * k;
    b[3][0] = (-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0) * k;
    b[3][1] = (a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0) * k;
    b[3][2] = (-a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0) * k;
    b[3][3] = (a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0) * k;

    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) pOut->m[r][c] = static_cast<float>(b[r][c]);
    return pOut;
}

namespace {

D3DXVECTOR3 subtract(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
D3DXVECTOR3 crossProduct(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float dotProduct(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

}  // namespace

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp) {
    D3DXVECTOR3 zaxis = subtract(*pAt, *pEye);
    D3DXVec3Normalize(&zaxis, &zaxis);
    D3DXVECTOR3 xaxis = crossProduct(*pUp, zaxis);
    D3DXVec3Normalize(&xaxis, &xaxis);
    const D3DXVECTOR3 yaxis = crossProduct(zaxis, xaxis);
    const D3DXVECTOR3 eye = *pEye;

    *pOut = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0.0f,
                       xaxis.y, yaxis.y, zaxis.y, 0.0f,
                       xaxis.z, yaxis.z, zaxis.z, 0.0f,
                       -dotProduct(xaxis, eye), -dotProduct(yaxis, eye), -dotProduct(zaxis, eye), 1.0f);
    return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float Aspect, float zn, float zf) {
    const float yScale = 1.0f / std::tan(fovy / 2.0f);
    const float xScale = yScale / Aspect;
    const float q = zf / (zf - zn);
    *pOut = D3DXMATRIX(xScale, 0.0f, 0.0f, 0.0f,
                       0.0f, yScale, 0.0f, 0.0f,
                       0.0f, 0.0f, q, 1.0f,
                       0.0f, 0.0f, -zn * q, 0.0f);
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ) {
    const float x = pQ->x, y = pQ->y, z = pQ->z, w = pQ->w;
    *pOut = D3DXMATRIX(1.0f - 2.0f * (y * y + z * z), 2.0f * (x * y + w * z), 2.0f * (x * z - w * y), 0.0f,
                       2.0f * (x * y - w * z), 1.0f - 2.0f * (x * x + z * z), 2.0f * (y * z + w * x), 0.0f,
                       2.0f * (x * z + w * y), 2.0f * (y * z - w * x), 1.0f - 2.0f * (x * x + y * y), 0.0f,
                       0.0f, 0.0f, 0.0f, 1.0f);
    return pOut;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z) {
    D3DXMatrixIdentity(pOut);
    pOut->_41 = x;
    pOut->_42 = y;
    pOut->_43 = z;
    return pOut;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz) {
    D3DXMatrixIdentity(pOut);
    pOut->_11 = sx;
    pOut->_22 = sy;
    pOut->_33 = sz;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float Angle) {
    const float c = std::cos(Angle), s = std::sin(Angle);
    D3DXMatrixIdentity(pOut);
    pOut->_11 = c;
    pOut->_12 = s;
    pOut->_21 = -s;
    pOut->_22 = c;
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    const float x = pV->x, y = pV->y, z = pV->z;
    const D3DMATRIX& m = *pM;
    const float w = x * m._14 + y * m._24 + z * m._34 + m._44;
    // A point on the projection's w = 0 plane has no finite image; it is left unprojected
    // rather than turned into infinities that would spread through a picking ray.
    const float k = (w != 0.0f) ? 1.0f / w : 1.0f;
    *pOut = D3DXVECTOR3((x * m._11 + y * m._21 + z * m._31 + m._41) * k, (x * m._12 + y * m._22 + z * m._32 + m._42) * k,
                        (x * m._13 + y * m._23 + z * m._33 + m._43) * k);
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    const float x = pV->x, y = pV->y, z = pV->z;
    const D3DMATRIX& m = *pM;
    *pOut = D3DXVECTOR3(x * m._11 + y * m._21 + z * m._31, x * m._12 + y * m._22 + z * m._32,
                        x * m._13 + y * m._23 + z * m._33);
    return pOut;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
    const float len = std::sqrt(pV->x * pV->x + pV->y * pV->y + pV->z * pV->z);
    if (len > 0.0f)
        *pOut = D3DXVECTOR3(pV->x / len, pV->y / len, pV->z / len);
    else
        *pOut = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    return pOut;
}
