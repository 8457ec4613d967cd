// ClockScene's time drive: reading the local clock, posing every moving part from it each
// frame, the camera orbit, the lunar phase, and drawing the tree for one pass.
#include "scene/ClockScene.h"

#include "assets/Animation.h"
#include "scene/ClockView.h"
#include "shell/Diagnostics.h"

#include <windows.h>

#include <cerrno>
#include <cmath>

float clockCameraAngle = 0.0f;

ClockReading ClockScene::readClock(bool withMilliseconds) {
    // A known record to start from, so a failed conversion leaves defined values behind.
    struct tm local {};
    local.tm_sec = 0;
    local.tm_min = 0;
    local.tm_hour = 1;
    local.tm_mday = 1;
    local.tm_mon = 0;
    local.tm_year = 99;
    local.tm_wday = 0;
    local.tm_yday = 0;
    local.tm_isdst = 0;
    // One reading for every field: seconds and milliseconds taken from two calls disagree
    // whenever a second turns between them, and the odometers jump back for a frame.
    __timeb64 now{};
    _ftime64_s(&now);
    if (_localtime64_s(&local, &now.time) == EINVAL) debugPrintf("_localtime64_s failed due to an invalid argument.");

    ClockReading r;
    r.hour = local.tm_hour;
    r.minute = local.tm_min;
    r.second = local.tm_sec;
    r.weekday = local.tm_wday;
    r.month = local.tm_mon;
    r.monthDay = local.tm_mday;
    r.year = local.tm_year + 1900;
    r.epochSeconds = now.time;
    if (withMilliseconds) r.millisecond = now.millitm;
    return r;
}

void ClockScene::prepare(IDirect3DDevice9*, const D3DPRESENT_PARAMETERS* presentParams) {
    float aspect = 1.0f;
    if (presentParams && presentParams->BackBufferHeight > 0)
        aspect = float(presentParams->BackBufferWidth) / float(presentParams->BackBufferHeight);
    const float fieldOfViewY = clockFieldOfViewY(aspect);
    D3DXMatrixPerspectiveFovLH(&projection, fieldOfViewY, aspect, kNearPlane, kFarPlane);
    const float tanHalfY = std::tan(fieldOfViewY / 2.0f);
    backdropFar.transform.setMatrix(farWallPlacement(tanHalfY * aspect, tanHalfY));

    const ClockReading r = readClock(false);
    // Straight onto the current labels: no rolling through the strip at start-up. A 31st
    // stands just past the last label; the first update rolls it onto label 0.
    hourCounter.setValue(float(displayHour(r.hour, useMilitaryTime)));
    weekdayCounter.setValue(float(r.weekday));
    monthCounter.setValue(float(r.month));
    monthDayCounter.setValue(float(r.monthDay));
}

