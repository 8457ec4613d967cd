// Direct3DCreate9 hands out the OpenGL back end unless a test installed another factory.
#include "d3d9/ZarnDirect3DFactory.h"

namespace {
ZarnDirect3DFactory installedFactory = nullptr;
}

ZarnDirect3DFactory ZarnSetDirect3DFactory(ZarnDirect3DFactory factory) {
    ZarnDirect3DFactory previous = installedFactory;
    installedFactory = factory;
    return previous;
}

IDirect3D9* Direct3DCreate9(UINT SDKVersion) {
    if (SDKVersion != D3D_SDK_VERSION) return nullptr;
    return installedFactory ? installedFactory(SDKVersion) : ZarnCreateGLDirect3D9(SDKVersion);
}
