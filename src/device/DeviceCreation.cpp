// createDevice and releaseDevice: the saver always asks for a windowed device; the window
// itself covers the screen, and a back buffer smaller than the screen is stretched when
// presented. What is asked for is matched against the hardware before creation.
//
// A software rasteriser (llvmpipe, where there is no usable GPU) shades every pixel on the
// CPU, on every core, so a big screen would cost several times a small clock. There the
// screen's own size is drawn at most 1024 wide (1280 for the full picture) and stretched, as
// the Resolution setting does; the device report shows the screen's size requested and the
// drawn size supported. A chosen Resolution is drawn as chosen. ZARN_FULL_SIZE_BACK_BUFFER=1
// draws the screen's size anyway. The software tier (SoftwareTier.h) decides how wide, and
// what else a software rasteriser draws differently.
#include "device/DeviceCreation.h"

#include "device/DeviceSettings.h"
#include "device/SoftwareTier.h"
#include "platform/seams/SoftwareAdapterCheck.h"
#include "shell/Diagnostics.h"
#include "shell/SaverState.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A client area narrower than this is the host's preview window.
constexpr LONG kPreviewWidthLimit = 200;

HWND rememberedWindow = nullptr;

void showError(const char* text) { MessageBoxA(nullptr, text, "ERROR", MB_OK | MB_ICONWARNING); }

const char* creationFailureReason(HRESULT hr) {
    switch (hr) {
        case D3DERR_DEVICELOST: return "Device lost";
        case D3DERR_INVALIDCALL: return "Invalid call to CreateDevice()";
        case D3DERR_NOTAVAILABLE: return "Device not available";
        case D3DERR_OUTOFVIDEOMEMORY: return "Out of video memory";
        default: return "Unknown";
    }
}

bool fullSizeBackBufferForced() {
    const char* value = std::getenv("ZARN_FULL_SIZE_BACK_BUFFER");
    return value && std::strcmp(value, "1") == 0;
}

void backBufferSize(const RECT& client, bool childWindow, int screenW, int screenH, int resolution, UINT* width,
                    UINT* height) {
    LONG clientW = client.right - client.left;
    LONG clientH = client.bottom - client.top;
    if (childWindow && clientW >= kPreviewWidthLimit && clientH > 0) {
        // A large preview (a host's whole monitor) keeps its own window's aspect: the screen's
        // would stretch the picture when it is presented into the window.
        const LONG w = resolution > 0 ? resolution : clientW;
        *width = static_cast<UINT>(w);
        *height = static_cast<UINT>(std::max(1.0, static_cast<double>(w) * clientH / clientW + 0.5));
    } else if (clientW < kPreviewWidthLimit) {
        *width = static_cast<UINT>(clientW > 0 ? clientW : 0);
        *height = static_cast<UINT>(clientH > 0 ? clientH : 0);
    } else if (screenW <= 0 || screenH <= 0) {
        // No screen size to scale by (no display): the window's own size is the best guess,
        // and it keeps the aspect computation below from dividing by zero.
        *width = static_cast<UINT>(clientW);
        *height = static_cast<UINT>(clientH > 0 ? clientH : 0);
    } else if (resolution > 0) {
        *width = static_cast<UINT>(resolution);
        *height = static_cast<UINT>(static_cast<double>(resolution) * screenH / screenW + 0.5);
    } else {
        *width = static_cast<UINT>(screenW);
        *height = static_cast<UINT>(screenH);
    }
}

}  // namespace

HWND deviceWindow() { return rememberedWindow; }

void releaseDevice() {
    if (saverState.device) {
        saverState.device->Release();
        saverState.device = nullptr;
    }
    if (saverState.direct3d) {
        saverState.direct3d->Release();
        saverState.direct3d = nullptr;
    }
}

bool createDevice(HWND window) {
    rememberedWindow = window;
    softwareTier = SoftwareTier{};

    saverState.direct3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!saverState.direct3d) {
        releaseDevice();
        showError(
            "Unable to locate Direct3D, version 9.  The drivers may be missing, or your\n"
            "graphics hardware may not support Direct3D 9.");
        return false;
    }

    D3DDISPLAYMODE desktop = {};
    saverState.direct3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop);

    int screenW = GetSystemMetrics(SM_CXSCREEN);
    int screenH = GetSystemMetrics(SM_CYSCREEN);
    RECT client = {};
    GetClientRect(window, &client);

    UINT width = 0;
    UINT height = 0;
    backBufferSize(client, GetParent(window) != nullptr, screenW, screenH, saverState.settings.Resolution, &width,
                   &height);

    const SaverSettings& settings = saverState.settings;
    DeviceSettings requested;
    requested.adapterOrdinal = D3DADAPTER_DEFAULT;
    requested.deviceType = D3DDEVTYPE_HAL;
    requested.adapterFormat = desktop.Format;
    requested.behaviorFlags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    D3DPRESENT_PARAMETERS& p = requested.presentParams;
    p = {};
    p.BackBufferWidth = width;
    p.BackBufferHeight = height;
    p.BackBufferFormat = desktop.Format;
    p.BackBufferCount = 1;
    p.MultiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(settings.Antialiasing);
    p.MultiSampleQuality = static_cast<DWORD>(settings.Antialiasing);
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.hDeviceWindow = window;
    p.Windowed = TRUE;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D16;
    p.Flags = 0;
    p.FullScreen_RefreshRateInHz = 0;
    p.PresentationInterval = settings.IntervalImmediate ? D3DPRESENT_INTERVAL_IMMEDIATE : D3DPRESENT_INTERVAL_DEFAULT;
    if (settings.Resolution <= 0 && !fullSizeBackBufferForced()) requested.softwareWidthLimit = softwareTierWidthLimit();

    logPrintf("Searching for valid device settings.\n");
    DeviceSettings supported;
    if (!findValidDeviceSettings(requested, &supported)) {
        showError(
            "Unable to start the game.  It appears that your graphics hardware\n"
            "does not have sufficient support of Direct3D 9.");
        return false;
    }
    softwareTier = chooseSoftwareTier(supported.softwareRasterizer, std::getenv("ZARN_FULL_QUALITY"));
    if (!requested.softwareWidthLimit) softwareTier.backBufferWidthLimit = 0;  // a chosen or forced size

    saverState.presentParams = supported.presentParams;
    logPrintf("Creating Drect3D device.\n");
    HRESULT hr = saverState.direct3d->CreateDevice(supported.adapterOrdinal, supported.deviceType, window,
                                                   supported.behaviorFlags, &saverState.presentParams,
                                                   &saverState.device);
    if (FAILED(hr) || !saverState.device) {
        if (SUCCEEDED(hr)) hr = E_FAIL;  // a device-less success is still a failure
        releaseDevice();
        char reason[100];
        std::snprintf(reason, sizeof reason, "%s", creationFailureReason(hr));
        char message[256];
        std::snprintf(message, sizeof message, "%s  Error message: %s",
                      "Unable to start the screen saver. It appears that your graphics hardware does not have\n"
                      "sufficient support of Direct3D 9.0c.",
                      reason);
        showError(message);
        return false;
    }

    if (softwareTier.cpuStretch && !stretchPresentsOnCpu(saverState.device)) softwareTier.cpuStretch = false;
    logSoftwareTier(softwareTier);

    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    saverState.device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    return true;
}
