// The time-to-pose arithmetic of the clock: what the hands, odometers and drums are told at
// the moments where the carries and the 12/24-hour reductions meet.
#include "scene/TimeDrive.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

ClockReading at(int h, int m, int s, int ms) {
    ClockReading r;
    r.hour = h;
    r.minute = m;
    r.second = s;
    r.millisecond = ms;
    return r;
}

TEST(TimeDrive, LastHalfSecondOfTheDayRollsEverythingOver) {
    ClockPose p = computeClockPose(at(23, 59, 59, 500), false);
    EXPECT_EQ(p.hourTarget, 0);           // 11 rolls on to 0 on the 12-label drum
    EXPECT_FLOAT_EQ(p.minuteValue, 119.5f);  // reads as 59 rolling to 00
    EXPECT_FLOAT_EQ(p.secondValue, 59.5f);

    ClockPose p24 = computeClockPose(at(23, 59, 59, 500), true);
    EXPECT_EQ(p24.hourTarget, 0);  // 23 rolls on to 0 on the 24-label drum
    EXPECT_EQ(computeClockPose(at(22, 59, 59, 0), true).hourTarget, 23);
    EXPECT_EQ(computeClockPose(at(13, 59, 58, 999), true).hourTarget, 13);
}

TEST(TimeDrive, MinuteOdometerOnlyRollsDuringSecondFiftyNine) {
    EXPECT_FLOAT_EQ(computeClockPose(at(10, 9, 58, 999), false).minuteValue, 9.0f);
    EXPECT_FLOAT_EQ(computeClockPose(at(10, 9, 59, 0), false).minuteValue, 69.0f);
    EXPECT_FLOAT_EQ(computeClockPose(at(10, 9, 59, 250), false).minuteValue, 69.25f);
    EXPECT_FLOAT_EQ(computeClockPose(at(10, 10, 0, 0), false).minuteValue, 10.0f);
}

TEST(TimeDrive, NoonOnBothFaces) {
    ClockPose p12 = computeClockPose(at(12, 0, 0, 0), false);
    EXPECT_EQ(p12.hourTarget, 0);
    EXPECT_FLOAT_EQ(p12.hourHandAngle, 0.0f);

    ClockPose p24 = computeClockPose(at(12, 0, 0, 0), true);
    EXPECT_EQ(p24.hourTarget, 12);
    // A full turn: the hand still points up.
    EXPECT_NEAR(std::sin(p24.hourHandAngle), 0.0f, 1e-5f);
    EXPECT_NEAR(std::cos(p24.hourHandAngle), 1.0f, 1e-5f);

    // Both faces put the hour hand in the same place at any time of day.
    for (int h = 0; h < 24; ++h) {
        float a12 = computeClockPose(at(h, 17, 3, 0), false).hourHandAngle;
        float a24 = computeClockPose(at(h, 17, 3, 0), true).hourHandAngle;
        EXPECT_NEAR(std::sin(a12), std::sin(a24), 1e-4f) << h;
        EXPECT_NEAR(std::cos(a12), std::cos(a24), 1e-4f) << h;
    }
}

TEST(TimeDrive, HandsStepOncePerSecond) {
    ClockPose a = computeClockPose(at(3, 15, 30, 0), false);
    ClockPose b = computeClockPose(at(3, 15, 30, 999), false);
    EXPECT_EQ(a.minuteHandAngle, b.minuteHandAngle);
    EXPECT_EQ(a.hourHandAngle, b.hourHandAngle);
    EXPECT_NEAR(a.minuteHandAngle, kTwoPi * (15 * 60 + 30) / 3600.0f, 1e-5f);
    // 3:15:30 is 3.2583 hours into the 12.
    EXPECT_NEAR(a.hourHandAngle, kTwoPi * (3 * 3600 + 15 * 60 + 30) / 43200.0f, 1e-5f);
}

