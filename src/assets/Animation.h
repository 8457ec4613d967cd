// Animation: a keyframed movement of one rigid part, sampled into a Transform that widgets
// copy. Two forms come from the asset library: whole position and rotation keys (POSKEY,
// ROTKEY), or six scalar channels as an animation tool exports them (TX .. RZ, frames at 30
// per second, angles in degrees). Both interpolate with cubic Hermite segments.
#pragma once

#include "assets/Asset.h"
#include "math/Quaternion.h"
#include "math/Transform.h"
#include "math/Vec3.h"

#include <cstdint>
#include <cstdio>
#include <memory>

struct PositionKey {
    int32_t time = 0;
    Vec3 position;
    Vec3 slope;  // units per millisecond
};

struct RotationKey {
    int32_t time = 0;
    Quaternion rotation{0.0f, 0.0f, 0.0f, 0.0f};
    Quaternion slope{0.0f, 0.0f, 0.0f, 0.0f};  // per millisecond, componentwise (w, x, y, z)
};

struct ChannelKey {
    int32_t time = 0;  // milliseconds
    float value = 0.0f;
    float inSlope = 0.0f;   // per millisecond
    float outSlope = 0.0f;  // per millisecond
};

struct AnimationChannel {
    int32_t keyCount = 0;
    int32_t cursor = 0;  // index of the current segment
    std::unique_ptr<ChannelKey[]> keys;
};

class Animation : public Asset {
public:
    enum Channel { TX, TY, TZ, RX, RY, RZ, channelCount };

    Animation() = default;
    ~Animation() override = default;

    // Reads an ANIMATION block from just after the keyword ANIMATION to its "}" (or the end
    // of the file). Malformed keywords, keys that do not fit the declared counts, key mode
    // without keys and loops that do not move forward make it return false.
    bool readBlock(FILE* file);

    void restart();
    // Moves the play position by dt milliseconds (after any delay) and samples the pose;
    // true once the end has been reached.
    bool advance(int32_t dt);
    void setTime(int32_t playPosition);
    void setDelay(int32_t milliseconds) { delay = milliseconds; }
    bool isPlaying() const { return blockTime >= time; }

    // For building an animation in code. allocateKeys is false when a count is out of range.
    bool allocateKeys(int32_t positionKeyCount, int32_t rotationKeyCount);
    void setPosKey(int32_t index, int32_t keyTime, float x, float y, float z);
    void setRotKey(int32_t index, int32_t keyTime, float w, float x, float y, float z);

    Transform pose;
    int32_t time = 0;
    int32_t delay = 0;
    int32_t posCursor = 0;
    int32_t rotCursor = 0;
    int32_t posKeyCount = 0;
    std::unique_ptr<PositionKey[]> posKeys;
    int32_t rotKeyCount = 0;
    std::unique_ptr<RotationKey[]> rotKeys;
    int32_t loopStart = -1;
    int32_t loopEnd = -1;
    bool perAxis = false;
    int32_t lastKeyTime = 0;
    int32_t firstKeyTime = -1;
    int32_t blockTime = -1;
    AnimationChannel channels[channelCount];

private:
    bool readChannel(FILE* file, Channel channel);
    void noteKeyTimes(int32_t first, int32_t last);
    void computeSlopes();
    float sampleChannel(AnimationChannel& channel) const;
    Vec3 samplePosition();
    Quaternion sampleRotation();
    void poseFromChannels(bool last);
};
