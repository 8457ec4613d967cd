// The clock functions over the platform's tick count and performance counter, with the counter
// frequency cached after its first query (-1 until then).
#include "shell/Timers.h"

#include <windows.h>

#include <cmath>
#include <limits>

namespace {
int64_t cachedFrequency = -1;
}

uint32_t tickCount() { return GetTickCount(); }

int64_t readCounter() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

int64_t counterFrequency() {
    if (cachedFrequency == -1) {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        cachedFrequency = frequency.QuadPart;
    }
    return cachedFrequency;
}

int32_t elapsedMs(int64_t earlier, int64_t later) {
    // Wrap instead of overflowing: counters far apart are nonsense either way, but must not be
    // undefined behaviour.
    int64_t difference = int64_t(uint64_t(later) - uint64_t(earlier));
    double ms = double(difference) / double(counterFrequency()) * 1000.0;
    // A zero or broken frequency, or a gap of more than 24 days, would make the conversion to
    // 32 bits undefined; such values are clamped (NaN counts as no time at all).
    if (std::isnan(ms)) return 0;
    if (ms >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    if (ms <= double(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    return int32_t(ms);
}

void resetCounterFrequencyForTests() { cachedFrequency = -1; }
