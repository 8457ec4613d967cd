// Not part of Direct3D: the presentation parameters that the off-screen tests, benchmarks
// and tools ask for: a windowed X8R8G8B8 back buffer with the automatic D16 depth buffer,
// presented without waiting, as the saver's own request would look on a plain display.
#pragma once

#include <d3d9.h>

inline D3DPRESENT_PARAMETERS ZarnOffscreenPresentParameters(HWND window, UINT width, UINT height,
                                                            D3DMULTISAMPLE_TYPE samples = D3DMULTISAMPLE_NONE) {
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.MultiSampleType = samples;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return pp;
}
