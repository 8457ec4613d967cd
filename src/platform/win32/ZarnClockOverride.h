// A test hook, not part of Win32: replaces the clocks behind GetTickCount,
// QueryPerformanceCounter / QueryPerformanceFrequency and Sleep, so that tests of the frame
// loop and the timers can pin time and count queries. An empty function restores the real
// clock. Tests should restore what they install (ClockOverrideScope does it for them).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

void zarnOverrideTickCount(std::function<DWORD()> tickCount);
void zarnOverridePerformanceCounter(std::function<int64_t()> counter);
void zarnOverridePerformanceFrequency(std::function<int64_t()> frequency);
void zarnOverrideSleep(std::function<void(DWORD)> sleep);
void zarnRestoreClocks();

// Restores every real clock when it goes out of scope.
class ClockOverrideScope {
public:
    ClockOverrideScope() = default;
    ~ClockOverrideScope() { zarnRestoreClocks(); }
    ClockOverrideScope(const ClockOverrideScope&) = delete;
    ClockOverrideScope& operator=(const ClockOverrideScope&) = delete;
};
