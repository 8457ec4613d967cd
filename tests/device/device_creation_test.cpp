// createDevice end to end on the scripted Direct3D: back-buffer size from the settings and
// the screen, the request it builds, the three failure messages and what each leaves behind,
// and what a successful creation sets up.
#include "DeviceFixture.h"

#include "device/SoftwareTier.h"

#include <ZarnOffscreen.h>
#include <ZarnScreenMetrics.h>
#include <messages/ZarnWindowBackend.h>

#include <cstdio>

namespace {

class DeviceCreationTest : public DeviceFixture {
protected:
    void TearDown() override {
        DeviceFixture::TearDown();
        ZarnSetScreenMetricsOverride(0, 0);
        if (window) ZarnDestroyWindow(window);
    }

    // Creates the device for a window of the given client size on a screen of the given
    // size; returns createDevice's answer.
    bool create(int clientW, int clientH, int screenW, int screenH, ZarnDirect3DScript script = {}) {
        ZarnSetScreenMetricsOverride(screenW, screenH);
        if (window) ZarnDestroyWindow(window);
        window = ZarnCreateOffscreenWindow(clientW, clientH);
        EXPECT_NE(nullptr, window);
        releaseDevice();
        ZarnScopedRecordingDirect3D installed(std::move(script));
        return createDevice(window);
    }

    ZarnRecordingDevice* recordingDevice() { return static_cast<ZarnRecordingDevice*>(saverState.device); }

