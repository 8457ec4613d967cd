// GetTickCount, the performance counter and Sleep on CLOCK_MONOTONIC. The performance counter
// counts nanoseconds, so its frequency is 1e9; the tick count is the same clock in
// milliseconds, wrapping at 32 bits as Windows' does after 49.7 days. Tests may put their own
// functions in front (ZarnClockOverride.h).
#include "ZarnClockOverride.h"

#include <cerrno>
#include <ctime>

namespace {

struct ClockOverrides {
    std::function<DWORD()> tickCount;
    std::function<int64_t()> counter;
    std::function<int64_t()> frequency;
    std::function<void(DWORD)> sleep;
};

ClockOverrides& overrides() {
    static ClockOverrides current;
    return current;
}

int64_t monotonicNanoseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace

void zarnOverrideTickCount(std::function<DWORD()> tickCount) { overrides().tickCount = std::move(tickCount); }
void zarnOverridePerformanceCounter(std::function<int64_t()> counter) { overrides().counter = std::move(counter); }
void zarnOverridePerformanceFrequency(std::function<int64_t()> frequency) {
    overrides().frequency = std::move(frequency);
}
void zarnOverrideSleep(std::function<void(DWORD)> sleep) { overrides().sleep = std::move(sleep); }
void zarnRestoreClocks() { overrides() = ClockOverrides{}; }

DWORD GetTickCount() {
    if (overrides().tickCount) return overrides().tickCount();
    return DWORD(uint64_t(monotonicNanoseconds() / 1000000));
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount) {
    if (!lpPerformanceCount) return FALSE;
    lpPerformanceCount->QuadPart = overrides().counter ? overrides().counter() : monotonicNanoseconds();
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency) {
    if (!lpFrequency) return FALSE;
    lpFrequency->QuadPart = overrides().frequency ? overrides().frequency() : 1000000000;
    return TRUE;
}

void Sleep(DWORD dwMilliseconds) {
    if (overrides().sleep) {
        overrides().sleep(dwMilliseconds);
        return;
    }
    timespec remaining{time_t(dwMilliseconds / 1000), long(dwMilliseconds % 1000) * 1000000};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}
