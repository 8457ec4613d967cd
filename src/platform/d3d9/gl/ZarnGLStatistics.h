// Not part of Direct3D: what the GL device did, for tests and the benchmark: how many GL
// state calls it issued and how many its state cache dropped as redundant, how many draws
// and primitives it was handed, how many fragments the driver shaded, a wait for the GL work
// submitted so far, and a switch that turns draws into no-ops (so the cost of the code that
// issues them can be timed alone).
// Reached as <gl/ZarnGLStatistics.h>. Every call returns FALSE when the device is not a GL
// device.
#pragma once

#include <d3d9.h>

#include <cstdint>

BOOL ZarnGetGLCallCounts(IDirect3DDevice9* device, uint64_t* issued, uint64_t* skipped);
BOOL ZarnGetGLDrawCounts(IDirect3DDevice9* device, uint64_t* draws, uint64_t* primitives);
BOOL ZarnFinishGLWork(IDirect3DDevice9* device);
BOOL ZarnSuppressGLDraws(IDirect3DDevice9* device, BOOL suppress);
// Fragment shader runs since the first call, as the driver counts them (FALSE where it cannot).
BOOL ZarnCountGLFragments(IDirect3DDevice9* device, uint64_t* fragments);