TEST(TimeDrive, DayOfMonthDrumPutsTheThirtyFirstOnItsFirstLabel) {
    ClockReading r = at(8, 0, 0, 0);
    r.monthDay = 31;
    EXPECT_EQ(computeClockPose(r, false).monthDayTarget, 0);
    r.monthDay = 1;
    EXPECT_EQ(computeClockPose(r, false).monthDayTarget, 1);
    r.monthDay = 30;
    EXPECT_EQ(computeClockPose(r, false).monthDayTarget, 30);
    r.weekday = 6;
    r.month = 11;
    ClockPose p = computeClockPose(r, false);
    EXPECT_EQ(p.weekdayTarget, 6);
    EXPECT_EQ(p.monthTarget, 11);
}

TEST(TimeDrive, DayAngleStartsAQuarterTurnUpAndRunsOnceADay) {
    EXPECT_FLOAT_EQ(computeClockPose(at(0, 0, 0, 0), false).dayAngle, kHalfPi);
    EXPECT_NEAR(computeClockPose(at(12, 0, 0, 0), false).dayAngle, kHalfPi - kPi, 1e-5f);
    // Uses the 24-hour hour whatever the face: 13:00 is not 01:00 for the globe.
    EXPECT_NE(computeClockPose(at(13, 0, 0, 0), false).dayAngle,
              computeClockPose(at(1, 0, 0, 0), false).dayAngle);
}

TEST(TimeDrive, ContinuousWheelsTurnWithTheMilliseconds) {
    ClockPose p = computeClockPose(at(5, 2, 30, 0), false);  // 150 s into the hour
    EXPECT_EQ(p.msOfHour, 150000);
    EXPECT_NEAR(p.logoAngle, 0.5f * kTwoPi, 1e-5f);
    EXPECT_NEAR(p.twoMinuteAngle, 1.25f * kTwoPi, 1e-5f);
    EXPECT_NEAR(p.thirtySecondAngle, 5.0f * kTwoPi, 1e-4f);
    EXPECT_GT(computeClockPose(at(5, 2, 30, 1), false).thirtySecondAngle, p.thirtySecondAngle);
}

TEST(TimeDrive, MoonRemapIsContinuousAtBothBends) {
    EXPECT_FLOAT_EQ(remapMoonPhase(0.0f), 0.0f);
    EXPECT_NEAR(remapMoonPhase(0.01f), 0.07f, 1e-6f);
    EXPECT_NEAR(remapMoonPhase(std::nextafter(0.01f, 0.0f)), 0.07f, 1e-6f);
    EXPECT_NEAR(remapMoonPhase(0.99f), 0.93f, 1e-6f);
    EXPECT_NEAR(remapMoonPhase(std::nextafter(0.99f, 0.0f)), 0.93f, 1e-6f);
    EXPECT_NEAR(remapMoonPhase(0.5f), 0.5f, 1e-6f);
    EXPECT_NEAR(remapMoonPhase(std::nextafter(1.0f, 0.0f)), 1.0f, 1e-6f);
    // Never runs backwards across the cycle.
    float prev = remapMoonPhase(0.0f);
    for (int i = 1; i < 1000; ++i) {
        float q = remapMoonPhase(i / 1000.0f);
        EXPECT_GE(q, prev) << i;
        prev = q;
    }
    EXPECT_NEAR(moonAngle(0.0f), kHalfPi, 1e-6f);
    EXPECT_NEAR(moonAngle(0.5f), kPi + kHalfPi, 1e-5f);
}

TEST(TimeDrive, AnimationTimesShareOneRunningOffset) {
    EXPECT_EQ(pendulumTime(0), 150);
    EXPECT_EQ(pendulumTime(1700), 0);  // 2000 ms of clock time per swing cycle
    EXPECT_EQ(gearTickTime(0, true), 300);
    EXPECT_EQ(gearTickTime(0, false), 150);
    EXPECT_EQ(gearTickTime(119400, true), 0);  // two minutes per tick cycle
    EXPECT_EQ(gearTickTime(3599999, true), (3599999 + 600) / 2 % 60000);
}

}  // namespace
