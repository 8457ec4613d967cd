// Building the enumeration tree: which adapters, device types and format pairings Direct3D
// accepts on this machine. Each table is tried in its fixed order, so the tree (and with it
// the winner of equal scores) is the same on every run.
#include "device/DeviceEnumeration.h"

#include "platform/seams/SoftwareAdapterCheck.h"

#include <algorithm>
#include <new>

namespace {

const D3DFORMAT kDisplayModeFormats[] = {D3DFMT_X8R8G8B8, D3DFMT_X1R5G5B5, D3DFMT_R5G6B5, D3DFMT_A2R10G10B10};
const D3DDEVTYPE kDeviceTypes[] = {D3DDEVTYPE_HAL, D3DDEVTYPE_SW, D3DDEVTYPE_REF};
const D3DFORMAT kBackBufferFormats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A2R10G10B10,
                                        D3DFMT_R5G6B5,   D3DFMT_A1R5G5B5, D3DFMT_X1R5G5B5};
const bool kWindowedFlags[] = {false, true};
const D3DFORMAT kDepthStencilFormats[] = {D3DFMT_D16,   D3DFMT_D15S1,   D3DFMT_D24X8,
                                          D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D32};
const D3DMULTISAMPLE_TYPE kMultiSampleTypes[] = {D3DMULTISAMPLE_2_SAMPLES, D3DMULTISAMPLE_4_SAMPLES};
const UINT kPresentIntervals[] = {D3DPRESENT_INTERVAL_DEFAULT, D3DPRESENT_INTERVAL_IMMEDIATE};

// The only full-screen size the saver would ever ask for.
constexpr UINT kModeWidth = 800;
constexpr UINT kModeHeight = 600;

void addOnce(std::vector<D3DFORMAT>& formats, D3DFORMAT format) {
    if (std::find(formats.begin(), formats.end(), format) == formats.end()) formats.push_back(format);
}

// Proves that a device of a non-hardware type can really be made, by making a tiny one.
bool canCreateDevice(IDirect3D9* direct3d, HWND window, UINT adapter, D3DDEVTYPE type) {
    D3DDISPLAYMODE desktop = {};
    direct3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop);
    D3DPRESENT_PARAMETERS params = {};
    params.BackBufferWidth = 1;
    params.BackBufferHeight = 1;
    params.BackBufferFormat = desktop.Format;
    params.BackBufferCount = 1;
    params.SwapEffect = D3DSWAPEFFECT_COPY;
    params.hDeviceWindow = window;
    params.Windowed = TRUE;
    IDirect3DDevice9* device = nullptr;
    HRESULT hr = direct3d->CreateDevice(adapter, type, window,
                                        D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE, &params, &device);
    if (FAILED(hr) || !device) return false;
    device->Release();
    return true;
}

}  // namespace

bool enumerateAdapters(IDirect3D9* direct3d, HWND window, AdapterList* adapters) {
    try {
        std::vector<D3DFORMAT> adapterFormats;
        UINT count = direct3d->GetAdapterCount();
        for (UINT ordinal = 0; ordinal < count; ++ordinal) {
            auto adapter = std::make_unique<AdapterInfo>();
            adapter->adapterOrdinal = ordinal;
            adapter->hasIdentifier = SUCCEEDED(direct3d->GetAdapterIdentifier(ordinal, 0, &adapter->identifier));
            adapter->softwareRasterizer = isSoftwareAdapter(direct3d, ordinal);
            for (D3DFORMAT format : kDisplayModeFormats) {
                UINT modes = direct3d->GetAdapterModeCount(ordinal, format);
                for (UINT m = 0; m < modes; ++m) {
                    D3DDISPLAYMODE mode = {};
                    if (FAILED(direct3d->EnumAdapterModes(ordinal, format, m, &mode))) continue;
                    if (mode.Width != kModeWidth || mode.Height != kModeHeight) continue;
                    adapter->displayModes.push_back(mode);
                    addOnce(adapterFormats, mode.Format);
                }
            }
            D3DDISPLAYMODE desktop = {};
            if (SUCCEEDED(direct3d->GetAdapterDisplayMode(ordinal, &desktop))) addOnce(adapterFormats, desktop.Format);

            if (enumerateDevices(direct3d, window, adapter.get(), adapterFormats) && !adapter->devices.empty())
                adapters->push_back(std::move(adapter));
        }
    } catch (const std::bad_alloc&) {
        // Out of memory: search what was found so far.
        return false;
    }
    return true;
}

