// saverWindowProc and the create / destroy steps around the frame loop.
#include "shell/SaverWindowProc.h"

#include "assets/AssetLibrary.h"
#include "scene/ClockScene.h"
#include "shell/Diagnostics.h"
#include "shell/FrameLoop.h"
#include "shell/Host.h"
#include "shell/SaverState.h"
#include "shell/Timers.h"

void loadOnCreate(HWND) {
    saverState.settings.load();
    // Every data path (and the log) is relative to the install directory.
    if (saverState.settings.InstallDir[0] != '\0') SetCurrentDirectoryA(saverState.settings.InstallDir);
    logPrintf("Loading asset library.\n");
    assetLibrary.load("data/assetLibrary.txt");
}

void shutdownSaver() {
    assetLibrary.releaseDeviceObjects();
    if (saverState.scene) saverState.scene->shutdown();
    closeLog();
}

LRESULT saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        OutputDebugStringA("WM_Create called\n");
        saverState.lastPaintTick = tickCount();
        loadOnCreate(window);
        return 0;
    case WM_PAINT: {
        // The window is never validated, so paints keep coming whenever the queue is empty;
        // pacing them here is what holds the frame rate down.
        const uint32_t gap = tickCount() - saverState.lastPaintTick;
        if (gap < minFrameGapMs) Sleep(minFrameGapMs - gap);
        renderFrame(window);
        saverState.lastPaintTick = tickCount();
        return 0;
    }
    case WM_CLOSE: {
        OutputDebugStringA("WM_CLOSE called\n");
        // The host shows or hides the cursor around the check, as a password prompt needs it.
        SendMessageA(window, WM_SETCURSOR, 0, 0);
        const bool mayClose = verifyPassword(window);
        SendMessageA(window, WM_SETCURSOR, 0, 0);
        if (mayClose) {
            OutputDebugStringA("WM_CLOSE: doing a DestroyWindow");
            DestroyWindow(window);
        } else {
            OutputDebugStringA("WM_CLOSE: but failed password, so doing nothing");
        }
        return 0;
    }
    case WM_DESTROY:
        OutputDebugStringA("destroy called\n");
        shutdownSaver();
        PostQuitMessage(0);
        return 0;
    case WM_ERASEBKGND:
        // The background is never erased: the frame (or the black fill) covers it.
        OutputDebugStringA("EraseBackground called\n");
        return 0;
    default:
        return defaultSaverProc(window, message, wParam, lParam);
    }
}
