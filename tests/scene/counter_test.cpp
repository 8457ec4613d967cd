// The odometer and drum counters: how values become wheel positions, how drums roll to their
// targets (forwards only, through the end of the strip), and what gets drawn.
#include "scene/UIWidgetCounter.h"
#include "scene/UIWidgetCounterBasic.h"

#include "assets/Material.h"
#include "assets/Mesh.h"
#include "support/TempDir.h"

#include <ZarnRecordingDevice.h>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

namespace {

TEST(CounterWheels, TimeFormatOdometerCarriesLikeAMechanicalCounter) {
    UIWidgetCounter c;
    c.setNumDigits(2, true, false, false);
    c.setValue(7.25f);
    c.update(0, false);
    EXPECT_NEAR(c.getDigit(0), 7.25f, 1e-5f);
    EXPECT_NEAR(c.getDigit(1), 0.0f, 1e-5f);

    c.setValue(59.8f);
    c.update(0, false);
    EXPECT_NEAR(c.getDigit(0), 9.8f, 1e-4f);
    EXPECT_NEAR(c.getDigit(1), 5.8f, 1e-4f);  // the tens roll with the last unit

    // The minute read-out is driven past 60 during second 59; it must read as 59 -> 00.
    c.setValue(119.5f);
    c.update(0, false);
    EXPECT_NEAR(c.getDigit(0), 9.5f, 1e-4f);
    EXPECT_NEAR(c.getDigit(1), 5.5f, 1e-4f);

    c.setValue(40.0f);
    c.update(0, false);
    EXPECT_NEAR(c.getDigit(0), 0.0f, 1e-5f);
    EXPECT_NEAR(c.getDigit(1), 4.0f, 1e-5f);
}

TEST(CounterWheels, LongerOdometersCarryIntoEveryWheel) {
    UIWidgetCounter minutes;
    minutes.setNumDigits(3, true, false, false);
    EXPECT_EQ(minutes.maxValue, 599);
    minutes.setValue(599.5f);  // 9:59.5
    minutes.update(0, false);
    EXPECT_NEAR(minutes.getDigit(0), 9.5f, 1e-3f);
    EXPECT_NEAR(minutes.getDigit(1), 5.5f, 1e-3f);
    EXPECT_NEAR(minutes.getDigit(2), 9.5f, 1e-3f);

    UIWidgetCounter plain;
    plain.setNumDigits(3, false, false, false);
    EXPECT_EQ(plain.maxValue, 999);
    plain.setValue(199.25f);
    plain.update(0, false);
    EXPECT_NEAR(plain.getDigit(0), 9.25f, 1e-3f);
    EXPECT_NEAR(plain.getDigit(1), 9.25f, 1e-3f);
    EXPECT_NEAR(plain.getDigit(2), 1.25f, 1e-3f);

    UIWidgetCounter seconds;
    seconds.setNumDigits(2, true, false, false);
    EXPECT_EQ(seconds.maxValue, 59);

    plain.setValue(-3.0f);
    plain.update(0, false);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(plain.getDigit(i), 0.0f);
}

TEST(CounterWheels, RefusesDigitCountsThatCannotWork) {
    UIWidgetCounter c;
    c.setNumDigits(0, true, false, false);
    EXPECT_EQ(c.digitCount, 0);
    EXPECT_EQ(c.maxValue, 999);
    c.setNumDigits(12, false, false, false);  // 10^11 does not fit the maximum
    EXPECT_EQ(c.digitCount, 0);
    c.update(100, false);  // no wheels: nothing to write, nothing to crash on
    EXPECT_EQ(c.getDigit(0), 0.0f);
}

TEST(CounterRolling, OdometerRollsUpFastWhenFarAndSlowWhenNear) {
    UIWidgetCounter c;
    c.setNumDigits(2, false, false, false);
    c.target = 20;
    c.update(100, false);  // 20 away: 22 units a second
    EXPECT_NEAR(c.value, 2.2f, 1e-4f);
    c.value = 18.0f;
    c.update(100, false);  // 2 away: 5 a second
    EXPECT_NEAR(c.value, 18.5f, 1e-4f);
    c.update(1000, false);  // never past the target
    EXPECT_EQ(c.value, 20.0f);
    EXPECT_TRUE(c.isSettled());

    c.target = 5;  // a smaller target is only reached by setting the value
    c.update(1000, false);
    EXPECT_EQ(c.value, 20.0f);
    EXPECT_FALSE(c.isSettled());
}

TEST(CounterRolling, TimerModeCountsSecondsUpToItsCap) {
    UIWidgetCounter c;
    c.setNumDigits(4, true, true, false);
    c.update(1500, false);
    EXPECT_NEAR(c.value, 1.5f, 1e-5f);
    EXPECT_EQ(c.target, 1);
    c.pause();
    c.update(1000, false);
    EXPECT_NEAR(c.value, 1.5f, 1e-5f);
    c.resume();
    c.value = 5998.5f;
    c.update(2000, false);
    EXPECT_EQ(c.value, 5999.0f);
    EXPECT_TRUE(c.isSettled());
}

TEST(CounterRolling, PerDigitWheelsRollOnTheirOwnToTheTarget) {
    UIWidgetCounter c;
    c.setNumDigits(2, false, false, true);
    c.setValueFromInt(9);
    EXPECT_EQ(c.getDigit(0), 9.0f);
    EXPECT_EQ(c.getDigit(1), 0.0f);
    c.target = 10;
    for (int i = 0; i < 20 && !c.isSettled(); ++i) c.update(50, false);
    EXPECT_TRUE(c.isSettled());
    EXPECT_EQ(c.value, 10.0f);
    EXPECT_NEAR(c.getDigit(0), 0.0f, 1e-5f);
    EXPECT_NEAR(c.getDigit(1), 1.0f, 1e-5f);

    c.incrementTarget();
    EXPECT_EQ(c.target, 11);
    c.target = c.maxValue;
    c.incrementTarget();
    EXPECT_EQ(c.target, 99);
    c.countDown(200.0f);
    EXPECT_EQ(c.value, 0.0f);
}

void setUpDrum(UIWidgetCounterBasic& d, int labels, float value, int target) {
    d.setDigitWrap(0.6f, 0.05f, labels);
    d.setValue(value);
    d.setTarget(target);
}

TEST(DrumRolling, WrapsThroughTheEndOfTheStripToReachZero) {
    UIWidgetCounterBasic d;
    setUpDrum(d, 12, 11.0f, 0);
    d.update(990, false);
    EXPECT_NEAR(d.value, 11.99f, 1e-4f);
    d.update(16, false);  // would be 0.006 past the wrap
    EXPECT_EQ(d.value, 0.0f);
    d.update(500, false);  // settled drums stay put
    EXPECT_EQ(d.value, 0.0f);
}

TEST(DrumRolling, SmallerTargetIsReachedForwardsThroughTheWholeStrip) {
    UIWidgetCounterBasic d;
    setUpDrum(d, 12, 5.0f, 3);
    std::vector<int> labelsSeen;
    int steps = 0;
    while (d.value != 3.0f && steps < 200) {
        float before = d.value;
        d.update(100, false);
        ++steps;
        if (d.value < before) labelsSeen.push_back(-1);  // the one wrap
    }
    EXPECT_EQ(d.value, 3.0f);
    EXPECT_NEAR(steps, 100, 1);  // ten labels at one a second
    EXPECT_EQ(labelsSeen.size(), 1u);
}

TEST(DrumRolling, ThirtyFirstSnapsOntoLabelZero) {
    UIWidgetCounterBasic d;
    setUpDrum(d, 31, 31.0f, 31);
    d.setTarget(0);
    d.update(16, false);
    EXPECT_EQ(d.value, 0.0f);

    UIWidgetCounterBasic still;
    setUpDrum(still, 31, 31.0f, 31);
    still.setTarget(0);
    still.update(0, false);  // even without time passing
    EXPECT_EQ(still.value, 0.0f);
}

TEST(DrumRolling, FrozenFlagIsIgnoredAndNoLabelsMeansNoRoll) {
    UIWidgetCounterBasic d;
    setUpDrum(d, 7, 2.0f, 4);
    d.update(500, true);
    EXPECT_NEAR(d.value, 2.5f, 1e-5f);

    UIWidgetCounterBasic empty;
    setUpDrum(empty, 0, 2.0f, 4);
    empty.update(500, false);
    EXPECT_EQ(empty.value, 2.0f);
}

TEST(DrumSetup, SetNumDigitsIsRefusedWithItsMessage) {
    UIWidgetCounterBasic d;
    d.setDigitWrap(0.6f, 0.025f, 24);
    TempDir dir;
    testing::internal::CaptureStderr();
    d.setNumDigits(3, true, false, false);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("UIWidgetCounterBasic::setNumDigits unsupported.  use setDigitWrap instead\n"),
              std::string::npos)
        << err;
    EXPECT_EQ(d.getLabelCount(), 24);
    EXPECT_EQ(d.labelWidth, 0.6f);
    EXPECT_EQ(d.labelHeight, 0.025f);
    EXPECT_EQ(d.digitCount, 0);
    EXPECT_FALSE(d.digits);
}

