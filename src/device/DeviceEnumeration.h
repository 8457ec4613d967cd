// The tree that device-settings matching builds for one call: adapters, their device types,
// and per device type the accepted pairings of adapter format, back-buffer format and
// windowed flag (combos), each with the depth formats, multisample types and presentation
// intervals it supports. Built, scored and freed inside findValidDeviceSettings; the steps are
// declared here so that tests can reach the scoring and the settings it produces.
#pragma once

#include "device/DeviceSettings.h"

#include <memory>
#include <vector>

struct AdapterInfo;
struct DeviceInfo;

struct DeviceCombo {
    UINT adapterOrdinal = 0;
    D3DDEVTYPE deviceType = D3DDEVTYPE_HAL;
    D3DFORMAT adapterFormat = D3DFMT_UNKNOWN;
    D3DFORMAT backBufferFormat = D3DFMT_UNKNOWN;
    bool windowed = false;
    std::vector<D3DFORMAT> depthStencilFormats;
    std::vector<D3DMULTISAMPLE_TYPE> multiSampleTypes;
    std::vector<DWORD> multiSampleQualities;  // quality-level counts, parallel to the types
    std::vector<UINT> presentIntervals;
    AdapterInfo* adapter = nullptr;
    DeviceInfo* device = nullptr;
};

struct DeviceInfo {
    UINT adapterOrdinal = 0;
    D3DDEVTYPE deviceType = D3DDEVTYPE_HAL;
    D3DCAPS9 caps = {};
    std::vector<std::unique_ptr<DeviceCombo>> combos;
};

struct AdapterInfo {
    UINT adapterOrdinal = 0;
    bool hasIdentifier = false;
    D3DADAPTER_IDENTIFIER9 identifier = {};
    bool softwareRasterizer = false;  // draws on the CPU (ZarnIsSoftwareAdapter)
    std::vector<D3DDISPLAYMODE> displayModes;  // the adapter's 800 x 600 modes
    std::vector<std::unique_ptr<DeviceInfo>> devices;
};

using AdapterList = std::vector<std::unique_ptr<AdapterInfo>>;

// Fills `adapters` with every adapter that has at least one usable device type.
bool enumerateAdapters(IDirect3D9* direct3d, HWND window, AdapterList* adapters);
bool enumerateDevices(IDirect3D9* direct3d, HWND window, AdapterInfo* adapter,
                      const std::vector<D3DFORMAT>& adapterFormats);
bool enumerateCombos(IDirect3D9* direct3d, AdapterInfo* adapter, DeviceInfo* device,
                     const std::vector<D3DFORMAT>& adapterFormats);

// How well a combo fits the request; the desktop format is the adapter's current one.
float scoreCombo(const DeviceCombo& combo, const DeviceSettings& requested, D3DFORMAT desktopFormat);
// The settings to create, from the winning combo and the request (on a software rasteriser,
// a back buffer no wider than the request's softwareWidthLimit).
DeviceSettings buildSettings(const DeviceCombo& combo, const DeviceSettings& requested, HWND window);

// Bits per colour channel, and depth and stencil bits, of the formats the tables know (0 else).
UINT colorChannelBits(D3DFORMAT format);
UINT depthBits(D3DFORMAT format);
UINT stencilBits(D3DFORMAT format);
