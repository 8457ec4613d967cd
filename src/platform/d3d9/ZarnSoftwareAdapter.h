// Not part of Direct3D: whether an adapter rasterises on the CPU (Mesa's llvmpipe and its
// kin, on machines without a usable GPU). Direct3D 9 would make such an adapter a
// D3DDEVTYPE_SW device; ours stays a HAL device to the saver, with every HAL answer, so the
// saver asks this separately when it sizes what it draws. Both back ends implement it: the
// GL adapter from its renderer's name, the recording one from its script.
#pragma once

#include <d3d9.h>

struct IZarnSoftwareAdapter {
    virtual BOOL IsSoftwareAdapter(UINT Adapter) = 0;

protected:
    virtual ~IZarnSoftwareAdapter() = default;
};

// FALSE for a Direct3D object that does not know, as a GPU's would answer.
inline BOOL ZarnIsSoftwareAdapter(IDirect3D9* direct3d, UINT adapter) {
    auto* answer = dynamic_cast<IZarnSoftwareAdapter*>(direct3d);
    return answer && answer->IsSoftwareAdapter(adapter);
}
