// The counters and benchmark switches of a GL device, for tests and the benchmark.
#include "d3d9/gl/GLDevice.h"
#include "d3d9/gl/ZarnGLStatistics.h"

BOOL ZarnGetGLCallCounts(IDirect3DDevice9* device, uint64_t* issued, uint64_t* skipped) {
    auto* gl = dynamic_cast<GLDevice*>(device);
    if (!gl) return FALSE;
    if (issued) *issued = gl->state().callsIssued;
    if (skipped) *skipped = gl->state().callsSkipped;
    return TRUE;
}

BOOL ZarnGetGLDrawCounts(IDirect3DDevice9* device, uint64_t* draws, uint64_t* primitives) {
    auto* gl = dynamic_cast<GLDevice*>(device);
    if (!gl) return FALSE;
    if (draws) *draws = gl->drawCount;
    if (primitives) *primitives = gl->primitiveCount;
    return TRUE;
}

BOOL ZarnFinishGLWork(IDirect3DDevice9* device) {
    auto* gl = dynamic_cast<GLDevice*>(device);
    if (!gl) return FALSE;
    gl->finishWork();
    return TRUE;
}

BOOL ZarnSuppressGLDraws(IDirect3DDevice9* device, BOOL suppress) {
    auto* gl = dynamic_cast<GLDevice*>(device);
    if (!gl) return FALSE;
    gl->drawsSuppressed = suppress != FALSE;
    return TRUE;
}

BOOL ZarnCountGLFragments(IDirect3DDevice9* device, uint64_t* fragments) {
    auto* gl = dynamic_cast<GLDevice*>(device);
    return gl && gl->countFragmentsShaded(fragments) ? TRUE : FALSE;
}
