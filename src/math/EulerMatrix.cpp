// The angle order matches the exporting animation tool: channels RX, RY, RZ feed a, b, c.
#include "math/EulerMatrix.h"

#include <cmath>

void eulerToMatrix(D3DXMATRIX* matrix, float a, float b, float c) {
    const float ca = std::cos(a), sa = std::sin(a);
    const float cb = std::cos(b), sb = std::sin(b);
    const float cc = std::cos(c), sc = std::sin(c);
    D3DMATRIX& m = *matrix;
    m._11 = cb * cc;
    m._12 = sa * sb * cc - ca * sc;
    m._13 = ca * sb * cc + sa * sc;
    m._21 = cb * sc;
    m._22 = sa * sb * sc + ca * cc;
    m._23 = ca * sb * sc - sa * cc;
    m._31 = -sb;
    m._32 = sa * cb;
    m._33 = ca * cb;
}
