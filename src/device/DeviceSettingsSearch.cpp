// findValidDeviceSettings: enumerate, score, build, and write the device report that shows
// what was asked for next to what the hardware gave.
#include "device/DeviceCreation.h"
#include "device/DeviceEnumeration.h"

#include "shell/Diagnostics.h"
#include "shell/SaverState.h"

#include <cstdint>

namespace {

// The report prints every value as a signed 32-bit number, handles included.
int asInt(uint64_t value) { return static_cast<int>(static_cast<uint32_t>(value)); }
int asInt(HWND window) { return asInt(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(window))); }

void logRow(const char* format, uint64_t requested, uint64_t supported) {
    logPrintf(format, asInt(requested), asInt(supported));
}

void logReport(const DeviceSettings& r, const DeviceSettings& s) {
    const D3DPRESENT_PARAMETERS& rp = r.presentParams;
    const D3DPRESENT_PARAMETERS& sp = s.presentParams;
    logPrintf("Device settings:             Requested   Supported\n");
    logRow("  Adapter Ordinal:      %10d  %10d\n", r.adapterOrdinal, s.adapterOrdinal);
    logRow("  Device Type:          %10d  %10d\n", r.deviceType, s.deviceType);
    logRow("  Adapter Format:       %10d  %10d\n", r.adapterFormat, s.adapterFormat);
    logRow("  Behavior Flags:       %10d  %10d\n", r.behaviorFlags, s.behaviorFlags);
    logRow("  Back Buffer Width:    %10d  %10d\n", rp.BackBufferWidth, sp.BackBufferWidth);
    logRow("  Back Buffer Height:   %10d  %10d\n", rp.BackBufferHeight, sp.BackBufferHeight);
    logRow("  Back Buffer Format:   %10d  %10d\n", rp.BackBufferFormat, sp.BackBufferFormat);
    logRow("  Back Buffer Count:    %10d  %10d\n", rp.BackBufferCount, sp.BackBufferCount);
    logRow("  Multisample Type:     %10d  %10d\n", rp.MultiSampleType, sp.MultiSampleType);
    logRow("  Multisample Quality:  %10d  %10d\n", rp.MultiSampleQuality, sp.MultiSampleQuality);
    logRow("  Swap Effect:          %10d  %10d\n", rp.SwapEffect, sp.SwapEffect);
    logPrintf("  Window Handle:        %10d  %10d\n", asInt(rp.hDeviceWindow), asInt(sp.hDeviceWindow));
    logRow("  Windowed:             %10d  %10d\n", rp.Windowed, sp.Windowed);
    logRow("  Enable Depth Stencil: %10d  %10d\n", rp.EnableAutoDepthStencil, sp.EnableAutoDepthStencil);
    logRow("  Depth Stencil Format: %10d  %10d\n", rp.AutoDepthStencilFormat, sp.AutoDepthStencilFormat);
    logRow("  Flags:                %10d  %10d\n", rp.Flags, sp.Flags);
    logRow("  Refresh Rate:         %10d  %10d\n", rp.FullScreen_RefreshRateInHz, sp.FullScreen_RefreshRateInHz);
    logRow("  Presentaiton Interval:%10d  %10d\n\n", rp.PresentationInterval, sp.PresentationInterval);
}

}  // namespace

bool findValidDeviceSettings(const DeviceSettings& requested, DeviceSettings* supported) {
    IDirect3D9* direct3d = saverState.direct3d;
    if (!direct3d || !supported) return false;
    HWND window = deviceWindow();

    AdapterList adapters;
    enumerateAdapters(direct3d, window, &adapters);

    float bestScore = -1.0f;
    const DeviceCombo* best = nullptr;
    for (const auto& adapter : adapters) {
        D3DDISPLAYMODE desktop = {};
        direct3d->GetAdapterDisplayMode(adapter->adapterOrdinal, &desktop);
        for (const auto& device : adapter->devices) {
            for (const auto& combo : device->combos) {
                if (combo->windowed && combo->adapterFormat != desktop.Format) continue;
                float score = scoreCombo(*combo, requested, desktop.Format);
                if (score > bestScore) {
                    bestScore = score;
                    best = combo.get();
                }
            }
        }
    }
    if (!best) return false;

    *supported = buildSettings(*best, requested, window);
    if (best->adapter && best->adapter->hasIdentifier)
        // Bounded: a driver may fill the description to its last byte without a terminator.
        logPrintf("Device name: %.*s\n", static_cast<int>(sizeof best->adapter->identifier.Description),
                  best->adapter->identifier.Description);
    else
        logPrintf("Device name: UNKNOWN\n");
    adapters.clear();
    logReport(requested, *supported);
    return true;
}