void ClockScene::update(uint32_t elapsedMs) {
    clockCameraAngle += float(elapsedMs) / 30000.0f;
    const D3DXVECTOR3 eye(kOrbitRadius * std::cos(clockCameraAngle), kOrbitRadius * std::sin(clockCameraAngle), kEyeZ);
    const D3DXVECTOR3 at(0.0f, kCameraTargetY, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);

    const ClockReading reading = readClock(true);
    pose = computeClockPose(reading, useMilitaryTime);

    // The hands turn about -z, so a growing angle runs clockwise on screen.
    minuteHand.transform.setRotationAxisAngle(0.0f, 0.0f, -1.0f, pose.minuteHandAngle);
    hourHand.transform.setRotationAxisAngle(0.0f, 0.0f, -1.0f, pose.hourHandAngle);

    const float d = pose.dayAngle;
    dayGlobe.transform.setRotationAxisAngle(0.0f, 1.0f, 0.0f, d);
    sideDriverRight.transform.setRotationAxisAngle(0.0f, 0.0f, 1.0f, -d);
    sideGearRight.transform.setRotationAxisAngle(1.0f, 0.0f, 0.0f, -d);
    sideMiniGearRight.transform.setRotationAxisAngle(1.0f, 0.0f, 0.0f, 2.0f * d);
    sideMiniGearRight.transform.rotateBy(0.0f, 0.0f, 1.0f, -0.7853982f);

    secondCounter.setValue(pose.secondValue);
    minuteCounter.setValue(pose.minuteValue);
    hourCounter.setTarget(pose.hourTarget);
    weekdayCounter.setTarget(pose.weekdayTarget);
    monthCounter.setTarget(pose.monthTarget);
    monthDayCounter.setTarget(pose.monthDayTarget);
    // A clock set back an hour, a daylight-saving change or a resume from sleep: the drums
    // stand on the new time at once, as at start-up, instead of rolling forwards through
    // every label to reach it (eleven seconds for an hour back).
    const int64_t wall = wallClockSeconds(reading);
    if (hasPreviousReading && wallClockJumped(previousWallSeconds, wall)) {
        hourCounter.setValue(float(pose.hourTarget));
        weekdayCounter.setValue(float(pose.weekdayTarget));
        monthCounter.setValue(float(pose.monthTarget));
        monthDayCounter.setValue(float(pose.monthDayTarget));
    }
    hasPreviousReading = true;
    previousWallSeconds = wall;

    const float m = moonAngle(moonPhaseAt(reading.epochSeconds));
    moon.transform.setRotationAxisAngle(0.0f, 1.0f, 0.0f, m);
    sideGearLeft.transform.setRotationAxisAngle(1.0f, 0.0f, 0.0f, m);
    sideGearLeft.transform.rotateBy(0.0f, 0.0f, 1.0f, kPi);
    sideMiniGearLeft.transform.setRotationAxisAngle(1.0f, 0.0f, 0.0f, -2.0f * m);
    sideMiniGearLeft.transform.rotateBy(0.0f, 0.0f, 1.0f, 2.3561945f);
    sideDriverLeft.transform.setRotationAxisAngle(0.0f, 0.0f, 1.0f, m);

    const float l = pose.logoAngle;
    logoLetters[0].transform.setRotationAxisAngle(0.0f, 0.0f, 1.0f, l);
    logoLetters[1].transform.setRotationAxisAngle(0.0f, 0.0f, 1.0f, -l);
    logoLetters[2].transform.setRotationAxisAngle(0.0f, 0.0f, 1.0f, 2.0f * l);
    logoLetters[3].transform.setRotationAxisAngle(0.0f, 0.0f, 1.0f, -2.0f * l);

    const float w2 = pose.twoMinuteAngle;
    toothedGearRight.transform.setRotationAxisAngle(0.0f, 0.0f, 1.0f, -w2);
    toothedGearLeft.transform.setRotationAxisAngle(0.0f, 0.0f, 1.0f, w2);
    extraGearALower.transform.setRotationAxisAngle(0.0f, 0.0f, 1.0f, -w2);

    const float w30 = pose.thirtySecondAngle;
    secondaryFancyGear.transform.setRotationAxisAngle(0.0f, 0.0f, 1.0f, -w30);
    extraGearAUpper.transform.setRotationAxisAngle(0.0f, 0.0f, 1.0f, w30);
    extraGearB.transform.setRotationAxisAngle(0.0f, 0.0f, 1.0f, w30);
    fancyGearLowerRight.transform.setRotationAxisAngle(0.0f, 0.0f, 1.0f, w30);
    fancyGearUpperLeft.transform.setRotationAxisAngle(0.0f, 0.0f, 1.0f, w30);

    // The animations are sampled at a time derived from the clock, not played: the swing
    // and the tick stay in step with the seconds however frames are paced.
    if (pendulumAnimation) {
        pendulumAnimation->setTime(pendulumTime(pose.msOfHour));
        pendulum.transform.setMatrix(pendulumAnimation->pose.matrix);
    }
    if (gearTickAnimation) {
        gearTickAnimation->setTime(gearTickTime(pose.msOfHour, pendulumAnimation != nullptr));
        tickingGear.transform.setMatrix(gearTickAnimation->pose.matrix);
        // Keep the animated rotation, but put the gear back on its axle.
        tickingGear.transform.setPosition(0.0f, -2.174f, 0.0f);
    }

    for (UIWidget* root : roots)
        if (root) root->update(int32_t(elapsedMs), false);
}

void ClockScene::render(RenderPass pass, IDirect3DDevice9* device) {
    if (!device) return;
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_WORLD, &world);
    for (UIWidget* root : roots)
        if (root) root->draw(pass, &world, device);
}

float ClockScene::moonPhase() { return moonPhaseAt(_time64(nullptr)); }

float ClockScene::moonPhaseAt(int64_t now) {
    struct tm reference {};
    reference.tm_year = 100;
    reference.tm_mon = 0;
    reference.tm_mday = 1;
    reference.tm_hour = 0;
    reference.tm_min = 0;
    reference.tm_sec = 0;
    reference.tm_isdst = 0;
    const __time64_t referenceTime = _mktime64(&reference);
    const int64_t seconds = now - int64_t(referenceTime);
    const float days = float(seconds) / 86400.0f;
    // A new moon fell 5.597661 days after the reference; 29.530588 days per synodic month.
    const float cycles = (days - 5.597661f) / 29.530588f;
    return cycles - std::trunc(cycles);
}
