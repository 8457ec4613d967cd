// Creating and releasing the saver's one Direct3D 9 device. The results live in saverState
// (direct3d, device, presentParams).
//
// createDevice reads the screen size from GetSystemMetrics and the back-buffer limits from the
// window's client rectangle. Tests steer both without a display: ZarnSetScreenMetricsOverride
// (ZarnScreenMetrics.h) fixes the screen, an off-screen window (ZarnOffscreen.h) fixes the
// client rectangle, and ZarnScopedRecordingDirect3D makes Direct3DCreate9 hand out a
// scripted Direct3D object.
#pragma once

#include <windows.h>

// Creates saverState.direct3d and saverState.device for the window. False after a failure
// has been shown to the user in a message box; the device is then absent.
bool createDevice(HWND window);

// Releases the device, then the Direct3D object, each only if present, and clears both.
void releaseDevice();

// The window the device presents into, remembered by createDevice for the enumeration.
HWND deviceWindow();
