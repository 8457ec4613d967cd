// The paint-driven frame loop on the recording device with pinned clocks: what the first
// paint does and does not do, frame pacing (across the tick count's wrap too), the frame step
// and its limits, a log that stays small through thousands of failing draws, the pass order,
// where Present puts the picture, and the close and device-failure paths.
#include "device/DeviceCreation.h"
#include "render/ScreenFX.h"
#include "render/ShadowMapping.h"
#include "scene/ClockScene.h"
#include "scene/TimeDrive.h"
#include "shell/Diagnostics.h"
#include "shell/FrameLoop.h"
#include "shell/Host.h"
#include "shell/SaverState.h"
#include "shell/SaverWindowProc.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <ZarnClockOverride.h>
#include <ZarnOffscreen.h>
#include <ZarnRecordingDevice.h>
#include <ZarnScreenMetrics.h>
#include <ZarnTimeOverride.h>
#include <gtest/gtest.h>
#include <messages/MessageState.h>
#include <messages/ZarnWindowBackend.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

class FrameLoop : public testing::Test {
protected:
    void SetUp() override {
        environment.set("ZARN_REGISTRY", dir.path() + "/registry.reg");
        environment.set("ZARN_NO_MESSAGE_BOX", "1");
        // The install directory is this test's folder, so no real content is read.
        dir.write("registry.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n"
                                  "\"InstallDir\"=\"" + dir.path() + "\"\n");
        dir.write("data/assetLibrary.txt", "");
        resetSaver();
        ZarnSetScreenMetricsOverride(1280, 1024);
        zarnOverrideTickCount([this] { return tick; });
        zarnOverridePerformanceFrequency([] { return int64_t(1000000); });
        zarnOverridePerformanceCounter([this] { return counterUs; });
        zarnOverrideSleep([this](DWORD ms) {
            sleeps.push_back(ms);
            tick += ms;
            counterUs += int64_t(ms) * 1000;
        });
        ZarnPinLocalTime(1796724570, 0, false);  // a fixed instant: the scene reads the clock
    }
    void TearDown() override {
        resetSaver();
        ZarnSetScreenMetricsOverride(0, 0);
        ZarnUnpinLocalTime();
        if (window) ZarnDestroyWindow(window);
    }
    static void resetSaver() {
        screenFX.releaseResources();
        releaseShadowMaps();
        delete saverState.scene;
        releaseDevice();
        saverState = SaverState{};
        clockCameraAngle = 0.0f;
        closeLog();  // the next line logged opens the log in the next test's folder
    }

    // Creates the window's saver state and runs the first paint, which builds the device.
    void startSaver(int width, int height) {
        window = ZarnCreateOffscreenWindow(width, height);
        ASSERT_NE(window, nullptr);
        saverWindowProc(window, WM_CREATE, 0, 0);
        paint();
    }
    void paint() { saverWindowProc(window, WM_PAINT, 0, 0); }
    // Lets `ms` pass on both clocks, as a frame's own work would.
    void pass(uint32_t ms) {
        tick += ms;
        counterUs += int64_t(ms) * 1000;
    }
    ZarnRecordingLog& log() { return recording.lastCreated()->log(); }

    TempDir dir;
    ScopedEnvironment environment;
    ZarnScopedRecordingDirect3D recording;
    ClockOverrideScope clocks;
    HWND window = nullptr;
    uint32_t tick = 100000;
    int64_t counterUs = 5000000;
    std::vector<DWORD> sleeps;
};

