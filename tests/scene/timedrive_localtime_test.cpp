// The local-time calls the time drive reads, and the pinning that tests and the snapshot
// tool rely on: a pinned instant must come back whole, seconds and milliseconds together.
#include <windows.h>
#include <ZarnTimeOverride.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

class LocalTime : public testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override { ZarnUnpinLocalTime(); }

    static __time64_t instant(int year, int mon, int mday, int h, int m, int s) {
        struct tm t {};
        t.tm_year = year - 1900;
        t.tm_mon = mon - 1;
        t.tm_mday = mday;
        t.tm_hour = h;
        t.tm_min = m;
        t.tm_sec = s;
        t.tm_isdst = -1;
        return _mktime64(&t);
    }
};

TEST_F(LocalTime, PinnedInstantComesBackWhole) {
    __time64_t when = instant(2026, 12, 8, 10, 9, 30);
    ASSERT_GT(when, 0);
    ZarnPinLocalTime(when, 250, false);
    EXPECT_TRUE(ZarnLocalTimeIsPinned());

    __time64_t now = 0;
    EXPECT_EQ(_time64(&now), when);
    EXPECT_EQ(now, when);
    struct tm t {};
    ASSERT_EQ(_localtime64_s(&t, &now), 0);
    EXPECT_EQ(t.tm_hour, 10);
    EXPECT_EQ(t.tm_min, 9);
    EXPECT_EQ(t.tm_sec, 30);
    EXPECT_EQ(t.tm_mday, 8);
    EXPECT_EQ(t.tm_mon, 11);
    EXPECT_EQ(t.tm_wday, 2);  // a Tuesday

    SYSTEMTIME st{};
    GetLocalTime(&st);
    EXPECT_EQ(st.wMilliseconds, 250);
    EXPECT_EQ(st.wSecond, 30);
    EXPECT_EQ(st.wMonth, 12);
    EXPECT_EQ(st.wDayOfWeek, 2);
}

TEST_F(LocalTime, AdvancingCarriesMillisecondsIntoSeconds) {
    __time64_t when = instant(2026, 12, 31, 23, 59, 59);
    ZarnPinLocalTime(when, 900, false);
    ZarnAdvancePinnedTime(150);
    SYSTEMTIME st{};
    GetLocalTime(&st);
    EXPECT_EQ(st.wYear, 2027);
    EXPECT_EQ(st.wMonth, 1);
    EXPECT_EQ(st.wDay, 1);
    EXPECT_EQ(st.wHour, 0);
    EXPECT_EQ(st.wSecond, 0);
    EXPECT_EQ(st.wMilliseconds, 50);
    EXPECT_EQ(_time64(nullptr), when + 1);

    ZarnAdvancePinnedTime(-100);  // back before the second boundary
    GetLocalTime(&st);
    EXPECT_EQ(st.wSecond, 59);
    EXPECT_EQ(st.wMilliseconds, 950);
    EXPECT_EQ(_time64(nullptr), when);
}

TEST_F(LocalTime, RunningPinMovesOnAndUnpinReturnsToTheSystemClock) {
    __time64_t when = instant(2001, 2, 3, 4, 5, 6);
    ZarnPinLocalTime(when, 0, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    SYSTEMTIME st{};
    GetLocalTime(&st);
    EXPECT_EQ(_time64(nullptr), when);
    EXPECT_GE(st.wMilliseconds, 15);  // moved with real time, but only by a little

    ZarnUnpinLocalTime();
    EXPECT_FALSE(ZarnLocalTimeIsPinned());
    EXPECT_GT(_time64(nullptr), instant(2020, 1, 1, 0, 0, 0));
}

TEST_F(LocalTime, OneReadingGivesSecondsAndMillisecondsThatAgree) {
    const __time64_t when = instant(2026, 12, 8, 10, 9, 56);
    ZarnPinLocalTime(when, 999, false);
    ZarnStepPinnedTimeOnEachRead(1);
    // Two calls straddle the turn of the second: the second of one, the milliseconds of the next.
    const __time64_t seconds = _time64(nullptr);
    SYSTEMTIME st{};
    GetLocalTime(&st);
    EXPECT_EQ(seconds, when);
    EXPECT_EQ(st.wSecond, 57);
    EXPECT_EQ(st.wMilliseconds, 0);

    ZarnPinLocalTime(when, 999, false);
    __timeb64 now{};
    ASSERT_EQ(_ftime64_s(&now), 0);
    EXPECT_EQ(now.time, when);
    EXPECT_EQ(now.millitm, 999);
    EXPECT_EQ(now.timezone, 0);
    EXPECT_EQ(_ftime64_s(nullptr), EINVAL);

    ZarnUnpinLocalTime();  // clears the stepping too
    ZarnPinLocalTime(when, 5, false);
    EXPECT_EQ(_time64(nullptr), when);
    GetLocalTime(&st);
    EXPECT_EQ(st.wMilliseconds, 5);
}

TEST_F(LocalTime, BadArgumentsAreRefusedNotTrusted) {
    EXPECT_EQ(_localtime64_s(nullptr, nullptr), EINVAL);
    struct tm t {};
    t.tm_hour = 5;
    EXPECT_EQ(_localtime64_s(&t, nullptr), EINVAL);
    EXPECT_EQ(t.tm_hour, -1);
    __time64_t negative = -5;
    EXPECT_EQ(_localtime64_s(&t, &negative), EINVAL);
    EXPECT_EQ(t.tm_mday, -1);
    EXPECT_EQ(_mktime64(nullptr), -1);
}

}  // namespace
