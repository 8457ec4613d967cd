// Scoring a combo against the request and turning the winner into the settings to create.
// The weights rank what matters most first: the adapter, then the device type, then the
// windowed flag, with the format and feature matches as tie-breakers below them.
#include "device/DeviceEnumeration.h"

#include <algorithm>
#include <cstdlib>

UINT colorChannelBits(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_R8G8B8:
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_A8B8G8R8: return 8;
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5: return 5;
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4: return 4;
        case D3DFMT_R3G3B2:
        case D3DFMT_A8R3G3B2: return 2;
        case D3DFMT_A2B10G10R10:
        case D3DFMT_A2R10G10B10: return 10;
        case D3DFMT_A16B16G16R16: return 16;
        default: return 0;
    }
}

UINT depthBits(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_D16_LOCKABLE:
        case D3DFMT_D16: return 16;
        case D3DFMT_D32:
        case D3DFMT_D32F_LOCKABLE: return 32;
        case D3DFMT_D15S1: return 15;
        case D3DFMT_D24S8:
        case D3DFMT_D24FS8:
        case D3DFMT_D24X8:
        case D3DFMT_D24X4S4: return 24;
        default: return 0;
    }
}

UINT stencilBits(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_D15S1: return 1;
        case D3DFMT_D24S8:
        case D3DFMT_D24FS8: return 8;
        case D3DFMT_D24X4S4: return 4;
        default: return 0;
    }
}

