// The paint-driven frame loop: the first paint creates the device and everything that needs
// it (and draws nothing); every later paint renders and presents one frame.
#pragma once

#include <windows.h>
#include <d3dx9.h>

#include <cstdint>

// The least time between the end of one frame and the start of the next.
constexpr uint32_t minFrameGapMs = 30;
// No frame advances the clock by more than this, however long it took.
constexpr int32_t maxFrameStepMs = 500;
// A client area narrower than this is a host's preview window.
constexpr LONG previewWidthLimit = 200;

// The scene's one light, shared by the fixed-function light and the shadow camera.
extern const D3DXVECTOR3 lightPosition;

void renderFrame(HWND window);
void setupFixedLighting();
