// The unit that device creation requests, the enumeration matches against the hardware, and
// Direct3D finally creates: adapter, device type, adapter format, behaviour flags and the
// presentation parameters, and how far the back buffer may be drawn smaller than asked.
#pragma once

#include <d3d9.h>

struct DeviceSettings {
    UINT adapterOrdinal = 0;
    D3DDEVTYPE deviceType = D3DDEVTYPE_HAL;
    D3DFORMAT adapterFormat = D3DFMT_UNKNOWN;
    DWORD behaviorFlags = 0;
    D3DPRESENT_PARAMETERS presentParams = {};
    // Not a Direct3D field. On an adapter that rasterises on the CPU every pixel is CPU time,
    // so a request wider than this is drawn this wide, at the request's aspect, and Present
    // stretches it over the screen. 0: the requested size on every adapter.
    UINT softwareWidthLimit = 0;
    // Not a Direct3D field: set in the supported settings when the adapter rasterises on the
    // CPU (the software tier's choices follow from it).
    bool softwareRasterizer = false;
};

// Lists what Direct3D accepts on this machine (through saverState.direct3d), picks the
// combination closest to `requested` and fills `supported` from it; writes the device report
// to the log. False, with `supported` untouched, when nothing usable exists.
bool findValidDeviceSettings(const DeviceSettings& requested, DeviceSettings* supported);
