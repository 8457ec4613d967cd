// The screen-saver host: the service's command line, the close rules that turn input into
// WM_CLOSE, the preview window's exemptions, and a whole run from start to a key press.
#include "device/DeviceCreation.h"
#include "render/ScreenFX.h"
#include "render/ShadowMapping.h"
#include "scene/ClockScene.h"
#include "shell/Diagnostics.h"
#include "shell/Host.h"
#include "shell/SaverState.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <ZarnClockOverride.h>
#include <ZarnOffscreen.h>
#include <ZarnRecordingDevice.h>
#include <ZarnScreenMetrics.h>
#include <gtest/gtest.h>

#include <messages/ZarnWindowBackend.h>
#include <messages/PowerNotices.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

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

TEST(HostCommandLine, HandlesThatOverflowNameNoWindowInsteadOfWrapping) {
    // The largest value still fits; one more, in any digit, is no handle at all.
    EXPECT_EQ(parseCommandLine("/p 18446744073709551615").window, UINTPTR_MAX);
    for (const char* line : {"/p 18446744073709551616", "/p 18446744073709551616123", "/p 18446744073709551620",
                             "/p 184467440737095516150", "/c:18446744073709551617", "/a 99999999999999999999"}) {
        const HostCommand command = parseCommandLine(line);
        EXPECT_TRUE(command.hasWindow) << line;  // a digit run was there...
        EXPECT_EQ(command.window, 0u) << line;   // ...but it names nothing
    }
    // The digits after an overflow still belong to the run: what follows them is not read.
    EXPECT_EQ(parseCommandLine("/p 18446744073709551616123").mode, HostMode::preview);
    EXPECT_EQ(hostMain(nullptr, "/p 18446744073709551616"), -1);
}

TEST(HostCommandLine, OnlyBlanksDashesAndSlashesAreAnEmptyLine) {
    for (const char* line : {"", " ", "   ", "-", "/", " - / ", "//--"}) {
        const HostCommand command = parseCommandLine(line);
        EXPECT_EQ(command.mode, HostMode::configuration) << '"' << line << '"';
        EXPECT_TRUE(command.endOfText) << '"' << line << '"';
    }
    EXPECT_TRUE(parseCommandLine(nullptr).endOfText);
    EXPECT_FALSE(parseCommandLine("/c").endOfText);
    EXPECT_FALSE(parseCommandLine(" - c:12").endOfText);
}

