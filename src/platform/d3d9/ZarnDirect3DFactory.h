// Not part of Direct3D: which back end Direct3DCreate9 hands out. The saver always gets the
// OpenGL one; unit tests install a factory that returns a recording or fake IDirect3D9.
#pragma once

#include <d3d9.h>

typedef IDirect3D9* (*ZarnDirect3DFactory)(UINT sdkVersion);

// Installs a factory (null restores the OpenGL back end); returns the previous one.
ZarnDirect3DFactory ZarnSetDirect3DFactory(ZarnDirect3DFactory factory);

// The OpenGL back end's IDirect3D9 (null when no GL can be had).
IDirect3D9* ZarnCreateGLDirect3D9(UINT sdkVersion);