// ---- drawing, on the recording device ------------------------------------------------------

const char* quadObj =
    "v -0.1 -0.1 0\nv -0.1 0.1 0\nv 0.1 0.1 0\nv 0.1 -0.1 0\n"
    "vt 0 1\nvt 0 0\nvt 1 0\nvt 1 1\n"
    "vn 0 0 -1\n"
    "f 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\n";

// The texture transforms (offset U, offset V) a counter set before each of its draws.
std::vector<std::pair<float, float>> textureOffsets(const ZarnRecordingLog& log) {
    std::vector<std::pair<float, float>> out;
    for (const std::string& line : log.calls("SetTransform")) {
        if (line.rfind("SetTransform(D3DTS_TEXTURE0", 0) != 0) continue;
        std::istringstream in(line.substr(line.find('[') + 1));
        float m[16] = {};
        for (float& f : m) in >> f;
        out.emplace_back(m[8], m[9]);
    }
    return out;
}

class CounterDraw : public testing::Test {
protected:
    void SetUp() override {
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 64;
        device = new ZarnRecordingDevice(nullptr, pp, ZarnRecordingHalCaps(), std::make_shared<ZarnRecordingLog>());
        ASSERT_TRUE(mesh.loadObj(dir.write("digit.obj", quadObj).c_str()));
        ASSERT_TRUE(SUCCEEDED(mesh.createDeviceObjects(device)));
        device->log().clear();
    }
    void TearDown() override {
        mesh.releaseDeviceObjects();
        device->Release();
    }
    int draws() { return device->log().countCalls("DrawPrimitive") + device->log().countCalls("DrawIndexedPrimitive"); }

