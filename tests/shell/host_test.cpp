// The screen-saver host: the service's command line, the close rules that turn input into
// WM_CLOSE, the preview window's exemptions, and a whole run from start to a key press.
#include "device/DeviceCreation.h"
#include "render/ScreenFX.h"
#include "render/ShadowMapping.h"
#include "scene/ClockScene.h"
#include "shell/Diagnostics.h"
#include "shell/Host.h"
#include "shell/SaverState.h"
#include "support/TempDir.h"

#include <ZarnClockOverride.h>
#include <ZarnOffscreen.h>
#include <ZarnRecordingDevice.h>
#include <ZarnScreenMetrics.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <messages/ZarnWindowBackend.h>

#include <cstdlib>

namespace {

// The saver keeps its shadow maps for the life of the process; tests that make a device
// per case give them back so each case starts clean (and leak checks stay meaningful).
void releaseShadowMaps() {
    if (shadowMapSurface) shadowMapSurface->Release();
    if (shadowMapTexture) shadowMapTexture->Release();
    if (shadowMapMSTarget) shadowMapMSTarget->Release();
    if (_pTexNoShadow) _pTexNoShadow->Release();
    shadowMapSurface = nullptr;
    shadowMapTexture = nullptr;
    shadowMapMSTarget = nullptr;
    _pTexNoShadow = nullptr;
}

TEST(HostCommandLine, ModeLettersInEveryDress) {
    for (const char* line : {"/s", "-S", " s", "/S", "s"})
        EXPECT_EQ(parseCommandLine(line).mode, HostMode::fullScreen) << line;

    HostCommand preview = parseCommandLine("/p 1234");
    EXPECT_EQ(preview.mode, HostMode::preview);
    EXPECT_TRUE(preview.hasWindow);
    EXPECT_EQ(preview.window, 1234u);
    EXPECT_EQ(parseCommandLine("/l   77x").window, 77u);  // the digit run ends at the first non-digit
    EXPECT_FALSE(parseCommandLine("/p").hasWindow);
    EXPECT_FALSE(parseCommandLine("/p -5").hasWindow);  // no sign

    HostCommand owned = parseCommandLine("/c:5678");
    EXPECT_EQ(owned.mode, HostMode::configuration);
    EXPECT_EQ(owned.window, 5678u);
    EXPECT_FALSE(parseCommandLine("/c").hasWindow);
    EXPECT_FALSE(parseCommandLine("/c 5678").hasWindow);  // the handle must follow ':' directly
    EXPECT_EQ(parseCommandLine("").mode, HostMode::configuration);
    EXPECT_EQ(parseCommandLine(nullptr).mode, HostMode::configuration);
    EXPECT_EQ(parseCommandLine("  /-").mode, HostMode::configuration);

    EXPECT_EQ(parseCommandLine("/a 12").mode, HostMode::passwordChange);
    EXPECT_EQ(parseCommandLine("/x").mode, HostMode::invalid);
    // A handle too long for any pointer names no window rather than wrapping around.
    EXPECT_EQ(parseCommandLine("/p 999999999999999999999999999999").window, 0u);
}

TEST(HostCommandLine, ModesThatCannotRunExitWithMinusOne) {
    EXPECT_EQ(hostMain(nullptr, "/x"), -1);
    EXPECT_EQ(hostMain(nullptr, "/p"), -1);
    EXPECT_EQ(hostMain(nullptr, "/p 0"), -1);
    EXPECT_EQ(hostMain(nullptr, "/a 5"), -1);  // no password-change service here
    // Without a display the settings dialog cannot open: said in one line, not faked.
    const char* display = std::getenv("DISPLAY");
    const std::string savedDisplay = display ? display : "";
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    testing::internal::CaptureStderr();
    EXPECT_EQ(hostMain(nullptr, "/c"), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "zarn-screensaver: the settings dialog needs a display\n");
    if (display) setenv("DISPLAY", savedDisplay.c_str(), 1);
}

TEST(HostCloseRules, MouseMayDriftFourPixelsInTotal) {
    const POINT origin{100, 100};
    EXPECT_FALSE(mouseMovedBeyondThreshold(origin, POINT{102, 102}, 4));
    EXPECT_TRUE(mouseMovedBeyondThreshold(origin, POINT{103, 102}, 4));
    EXPECT_TRUE(mouseMovedBeyondThreshold(origin, POINT{97, 98}, 4));
    EXPECT_FALSE(mouseMovedBeyondThreshold(origin, POINT{96, 100}, 4));
}

TEST(HostCloseRules, PowerNoticesCloseExceptFailedResumesAndSteadyPower) {
    BYTE ac = 1;
    EXPECT_TRUE(powerBroadcastCloses(0, 0, &ac, 1));   // a suspend query
    EXPECT_TRUE(powerBroadcastCloses(9, 0, &ac, 1));
    EXPECT_TRUE(powerBroadcastCloses(19, 0, &ac, 1));
    EXPECT_TRUE(powerBroadcastCloses(7, 0, &ac, 1));   // resume
    EXPECT_FALSE(powerBroadcastCloses(7, 1, &ac, 1));  // resume after a failure
    EXPECT_FALSE(powerBroadcastCloses(10, 0, &ac, 1)); // status unchanged
    EXPECT_TRUE(powerBroadcastCloses(10, 0, &ac, 0));  // now on battery
    EXPECT_EQ(ac, 0);
}

LRESULT plainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

class HostWindow : public testing::Test {
protected:
    void SetUp() override {
        ZarnSetWindowBackend(ZARN_WINDOWS_OFFSCREEN);
        ZarnResetMessageQueue();
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = plainProc;
        windowClass.lpszClassName = "ZarnHostTest";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "ZarnHostTest", "t", WS_POPUP | WS_VISIBLE, 0, 0, 64, 64, nullptr, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        saved = hostState;
        hostState.mouseOrigin = POINT{10, 10};
        SetCursorPos(10, 10);
    }
    void TearDown() override {
        hostState = saved;
        DestroyWindow(window);
        ZarnDestroyWindow(window);  // the object outlives DestroyWindow for a device's sake
        ZarnResetMessageQueue();
    }
    // The message the queue hands out next: the posted close if there is one, else a paint.
    UINT nextMessage() {
        MSG msg{};
        GetMessageA(&msg, nullptr, 0, 0);
        return msg.message;
    }

