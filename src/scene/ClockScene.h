// ClockScene: the whole clock. It builds the widget tree from the asset library (a root frame
// with 32 children: hands, read-out counters, logo letters, day globe, moon, gears, pendulum
// and two backdrops), poses every moving part from the local time each frame, orbits the
// camera, and draws the tree for the shadow-map and colour passes.
#pragma once

#include "scene/TimeDrive.h"
#include "scene/UIWidgetCounter.h"
#include "scene/UIWidgetCounterBasic.h"
#include "scene/UIWidgetFrame.h"
#include "scene/UIWidgetMesh.h"

#include <d3d9.h>
#include <d3dx9.h>

#include <cstdint>
#include <ctime>

class Animation;
class AssetLibrary;

// The camera's orbit angle in radians; it only grows, and survives the scene.
extern float clockCameraAngle;

class ClockScene {
public:
    static constexpr int32_t childCount = 32;

    // Reads the 12/24-hour setting once, here: the face does not change while the saver runs.
    explicit ClockScene(AssetLibrary& library);
    ClockScene(const ClockScene&) = delete;
    ClockScene& operator=(const ClockScene&) = delete;

    // Projection from the back buffer's shape, and the drums put straight onto today's labels.
    void prepare(IDirect3DDevice9* device, const D3DPRESENT_PARAMETERS* presentParams);
    void update(uint32_t elapsedMs);
    void render(RenderPass pass, IDirect3DDevice9* device);
    // Fraction of the current lunar cycle, in [0, 1) from early January 2000 on.
    float moonPhase();
    // The same for a given calendar time (seconds since the epoch), so a frame's whole pose
    // comes from its one reading of the clock.
    static float moonPhaseAt(int64_t now);
    void shutdown() {}

    // The pose of the last update, for anyone who wants to know what the clock shows.
    const ClockPose& lastPose() const { return pose; }

    UIWidget* roots[1] = {};
    UIWidgetFrame frame;

    UIWidgetMesh hourHand;
    UIWidgetMesh minuteHand;
    UIWidgetCounterBasic hourCounter;
    UIWidgetCounter minuteCounter;
    UIWidgetCounter secondCounter;
    UIWidgetCounterBasic weekdayCounter;
    UIWidgetCounterBasic monthCounter;
    UIWidgetCounterBasic monthDayCounter;
    UIWidgetMesh logoLetters[4];
    UIWidgetMesh dayGlobe;
    UIWidgetMesh moon;
    UIWidgetMesh tickingGear;
    UIWidgetMesh secondaryFancyGear;
    UIWidgetMesh toothedGearLeft;
    UIWidgetMesh toothedGearRight;
    UIWidgetMesh sideDriverRight;
    UIWidgetMesh sideGearRight;
    UIWidgetMesh sideMiniGearRight;
    UIWidgetMesh sideDriverLeft;
    UIWidgetMesh sideGearLeft;
    UIWidgetMesh sideMiniGearLeft;
    UIWidgetMesh extraGearAUpper;
    UIWidgetMesh extraGearALower;
    UIWidgetMesh extraGearB;
    UIWidgetMesh fancyGearLowerRight;
    UIWidgetMesh fancyGearUpperLeft;
    UIWidgetMesh pendulum;
    UIWidgetMesh backdropNear;
    UIWidgetMesh backdropFar;

    Animation* pendulumAnimation = nullptr;
    Animation* gearTickAnimation = nullptr;

    D3DXMATRIXA16 view;
    D3DXMATRIXA16 world;
    D3DXMATRIXA16 projection;

private:
    // The broken-down local time and its milliseconds; a failed conversion is reported and
    // the record keeps what the conversion left in it.
    ClockReading readClock(bool withMilliseconds);

    bool useMilitaryTime = false;
    ClockPose pose;
    // The wall-clock time of the last update, to notice the clock being set or changing zone.
    bool hasPreviousReading = false;
    int64_t previousWallSeconds = 0;
};
