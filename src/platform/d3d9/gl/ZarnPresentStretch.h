// Not part of Direct3D: how Present stretches a back buffer smaller than its window. By
// default the driver stretches it (a scaled blit with linear filtering), which a GPU does for
// nothing; a software rasteriser (llvmpipe) shades every window pixel through its texture
// sampler for it. Told to, the device reads the picture back and stretches it on the CPU with
// the same bilinear filter instead, in a fraction of that time; a back buffer as large as its
// window, or larger, is presented as before. Reached as <gl/ZarnPresentStretch.h>; FALSE when
// the device is not a GL device.
#pragma once

#include <d3d9.h>

BOOL ZarnStretchPresentsOnCpu(IDirect3DDevice9* device, BOOL onCpu);
