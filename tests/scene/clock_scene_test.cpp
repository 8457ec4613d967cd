// The assembled clock: which widget stands where with which assets and set-up, how the
// local time poses it (one reading a frame, through clock steps and zone changes), what a
// missing asset switches off, and the lunar phase.
#include "scene/ClockScene.h"

#include "assets/AssetLibrary.h"
#include "assets/Material.h"
#include "assets/Mesh.h"
#include "shell/SaverState.h"
#include "support/TempDir.h"

#include <ZarnRecordingDevice.h>
#include <ZarnTimeOverride.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

const char* quadObj =
    "v -1 -1 0\nv -1 1 0\nv 1 1 0\nv 1 -1 0\nvt 0 1\nvt 0 0\nvt 1 0\nvt 1 1\nvn 0 0 -1\n"
    "f 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\n";

// A small library: the hands, the two-label hour drum faces and a ticking-gear animation.
std::string libraryText(bool withGearTick) {
    std::string text =
        "MODELCOUNT 3\n"
        "MODEL {\n MESH quad.obj\n NAME meshMinutes\n}\n"
        "MODEL {\n MESH quad.obj\n NAME meshCounterDouble\n}\n"
        "MODEL {\n MESH quad.obj\n NAME meshFancyGear\n}\n"
        "TEXTURECOUNT 0\n"
        "MATERIALCOUNT 4\n"
        "MATERIAL {\n NAME matHands\n}\n"
        "MATERIAL {\n NAME matCounter12\n}\n"
        "MATERIAL {\n NAME matCounter24\n}\n"
        "MATERIAL {\n NAME matFrame\n}\n";
    if (withGearTick)
        text += "ANIMATIONCOUNT 1\nANIMATION {\n NAME animGearTick\n NUMKEYS 2 2\n"
                " POSKEY 0 5 5 5\n POSKEY 60000 5 5 5\n"
                " ROTKEY 0 1 0 0 0\n ROTKEY 60000 0 0 0 1\n}\n";
    else
        text += "ANIMATIONCOUNT 0\n";
    return text;
}

class ClockSceneTest : public testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        dir.write("quad.obj", quadObj);
        saved = saverState.settings;
        clockCameraAngle = 0.0f;
    }
    void TearDown() override {
        saverState.settings = saved;
        ZarnUnpinLocalTime();
    }
    void load(AssetLibrary& library, bool withGearTick = true) {
        dir.write("library.txt", libraryText(withGearTick));
        testing::internal::CaptureStderr();  // the lookups warn about every key left out
        library.load("library.txt");
        testing::internal::GetCapturedStderr();
    }
    static void pin(int year, int mon, int mday, int h, int m, int s, unsigned ms) {
        struct tm t {};
        t.tm_year = year - 1900;
        t.tm_mon = mon - 1;
        t.tm_mday = mday;
        t.tm_hour = h;
        t.tm_min = m;
        t.tm_sec = s;
        ZarnPinLocalTime(_mktime64(&t), ms, false);
    }
    // Where a widget's matrix sends the point (1, 0, 0), without its translation.
    static D3DXVECTOR3 turnedX(const UIWidget& w) {
        return D3DXVECTOR3(w.transform.matrix._11, w.transform.matrix._12, w.transform.matrix._13);
    }

    TempDir dir;
    SaverSettings saved;
};

TEST_F(ClockSceneTest, HourDrumFollowsTheTwelveOrTwentyFourHourSetting) {
    AssetLibrary library;
    load(library);
    saverState.settings.UseMilitaryTime = true;
    {
        ClockScene scene(library);
        EXPECT_EQ(scene.hourCounter.material, library.findMaterial("matCounter24"));
        EXPECT_EQ(scene.hourCounter.getLabelCount(), 24);
        EXPECT_FLOAT_EQ(scene.hourCounter.labelHeight, 0.025f);
        EXPECT_FLOAT_EQ(scene.hourCounter.labelWidth, 0.6f);
    }
    saverState.settings.UseMilitaryTime = false;
    ClockScene scene(library);
    EXPECT_EQ(scene.hourCounter.material, library.findMaterial("matCounter12"));
    EXPECT_EQ(scene.hourCounter.getLabelCount(), 12);
    EXPECT_FLOAT_EQ(scene.hourCounter.labelHeight, 0.05f);
    EXPECT_EQ(scene.minuteCounter.maxValue, 59);
    EXPECT_TRUE(scene.minuteCounter.timeFormat);
    EXPECT_EQ(scene.monthDayCounter.getLabelCount(), 31);
    EXPECT_EQ(scene.weekdayCounter.getLabelCount(), 7);
}

