// A whole saver frame on the real OpenGL back end, off-screen: with a tiny library whose
// minute hand is a thin bright bar, the hand must cover the pixels where the pinned time
// puts it and leave the rest of the face dark.
#include "device/DeviceCreation.h"
#include "render/ScreenFX.h"
#include "scene/ClockScene.h"
#include "shell/Diagnostics.h"
#include "shell/SaverState.h"
#include "shell/SaverWindowProc.h"
#include "support/TempDir.h"

#include <ZarnClockOverride.h>
#include <ZarnOffscreen.h>
#include <ZarnScreenMetrics.h>
#include <ZarnTimeOverride.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <vector>

namespace {

constexpr int width = 256;
constexpr int height = 192;

// A bar 0.08 wide from the pivot up to 1.6, both windings so it shows whichever way the
// reader orders corners.
const char* handObj =
    "v -0.04 0 0\nv -0.04 1.6 0\nv 0.04 1.6 0\nv 0.04 0 0\n"
    "vt 0 1\nvt 0 0\nvt 1 0\nvt 1 1\nvn 0 0 -1\n"
    "f 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\n"
    "f 1/1/1 3/3/1 2/2/1\nf 1/1/1 4/4/1 3/3/1\n";

const char* library =
    "MODELCOUNT 1\nMODEL {\n MESH data/hand.obj\n NAME meshMinutes\n}\n"
    "TEXTURECOUNT 0\n"
    "MATERIALCOUNT 1\nMATERIAL {\n NAME matHands\n AMBIENT 1 1 1 1\n DIFFUSE 1 1 1 1\n}\n"
    "ANIMATIONCOUNT 0\n";

class ClockFrameGL : public testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        setenv("ZARN_NO_MESSAGE_BOX", "1", 1);
        setenv("ZARN_REGISTRY", (dir.path() + "/registry.reg").c_str(), 1);
        dir.write("registry.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n"
                                  "\"EnableFilters\"=hex:00\n\"EnableShadows\"=hex:00\n"
                                  "\"Antialiasing\"=dword:00000000\n\"InstallDir\"=\"" + dir.path() + "\"\n");
        dir.write("data/hand.obj", handObj);
        dir.write("data/assetLibrary.txt", library);
        ZarnSetScreenMetricsOverride(width, height);
        zarnOverrideTickCount([this] { return tick; });
        zarnOverrideSleep([this](DWORD ms) { tick += ms; });
    }
    void TearDown() override {
        screenFX.releaseResources();
        delete saverState.scene;
        releaseDevice();
        saverState = SaverState{};
        if (window) ZarnDestroyWindow(window);
        ZarnSetScreenMetricsOverride(0, 0);
        ZarnUnpinLocalTime();
        closeLog();
    }

    // Renders the frame for a pinned time and returns the presented picture.
    bool render(int hour, int minute) {
        struct tm t {};
        t.tm_year = 126;
        t.tm_mon = 11;
        t.tm_mday = 8;
        t.tm_hour = hour;
        t.tm_min = minute;
        ZarnPinLocalTime(_mktime64(&t), 0, false);
        window = ZarnCreateOffscreenWindow(width, height);
        if (!window) return false;
        saverWindowProc(window, WM_CREATE, 0, 0);
        saverWindowProc(window, WM_PAINT, 0, 0);
        if (!saverState.deviceReady) return false;
        tick += 40;
        saverWindowProc(window, WM_PAINT, 0, 0);
        int w = 0, h = 0;
        return ZarnReadPresentedImage(window, &pixels, &w, &h) && w == width && h == height;
    }

    // The brightness (max channel) where a point on the clock face lands on screen.
    int brightnessAt(float x, float y) {
        ClockScene* scene = saverState.scene;
        D3DXMATRIX viewProjection;
        D3DXMatrixMultiply(&viewProjection, &scene->view, &scene->projection);
        D3DXVECTOR3 p(x, y, 0.0f), clip;
        D3DXVec3TransformCoord(&clip, &p, &viewProjection);
        const int px = int((clip.x * 0.5f + 0.5f) * width);
        const int py = int((0.5f - clip.y * 0.5f) * height);
        if (px < 0 || py < 0 || px >= width || py >= height) return -1;
        const uint32_t c = pixels[size_t(py) * width + px];
        return std::max({int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF)});
    }

    void savePictureOnFailure(const char* name) {
        if (!HasFailure()) return;
        std::ofstream out(std::string(name) + ".ppm", std::ios::binary);
        out << "P6\n" << width << " " << height << "\n255\n";
        for (uint32_t c : pixels) out.put(char((c >> 16) & 0xFF)).put(char((c >> 8) & 0xFF)).put(char(c & 0xFF));
        std::printf("picture kept in %s/%s.ppm\n", dir.path().c_str(), name);
    }

    TempDir dir;
    ClockOverrideScope clocks;
    DWORD tick = 1000;
    HWND window = nullptr;
    std::vector<uint32_t> pixels;
};

TEST_F(ClockFrameGL, QuarterPastPointsTheMinuteHandRight) {
    ASSERT_TRUE(render(10, 15));
    EXPECT_GT(brightnessAt(0.8f, 0.0f), 150);   // along the hand, pointing to 3 o'clock
    EXPECT_GT(brightnessAt(1.4f, 0.0f), 150);
    EXPECT_LT(brightnessAt(0.0f, 0.8f), 40);    // 12 o'clock stays dark
    EXPECT_LT(brightnessAt(-0.8f, 0.0f), 40);   // so does 9 o'clock
    EXPECT_LT(brightnessAt(0.8f, 0.5f), 40);    // and just beside the hand
    savePictureOnFailure("quarter-past");
}

TEST_F(ClockFrameGL, QuarterToPointsItLeft) {
    ASSERT_TRUE(render(4, 45));
    EXPECT_GT(brightnessAt(-0.8f, 0.0f), 150);
    EXPECT_LT(brightnessAt(0.8f, 0.0f), 40);
    EXPECT_LT(brightnessAt(0.0f, -0.8f), 40);
    savePictureOnFailure("quarter-to");
}

}  // namespace