    HWND window = nullptr;
    HostState saved;
};

TEST_F(HostWindow, InputClosesTheFullScreenSaver) {
    hostState.previewMode = false;
    for (UINT message : {UINT(WM_KEYDOWN), UINT(WM_SYSKEYDOWN), UINT(WM_LBUTTONDOWN), UINT(WM_RBUTTONDOWN),
                         UINT(WM_MBUTTONDOWN)}) {
        defaultSaverProc(window, message, 0, 0);
        EXPECT_EQ(nextMessage(), UINT(WM_CLOSE)) << message;
    }
    defaultSaverProc(window, WM_ACTIVATEAPP, 1, 0);  // gaining activation is fine
    EXPECT_EQ(nextMessage(), UINT(WM_PAINT));
    defaultSaverProc(window, WM_ACTIVATEAPP, 0, 0);
    EXPECT_EQ(nextMessage(), UINT(WM_CLOSE));

    SetCursorPos(12, 12);  // 2 + 2: not yet
    defaultSaverProc(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(nextMessage(), UINT(WM_PAINT));
    SetCursorPos(13, 12);  // 3 + 2
    defaultSaverProc(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(nextMessage(), UINT(WM_CLOSE));
    EXPECT_EQ(hostState.mouseOrigin.x, 13);  // measured from here from now on

    const int cursor = ZarnCursorDisplayCount();
    EXPECT_EQ(defaultSaverProc(window, WM_SETCURSOR, 0, 0), 1);
    EXPECT_EQ(ZarnCursorDisplayCount(), cursor - 1);
}

TEST_F(HostWindow, PreviewNeverClosesOnInputNorHidesTheCursor) {
    hostState.previewMode = true;
    const int cursor = ZarnCursorDisplayCount();
    SetCursorPos(300, 300);
    for (UINT message : {UINT(WM_KEYDOWN), UINT(WM_LBUTTONDOWN), UINT(WM_MOUSEMOVE), UINT(WM_ACTIVATEAPP),
                         UINT(WM_SETCURSOR), UINT(WM_SHOWWINDOW)})
        defaultSaverProc(window, message, message == WM_SHOWWINDOW ? 1 : 0, 0);
    EXPECT_EQ(nextMessage(), UINT(WM_PAINT));
    EXPECT_EQ(ZarnCursorDisplayCount(), cursor);
}

TEST_F(HostWindow, ScreenSaveCommandIsSwallowedWhileRunning) {
    hostState.previewMode = false;
    EXPECT_EQ(hostWindowProc(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(hostWindowProc(window, WM_SETTEXT, 0, 0), 0);
    EXPECT_EQ(nextMessage(), UINT(WM_PAINT));
}

TEST_F(HostWindow, PaintRuleKeepsAnInvalidWindowPaintingUntilValidated) {
    EXPECT_EQ(nextMessage(), UINT(WM_PAINT));
    EXPECT_EQ(nextMessage(), UINT(WM_PAINT));  // nobody validated it
    PostMessageA(window, (WM_USER + 7), 0, 0);
    EXPECT_EQ(nextMessage(), UINT(WM_USER + 7));  // anything posted comes first
    DefWindowProcA(window, WM_PAINT, 0, 0);  // what BeginPaint/EndPaint would do
    PostQuitMessage(3);
    MSG msg{};
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.wParam, 3u);
}

// A whole full-screen run: the host creates the window, the paints create the device and
// render, a key press closes the saver, and the loop ends with the quit code.
TEST(HostRun, FullScreenRunEndsOnAKeyPress) {
    TempDir dir;
    setenv("ZARN_REGISTRY", (dir.path() + "/registry.reg").c_str(), 1);
    dir.write("registry.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n"
                              "\"InstallDir\"=\"" + dir.path() + "\"\n");
    dir.write("data/assetLibrary.txt", "");
    screenFX.releaseResources();
    delete saverState.scene;
    releaseDevice();
    saverState = SaverState{};
    const HostState saved = hostState;
    ZarnSetWindowBackend(ZARN_WINDOWS_OFFSCREEN);
    ZarnResetMessageQueue();
    ZarnSetScreenMetricsOverride(320, 200);
    ZarnScopedRecordingDirect3D recording;
    ClockOverrideScope clocks;
    DWORD tick = 5000;
    int sleeps = 0;
    zarnOverrideTickCount([&] { return tick; });
    zarnOverrideSleep([&](DWORD ms) {
        tick += ms;
        // After a few paced frames, the user presses a key.
        if (++sleeps == 5 && hostState.saverWindow) PostMessageA(hostState.saverWindow, WM_KEYDOWN, 'A', 0);
    });

    testing::internal::CaptureStderr();
    const int code = hostMain(nullptr, "/s");
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, 0);
    ASSERT_NE(recording.lastCreated(), nullptr);
    EXPECT_GE(recording.lastCreated()->log().countCalls("Present"), 3);
    EXPECT_FALSE(IsWindow(hostState.saverWindow));
    EXPECT_LT(ZarnCursorDisplayCount(), 0);  // hidden while it ran

    ShowCursor(TRUE);
    HWND ran = hostState.saverWindow;
    hostState = saved;
    ZarnSetScreenMetricsOverride(0, 0);
    screenFX.releaseResources();
    releaseShadowMaps();
    delete saverState.scene;
    releaseDevice();
    saverState = SaverState{};
    closeLog();
    ZarnDestroyWindow(ran);
}

// A saver whose window cannot be made (here: a screen larger than any window may be) has
// failed; it must not end with the code of a saver that ran and was closed.
TEST(HostRun, NoWindowIsAFailureNotACleanExit) {
    const HostState saved = hostState;
    ZarnSetWindowBackend(ZARN_WINDOWS_OFFSCREEN);
    ZarnResetMessageQueue();
    ZarnSetScreenMetricsOverride(1 << 20, 1 << 20);
    testing::internal::CaptureStderr();
    const int code = hostMain(nullptr, "/s");
    const std::string err = testing::internal::GetCapturedStderr();
    ZarnSetScreenMetricsOverride(0, 0);
    EXPECT_EQ(code, -1);
    EXPECT_NE(err.find("could not be created"), std::string::npos) << err;
    EXPECT_EQ(hostState.saverWindow, nullptr);
    hostState = saved;
}

}  // namespace
