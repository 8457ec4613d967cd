// The clock's time-to-pose arithmetic. Evaluated in single precision in the order written,
// so that a pose is the same on every build.
#include "scene/TimeDrive.h"

int displayHour(int hour24, bool useMilitaryTime) {
    if (!useMilitaryTime && hour24 >= 12) return hour24 - 12;
    return hour24;
}

int64_t wallClockSeconds(const ClockReading& r) {
    // Days from the civil date (Howard Hinnant's algorithm), March-based years.
    const int64_t month = r.month + 1;
    const int64_t y = int64_t(r.year) - (month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yearOfEra = y - era * 400;
    const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + r.monthDay - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const int64_t days = era * 146097 + dayOfEra - 719468;
    return days * 86400 + int64_t(r.hour) * 3600 + int64_t(r.minute) * 60 + r.second;
}

bool wallClockJumped(int64_t previousWallSeconds, int64_t wallSeconds) {
    const int64_t step = wallSeconds - previousWallSeconds;
    return step > 60 || step < -60;
}

ClockPose computeClockPose(const ClockReading& r, bool useMilitaryTime) {
    ClockPose p;
    const int secOfHour = r.minute * 60 + r.second;
    // The minute hand steps once a second; only the odometers move within a second.
    p.minuteHandAngle = float(secOfHour) * kTwoPi / 3600.0f;

    const int secOfDay = r.hour * 3600 + secOfHour;
    p.dayAngle = kHalfPi - (float(secOfDay) / 86400.0f) * kTwoPi;

    const int h = displayHour(r.hour, useMilitaryTime);
    // With the 24-hour face h runs to 23 and the angle to nearly two turns; the hand still
    // stands where the 12-hour value puts it.
    p.hourHandAngle = float(h * 3600 + secOfHour) * kTwoPi / 43200.0f;

    const int msOfMinute = r.second * 1000 + r.millisecond;
    p.secondValue = float(msOfMinute) / 1000.0f;
    // During second 59 the minute odometer rolls with the second wheels; 60 + x reads as x on
    // wheels that wrap at 10 and 6.
    if (r.second == 59)
        p.minuteValue = float(r.minute + 1) + float(msOfMinute) / 1000.0f;
    else
        p.minuteValue = float(r.minute);

    const int labels = useMilitaryTime ? 24 : 12;
    p.hourTarget = (r.second == 59 && r.minute == 59) ? (h + 1) % labels : h;
    p.weekdayTarget = r.weekday;
    p.monthTarget = r.month;
    // The 31st stands on the drum's first label, so the strip has 31 labels, 0 to 30.
    p.monthDayTarget = r.monthDay % 31;

    p.msOfHour = r.minute * 60000 + msOfMinute;
    p.logoAngle = float(p.msOfHour) / 300000.0f * kTwoPi;
    p.twoMinuteAngle = float(p.msOfHour) / 120000.0f * kTwoPi;
    p.thirtySecondAngle = float(p.msOfHour) / 30000.0f * kTwoPi;
    return p;
}

float remapMoonPhase(float phase) {
    if (phase < 0.01f) return phase * 7.0f;
    if (phase < 0.99f) return phase * 0.877551f + 0.07f - 0.00877551f;
    return phase * 7.0f - 6.0f;
}

float moonAngle(float phase) { return remapMoonPhase(phase) * 2.0f * kPi + kHalfPi; }

int32_t pendulumTime(int32_t msOfHour) { return ((msOfHour + 300) / 2) % 1000; }

int32_t gearTickTime(int32_t msOfHour, bool hasPendulum) {
    const int32_t t = msOfHour + (hasPendulum ? 600 : 300);
    return (t / 2) % 60000;
}
