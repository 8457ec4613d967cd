// Placeholder until the OpenGL back end lands.
#include "d3d9/ZarnDirect3DFactory.h"

IDirect3D9* ZarnCreateGLDirect3D9(UINT) { return nullptr; }