TEST(HostCommandLine, ModesThatCannotRunExitWithMinusOne) {
    EXPECT_EQ(hostMain(nullptr, "/x"), -1);
    EXPECT_EQ(hostMain(nullptr, "/p"), -1);
    EXPECT_EQ(hostMain(nullptr, "/p 0"), -1);
    EXPECT_EQ(hostMain(nullptr, "/a 5"), -1);  // no password-change service here
    // Without a display the settings dialog cannot open: said in one line, not faked.
    ScopedEnvironment environment;
    environment.unset("DISPLAY");
    environment.unset("WAYLAND_DISPLAY");
    testing::internal::CaptureStderr();
    EXPECT_EQ(hostMain(nullptr, "/c"), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "zarn-screensaver: the settings dialog needs a display\n");
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
    // Every resume notice: user activity, unless it is a resume after a failure.
    for (WPARAM resume : {6, 7, 8, 18}) {
        EXPECT_TRUE(powerBroadcastCloses(resume, 0, &ac, 0)) << resume;
        EXPECT_TRUE(powerBroadcastCloses(resume, 2, &ac, 0)) << resume;  // only bit 0 counts
        EXPECT_FALSE(powerBroadcastCloses(resume, 1, &ac, 0)) << resume;
        EXPECT_FALSE(powerBroadcastCloses(resume, 3, &ac, 0)) << resume;
    }
    for (WPARAM other = 11; other <= 17; ++other) EXPECT_TRUE(powerBroadcastCloses(other, 1, &ac, 0)) << other;
    for (WPARAM other : {0, 1, 2, 3, 4, 5, 9}) EXPECT_TRUE(powerBroadcastCloses(other, 1, &ac, 0)) << other;
    EXPECT_EQ(ac, 0);  // only a status change stores the status
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

TEST_F(HostWindow, SystemCommandsSwitchingWindowsAreSwallowedAndMonitorPowerCloses) {
    hostState.previewMode = false;
    // The low four bits of a system command are the system's own; only the command counts.
    for (WPARAM command : {WPARAM(SC_NEXTWINDOW), WPARAM(SC_PREVWINDOW), WPARAM(SC_NEXTWINDOW | 2)}) {
        EXPECT_EQ(hostWindowProc(window, WM_SYSCOMMAND, command, 0), 0) << command;
        EXPECT_EQ(nextMessage(), UINT(WM_PAINT)) << command;  // nothing posted
    }
    hostWindowProc(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
    EXPECT_EQ(nextMessage(), UINT(WM_CLOSE));

    hostState.previewMode = true;  // a preview leaves the monitor to its host
    hostWindowProc(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
    EXPECT_EQ(nextMessage(), UINT(WM_PAINT));
}

TEST_F(HostWindow, CriticalResumeClosesOtherPowerMessagesDoNot) {
    hostState.previewMode = false;
    defaultSaverProc(window, WM_POWER, 1, 0);
    EXPECT_EQ(nextMessage(), UINT(WM_PAINT));
    defaultSaverProc(window, WM_POWER, PWR_CRITICALRESUME, 0);
    EXPECT_EQ(nextMessage(), UINT(WM_CLOSE));
    hostState.previewMode = true;
    defaultSaverProc(window, WM_POWER, PWR_CRITICALRESUME, 0);
    EXPECT_EQ(nextMessage(), UINT(WM_PAINT));
}

TEST_F(HostWindow, ShowingTheWindowHidesTheCursorHidingItDoesNot) {
    hostState.previewMode = false;
    const int cursor = ZarnCursorDisplayCount();
    defaultSaverProc(window, WM_SHOWWINDOW, FALSE, 0);
    EXPECT_EQ(ZarnCursorDisplayCount(), cursor);
    defaultSaverProc(window, WM_SHOWWINDOW, TRUE, 0);
    EXPECT_EQ(ZarnCursorDisplayCount(), cursor - 1);
    ShowCursor(TRUE);
}

BOOL allowClose(HWND) { return TRUE; }

TEST_F(HostWindow, AutoPlayQueryClosesAndCancelsOnlyWithAPasswordVerifier) {
    hostState.previewMode = false;
    const UINT autoPlay = WM_USER + 0x4321;
    EXPECT_EQ(defaultSaverProc(window, autoPlay, 0, 0), 0);  // not registered: an unknown message
    EXPECT_EQ(nextMessage(), UINT(WM_PAINT));

    hostState.autoPlayMessage = autoPlay;
    EXPECT_EQ(defaultSaverProc(window, autoPlay, 0, 0), 0);
    EXPECT_EQ(nextMessage(), UINT(WM_CLOSE));
    hostState.passwordVerifier = allowClose;
    EXPECT_EQ(defaultSaverProc(window, autoPlay, 0, 0), 1);  // the saver holds the autoplay off
    EXPECT_EQ(nextMessage(), UINT(WM_CLOSE));
    // A preview answers it too: this rule is not one of the input rules a preview skips.
    hostState.previewMode = true;
    EXPECT_EQ(defaultSaverProc(window, autoPlay, 0, 0), 1);
    EXPECT_EQ(nextMessage(), UINT(WM_CLOSE));
}

TEST_F(HostWindow, HelpInAPreviewGoesToItsHostWindow) {
    HWND child = CreateWindowExA(0, "ZarnHostTest", "Preview", WS_CHILD | WS_VISIBLE, 0, 0, 32, 32, window, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    hostState.previewMode = true;
    for (UINT message : {UINT(WM_HELP), UINT(WM_CONTEXTMENU)}) {
        EXPECT_EQ(hostWindowProc(child, message, 0, 77), 1);
        MSG msg{};
        GetMessageA(&msg, nullptr, 0, 0);
        EXPECT_EQ(msg.message, message);
        EXPECT_EQ(msg.hwnd, window);
        EXPECT_EQ(msg.wParam, reinterpret_cast<WPARAM>(window));
        EXPECT_EQ(msg.lParam, 77);
    }
    // Full screen there is no host: the request goes to the saver, nothing is posted.
    hostState.previewMode = false;
    EXPECT_EQ(hostWindowProc(child, WM_HELP, 0, 77), 0);
    MSG msg{};
    GetMessageA(&msg, nullptr, 0, 0);
    EXPECT_EQ(msg.message, UINT(WM_PAINT));
    DestroyWindow(child);
    ZarnDestroyWindow(child);
}

// The system's requests to end reach every window as a close, one signal at a time.
TEST_F(HostWindow, CloseSignalsBecomeCloseRequests) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ASSERT_EQ(std::raise(signal), 0);
        EXPECT_EQ(nextMessage(), UINT(WM_CLOSE)) << signal;
        EXPECT_EQ(nextMessage(), UINT(WM_PAINT)) << signal;  // one close per signal
    }
}

TEST_F(HostWindow, DialogOwnerFollowsTheCommandLine) {
    HWND foreground = CreateWindowExA(0, "ZarnHostTest", "f", WS_POPUP | WS_VISIBLE, 0, 0, 8, 8, nullptr, nullptr,
                                      nullptr, nullptr);
    ASSERT_NE(foreground, nullptr);
    SetForegroundWindow(foreground);
    ASSERT_EQ(GetForegroundWindow(), foreground);

    for (const char* line : {"", "   ", "-", "/", " -/ "})
        EXPECT_EQ(configDialogOwner(parseCommandLine(line)), nullptr) << '"' << line << '"';
    EXPECT_EQ(configDialogOwner(parseCommandLine("/c")), foreground);
    EXPECT_EQ(configDialogOwner(parseCommandLine("-C")), foreground);
    const std::string ownedLine = "/c:" + std::to_string(reinterpret_cast<uintptr_t>(window));
    EXPECT_EQ(configDialogOwner(parseCommandLine(ownedLine.c_str())), window);
    // A handle that names no window falls back to the foreground window.
    EXPECT_EQ(configDialogOwner(parseCommandLine("/c:12")), foreground);
    EXPECT_EQ(configDialogOwner(parseCommandLine("/c:18446744073709551617")), foreground);
    DestroyWindow(foreground);
    ZarnDestroyWindow(foreground);
}

// The AC line is measured from the status the saver read as it started: a change while it
// loads is noticed by the first look at the power line.
TEST_F(HostWindow, PowerChangeWhileLoadingIsNoticed) {
    TempDir sys;
    ScopedEnvironment environment;
    environment.set("ZARN_SYSFS_ROOT", sys.path());
    sys.write("class/power_supply/AC/type", "Mains\n");
    sys.write("class/power_supply/AC/online", "1\n");
    zarnForgetAcLineStatus();
    hostState.acLineStatus = readAcLineStatus();  // as the full-screen saver starts
    ASSERT_EQ(hostState.acLineStatus, AC_LINE_ONLINE);
    sys.write("class/power_supply/AC/online", "0\n");  // unplugged while loading

    zarnPostPowerNotices(std::vector<HWND>{window});
    MSG msg{};
    GetMessageA(&msg, nullptr, 0, 0);
    EXPECT_EQ(msg.message, UINT(WM_POWERBROADCAST));
    EXPECT_EQ(msg.wParam, WPARAM(PBT_APMPOWERSTATUSCHANGE));
    hostState.previewMode = false;
    defaultSaverProc(window, msg.message, msg.wParam, msg.lParam);
    EXPECT_EQ(nextMessage(), UINT(WM_CLOSE));
    zarnForgetAcLineStatus();
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
    ScopedEnvironment environment;
    environment.set("ZARN_REGISTRY", dir.path() + "/registry.reg");
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
