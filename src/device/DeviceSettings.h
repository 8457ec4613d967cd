// The unit that device creation requests, the enumeration matches against the hardware, and
// Direct3D finally creates: adapter, device type, adapter format, behaviour flags and the
// presentation parameters.
#pragma once

#include <d3d9.h>

struct DeviceSettings {
    UINT adapterOrdinal = 0;
    D3DDEVTYPE deviceType = D3DDEVTYPE_HAL;
    D3DFORMAT adapterFormat = D3DFMT_UNKNOWN;
    DWORD behaviorFlags = 0;
    D3DPRESENT_PARAMETERS presentParams = {};
};

// Lists what Direct3D accepts on this machine (through saverState.direct3d), picks the
// combination closest to `requested` and fills `supported` from it; writes the device report
// to the log. False, with `supported` untouched, when nothing usable exists.
bool findValidDeviceSettings(const DeviceSettings& requested, DeviceSettings* supported);
