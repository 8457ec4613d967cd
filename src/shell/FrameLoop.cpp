// renderFrame: the first-paint initialisation, then per paint the frame step, the shadow
// pass, the colour pass, the post-processing chain and Present.
#include "shell/FrameLoop.h"

#include "assets/AssetLibrary.h"
#include "assets/Mesh.h"
#include "device/DeviceCreation.h"
#include "render/MaterialBinding.h"
#include "render/ScreenFX.h"
#include "render/ShadowCasterCache.h"
#include "render/ShadowMapping.h"
#include "scene/ClockScene.h"
#include "shell/Diagnostics.h"
#include "shell/FrameStages.h"
#include "shell/SaverState.h"
#include "shell/Timers.h"

#include <new>

const D3DXVECTOR3 lightPosition(-4.0f, 5.0f, -12.0f);
FrameStageObserver frameStageObserver = nullptr;

namespace {

inline void reachStage(FrameStage stage) {
    if (frameStageObserver) frameStageObserver(stage);
}

void drawSceneCasters(void* scene, IDirect3DDevice9* device) {
    static_cast<ClockScene*>(scene)->render(renderPassShadowMap, device);
}

// The shadow camera: from the light towards the middle of the clock face.
constexpr float shadowFieldOfView = 0.56099874f;
constexpr float shadowAspect = 1.3f;
constexpr float shadowNear = 5.0f;
constexpr float shadowFar = 25.0f;
const D3DXVECTOR3 shadowTarget(-0.6f, 0.3f, 0.0f);

void fillClientBlack(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(window, dc);
}

// Everything that needs the device, created once. Nothing is presented: the window shows
// the black fill until the next paint renders the first frame.
void initialiseOnFirstPaint(HWND window) {
    fillClientBlack(window);
    if (!createDevice(window)) {
        // The failure has been shown to the user. Without a device there is nothing more to
        // set up and nothing to draw with: the saver stays a black screen that closes on input.
        saverState.deviceFailed = true;
        return;
    }
    IDirect3DDevice9* device = saverState.device;
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);

    assetLibrary.createDeviceObjects(device);
    Mesh::staticInit();
    initShadowMaps(device);
    selectShadowMap(saverState.settings.EnableShadows);

    saverState.scene = new (std::nothrow) ClockScene(assetLibrary);
    if (saverState.scene) saverState.scene->prepare(device, &saverState.presentParams);
    screenFX.createResources(device);
    setupFixedLighting();

    saverState.lastFrameCounter = readCounter();
    saverState.deviceReady = true;
}

void renderOneFrame(HWND window) {
    IDirect3DDevice9* device = saverState.device;
    ClockScene* scene = saverState.scene;

    const int64_t now = readCounter();
    int32_t elapsedTime = elapsedMs(saverState.lastFrameCounter, now);
    saverState.lastFrameCounter = now;
    if (elapsedTime < 0) {
        logPrintf("Warning: elapsedTime = %d\n", elapsedTime);
        elapsedTime = 1;
    } else if (elapsedTime > maxFrameStepMs) {
        elapsedTime = maxFrameStepMs;
    }

    reachStage(FrameStage::started);
    screenFX.redirectFrame();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    if (SUCCEEDED(device->BeginScene())) {
        reachStage(FrameStage::sceneBegun);
        if (scene) scene->update(uint32_t(elapsedTime));
        reachStage(FrameStage::updated);
        if (saverState.settings.EnableShadows && shadowsAvailable) {
            beginShadowPass(device, shadowFieldOfView, shadowAspect, shadowNear, shadowFar, lightPosition,
                            shadowTarget);
            if (scene) drawShadowCasters(device, drawSceneCasters, scene);
            endShadowPass(device);
        }
        reachStage(FrameStage::shadowed);
        device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        setEyePosition(0.0f, 0.0f, -10.0f, 1.0f);
        if (scene) scene->render(renderPassColour, device);
        device->EndScene();
        reachStage(FrameStage::coloured);
    }
    screenFX.applyEffects();
    reachStage(FrameStage::postProcessed);

    // A preview shows the whole back buffer in its own window; the full-screen saver
    // stretches it over the primary display, whatever size the back buffer is. A preview
    // window may be as wide as a monitor (a host that lends the saver a whole screen), so
    // being a child window counts as well as being narrow: the screen's rectangle would not
    // fit it.
    RECT client{};
    GetClientRect(window, &client);
    if (client.right - client.left < previewWidthLimit || GetParent(window)) {
        device->Present(nullptr, &client, nullptr, nullptr);
    } else {
        RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        device->Present(nullptr, &screen, nullptr, nullptr);
    }
    reachStage(FrameStage::presented);
}

}  // namespace

void renderFrame(HWND window) {
    if (saverState.deviceFailed || saverState.firstPaintUnderway) {
        // Keep the black fill in place (an exposed window loses it); never touch a device.
        // Paints that come while the first paint's message box is up end here too: a second
        // device creation would fail again and open a box inside the box, without end.
        fillClientBlack(window);
        // With no frames to come the window counts as painted until something uncovers it:
        // a window always due for painting would take every paint of the thread, and the
        // message box's text and button would never be drawn.
        ValidateRect(window, nullptr);
        return;
    }
    if (!saverState.deviceReady) {
        saverState.firstPaintUnderway = true;
        initialiseOnFirstPaint(window);
        saverState.firstPaintUnderway = false;
        return;
    }
    if (!saverState.device) return;
    renderOneFrame(window);
}

void setupFixedLighting() {
    IDirect3DDevice9* device = saverState.device;
    if (!device) return;
    D3DMATERIAL9 material{};
    material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Emissive = {0.0f, 0.0f, 0.0f, 0.0f};
    material.Power = 100.0f;
    device->SetMaterial(&material);

    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    light.Specular = {1.0f, 1.0f, 1.0f, 0.0f};
    D3DXVECTOR3 direction(-lightPosition.x, -lightPosition.y, -lightPosition.z);
    D3DXVec3Normalize(&direction, &direction);
    light.Direction = direction;
    light.Range = 1000.0f;
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);

    device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0x00202020);
}
