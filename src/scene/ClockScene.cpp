// ClockScene assembly: which widget stands in which child slot, with which mesh and
// material keys, where, and how each counter is set up.
#include "scene/ClockScene.h"

#include "assets/AssetLibrary.h"
#include "shell/SaverState.h"

namespace {

struct WidgetPlacement {
    UIWidget* widget;
    const char* meshKey;
    const char* materialKey;
    bool positioned;
    float x, y, z;
};

}  // namespace

ClockScene::ClockScene(AssetLibrary& library) {
    useMilitaryTime = saverState.settings.UseMilitaryTime;

    pendulumAnimation = library.findAnimation("animPendulum");
    gearTickAnimation = library.findAnimation("animGearTick");

    // Looked up in this order, so the library's warnings for missing keys come out in it.
    const WidgetPlacement table[] = {
        {&minuteHand, "meshMinutes", "matHands", false, 0, 0, 0},
        {&hourHand, "meshHours", "matHands", false, 0, 0, 0},
        {&hourCounter, "meshCounterDouble", useMilitaryTime ? "matCounter24" : "matCounter12", true, -0.6f, -1.36f,
         0.05f},
        {&minuteCounter, "meshCounter", "matCounter", true, -0.12f, -1.36f, 0.05f},
        {&secondCounter, "meshCounter", "matCounter", true, 0.48f, -1.36f, 0.05f},
        {&weekdayCounter, "meshCounterTriple", "matCounterDay", true, -0.77f, -1.88f, 0.05f},
        {&monthCounter, "meshCounterTriple", "matCounterMonth", true, 0.1f, -1.88f, 0.05f},
        {&monthDayCounter, "meshCounterDouble", "matCounter31", true, 0.86f, -1.88f, 0.05f},
        {&logoLetters[0], "meshUILogoZ", "matUILogoLetters", true, -1.293f, 1.342f, 0.0f},
        {&logoLetters[1], "meshUILogoA", "matUILogoLetters", true, -0.437f, 1.342f, 0.0f},
        {&logoLetters[2], "meshUILogoR", "matUILogoLetters", true, 0.433f, 1.342f, 0.0f},
        {&logoLetters[3], "meshUILogoN", "matUILogoLetters", true, 1.281f, 1.342f, 0.0f},
        {&dayGlobe, "meshDayGlobe", "matMoonWorld", true, 4.28f, 0.0f, 0.404f},
        {&moon, "meshMoon", "matMoonWorld", true, -4.28f, 0.0f, 0.404f},
        {&tickingGear, "meshFancyGear", "matFrame", true, 0.0f, -2.174f, 0.0f},
        {&secondaryFancyGear, "meshFancySecondary", "matFrame", true, -1.839f, -1.846f, 0.0f},
        {&toothedGearLeft, "meshToothyGear", "matFrame", true, -0.955f, 0.0f, 0.139f},
        {&toothedGearRight, "meshToothyGear", "matFrame", true, 0.955f, 0.0f, 0.139f},
        {&sideDriverRight, "meshSideDriver", "matFrame", true, 2.507f, 0.0f, 0.791f},
        {&sideGearRight, "meshSideGear", "matFrame", true, 3.46f, 0.0f, 0.404f},
        {&sideMiniGearRight, "meshSideMini", "matFrame", true, 4.28f, 0.0f, 0.404f},
        {&sideDriverLeft, "meshSideDriver", "matFrame", true, -2.507f, 0.0f, 0.791f},
        {&sideGearLeft, "meshSideGear", "matFrame", true, -3.46f, 0.0f, 0.404f},
        {&sideMiniGearLeft, "meshSideMini", "matFrame", true, -4.28f, 0.0f, 0.404f},
        {&extraGearAUpper, "meshExtraGearA", "matFrame", true, 2.275f, 2.161f, 0.363f},
        {&extraGearALower, "meshExtraGearA", "matFrame", true, 2.416f, 1.356f, 0.468f},
        {&extraGearB, "meshExtraGearB", "matFrame", true, 2.275f, 2.161f, 0.777f},
        {&fancyGearLowerRight, "meshFancyGear", "matFrame", true, 2.012f, -1.44f, 0.496f},
        {&fancyGearUpperLeft, "meshFancyGear", "matFrame", true, -1.748f, 1.505f, 0.526f},
        {&pendulum, "meshPendulum", "matFrame", false, 0, 0, 0},
        {&backdropNear, "meshBackdrop", "matBackdropNear", false, 0, 0, 0},
        {&backdropFar, "meshBackdropFar", "matBackdropFar", false, 0, 0, 0},
    };
    for (const WidgetPlacement& p : table) {
        p.widget->mesh = library.findMesh(p.meshKey);
        p.widget->material = library.findMaterial(p.materialKey);
        if (p.positioned) p.widget->transform.setPosition(p.x, p.y, p.z);
        if (p.widget == &hourCounter) {
            if (useMilitaryTime)
                hourCounter.setDigitWrap(0.6f, 0.025f, 24);
            else
                hourCounter.setDigitWrap(0.6f, 0.05f, 12);
        } else if (p.widget == &minuteCounter) {
            minuteCounter.setNumDigits(2, true, false, false);
        } else if (p.widget == &secondCounter) {
            secondCounter.setNumDigits(2, true, false, false);
        } else if (p.widget == &weekdayCounter) {
            weekdayCounter.setDigitWrap(1.0f, 0.1f, 7);
        } else if (p.widget == &monthCounter) {
            monthCounter.setDigitWrap(1.0f, 0.05f, 12);
        } else if (p.widget == &monthDayCounter) {
            monthDayCounter.setDigitWrap(0.6f, 0.025f, 31);
        }
    }

    // The frame stays at its closed state with no animations: it never moves.
    frame.mesh = library.findMesh("meshFrame");
    frame.material = library.findMaterial("matFrame");
    frame.collapsed = false;
    frame.setNumChildren(childCount);
    // Slot order is drawing order: hands, read-outs, logo, globe and moon, gears, the far
    // backdrop before the near one, then the outer gears and the pendulum last.
    UIWidget* const slots[childCount] = {
        &minuteHand,       &hourHand,          &hourCounter,      &minuteCounter,       &secondCounter,
        &weekdayCounter,   &monthCounter,      &monthDayCounter,  &logoLetters[0],      &logoLetters[1],
        &logoLetters[2],   &logoLetters[3],    &dayGlobe,         &moon,                &tickingGear,
        &secondaryFancyGear, &toothedGearLeft, &toothedGearRight, &sideDriverRight,     &sideGearRight,
        &sideMiniGearRight, &sideDriverLeft,   &sideGearLeft,     &sideMiniGearLeft,    &backdropFar,
        &backdropNear,     &extraGearAUpper,   &extraGearALower,  &extraGearB,          &fancyGearLowerRight,
        &fancyGearUpperLeft, &pendulum,
    };
    for (int32_t i = 0; i < childCount; ++i) frame.setChild(i, slots[i]);
    // Both passes draw nearest first, so that hidden fragments are never shaded: the hands,
    // the frame, the read-outs and everything mounted on the dial, the gears behind it, then
    // the panel and the far wall. Every part is opaque, so the picture is the one the slot
    // order draws.
    const int32_t nearestFirst[childCount + 1] = {
        0,  1,  UIWidgetFrame::kOwnMesh, 2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
        16, 17, 18, 19, 20, 21, 22, 23, 26, 27, 28, 29, 30, 31, 25, 24,
    };
    frame.setDrawOrder(nearestFirst, childCount + 1);
    // The far wall lies behind everything along every ray from the light, so it can shadow
    // nothing: as a caster it would only fill the shadow map with distances above every
    // receiver's own (the wall stands at z = 6, or at 3 or more where a very wide view brings it
    // forward, and the clock within 1.4).
    backdropFar.castsShadow = false;
    // The camera orbits and the clock stands: the frame, the panel behind the dial and the
    // read-out drums (whose labels slide over them, the drums never turn) never move against the
    // light, so the shadow pass keeps their part of the map.
    UIWidget* const stationaryParts[] = {&frame, &backdropNear, &hourCounter, &minuteCounter, &secondCounter,
                                         &weekdayCounter, &monthCounter, &monthDayCounter};
    for (UIWidget* part : stationaryParts) part->stationary = true;

    roots[0] = &frame;

    D3DXMatrixIdentity(&view);
    D3DXMatrixIdentity(&world);
    D3DXMatrixIdentity(&projection);
    const D3DXVECTOR3 eye(0.0f, 0.0f, -10.0f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
}