TEST_F(FrameLoop, FirstPaintBuildsEverythingButPresentsNothing) {
    startSaver(320, 240);
    ASSERT_NE(recording.lastCreated(), nullptr);
    EXPECT_TRUE(saverState.deviceReady);
    ASSERT_NE(saverState.scene, nullptr);
    EXPECT_EQ(log().countCalls("Present"), 0);
    EXPECT_EQ(log().countCalls("BeginScene"), 0);
    // Set-up order: sampler filters, depth and the full ambient, then the fixed light last,
    // whose ambient replaces the first one.
    const int mip = log().indexOfPrefix("SetSamplerState(0, D3DSAMP_MIPFILTER");
    const int zenable = log().indexOfPrefix("SetRenderState(D3DRS_ZENABLE, 1)");
    const int light = log().indexOfCall("SetLight");
    ASSERT_GE(mip, 0);
    EXPECT_LT(mip, zenable);
    EXPECT_LT(zenable, light);
    EXPECT_GT(log().indexOf("SetRenderState(D3DRS_AMBIENT, 2105376)"), light);
    EXPECT_TRUE(recording.lastCreated()->lastDevice()->lightEnabled(0));

    pass(40);
    paint();
    EXPECT_EQ(log().countCalls("Present"), 1);  // the first picture comes with the second paint
}

TEST_F(FrameLoop, PaintsAreHeldThirtyMillisecondsApart) {
    startSaver(320, 240);
    pass(40);
    paint();
    sleeps.clear();
    pass(10);
    paint();
    ASSERT_EQ(sleeps.size(), 1u);
    EXPECT_EQ(sleeps[0], 20u);
    pass(31);
    paint();
    EXPECT_EQ(sleeps.size(), 1u);  // no wait once the gap is long enough
}

TEST_F(FrameLoop, FrameStepIsCappedAndNeverNegative) {
    startSaver(320, 240);
    pass(2000);
    float before = clockCameraAngle;
    paint();
    EXPECT_NEAR((clockCameraAngle - before) * 30000.0f, 500.0f, 0.1f);

    TempDir& logDir = dir;
    counterUs -= 7000;  // the counter runs backwards by 7 ms between two frames
    tick += 40;
    before = clockCameraAngle;
    paint();
    EXPECT_NEAR((clockCameraAngle - before) * 30000.0f, 1.0f, 0.01f);
    pass(40);
    before = clockCameraAngle;
    paint();
    EXPECT_NEAR((clockCameraAngle - before) * 30000.0f, 40.0f, 0.01f);
    shutdownSaver();  // closes the log so it can be read
    const std::string logText = logDir.read("screensaver_log.txt");
    EXPECT_NE(logText.find("Warning: elapsedTime = -7\n"), std::string::npos) << logText;
}

TEST_F(FrameLoop, ShadowPassRunsOnlyWhenWantedAndAvailable) {
    // The real effect files, so that shadow mapping can come up on the recording device.
    for (const char* name : {"ShadowMap", "TextureBumpShadows", "TextureBumpCubemapShadows"}) {
        const std::string file = std::string("data/effects/") + name + ".fxo";
        std::ifstream in(std::string(ZARN_SOURCE_DIR) + "/" + file);
        std::stringstream text;
        text << in.rdbuf();
        dir.write(file, text.str());
    }
    startSaver(320, 240);
    ASSERT_TRUE(shadowsAvailable);
    const auto projections = [this] { return log().countPrefix("SetTransform(D3DTS_PROJECTION"); };

    saverState.settings.EnableShadows = false;
    pass(40);
    int before = projections();
    paint();
    EXPECT_EQ(projections() - before, 1);  // the colour pass only

    saverState.settings.EnableShadows = true;
    const bool wasAvailable = shadowsAvailable;
    shadowsAvailable = false;
    pass(40);
    before = projections();
    paint();
    EXPECT_EQ(projections() - before, 1);
    shadowsAvailable = wasAvailable;

    pass(40);
    before = projections();
    const int targets = log().countCalls("SetRenderTarget");
    paint();
    EXPECT_EQ(projections() - before, 2);  // shadow map, then colour
    EXPECT_GT(log().countCalls("SetRenderTarget"), targets);
}

