// The frame loop's time base: a wrapping millisecond tick count for frame pacing, and the
// high-resolution counter with a conversion to whole milliseconds for the animation step.
#pragma once

#include <cstdint>

// Milliseconds since an arbitrary start, wrapping at 32 bits; compare with unsigned subtraction.
uint32_t tickCount();
int64_t readCounter();
// Counter ticks per second, asked of the platform once and then cached.
int64_t counterFrequency();
// Whole milliseconds from `earlier` to `later`, truncated toward zero; negative when the counter
// went backwards.
int32_t elapsedMs(int64_t earlier, int64_t later);

// Forgets the cached frequency, so a test can start from a process that has not asked yet.
void resetCounterFrequencyForTests();
