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

namespace {

// The rest of the gap before a frame, as a wait that input cuts short (a look that waits for
// nothing once the gap has passed): true when input came. The thread's queue never runs dry (a
// paint is always due), so this is the one place it waits; with a plain sleep, input would stay
// unread until the next frame, and under Wine, whose windows read the X server's input only
// while their thread waits for messages or after some two hundred messages, for minutes.
bool inputBeforeFrame(uint32_t ms) {
    return MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_INPUT | QS_POSTMESSAGE | QS_SENDMESSAGE) ==
           WAIT_OBJECT_0;
}

// A close request is being decided. The password check is modal: its loop hands this window
// the user's input, whose close rules would post more requests and open a check inside it.
bool closeBeingDecided = false;

}  // namespace

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
        // pacing them here is what holds the frame rate down. Input is handled before the
        // frame: this paint ends without one, and the next, which follows as soon as the input
        // is handled, waits for what is left of the gap. Input that waits once the gap is over
        // goes first once too (a key should not wait for a whole frame more, which on a slow
        // renderer is most of a second), but the paint after that draws the frame whatever
        // waits, so a steady stream of messages (a pointer moving over a preview) never holds
        // the clock still.
        const uint32_t gap = tickCount() - saverState.lastPaintTick;
        const bool gapLeft = gap < minFrameGapMs;
        // The look is taken even with no gap left: under Wine it is what reads the input.
        const bool inputCame = inputBeforeFrame(gapLeft ? minFrameGapMs - gap : 0);
        if (inputCame && (gapLeft || !saverState.inputWentFirst)) {
            saverState.inputWentFirst = !gapLeft;
            return 0;
        }
        saverState.inputWentFirst = false;
        renderFrame(window);
        saverState.lastPaintTick = tickCount();
        return 0;
    }
    case WM_CLOSE: {
        OutputDebugStringA("WM_CLOSE called\n");
        if (closeBeingDecided) return 0;  // the check already open answers for this one too
        // The host shows or hides the cursor around the check, as a password prompt needs it.
        SendMessageA(window, WM_SETCURSOR, 0, 0);
        closeBeingDecided = true;
        const bool mayClose = verifyPassword(window);
        closeBeingDecided = false;
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
