// Rotation from three angles, as the scalar-channel animations give it: writes only the
// upper-left 3x3 of the matrix, so a translation already in the fourth row survives.
#pragma once

#include <d3dx9.h>

void eulerToMatrix(D3DXMATRIX* matrix, float a, float b, float c);