TEST_F(FrameLoop, FrameOrderClearsBeginsDrawsEndsThenPresents) {
    startSaver(320, 240);
    saverState.settings.EnableShadows = false;
    log().clear();
    pass(40);
    paint();
    const int clear = log().indexOf("Clear(0, 0x3, 0xFF000000, 1, 0)");
    const int begin = log().indexOfCall("BeginScene");
    const int depthOnly = log().indexOf("Clear(0, 0x2, 0xFF000000, 1, 0)");
    const int end = log().indexOfCall("EndScene");
    const int present = log().indexOfCall("Present");
    ASSERT_GE(clear, 0) << log().text();
    EXPECT_LT(clear, begin);
    EXPECT_LT(begin, depthOnly);
    EXPECT_LT(depthOnly, end);
    EXPECT_LT(end, present);
}

TEST_F(FrameLoop, FailedBeginSceneStillPresents) {
    startSaver(320, 240);
    recording.lastCreated()->lastDevice()->script().failingCalls["BeginScene"] = D3DERR_INVALIDCALL;
    log().clear();
    pass(40);
    paint();
    EXPECT_EQ(log().countCalls("EndScene"), 0);
    EXPECT_EQ(log().countCalls("Present"), 1);
}

TEST_F(FrameLoop, PreviewPresentsIntoItsWindowAndFullScreenOverTheScreen) {
    startSaver(152, 112);
    pass(40);
    paint();
    EXPECT_EQ(log().calls("Present").back(), "Present(null, {0 0 152 112}, null)");
}

TEST_F(FrameLoop, FullScreenStretchesASmallBackBufferOverTheScreen) {
    saverState.settings.Resolution = 800;
    startSaver(1280, 1024);
    saverState.settings.Resolution = 800;
    pass(40);
    paint();
    EXPECT_EQ(log().calls("Present").back(), "Present(null, {0 0 1280 1024}, null)");
}

BOOL refusePassword(HWND) { return FALSE; }
BOOL acceptPassword(HWND) { return TRUE; }