    TempDir dir;
    ZarnRecordingDevice* device = nullptr;
    Mesh mesh;
    Material material;
    D3DXMATRIX identity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

TEST_F(CounterDraw, OdometerDrawsEachWheelMostSignificantFirst) {
    UIWidgetCounter c;
    c.mesh = &mesh;
    c.material = &material;
    c.setNumDigits(2, true, false, false);
    c.setValue(42.0f);
    c.update(0, false);
    c.draw(renderPassColour, &identity, device);
    EXPECT_EQ(draws(), 2);
    auto offsets = textureOffsets(device->log());
    ASSERT_EQ(offsets.size(), 2u);
    EXPECT_NEAR(offsets[0].first, 0.1f, 1e-5f);  // tens: the 0-5 column
    EXPECT_NEAR(offsets[0].second, 0.35f, 1e-5f);
    EXPECT_NEAR(offsets[1].first, 0.6f, 1e-5f);  // units: the 0-9 column
    EXPECT_NEAR(offsets[1].second, 0.15f, 1e-5f);
}

TEST_F(CounterDraw, BlankTargetDrawsBlanksAndHoldsItsValue) {
    UIWidgetCounter c;
    c.mesh = &mesh;
    c.material = &material;
    c.setNumDigits(2, true, false, false);
    c.value = 12.0f;
    c.target = -1;
    c.update(1000, false);
    EXPECT_EQ(c.value, 12.0f);
    c.draw(renderPassColour, &identity, device);
    auto offsets = textureOffsets(device->log());
    ASSERT_EQ(offsets.size(), 2u);
    for (auto& o : offsets) {
        EXPECT_NEAR(o.first, 0.1f, 1e-5f);
        EXPECT_NEAR(o.second, 0.85f, 1e-5f);
    }
}

TEST_F(CounterDraw, ThreeWheelTimeOdometerDrawsItsSeparator) {
    UIWidgetCounter c;
    c.mesh = &mesh;
    c.material = &material;
    c.setNumDigits(3, true, false, false);
    c.draw(renderPassShadowMap, &identity, device);
    c.draw(renderPassColour, &identity, device);
    EXPECT_EQ(draws(), 8);  // three wheels and a separator, in each pass
}

TEST_F(CounterDraw, NothingIsDrawnWithoutWheelsMeshOrMaterial) {
    UIWidgetCounter noWheels;
    noWheels.mesh = &mesh;
    noWheels.material = &material;
    noWheels.draw(renderPassColour, &identity, device);

    UIWidgetCounterBasic noMaterial;
    noMaterial.mesh = &mesh;
    noMaterial.draw(renderPassColour, &identity, device);

    UIWidgetCounterBasic hidden;
    hidden.mesh = &mesh;
    hidden.material = &material;
    hidden.hide();
    hidden.draw(renderPassColour, &identity, device);
    EXPECT_EQ(device->log().size(), 0u) << device->log().text();
}

TEST_F(CounterDraw, DrumWindowIsCentredOnItsLabel) {
    UIWidgetCounterBasic d;
    d.mesh = &mesh;
    d.material = &material;
    d.setDigitWrap(0.6f, 0.05f, 12);
    d.setValue(4.0f);
    d.draw(renderPassColour, &identity, device);
    EXPECT_EQ(draws(), 1);
    EXPECT_FLOAT_EQ(material.texTransform.x, 0.6f);
    EXPECT_FLOAT_EQ(material.texTransform.y, 0.2f);
    EXPECT_FLOAT_EQ(material.texTransform.z, 0.1f);
    EXPECT_FLOAT_EQ(material.texTransform.w, 0.175f);
}

}  // namespace
