// The shell's process-wide state. Other layers read the settings and the presentation
// parameters in force through it; only the shell writes it.
#pragma once

#include "shell/SaverSettings.h"

#include <d3d9.h>

#include <cstdint>
#include <memory>

class ClockScene;

struct SaverState {
    SaverSettings settings;
    IDirect3D9* direct3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS presentParams = {};
    ClockScene* scene = nullptr;  // owned; created by the first paint, kept until exit
    bool deviceReady = false;
    // The first paint could not create a device: nothing may touch one from then on.
    bool deviceFailed = false;
    // The first paint is under way. Its failure message is a modal box, whose loop hands this
    // window its paints again; they must not start a second first paint inside the first.
    bool firstPaintUnderway = false;
    uint32_t lastPaintTick = 0;
    // The last paint came after the gap and ended without a frame, to let input go first.
    bool inputWentFirst = false;
    int64_t lastFrameCounter = 0;
};

extern SaverState saverState;
