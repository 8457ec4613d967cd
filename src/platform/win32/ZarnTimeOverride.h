// Not part of Win32: lets tests and the snapshot tool pin the local time that _time64,
// _localtime64_s and GetLocalTime report. A pinned clock starts at a chosen instant and then
// either runs on the monotonic clock (a live saver shown at a chosen time) or moves only when
// told to (deterministic frames). The time zone stays the process's own (TZ).
#pragma once

#include <windows.h>

#include <cstdint>

// Pins "now" to `when` (seconds since the epoch, as _time64 counts) plus `milliseconds`
// (0 to 999). With `running`, the pinned clock advances with real elapsed time.
void ZarnPinLocalTime(__time64_t when, unsigned milliseconds, bool running);

// Moves a pinned clock by a number of milliseconds (negative goes back); no effect unpinned.
void ZarnAdvancePinnedTime(int64_t milliseconds);

// Makes a pinned clock move on by `milliseconds` after every reading of it, as a real clock
// moves between two calls: a reading taken just before a second turns is followed by one
// taken after it. 0 (the default) turns this off; unpinning clears it.
void ZarnStepPinnedTimeOnEachRead(int64_t milliseconds);

// Back to the system's real-time clock.
void ZarnUnpinLocalTime();

bool ZarnLocalTimeIsPinned();
