// The C runtime's 64-bit local-time calls (_ftime64_s among them) and Win32's GetLocalTime on
// POSIX time functions, with the pinning hook of ZarnTimeOverride.h. Every reading goes through one millisecond
// clock so that the seconds and the milliseconds of a pinned instant always agree.
#include <windows.h>

#include "ZarnTimeOverride.h"

#include <cerrno>
#include <cstring>
#include <ctime>

namespace {

struct PinnedClock {
    bool pinned = false;
    bool running = false;
    int64_t baseMs = 0;         // pinned instant, milliseconds since the epoch
    int64_t monotonicBaseNs = 0;  // monotonic reading at the moment of pinning
    int64_t stepPerReadMs = 0;    // moved on after every reading
};

PinnedClock pinnedClock;

int64_t monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int64_t floorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// Milliseconds since the epoch, real or pinned.
int64_t nowMs() {
    if (pinnedClock.pinned) {
        int64_t ms = pinnedClock.baseMs;
        if (pinnedClock.running) ms += (monotonicNs() - pinnedClock.monotonicBaseNs) / 1000000;
        pinnedClock.baseMs += pinnedClock.stepPerReadMs;
        return ms;
    }
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace

void ZarnPinLocalTime(__time64_t when, unsigned milliseconds, bool running) {
    pinnedClock.pinned = true;
    pinnedClock.running = running;
    pinnedClock.baseMs = int64_t(when) * 1000 + int64_t(milliseconds % 1000);
    pinnedClock.monotonicBaseNs = monotonicNs();
}

void ZarnAdvancePinnedTime(int64_t milliseconds) {
    if (pinnedClock.pinned) pinnedClock.baseMs += milliseconds;
}

void ZarnStepPinnedTimeOnEachRead(int64_t milliseconds) { pinnedClock.stepPerReadMs = milliseconds; }

void ZarnUnpinLocalTime() { pinnedClock = PinnedClock{}; }

bool ZarnLocalTimeIsPinned() { return pinnedClock.pinned; }

__time64_t _time64(__time64_t* destTime) {
    __time64_t t = floorDiv(nowMs(), 1000);
    if (destTime) *destTime = t;
    return t;
}

errno_t _localtime64_s(struct tm* tmDest, const __time64_t* sourceTime) {
    if (!tmDest) return EINVAL;
    if (!sourceTime || *sourceTime < 0) {
        // The runtime marks the record as unusable rather than leaving stale values in it.
        tmDest->tm_sec = tmDest->tm_min = tmDest->tm_hour = -1;
        tmDest->tm_mday = tmDest->tm_mon = tmDest->tm_year = -1;
        tmDest->tm_wday = tmDest->tm_yday = tmDest->tm_isdst = -1;
        return EINVAL;
    }
    time_t t = time_t(*sourceTime);
    if (!localtime_r(&t, tmDest)) return EINVAL;
    return 0;
}

__time64_t _mktime64(struct tm* timeptr) {
    if (!timeptr) return -1;
    return __time64_t(mktime(timeptr));
}

errno_t _ftime64_s(struct __timeb64* timeptr) {
    if (!timeptr) return EINVAL;
    const int64_t ms = nowMs();
    const time_t seconds = time_t(floorDiv(ms, 1000));
    timeptr->time = __time64_t(seconds);
    timeptr->millitm = static_cast<unsigned short>(ms - int64_t(seconds) * 1000);
    struct tm local {};
    if (localtime_r(&seconds, &local)) {
        timeptr->timezone = static_cast<short>(-local.tm_gmtoff / 60);
        timeptr->dstflag = static_cast<short>(local.tm_isdst > 0);
    } else {
        timeptr->timezone = 0;
        timeptr->dstflag = 0;
    }
    return 0;
}

void GetLocalTime(LPSYSTEMTIME lpSystemTime) {
    if (!lpSystemTime) return;
    int64_t ms = nowMs();
    time_t seconds = time_t(floorDiv(ms, 1000));
    struct tm local {};
    localtime_r(&seconds, &local);
    lpSystemTime->wYear = WORD(local.tm_year + 1900);
    lpSystemTime->wMonth = WORD(local.tm_mon + 1);
    lpSystemTime->wDayOfWeek = WORD(local.tm_wday);
    lpSystemTime->wDay = WORD(local.tm_mday);
    lpSystemTime->wHour = WORD(local.tm_hour);
    lpSystemTime->wMinute = WORD(local.tm_min);
    lpSystemTime->wSecond = WORD(local.tm_sec);
    lpSystemTime->wMilliseconds = WORD(ms - int64_t(seconds) * 1000);
}
