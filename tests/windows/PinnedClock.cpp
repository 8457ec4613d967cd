// Linked only into the test build of the saver ("zarn-pinned.scr"), whose pictures are
// compared with the Linux snapshot of the same moment: it replaces the two clocks the saver
// reads through their import slots, so the program itself is the shipped one, unchanged.
//   ZARN_PINNED_TIME=SECONDS[.MMM]  the wall clock, seconds since 1970 (UTC), stands still there
//   the high-resolution counter     stands still, so every frame advances the clock by 0 ms and
//                                   the camera stays where it starts
#include <windows.h>

#include <sys/timeb.h>

#include <cerrno>
#include <cstdlib>

namespace {

errno_t __cdecl pinnedFtime64(struct __timeb64* now) {
    if (!now) return EINVAL;
    const char* pinned = std::getenv("ZARN_PINNED_TIME");
    char* rest = nullptr;
    const long long seconds = pinned ? std::strtoll(pinned, &rest, 10) : 0;
    now->time = seconds;
    now->millitm = (rest && *rest == '.') ? static_cast<unsigned short>(std::atoi(rest + 1) % 1000) : 0;
    now->timezone = 0;
    now->dstflag = 0;
    return 0;
}

BOOL WINAPI pinnedPerformanceCounter(LARGE_INTEGER* counter) {
    counter->QuadPart = 1000000;
    return TRUE;
}

}  // namespace

// The import slots the saver's calls go through; the linker takes these before the import
// libraries' own. Their names are the linker's: 32-bit ones carry the leading underscore of C
// names and the argument bytes of stdcall ones.
#ifdef __i386__
void* pinnedTimeSlot asm("__imp___ftime64_s") = reinterpret_cast<void*>(&pinnedFtime64);
void* pinnedCounterSlot asm("__imp__QueryPerformanceCounter@4") = reinterpret_cast<void*>(&pinnedPerformanceCounter);
#else
void* pinnedTimeSlot asm("__imp__ftime64_s") = reinterpret_cast<void*>(&pinnedFtime64);
void* pinnedCounterSlot asm("__imp_QueryPerformanceCounter") = reinterpret_cast<void*>(&pinnedPerformanceCounter);
#endif
