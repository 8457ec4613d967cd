// Windows side: Direct3D 9 reports a CPU rasteriser as a HAL adapter like any other, so it is
// known by its description: Windows' own "Microsoft Basic Render Driver" and the Mesa
// renderers Wine and virtual machines put behind Direct3D.
#include "platform/seams/SoftwareAdapterCheck.h"

#include <cstring>

namespace {

const char* const softwareRenderers[] = {"Microsoft Basic Render Driver", "llvmpipe", "softpipe", "SwiftShader"};

}  // namespace

BOOL isSoftwareAdapter(IDirect3D9* direct3d, UINT adapter) {
    D3DADAPTER_IDENTIFIER9 identifier{};
    if (!direct3d || FAILED(direct3d->GetAdapterIdentifier(adapter, 0, &identifier))) return FALSE;
    for (const char* name : softwareRenderers)
        if (std::strstr(identifier.Description, name)) return TRUE;
    return FALSE;
}

BOOL stretchPresentsOnCpu(IDirect3DDevice9*) { return FALSE; }