TEST_F(ClockSceneTest, EveryChildStandsInItsSlotAndPlace) {
    AssetLibrary library;
    load(library);
    ClockScene scene(library);
    ASSERT_EQ(scene.frame.getNumChildren(), 32);
    EXPECT_EQ(scene.roots[0], &scene.frame);
    EXPECT_FALSE(scene.frame.collapsed);
    EXPECT_EQ(scene.frame.getState(), UIWidgetFrame::stateClosed);
    EXPECT_EQ(scene.frame.getChild(0), &scene.minuteHand);
    EXPECT_EQ(scene.frame.getChild(1), &scene.hourHand);
    EXPECT_EQ(scene.frame.getChild(2), &scene.hourCounter);
    EXPECT_EQ(scene.frame.getChild(8), &scene.logoLetters[0]);
    EXPECT_EQ(scene.frame.getChild(14), &scene.tickingGear);
    EXPECT_EQ(scene.frame.getChild(24), &scene.backdropFar);  // far before near
    EXPECT_EQ(scene.frame.getChild(25), &scene.backdropNear);
    EXPECT_EQ(scene.frame.getChild(26), &scene.extraGearAUpper);
    EXPECT_EQ(scene.frame.getChild(31), &scene.pendulum);
    for (int i = 0; i < 32; ++i)
        for (int j = i + 1; j < 32; ++j) ASSERT_NE(scene.frame.getChild(i), scene.frame.getChild(j)) << i << " " << j;

    EXPECT_FLOAT_EQ(scene.secondCounter.transform.matrix._41, 0.48f);
    EXPECT_FLOAT_EQ(scene.monthDayCounter.transform.matrix._42, -1.88f);
    EXPECT_FLOAT_EQ(scene.moon.transform.matrix._41, -4.28f);
    EXPECT_FLOAT_EQ(scene.extraGearB.transform.matrix._43, 0.777f);
    EXPECT_EQ(scene.minuteHand.mesh, library.findMesh("meshMinutes"));
    EXPECT_EQ(scene.hourHand.mesh, nullptr);  // not in this library
}

TEST_F(ClockSceneTest, LastHalfSecondOfTheDayPosesEveryReadout) {
    AssetLibrary library;
    load(library);
    saverState.settings.UseMilitaryTime = false;
    ClockScene scene(library);
    pin(2026, 12, 31, 23, 59, 59, 500);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = 800;
    pp.BackBufferHeight = 600;
    scene.prepare(nullptr, &pp);
    EXPECT_EQ(scene.hourCounter.value, 11.0f);  // snapped, no rolling at start-up
    EXPECT_EQ(scene.monthDayCounter.value, 31.0f);
    EXPECT_EQ(scene.monthCounter.value, 11.0f);
    EXPECT_EQ(scene.weekdayCounter.value, 4.0f);  // a Thursday
    EXPECT_NEAR(scene.projection._11 * 800.0f / 600.0f, scene.projection._22, 1e-4f);

    scene.update(20);
    EXPECT_EQ(scene.hourCounter.target, 0);
    EXPECT_FLOAT_EQ(scene.minuteCounter.value, 119.5f);
    EXPECT_FLOAT_EQ(scene.secondCounter.value, 59.5f);
    EXPECT_EQ(scene.monthDayCounter.target, 0);
    EXPECT_EQ(scene.monthDayCounter.value, 0.0f);  // the 31st went straight to its label
    EXPECT_NEAR(scene.hourCounter.value, 11.02f, 1e-4f);  // rolling on towards 0

    // 59:59 past the hour: the minute hand one second short of straight up, turned clockwise.
    D3DXVECTOR3 x = turnedX(scene.minuteHand);
    const float a = kTwoPi * 3599.0f / 3600.0f;
    EXPECT_NEAR(x.x, std::cos(a), 1e-4f);
    EXPECT_NEAR(x.y, -std::sin(a), 1e-4f);
}

TEST_F(ClockSceneTest, ZeroElapsedStillRereadsTheClockButLeavesTheCamera) {
    AssetLibrary library;
    load(library);
    ClockScene scene(library);
    pin(2026, 6, 1, 3, 0, 0, 0);
    scene.update(0);
    const D3DXMATRIX view = scene.view;
    const float minuteX = turnedX(scene.minuteHand).y;
    const float gear = turnedX(scene.fancyGearUpperLeft).y;
    ZarnAdvancePinnedTime(15000);
    scene.update(0);
    EXPECT_EQ(std::memcmp(&view, &scene.view, sizeof view), 0);
    EXPECT_NE(turnedX(scene.minuteHand).y, minuteX);
    EXPECT_NE(turnedX(scene.fancyGearUpperLeft).y, gear);
    scene.update(3000);
    EXPECT_NE(std::memcmp(&view, &scene.view, sizeof view), 0);
    EXPECT_NEAR(clockCameraAngle, 0.1f, 1e-6f);
}

