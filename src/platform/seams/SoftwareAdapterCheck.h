// Whether an adapter rasterises on the CPU, which the device sizing asks so a software
// renderer is never handed a bigger back buffer than it can fill in time. Direct3D 9 itself
// has no such question: the Windows side reads the adapter's description, the Linux side
// asks the stand-in, which knows its renderer.
#pragma once

#include <d3d9.h>

BOOL isSoftwareAdapter(IDirect3D9* direct3d, UINT adapter);

// Asks the device to stretch a back buffer smaller than its window on the CPU, where the
// rasteriser's own stretch costs more; FALSE where the device has no such choice (Direct3D 9:
// its driver stretches).
BOOL stretchPresentsOnCpu(IDirect3DDevice9* device);