// The saver in a real window of the message stand-in, made by the host's window class, so
// that closing it really destroys it and ends the message loop.
class FrameLoopInMessageWindow : public FrameLoop {
protected:
    void SetUp() override {
        FrameLoop::SetUp();
        savedHost = hostState;
        savedBackend = ZarnGetWindowBackend();
        cursorCount = ZarnCursorDisplayCount();
        ZarnSetWindowBackend(ZARN_WINDOWS_OFFSCREEN);
        ZarnResetMessageQueue();
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = hostWindowProc;
        windowClass.lpszClassName = "ZarnFrameLoopSaver";
        RegisterClassA(&windowClass);
        hostState.previewMode = false;
        window = CreateWindowExA(WS_EX_TOPMOST, "ZarnFrameLoopSaver", "Screen Saver", WS_POPUP | WS_VISIBLE, 0, 0,
                                 320, 240, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        hostState.saverWindow = window;
    }
    void TearDown() override {
        DestroyWindow(window);
        hostState = savedHost;
        ZarnResetMessageQueue();
        ZarnSetWindowBackend(savedBackend);
        while (ZarnCursorDisplayCount() < cursorCount) ShowCursor(TRUE);
        FrameLoop::TearDown();
    }
    // Takes the next message and hands it to the window, as the host's loop does; false
    // once the loop would end.
    bool pump(UINT* message) {
        MSG msg{};
        if (!GetMessageA(&msg, nullptr, 0, 0)) return false;
        *message = msg.message;
        DispatchMessageA(&msg);
        return true;
    }

    HostState savedHost;
    ZarnWindowBackend savedBackend = ZARN_WINDOWS_ON_DISPLAY;
    int cursorCount = 0;
};

// Input is handled before the frame, during the gap and once after it; the paint after that
// draws the frame whatever waits in the queue.
TEST_F(FrameLoopInMessageWindow, InputComesFirstButNeverHoldsAFrameBack) {
    paint();
    pass(40);
    paint();
    ASSERT_EQ(log().countCalls("Present"), 1);
    pass(10);
    PostMessageA(window, WM_MOUSEMOVE, 0, 0);
    paint();
    paint();  // still within the gap: the message is still waiting
    EXPECT_EQ(log().countCalls("Present"), 1);
    pass(25);
    paint();  // the gap is over, and the input still goes first, once
    EXPECT_EQ(log().countCalls("Present"), 1);
    paint();
    EXPECT_EQ(log().countCalls("Present"), 2);
    pass(40);
    paint();  // a frame was drawn since: the waiting input goes first again
    EXPECT_EQ(log().countCalls("Present"), 2);
}

TEST_F(FrameLoopInMessageWindow, CloseThatFailsThePasswordCheckChangesNothing) {
    UINT message = 0;
    ASSERT_TRUE(pump(&message));  // the first paint builds the device
    ASSERT_EQ(message, UINT(WM_PAINT));
    ASSERT_TRUE(saverState.deviceReady);
    hostState.legacyPlatform = true;
    hostState.passwordVerifier = refusePassword;

    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(pump(&message));
    ASSERT_EQ(message, UINT(WM_CLOSE));
    EXPECT_TRUE(IsWindow(window));  // refused: the window stays, and so does everything in it
    EXPECT_TRUE(saverState.deviceReady);
    pass(40);
    const int before = log().countCalls("Present");
    ASSERT_TRUE(pump(&message));
    EXPECT_EQ(message, UINT(WM_PAINT));
    EXPECT_EQ(log().countCalls("Present"), before + 1);  // rendering goes on

    // The same request with the check passed ends the saver and its loop, with 0.
    hostState.passwordVerifier = acceptPassword;
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(pump(&message));
    EXPECT_FALSE(IsWindow(window));
    MSG last{};
    EXPECT_EQ(GetMessageA(&last, nullptr, 0, 0), FALSE);
    EXPECT_EQ(last.wParam, 0u);
}

// The password check is modal: the user's input reaches the saver through its loop, and the
// close requests that input posts must not open a second check inside the first.
int passwordChecks = 0;
BOOL acceptAfterAnotherCloseRequest(HWND window) {
    if (passwordChecks++ == 0) SendMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

TEST_F(FrameLoopInMessageWindow, CloseRequestsDuringThePasswordCheckOpenNoOther) {
    hostState.legacyPlatform = true;
    hostState.passwordVerifier = acceptAfterAnotherCloseRequest;
    passwordChecks = 0;
    PostMessageA(window, WM_CLOSE, 0, 0);
    UINT message = 0;
    ASSERT_TRUE(pump(&message));
    EXPECT_EQ(passwordChecks, 1);
    EXPECT_FALSE(IsWindow(window));
}

// A device that cannot be made shows its message in a modal box, whose loop hands the window
// its paints before the box returns: they keep the black fill and never make a second device
// (and a second box inside the first). The black window then counts as painted, so that the
// box gets its own paints, and input ends the saver as any other.
TEST_F(FrameLoopInMessageWindow, AFailedDeviceShowsOneBoxAndInputStillEndsTheSaver) {
    recording.script().createDeviceResult = D3DERR_NOTAVAILABLE;
    testing::internal::CaptureStderr();
    UINT message = 0;
    ASSERT_TRUE(pump(&message));
    ASSERT_EQ(message, UINT(WM_PAINT));
    const std::string boxes = testing::internal::GetCapturedStderr();
    EXPECT_EQ(boxes.find("ERROR: "), boxes.rfind("ERROR: ")) << boxes;
    EXPECT_NE(boxes.find("ERROR: "), std::string::npos);
    EXPECT_EQ(recording.created(), 1);
    EXPECT_TRUE(saverState.deviceFailed);
    EXPECT_FALSE(zarnMessageState(window)->invalid);

    PostMessageA(window, WM_KEYDOWN, 'A', 0);
    MSG last{};
    while (GetMessageA(&last, nullptr, 0, 0)) DispatchMessageA(&last);
    EXPECT_EQ(last.wParam, 0u);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(FrameLoop, WithoutADeviceTheSaverStaysBlackAndTouchesNothing) {
    recording.script().createDeviceResult = D3DERR_NOTAVAILABLE;
    testing::internal::CaptureStderr();
    startSaver(320, 240);
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(saverState.deviceReady);
    EXPECT_TRUE(saverState.deviceFailed);
    EXPECT_EQ(saverState.device, nullptr);
    EXPECT_EQ(saverState.scene, nullptr);
    for (int i = 0; i < 3; ++i) {
        pass(40);
        paint();
    }
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    ASSERT_TRUE(ZarnReadPresentedImage(window, &pixels, &width, &height));
    for (uint32_t p : pixels) ASSERT_EQ(p, 0xFF000000u);
    // Closing and destroying still work without a device.
    saverWindowProc(window, WM_CLOSE, 0, 0);
    shutdownSaver();
}

}  // namespace

// Hosts stop a saver (SIGSTOP) while their unlock dialog is up and continue it later: both
// clocks have jumped. The next frame shows the time as it is now, takes the jump as one
// capped step, and says nothing about it.
TEST_F(FrameLoop, AfterAPauseTheNextFrameShowsTheTimeOfNow) {
    __time64_t now = 1796724570;
    startSaver(320, 240);
    pass(40);
    paint();
    for (int pauseSeconds : {10, 120}) {
        now += pauseSeconds;
        ZarnPinLocalTime(now, 250, false);
        pass(uint32_t(pauseSeconds) * 1000);
        const float cameraBefore = clockCameraAngle;
        paint();
        EXPECT_FLOAT_EQ(clockCameraAngle - cameraBefore, 500.0f / 30000.0f) << pauseSeconds;

        struct tm local {};
        ASSERT_EQ(_localtime64_s(&local, &now), 0);
        ClockReading reading;
        reading.hour = local.tm_hour;
        reading.minute = local.tm_min;
        reading.second = local.tm_sec;
        reading.millisecond = 250;
        reading.weekday = local.tm_wday;
        reading.month = local.tm_mon;
        reading.monthDay = local.tm_mday;
        reading.year = local.tm_year + 1900;
        reading.epochSeconds = now;
        const ClockPose expected = computeClockPose(reading, saverState.settings.UseMilitaryTime);
        const ClockPose& shown = saverState.scene->lastPose();
        EXPECT_FLOAT_EQ(shown.hourHandAngle, expected.hourHandAngle) << pauseSeconds;
        EXPECT_FLOAT_EQ(shown.minuteHandAngle, expected.minuteHandAngle) << pauseSeconds;
        EXPECT_FLOAT_EQ(shown.secondValue, expected.secondValue) << pauseSeconds;
        EXPECT_FLOAT_EQ(shown.minuteValue, expected.minuteValue) << pauseSeconds;
        EXPECT_EQ(shown.hourTarget, expected.hourTarget) << pauseSeconds;
        EXPECT_FLOAT_EQ(saverState.scene->secondCounter.value, expected.secondValue) << pauseSeconds;
        EXPECT_FLOAT_EQ(saverState.scene->minuteCounter.value, expected.minuteValue) << pauseSeconds;
    }
    closeLog();
    EXPECT_EQ(dir.read("screensaver_log.txt").find("elapsedTime"), std::string::npos);
}

TEST_F(FrameLoop, PacingHoldsAcrossTheTickCountWrap) {
    tick = 0xFFFFFFFFu - 25;  // 49.7 days after boot the 32-bit count is about to wrap
    startSaver(320, 240);
    pass(40);
    paint();  // the tick count has wrapped between these two frames
    ASSERT_LT(tick, 100u);
    sleeps.clear();
    pass(10);
    paint();
    ASSERT_EQ(sleeps.size(), 1u);
    EXPECT_EQ(sleeps[0], 20u);
    tick = 0xFFFFFFFFu - 5;  // a frame ends just before the wrap ...
    counterUs += 40000;
    paint();
    sleeps.clear();
    tick += 15;  // ... and the next paint comes 15 ms later, after it
    counterUs += 15000;
    paint();
    ASSERT_EQ(sleeps.size(), 1u);
    EXPECT_EQ(sleeps[0], 15u);
}

TEST_F(FrameLoop, AMissingTextureAllNightKeepsTheLogSmall) {
    // The real effects, so the bump-mapped materials bind their effects, whose textures
    // are all missing: every colour draw of them reports it.
    for (const auto& entry : std::filesystem::directory_iterator(std::string(ZARN_SOURCE_DIR) + "/data/effects")) {
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        dir.write("data/effects/" + entry.path().filename().string(), text.str());
    }
    dir.write("quad.obj", "v -1 -1 0\nv -1 1 0\nv 1 1 0\nv 1 -1 0\nvt 0 1\nvt 0 0\nvt 1 0\nvt 1 1\nvn 0 0 -1\n"
                          "f 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\n");
    dir.write("data/assetLibrary.txt",
              "MODELCOUNT 2\n"
              "MODEL {\n MESH quad.obj\n NAME meshFrame\n}\n"
              "MODEL {\n MESH quad.obj\n NAME meshMinutes\n}\n"
              "TEXTURECOUNT 3\n"
              "TEXTURE {\n NAME texBrass\n TXFILE data/media/textures/brass.png\n}\n"
              "TEXTURE {\n NAME texBrassNormal\n TXFILE data/media/textures/brassNormal.png\n}\n"
              "TEXTURE {\n NAME texEnvironment\n TXFILE data/media/textures/environment.dds\n CUBEMAP\n}\n"
              "MATERIALCOUNT 2\n"
              "MATERIAL {\n NAME matFrame\n EFFECT bumpReflectShadow\n BASEID texBrass\n BUMPID texBrassNormal\n"
              " CUBEMAPID texEnvironment\n}\n"
              "MATERIAL {\n NAME matHands\n EFFECT bumpShadow\n BASEID texBrass\n BUMPID texBrassNormal\n}\n"
              "ANIMATIONCOUNT 0\n");
    testing::internal::CaptureStderr();
    startSaver(160, 120);
    // Three thousand frames, about a hundred seconds of the saver: the recording device's
    // call log is emptied each frame so only the saver's own output grows.
    for (int frame = 0; frame < 3000; ++frame) {
        pass(33);
        paint();
        log().clear();
    }
    const std::string console = testing::internal::GetCapturedStderr();
    shutdownSaver();
    const std::string logText = dir.read("screensaver_log.txt");

    const std::string reflect = "BumpReflectShadows effect is missing essential textures\n";
    // Whole lines only: the suppression notice quotes the message too.
    auto occurrences = [](const std::string& text, const std::string& line) {
        int count = 0;
        for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
            if (at == 0 || text[at - 1] == '\n') ++count;
        return count;
    };
    EXPECT_EQ(occurrences(console, reflect), 10);
    EXPECT_EQ(occurrences(logText, reflect), 10);
    EXPECT_EQ(occurrences(console, "TextureBumpShadow effect is missing essential textures\n"), 10);
    EXPECT_NE(logText.find("Further repeats of this message are suppressed: BumpReflectShadows effect is missing"),
              std::string::npos);
    EXPECT_NE(logText.find(" repeats of: BumpReflectShadows effect is missing essential textures\n"),
              std::string::npos);
    // A whole night (8 hours at 33 frames a second is about 300 times this) stays as small.
    EXPECT_LT(logText.size(), 16u * 1024) << logText.substr(0, 2000);
    EXPECT_LT(console.size(), 16u * 1024);
}

TEST_F(FrameLoop, AMissingDataFolderIsReportedAndTheSaverRunsOnWithoutIt) {
    std::filesystem::remove_all(dir.path() + "/data");
    testing::internal::CaptureStderr();
    startSaver(160, 120);
    for (int frame = 0; frame < 50; ++frame) {
        pass(33);
        paint();
    }
    const std::string console = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(saverState.deviceReady);
    EXPECT_EQ(log().countCalls("Present"), 50);
    EXPECT_NE(console.find("data/assetLibrary.txt"), std::string::npos) << console.substr(0, 2000);
    // Every missing part is named once per look-up, not once per frame.
    EXPECT_LT(console.size(), 16u * 1024);
}