TEST_F(ClockSceneTest, MissingAnimationsLeaveTheirPartsStill) {
    AssetLibrary library;
    load(library, false);
    ClockScene scene(library);
    EXPECT_EQ(scene.pendulumAnimation, nullptr);
    EXPECT_EQ(scene.gearTickAnimation, nullptr);
    pin(2026, 6, 1, 3, 7, 11, 300);
    scene.update(40);
    EXPECT_FLOAT_EQ(scene.tickingGear.transform.matrix._42, -2.174f);
    EXPECT_FLOAT_EQ(scene.tickingGear.transform.matrix._11, 1.0f);
    EXPECT_FLOAT_EQ(scene.pendulum.transform.matrix._11, 1.0f);
    EXPECT_FLOAT_EQ(scene.pendulum.transform.matrix._41, 0.0f);
}

TEST_F(ClockSceneTest, TickingGearKeepsItsRotationButNotTheAnimationsPlace) {
    AssetLibrary library;
    load(library, true);
    ClockScene scene(library);
    ASSERT_NE(scene.gearTickAnimation, nullptr);
    pin(2026, 6, 1, 3, 0, 30, 0);  // well into the tick cycle
    scene.update(40);
    EXPECT_FLOAT_EQ(scene.tickingGear.transform.matrix._41, 0.0f);  // not the animation's (5, 5, 5)
    EXPECT_FLOAT_EQ(scene.tickingGear.transform.matrix._42, -2.174f);
    EXPECT_LT(scene.tickingGear.transform.matrix._11, 0.9999f);  // turned
}

TEST_F(ClockSceneTest, FailedTimeConversionIsReportedAndTheFrameGoesOn) {
    AssetLibrary library;
    load(library);
    ClockScene scene(library);
    ZarnPinLocalTime(-100, 0, false);
    testing::internal::CaptureStderr();
    scene.update(40);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("_localtime64_s failed due to an invalid argument."), std::string::npos) << err;
}

TEST_F(ClockSceneTest, MoonPhaseCountsSynodicMonthsFromTheReference) {
    AssetLibrary library;
    load(library);
    ClockScene scene(library);
    struct tm reference {};
    reference.tm_year = 100;
    reference.tm_mday = 1;
    const __time64_t start = _mktime64(&reference);
    const double newMoon = 5.597661 * 86400.0;
    ZarnPinLocalTime(start + __time64_t(newMoon + 3600), 0, false);
    EXPECT_NEAR(scene.moonPhase(), 0.0f, 0.01f);
    ZarnPinLocalTime(start + __time64_t(newMoon + 29.530588 * 86400.0 * 10.5), 0, false);
    EXPECT_NEAR(scene.moonPhase(), 0.5f, 0.01f);
    ZarnPinLocalTime(start + 86400, 0, false);  // before the first new moon
    EXPECT_LT(scene.moonPhase(), 0.0f);
}

TEST_F(ClockSceneTest, RenderSetsTheCameraThenDrawsWhatHasAssets) {
    AssetLibrary library;
    load(library);
    ClockScene scene(library);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = 64;
    pp.BackBufferHeight = 64;
    ZarnRecordingDevice* device =
        new ZarnRecordingDevice(nullptr, pp, ZarnRecordingHalCaps(), std::make_shared<ZarnRecordingLog>());
    library.createDeviceObjects(device);
    pin(2026, 6, 1, 3, 0, 0, 0);
    scene.prepare(device, &pp);
    scene.update(40);
    device->log().clear();
    scene.render(renderPassColour, device);
    ZarnRecordingLog& log = device->log();
    EXPECT_EQ(log.indexOf("SetRenderState(D3DRS_LIGHTING, 1)"), 0);
    EXPECT_LT(log.indexOfPrefix("SetTransform(D3DTS_PROJECTION"), log.indexOfPrefix("SetTransform(D3DTS_VIEW"));
    // No meshFrame here: the frame skips only its own mesh. The minute hand, the hour drum
    // (the date drum on the same mesh has no material here) and the three fancy gears draw.
    EXPECT_EQ(log.countCalls("DrawPrimitive"), 5) << log.text();
    library.releaseDeviceObjects();
    device->Release();
}

}  // namespace

TEST_F(ClockSceneTest, ASecondTurningDuringTheReadingDoesNotPutTheOdometersBack) {
    AssetLibrary library;
    load(library);
    ClockScene scene(library);
    // The clock moves on a millisecond with every look at it, so a second turns just after
    // the first look: two separate calls would pair second 56 with millisecond 0 of 57.
    pin(2026, 12, 8, 10, 9, 56, 999);
    ZarnStepPinnedTimeOnEachRead(1);
    scene.update(40);
    EXPECT_FLOAT_EQ(scene.secondCounter.value, 56.999f);
    const float first = scene.secondCounter.value;
    scene.update(40);
    EXPECT_GT(scene.secondCounter.value, first);
    EXPECT_LT(scene.secondCounter.value, 57.1f);
}

