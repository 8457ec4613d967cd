// The clock, console and debugger-output stand-ins, and the override hook tests use to pin
// the clocks.
#include "support/TempDir.h"

#include <windows.h>
#include <ZarnClockOverride.h>

#include <gtest/gtest.h>

#include <cstdlib>

TEST(Clocks, TickCountAndCounterRunOnTheSameMonotonicClock) {
    LARGE_INTEGER frequency, before, after;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(1000000000, frequency.QuadPart);
    ASSERT_TRUE(QueryPerformanceCounter(&before));
    DWORD tickBefore = GetTickCount();
    Sleep(25);
    DWORD tickAfter = GetTickCount();
    ASSERT_TRUE(QueryPerformanceCounter(&after));
    EXPECT_GE(after.QuadPart - before.QuadPart, 25 * 1000000);
    EXPECT_GE(DWORD(tickAfter - tickBefore), 24u);  // ticks are truncated milliseconds
    // Both clocks measure one interval alike, to within scheduling noise.
    EXPECT_LE(int64_t(DWORD(tickAfter - tickBefore)), (after.QuadPart - before.QuadPart) / 1000000 + 1);
    EXPECT_FALSE(QueryPerformanceCounter(nullptr));
}

TEST(Clocks, OverridesReplaceEachClockUntilRestored) {
    LARGE_INTEGER value;
    {
        ClockOverrideScope scope;
        DWORD slept = 0;
        zarnOverrideTickCount([] { return DWORD(0xFFFFFFF0u); });
        zarnOverridePerformanceCounter([] { return int64_t(42); });
        zarnOverridePerformanceFrequency([] { return int64_t(3000000); });
        zarnOverrideSleep([&](DWORD ms) { slept += ms; });
        EXPECT_EQ(0xFFFFFFF0u, GetTickCount());
        QueryPerformanceCounter(&value);
        EXPECT_EQ(42, value.QuadPart);
        QueryPerformanceFrequency(&value);
        EXPECT_EQ(3000000, value.QuadPart);
        Sleep(100000);  // would hang the test if the override were ignored
        EXPECT_EQ(100000u, slept);
    }
    QueryPerformanceFrequency(&value);
    EXPECT_EQ(1000000000, value.QuadPart);
    QueryPerformanceCounter(&value);
    EXPECT_NE(42, value.QuadPart);
}

TEST(Console, DebuggerOutputReachesStderrOnlyWhenAskedFor) {
    EXPECT_TRUE(AllocConsole());
    unsetenv("ZARN_DEBUG_OUTPUT");
    testing::internal::CaptureStderr();
    OutputDebugStringA("hidden\n");
    setenv("ZARN_DEBUG_OUTPUT", "0", 1);
    OutputDebugStringA("hidden too\n");
    setenv("ZARN_DEBUG_OUTPUT", "1", 1);
    OutputDebugStringA("WM_Create called\n");
    OutputDebugStringA(nullptr);
    unsetenv("ZARN_DEBUG_OUTPUT");
    EXPECT_EQ("WM_Create called\n", testing::internal::GetCapturedStderr());
}
