// Not part of Direct3D: how many GL state calls the GL device issued and how many its state
// cache dropped as redundant. The benchmark prints them and tests check that a repeated
// draw costs no state calls. Reached as <gl/ZarnGLStatistics.h>.
#pragma once

#include <d3d9.h>

#include <cstdint>

// FALSE when the device is not a GL device.
BOOL ZarnGetGLCallCounts(IDirect3DDevice9* device, uint64_t* issued, uint64_t* skipped);