TEST_F(ClockSceneTest, ClockStepsAndDaylightSavingShowTheNewTimeAtOnce) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    AssetLibrary library;
    load(library);
    saverState.settings.UseMilitaryTime = true;
    ClockScene scene(library);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = 800;
    pp.BackBufferHeight = 600;
    const float hourStep = kTwoPi / 12.0f;
    // Frames 40 ms apart on a clock that runs with them.
    auto run = [&](int frames) {
        for (int i = 0; i < frames; ++i) {
            ZarnAdvancePinnedTime(40);
            scene.update(40);
        }
    };

    // 2026-03-29: 01:59:59.9 CET is followed by 03:00:00.1 CEST.
    ZarnPinLocalTime(1774745999, 900, false);
    scene.prepare(nullptr, &pp);
    scene.update(40);
    EXPECT_EQ(scene.hourCounter.target, 2);  // in the last second of the hour it rolls on
    ZarnAdvancePinnedTime(200);
    scene.update(40);
    EXPECT_EQ(scene.hourCounter.target, 3);
    EXPECT_EQ(scene.hourCounter.value, 3.0f);
    EXPECT_NEAR(scene.lastPose().hourHandAngle, 3 * hourStep, 1e-3f);
    EXPECT_FLOAT_EQ(scene.secondCounter.value, 0.1f);

    // 2026-10-25: 02:59:59.9 CEST is followed by 02:00:00.1 CET, an hour back.
    ZarnPinLocalTime(1792889999, 900, false);
    scene.update(40);
    EXPECT_EQ(scene.monthCounter.value, 9.0f);  // months away: the date drums stand at once
    EXPECT_EQ(scene.monthDayCounter.value, 25.0f);
    ZarnAdvancePinnedTime(200);
    scene.update(40);
    EXPECT_EQ(scene.hourCounter.value, 2.0f);
    EXPECT_NEAR(scene.lastPose().hourHandAngle, 2 * hourStep, 1e-3f);
    EXPECT_NEAR(scene.lastPose().minuteHandAngle, 0.0f, 1e-6f);

    // The ordinary turn of the hour still rolls, and settles within a second.
    ZarnPinLocalTime(1792889999 + 3600 - 3, 0, false);  // 02:59:56 CET
    run(1);
    EXPECT_EQ(scene.hourCounter.value, 2.0f);
    run(3 * 25 + 5);  // into 02:59:59
    EXPECT_EQ(scene.hourCounter.target, 3);
    EXPECT_GT(scene.hourCounter.value, 2.0f);
    EXPECT_LT(scene.hourCounter.value, 3.0f);
    run(25);
    EXPECT_EQ(scene.hourCounter.value, 3.0f);

    // Someone sets the clock back an hour just after midnight: back into the day before.
    ZarnPinLocalTime(1792889999 + 1 + 22 * 3600 + 1800, 0, false);  // 00:30 CET on the 26th
    run(2);
    EXPECT_EQ(scene.monthDayCounter.value, 26.0f);
    EXPECT_EQ(scene.weekdayCounter.value, 1.0f);  // a Monday
    ZarnAdvancePinnedTime(-3600 * 1000);
    run(1);
    EXPECT_EQ(scene.hourCounter.value, 23.0f);
    EXPECT_EQ(scene.monthDayCounter.value, 25.0f);
    EXPECT_EQ(scene.weekdayCounter.value, 0.0f);
    // Nothing keeps moving once it stands.
    run(50);
    EXPECT_EQ(scene.hourCounter.value, 23.0f);
    EXPECT_EQ(scene.monthDayCounter.value, 25.0f);
    EXPECT_EQ(scene.weekdayCounter.value, 0.0f);
}

TEST_F(ClockSceneTest, AnUnsetOrUnknownTimeZoneStillShowsATime) {
    AssetLibrary library;
    load(library);
    saverState.settings.UseMilitaryTime = true;
    ClockScene scene(library);
    for (const char* zone : {"Nowhere/Atlantis", ":/no/such/zone", ""}) {
        setenv("TZ", zone, 1);
        tzset();
        ZarnPinLocalTime(1796724596, 250, false);  // 10:09:56 UTC
        testing::internal::CaptureStderr();
        scene.update(40);
        EXPECT_EQ("", testing::internal::GetCapturedStderr()) << zone;
        EXPECT_EQ(scene.hourCounter.target, 10) << zone;  // unknown zones read as UTC
        EXPECT_FLOAT_EQ(scene.secondCounter.value, 56.25f) << zone;
    }
    unsetenv("TZ");
    tzset();
    scene.update(40);
    EXPECT_GE(scene.hourCounter.target, 0);
    EXPECT_LT(scene.hourCounter.target, 24);
    EXPECT_FLOAT_EQ(scene.secondCounter.value, 56.25f);
}