namespace {

// Full credit for the same format, less the further the channel depths lie apart.
float formatCredit(D3DFORMAT have, D3DFORMAT want) {
    if (have == want) return 1.0f;
    int difference = std::abs(static_cast<int>(colorChannelBits(have)) - static_cast<int>(colorChannelBits(want)));
    return std::max(0.0f, 0.9f - 0.2f * static_cast<float>(difference));
}

bool hasMode(const AdapterInfo* adapter, D3DFORMAT format, bool (*matches)(const D3DDISPLAYMODE&, const void*),
             const void* wanted) {
    if (!adapter) return false;
    for (const D3DDISPLAYMODE& mode : adapter->displayModes)
        if (mode.Format == format && matches(mode, wanted)) return true;
    return false;
}

template <typename T>
bool lists(const std::vector<T>& values, T value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

constexpr DWORD kHardwareOrMixed = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING;
constexpr DWORD kAnyVertexProcessing = kHardwareOrMixed | D3DCREATE_SOFTWARE_VERTEXPROCESSING;

}  // namespace

float scoreCombo(const DeviceCombo& combo, const DeviceSettings& requested, D3DFORMAT desktopFormat) {
    const D3DPRESENT_PARAMETERS& want = requested.presentParams;
    const bool hardwareTnL = combo.device && (combo.device->caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    float score = 0.0f;

    if (combo.adapterOrdinal == requested.adapterOrdinal) score += 1000.0f;
    if (combo.deviceType == requested.deviceType) score += 100.0f;
    if (combo.deviceType == D3DDEVTYPE_HAL) score += 0.1f;
    if (combo.windowed == (want.Windowed != FALSE)) score += 10.0f;
    score += formatCredit(combo.adapterFormat, requested.adapterFormat);

    D3DFORMAT fullScreenFormat = colorChannelBits(desktopFormat) < 8 ? D3DFMT_X8R8G8B8 : desktopFormat;
    if (!combo.windowed && combo.adapterFormat == fullScreenFormat) score += 0.1f;

    if ((requested.behaviorFlags & kHardwareOrMixed) && hardwareTnL) score += 1.0f;
    if (hardwareTnL) score += 0.1f;

    if (hasMode(combo.adapter, combo.adapterFormat,
                [](const D3DDISPLAYMODE& mode, const void* p) {
                    auto* w = static_cast<const D3DPRESENT_PARAMETERS*>(p);
                    return mode.Width == w->BackBufferWidth && mode.Height == w->BackBufferHeight;
                },
                &want))
        score += 1.0f;

    score += formatCredit(combo.backBufferFormat, want.BackBufferFormat);
    if (combo.backBufferFormat == combo.adapterFormat) score += 0.1f;

    if (lists(combo.multiSampleTypes, want.MultiSampleType)) score += 1.0f;
    if (lists(combo.depthStencilFormats, want.AutoDepthStencilFormat)) score += 1.0f;

    if (hasMode(combo.adapter, combo.adapterFormat,
                [](const D3DDISPLAYMODE& mode, const void* p) {
                    return mode.RefreshRate == static_cast<const D3DPRESENT_PARAMETERS*>(p)->FullScreen_RefreshRateInHz;
                },
                &want))
        score += 1.0f;

    if (lists(combo.presentIntervals, want.PresentationInterval)) score += 1.0f;
    return score;
}

DeviceSettings buildSettings(const DeviceCombo& combo, const DeviceSettings& requested, HWND window) {
    const D3DPRESENT_PARAMETERS& want = requested.presentParams;
    const bool hardwareTnL = combo.device && (combo.device->caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    DeviceSettings out;
    out.adapterOrdinal = combo.adapterOrdinal;
    out.deviceType = combo.deviceType;
    out.adapterFormat = combo.adapterFormat;
    out.softwareRasterizer = combo.adapter && combo.adapter->softwareRasterizer;

    out.behaviorFlags = requested.behaviorFlags;
    if (!hardwareTnL && (out.behaviorFlags & kHardwareOrMixed))
        out.behaviorFlags = (out.behaviorFlags & ~kHardwareOrMixed) | D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    if (!(out.behaviorFlags & kAnyVertexProcessing))
        out.behaviorFlags |= hardwareTnL ? D3DCREATE_HARDWARE_VERTEXPROCESSING : D3DCREATE_SOFTWARE_VERTEXPROCESSING;

    D3DPRESENT_PARAMETERS& p = out.presentParams;
    p.BackBufferWidth = want.BackBufferWidth;
    p.BackBufferHeight = want.BackBufferHeight;
    const UINT limit = requested.softwareWidthLimit;
    if (limit > 0 && combo.adapter && combo.adapter->softwareRasterizer && want.BackBufferWidth > limit) {
        // Rounded as a chosen Resolution's height is, so a 1920 x 1080 screen draws exactly
        // what Resolution 1280 would draw on it.
        p.BackBufferWidth = limit;
        p.BackBufferHeight = std::max<UINT>(
            1, static_cast<UINT>(static_cast<double>(limit) * want.BackBufferHeight / want.BackBufferWidth + 0.5));
    }
    p.BackBufferFormat = combo.backBufferFormat;
    p.BackBufferCount = std::clamp<UINT>(want.BackBufferCount, 1, 3);

    p.MultiSampleType = D3DMULTISAMPLE_NONE;
    p.MultiSampleQuality = 0;
    if (want.SwapEffect == D3DSWAPEFFECT_DISCARD) {
        long bestDistance = std::labs(static_cast<long>(want.MultiSampleType) - D3DMULTISAMPLE_NONE);
        for (size_t i = 0; i < combo.multiSampleTypes.size(); ++i) {
            long distance = std::labs(static_cast<long>(want.MultiSampleType) - combo.multiSampleTypes[i]);
            if (distance < bestDistance) {
                bestDistance = distance;
                p.MultiSampleType = combo.multiSampleTypes[i];
                p.MultiSampleQuality = std::min<DWORD>(combo.multiSampleQualities[i] - 1, want.MultiSampleQuality);
            }
        }
    }

    p.SwapEffect = want.SwapEffect;

    const int wantDepth = static_cast<int>(depthBits(want.AutoDepthStencilFormat));
    const int wantStencil = static_cast<int>(stencilBits(want.AutoDepthStencilFormat));
    D3DFORMAT depthFormat = D3DFMT_UNKNOWN;
    int bestDepthDistance = -1;
    for (D3DFORMAT format : combo.depthStencilFormats) {
        int distance = std::abs(static_cast<int>(depthBits(format)) - wantDepth) +
                       std::abs(static_cast<int>(stencilBits(format)) - wantStencil);
        if (bestDepthDistance < 0 || distance < bestDepthDistance) {
            bestDepthDistance = distance;
            depthFormat = format;
        }
    }
    p.EnableAutoDepthStencil = depthFormat != D3DFMT_UNKNOWN ? TRUE : FALSE;
    p.AutoDepthStencilFormat = depthFormat;

    p.Flags = want.Flags | (p.EnableAutoDepthStencil ? D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL : 0);
    p.FullScreen_RefreshRateInHz = combo.windowed ? 0 : want.FullScreen_RefreshRateInHz;
    p.PresentationInterval =
        lists(combo.presentIntervals, want.PresentationInterval) ? want.PresentationInterval : D3DPRESENT_INTERVAL_DEFAULT;
    p.hDeviceWindow = window;
    p.Windowed = combo.windowed ? TRUE : FALSE;
    return out;
}