    HWND window = nullptr;
};

TEST_F(DeviceCreationTest, BackBufferFollowsResolutionAndScreenAspect) {
    saverState.settings.Resolution = 800;
    ASSERT_TRUE(create(1280, 1024, 1280, 1024));
    EXPECT_EQ(800u, saverState.presentParams.BackBufferWidth);
    EXPECT_EQ(640u, saverState.presentParams.BackBufferHeight);

    ASSERT_TRUE(create(1920, 1080, 1920, 1080));
    EXPECT_EQ(800u, saverState.presentParams.BackBufferWidth);
    EXPECT_EQ(450u, saverState.presentParams.BackBufferHeight);

    saverState.settings.Resolution = 1024;
    ASSERT_TRUE(create(1920, 1200, 1920, 1200));
    EXPECT_EQ(640u, saverState.presentParams.BackBufferHeight);

    for (int resolution : {0, -5}) {
        saverState.settings.Resolution = resolution;
        ASSERT_TRUE(create(1920, 1080, 1920, 1080));
        EXPECT_EQ(1920u, saverState.presentParams.BackBufferWidth);
        EXPECT_EQ(1080u, saverState.presentParams.BackBufferHeight);
    }
}

// The software tier: a software rasteriser draws the screen's own size at most 1024 wide (1280
// with ZARN_FULL_QUALITY=1) and lighter; a GPU, the full-quality variable, a chosen Resolution
// and ZARN_FULL_SIZE_BACK_BUFFER=1 each undo what they name, and the log says what is drawn.
TEST_F(DeviceCreationTest, SoftwareRasteriserDrawsASmallerLighterPictureUnlessToldNotTo) {
    const ZarnWindowBackend previousBackend = ZarnGetWindowBackend();
    ZarnSetWindowBackend(ZARN_WINDOWS_OFFSCREEN);
    WNDCLASSA childClass{};
    childClass.lpfnWndProc = DefWindowProcA;
    childClass.lpszClassName = "ZarnDeviceTestChild";
    RegisterClassA(&childClass);
    struct Case {
        const char* what;
        int screenW, screenH;
        int childW, childH;  // > 0: a host's preview window of this size, inside the screen
        bool software;
        int resolution;
        const char* fullSize;     // ZARN_FULL_SIZE_BACK_BUFFER, or null
        const char* fullQuality;  // ZARN_FULL_QUALITY, or null
        UINT requestedW, requestedH, drawnW, drawnH;
        bool lighter;
    } cases[] = {
        {"GPU", 1920, 1080, 0, 0, false, 0, nullptr, nullptr, 1920, 1080, 1920, 1080, false},
        {"GPU, variable", 1920, 1080, 0, 0, false, 0, nullptr, "1", 1920, 1080, 1920, 1080, false},
        {"16:9", 1920, 1080, 0, 0, true, 0, nullptr, nullptr, 1920, 1080, 1024, 576, true},
        {"1280 x 720", 1280, 720, 0, 0, true, 0, nullptr, nullptr, 1280, 720, 1024, 576, true},
        {"4K", 3840, 2160, 0, 0, true, 0, nullptr, nullptr, 3840, 2160, 1024, 576, true},
        {"5:4", 1600, 1280, 0, 0, true, 0, nullptr, nullptr, 1600, 1280, 1024, 819, true},
        {"9:16", 2160, 3840, 0, 0, true, 0, nullptr, nullptr, 2160, 3840, 1024, 1820, true},
        {"32:9", 5120, 1440, 0, 0, true, 0, nullptr, nullptr, 5120, 1440, 1024, 288, true},
        {"1024 wide", 1024, 768, 0, 0, true, 0, nullptr, nullptr, 1024, 768, 1024, 768, true},
        {"full quality", 1920, 1080, 0, 0, true, 0, nullptr, "1", 1920, 1080, 1280, 720, false},
        {"full quality, 1280 wide", 1280, 1024, 0, 0, true, 0, nullptr, "1", 1280, 1024, 1280, 1024, false},
        {"full quality not 1", 1920, 1080, 0, 0, true, 0, nullptr, "yes", 1920, 1080, 1024, 576, true},
        {"full size", 1920, 1080, 0, 0, true, 0, "1", nullptr, 1920, 1080, 1920, 1080, true},
        {"full size not 1", 1920, 1080, 0, 0, true, 0, "0", nullptr, 1920, 1080, 1024, 576, true},
        {"chosen Resolution", 2560, 1440, 0, 0, true, 1600, nullptr, nullptr, 1600, 900, 1600, 900, true},
        {"host's whole monitor", 3840, 2160, 2560, 1600, true, 0, nullptr, nullptr, 2560, 1600, 1024, 640, true},
        {"small preview", 1920, 1080, 152, 112, true, 0, nullptr, nullptr, 152, 112, 152, 112, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        saverState.settings.Resolution = c.resolution;
        if (c.fullSize) setenv("ZARN_FULL_SIZE_BACK_BUFFER", c.fullSize, 1);
        else unsetenv("ZARN_FULL_SIZE_BACK_BUFFER");
        if (c.fullQuality) setenv("ZARN_FULL_QUALITY", c.fullQuality, 1);
        else unsetenv("ZARN_FULL_QUALITY");
        ZarnDirect3DScript script;
        script.adapters[0].softwareRasterizer = c.software;
        ZarnSetScreenMetricsOverride(c.screenW, c.screenH);
        if (window) ZarnDestroyWindow(window);
        HWND parent = nullptr;
        if (c.childW > 0) {
            parent = ZarnCreateOffscreenWindow(c.screenW, c.screenH);
            window = CreateWindowExA(0, "ZarnDeviceTestChild", "", WS_CHILD | WS_VISIBLE, 0, 0, c.childW, c.childH,
                                     parent, nullptr, nullptr, nullptr);
        } else {
            window = ZarnCreateOffscreenWindow(c.screenW, c.screenH);
        }
        ASSERT_NE(nullptr, window);
        releaseDevice();
        closeLog();
        {
            ZarnScopedRecordingDirect3D installed(script);
            ASSERT_TRUE(createDevice(window));
        }
        EXPECT_EQ(c.drawnW, saverState.presentParams.BackBufferWidth);
        EXPECT_EQ(c.drawnH, saverState.presentParams.BackBufferHeight);
        EXPECT_EQ(c.lighter, softwareTier.lightShading);
        EXPECT_EQ(c.lighter, softwareTier.lighterMeshes);
        EXPECT_EQ(c.lighter, softwareTier.smallerShadowMap);
        // The recording device has no stretch of its own to choose: only the choice is seen.
        EXPECT_EQ(c.lighter, chooseSoftwareTier(c.software, c.fullQuality).cpuStretch);
        EXPECT_FALSE(softwareTier.cpuStretch);
        char widthRow[80], heightRow[80];
        std::snprintf(widthRow, sizeof widthRow, "  Back Buffer Width:    %10u  %10u\n", c.requestedW, c.drawnW);
        std::snprintf(heightRow, sizeof heightRow, "  Back Buffer Height:   %10u  %10u\n", c.requestedH, c.drawnH);
        const std::string log = logText();
        EXPECT_NE(std::string::npos, log.find(widthRow)) << log;
        EXPECT_NE(std::string::npos, log.find(heightRow)) << log;
        EXPECT_EQ(c.lighter, log.find("Software renderer, lighter picture: ") != std::string::npos) << log;
        releaseDevice();
        ZarnDestroyWindow(window);
        window = nullptr;
        if (parent) ZarnDestroyWindow(parent);
    }
    unsetenv("ZARN_FULL_SIZE_BACK_BUFFER");
    unsetenv("ZARN_FULL_QUALITY");
    ZarnSetWindowBackend(previousBackend);
}

TEST_F(DeviceCreationTest, PreviewWindowUsesItsOwnClientSize) {
    saverState.settings.Resolution = 800;
    ASSERT_TRUE(create(152, 112, 1920, 1080));
    EXPECT_EQ(152u, saverState.presentParams.BackBufferWidth);
    EXPECT_EQ(112u, saverState.presentParams.BackBufferHeight);
}

TEST_F(DeviceCreationTest, UnknownScreenSizeFallsBackToTheWindowInsteadOfDividingByZero) {
    saverState.settings.Resolution = 800;
    // With no override and no display GetSystemMetrics answers 0; simulate exactly that.
    ZarnSetScreenMetricsOverride(0, 0);
    window = ZarnCreateOffscreenWindow(1024, 768);
    ZarnScopedRecordingDirect3D installed;
    if (GetSystemMetrics(SM_CXSCREEN) != 0) GTEST_SKIP() << "a display is present";
    ASSERT_TRUE(createDevice(window));
    EXPECT_EQ(1024u, saverState.presentParams.BackBufferWidth);
    EXPECT_EQ(768u, saverState.presentParams.BackBufferHeight);
}

TEST_F(DeviceCreationTest, SuccessfulCreationMatchesTheRequestAndReportsIt) {
    saverState.settings.Antialiasing = 4;
    saverState.settings.IntervalImmediate = true;
    ZarnDirect3DScript script;
    script.adapters[0].multiSampleQualities = {{D3DMULTISAMPLE_2_SAMPLES, 3}};
    ASSERT_TRUE(create(1280, 1024, 1280, 1024, script));
    ASSERT_NE(nullptr, saverState.device);
    EXPECT_EQ(D3DMULTISAMPLE_2_SAMPLES, saverState.presentParams.MultiSampleType);
    EXPECT_EQ(2u, saverState.presentParams.MultiSampleQuality);
    EXPECT_EQ((UINT)D3DPRESENT_INTERVAL_IMMEDIATE, saverState.presentParams.PresentationInterval);
    EXPECT_EQ(window, saverState.presentParams.hDeviceWindow);
    EXPECT_EQ(window, deviceWindow());

    ZarnRecordingLog& calls = recordingDevice()->log();
    int creation = calls.indexOfCall("CreateDevice");
    ASSERT_GE(creation, 0);
    EXPECT_EQ(0u, calls.lines[creation].find("CreateDevice(0, D3DDEVTYPE_HAL, hwnd, 0x40, {1280x1024 "))
        << calls.lines[creation];
    EXPECT_EQ(creation + 1, calls.indexOf("SetRenderState(D3DRS_SPECULARENABLE, 1)"))
        << "specular lighting is the device's first state";

    std::string log = logText();
    size_t searching = log.find("Searching for valid device settings.\n");
    size_t name = log.find("Device name: Zarn recording adapter\n");
    size_t multisample = log.find("  Multisample Type:              4           2\n");
    size_t creating = log.find("Creating Drect3D device.\n");
    ASSERT_NE(std::string::npos, searching) << log;
    ASSERT_NE(std::string::npos, name) << log;
    ASSERT_NE(std::string::npos, multisample) << log;
    ASSERT_NE(std::string::npos, creating) << log;
    EXPECT_LT(searching, name);
    EXPECT_LT(multisample, creating);
}

TEST_F(DeviceCreationTest, FailuresShowTheirMessageAndLeaveNoDevice) {
    const std::string longText =
        "ERROR: Unable to start the screen saver. It appears that your graphics hardware does not have\n"
        "sufficient support of Direct3D 9.0c.  Error message: ";
    struct Case {
        HRESULT result;
        const char* reason;
    } cases[] = {{D3DERR_OUTOFVIDEOMEMORY, "Out of video memory"},
                 {D3DERR_DEVICELOST, "Device lost"},
                 {D3DERR_INVALIDCALL, "Invalid call to CreateDevice()"},
                 {D3DERR_NOTAVAILABLE, "Device not available"},
                 {E_FAIL, "Unknown"}};
    for (const Case& c : cases) {
        ZarnDirect3DScript script;
        script.createDeviceResult = c.result;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(create(1280, 1024, 1280, 1024, script));
        std::string shown = testing::internal::GetCapturedStderr();
        EXPECT_EQ(longText + c.reason + "\n", shown);
        EXPECT_EQ(nullptr, saverState.device);
        EXPECT_EQ(nullptr, saverState.direct3d) << "both are released after a failed creation";
    }
    EXPECT_EQ(std::string::npos, logText().find("ERROR")) << "message boxes are not logged";
}

TEST_F(DeviceCreationTest, NoDirect3DOrNoUsableComboShowTheirMessages) {
    ZarnSetScreenMetricsOverride(1280, 1024);
    window = ZarnCreateOffscreenWindow(1280, 1024);
    {
        ZarnScopedRecordingDirect3D installed;
        installed.failCreates(1);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(createDevice(window));
        EXPECT_EQ(
            "ERROR: Unable to locate Direct3D, version 9.  The drivers may be missing, or your\n"
            "graphics hardware may not support Direct3D 9.\n",
            testing::internal::GetCapturedStderr());
        EXPECT_EQ(nullptr, saverState.direct3d);
    }

    ZarnDirect3DScript script;
    script.adapters[0].backBufferFormats.clear();
    ZarnScopedRecordingDirect3D installed(script);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(createDevice(window));
    EXPECT_EQ(
        "ERROR: Unable to start the game.  It appears that your graphics hardware\n"
        "does not have sufficient support of Direct3D 9.\n",
        testing::internal::GetCapturedStderr());
    EXPECT_EQ(nullptr, saverState.device);
    EXPECT_NE(nullptr, saverState.direct3d) << "the Direct3D object stays after a failed search";
    releaseDevice();
    EXPECT_EQ(nullptr, saverState.direct3d);
}

}  // namespace
