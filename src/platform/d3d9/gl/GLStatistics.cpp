// The state-cache counters of a GL device, for tests and the benchmark.
#include "d3d9/gl/GLDevice.h"
#include "d3d9/gl/ZarnGLStatistics.h"

BOOL ZarnGetGLCallCounts(IDirect3DDevice9* device, uint64_t* issued, uint64_t* skipped) {
    auto* gl = dynamic_cast<GLDevice*>(device);
    if (!gl) return FALSE;
    if (issued) *issued = gl->state().callsIssued;
    if (skipped) *skipped = gl->state().callsSkipped;
    return TRUE;
}