bool enumerateDevices(IDirect3D9* direct3d, HWND window, AdapterInfo* adapter,
                      const std::vector<D3DFORMAT>& adapterFormats) {
    try {
        for (D3DDEVTYPE type : kDeviceTypes) {
            auto device = std::make_unique<DeviceInfo>();
            device->adapterOrdinal = adapter->adapterOrdinal;
            device->deviceType = type;
            if (FAILED(direct3d->GetDeviceCaps(adapter->adapterOrdinal, type, &device->caps))) continue;
            if (type != D3DDEVTYPE_HAL && !canCreateDevice(direct3d, window, adapter->adapterOrdinal, type)) continue;
            if (enumerateCombos(direct3d, adapter, device.get(), adapterFormats) && !device->combos.empty())
                adapter->devices.push_back(std::move(device));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool enumerateCombos(IDirect3D9* direct3d, AdapterInfo* adapter, DeviceInfo* device,
                     const std::vector<D3DFORMAT>& adapterFormats) {
    const UINT ordinal = adapter->adapterOrdinal;
    try {
        for (D3DFORMAT adapterFormat : adapterFormats) {
            for (D3DFORMAT backBufferFormat : kBackBufferFormats) {
                for (bool windowed : kWindowedFlags) {
                    if (!windowed && adapter->displayModes.empty()) continue;
                    if (FAILED(direct3d->CheckDeviceType(ordinal, device->deviceType, adapterFormat, backBufferFormat,
                                                         windowed)))
                        continue;
                    if (FAILED(direct3d->CheckDeviceFormat(ordinal, device->deviceType, adapterFormat,
                                                           D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING, D3DRTYPE_TEXTURE,
                                                           backBufferFormat)))
                        continue;

                    auto combo = std::make_unique<DeviceCombo>();
                    combo->adapterOrdinal = ordinal;
                    combo->deviceType = device->deviceType;
                    combo->adapterFormat = adapterFormat;
                    combo->backBufferFormat = backBufferFormat;
                    combo->windowed = windowed;
                    combo->adapter = adapter;
                    combo->device = device;

                    for (D3DFORMAT depth : kDepthStencilFormats) {
                        if (SUCCEEDED(direct3d->CheckDeviceFormat(ordinal, device->deviceType, adapterFormat,
                                                                  D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, depth)) &&
                            SUCCEEDED(direct3d->CheckDepthStencilMatch(ordinal, device->deviceType, adapterFormat,
                                                                       backBufferFormat, depth)))
                            combo->depthStencilFormats.push_back(depth);
                    }

                    combo->multiSampleTypes.push_back(D3DMULTISAMPLE_NONE);
                    combo->multiSampleQualities.push_back(0);
                    for (D3DMULTISAMPLE_TYPE type : kMultiSampleTypes) {
                        DWORD qualityLevels = 0;
                        HRESULT hr = direct3d->CheckDeviceMultiSampleType(ordinal, D3DDEVTYPE_HAL, adapterFormat,
                                                                          windowed, type, &qualityLevels);
                        if (hr != D3DERR_NOTAVAILABLE && qualityLevels != 0) {
                            combo->multiSampleTypes.push_back(type);
                            combo->multiSampleQualities.push_back(qualityLevels);
                        }
                    }

                    for (UINT interval : kPresentIntervals) {
                        if (interval == D3DPRESENT_INTERVAL_DEFAULT || (device->caps.PresentationIntervals & interval))
                            combo->presentIntervals.push_back(interval);
                    }
                    device->combos.push_back(std::move(combo));
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
