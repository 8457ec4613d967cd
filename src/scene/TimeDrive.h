// The arithmetic that turns a reading of the local clock into the pose of every moving part
// of the clock: hand angles, odometer values, drum targets, the day and moon angles and the
// continuously turning wheels. Kept free of widgets and devices so it can be checked on its
// own; ClockScene::update applies the results to its widgets.
#pragma once

#include <cstdint>

// Single-precision constants the clock's motion is tuned with.
constexpr float kTwoPi = 6.2831855f;
constexpr float kPi = 3.1415927f;
constexpr float kHalfPi = 1.5707964f;

// One reading of the local clock.
struct ClockReading {
    int hour = 0;         // 0 to 23
    int minute = 0;       // 0 to 59
    int second = 0;       // 0 to 59
    int millisecond = 0;  // 0 to 999
    int weekday = 0;      // 0 = Sunday
    int month = 0;        // 0 = January
    int monthDay = 1;     // 1 to 31
    int year = 2000;      // full year
    int64_t epochSeconds = 0;  // the same instant as calendar time, for the lunar phase
};

// Everything the clock's time-driven widgets take from one reading.
struct ClockPose {
    float minuteHandAngle = 0;  // about (0, 0, -1)
    float hourHandAngle = 0;    // about (0, 0, -1)
    float dayAngle = 0;
    float secondValue = 0;  // second odometer: value and target at once
    float minuteValue = 0;  // minute odometer: value and target at once
    int hourTarget = 0;
    int weekdayTarget = 0;
    int monthTarget = 0;
    int monthDayTarget = 0;
    int32_t msOfHour = 0;
    float logoAngle = 0;      // one turn per 5 minutes
    float twoMinuteAngle = 0;  // one turn per 2 minutes
    float thirtySecondAngle = 0;  // one turn per 30 seconds
};

// The reading's wall-clock time as seconds on a continuous count (days since 1970-01-01
// in the proleptic Gregorian calendar, then the time of day). Two readings a frame apart
// differ by about the frame; a clock set by hand, a daylight-saving change or a resume from
// sleep shows as a jump.
int64_t wallClockSeconds(const ClockReading& reading);

// A jump of the wall clock between two frames that rolling drums should not follow label by
// label (they only roll forwards, one label a second): more than a minute either way.
bool wallClockJumped(int64_t previousWallSeconds, int64_t wallSeconds);

ClockPose computeClockPose(const ClockReading& reading, bool useMilitaryTime);

// The hour a drum shows at start-up: the 24-hour hour, reduced to 0..11 for the 12-hour face.
int displayHour(int hour24, bool useMilitaryTime);

// Stretches the first and last hundredth of the lunar cycle so the moon's dark side turns
// through visibly while it is new; continuous at 0.01 (0.07) and 0.99 (0.93).
float remapMoonPhase(float phase);

// The moon's angle for a phase: remap, then a full turn per cycle, a quarter turn offset.
float moonAngle(float phase);

// Keyframe times for the two animations: the pendulum's swing and the ticking gear's tick.
// A missing pendulum shifts the tick's phase, as the two share one running offset.
int32_t pendulumTime(int32_t msOfHour);
int32_t gearTickTime(int32_t msOfHour, bool hasPendulum);
