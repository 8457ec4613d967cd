// The frame loop's clocks: conversion of counter differences to whole milliseconds, and the
// frequency asked of the platform once.
#include "shell/Timers.h"

#include <ZarnClockOverride.h>

#include <gtest/gtest.h>

#include <limits>

namespace {

// Pins the counter frequency (and counts how often it is asked) for one test.
class TimersTest : public testing::Test {
protected:
    void useFrequency(int64_t frequency) {
        zarnOverridePerformanceFrequency([this, frequency] {
            ++frequencyQueries;
            return frequency;
        });
        resetCounterFrequencyForTests();
    }
    void TearDown() override { resetCounterFrequencyForTests(); }

    ClockOverrideScope clocks;
    int frequencyQueries = 0;
};

}  // namespace

TEST_F(TimersTest, ElapsedMillisecondsTruncateTowardZero) {
    useFrequency(1000000000);
    EXPECT_EQ(0, elapsedMs(123456789, 123456789));
    EXPECT_EQ(1, elapsedMs(1000, 1000 + 1500000));
    EXPECT_EQ(-1, elapsedMs(1000 + 1500000, 1000));
    EXPECT_EQ(-250, elapsedMs(500000000, 250000000));

    useFrequency(3000000);
    EXPECT_EQ(1, elapsedMs(0, 4500));
    EXPECT_EQ(0, elapsedMs(0, 2999));
    EXPECT_EQ(1000, elapsedMs(-3000000, 0));
}

TEST_F(TimersTest, FrequencyIsAskedOnceThenCached) {
    useFrequency(3000000);
    EXPECT_EQ(0, frequencyQueries);
    EXPECT_EQ(3000000, counterFrequency());
    EXPECT_EQ(3000000, counterFrequency());
    elapsedMs(0, 4500);
    EXPECT_EQ(1, frequencyQueries);
}

TEST_F(TimersTest, OutOfRangeResultsAreClampedNotUndefined) {
    useFrequency(1000);
    constexpr int64_t big = std::numeric_limits<int64_t>::max();
    EXPECT_EQ(std::numeric_limits<int32_t>::max(), elapsedMs(0, big));
    EXPECT_EQ(std::numeric_limits<int32_t>::min(), elapsedMs(big, 0));
    useFrequency(0);
    EXPECT_EQ(0, elapsedMs(5, 5));
    EXPECT_EQ(std::numeric_limits<int32_t>::max(), elapsedMs(0, 5));
}

TEST_F(TimersTest, ReadsThePlatformClocks) {
    zarnOverrideTickCount([] { return DWORD(0xFFFFFFFFu); });
    zarnOverridePerformanceCounter([] { return int64_t(-77); });
    EXPECT_EQ(0xFFFFFFFFu, tickCount());
    EXPECT_EQ(-77, readCounter());
}
