// Animation block reading, slope computation and Hermite sampling of both animation forms.
#include "assets/Animation.h"

#include "assets/LibraryTokens.h"
#include "math/EulerMatrix.h"
#include "shell/Diagnostics.h"

#include <cmath>
#include <cstring>
#include <new>

namespace {

const char* const kChannelNames[Animation::channelCount] = {"TX", "TY", "TZ", "RX", "RY", "RZ"};

// The exporting tool works at 30 frames per second and in degrees.
constexpr float kPi = 3.1415927f;
constexpr float kDegreesToRadians = 0.017453292f;

int32_t clampToInt32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

// The cubic Hermite segment from (p0, slope m0) to (p1, slope m1), slopes already scaled by
// the segment's duration.
float hermite(float p0, float p1, float m0, float m1, float s) {
    const float s2 = s * s, s3 = s2 * s;
    return p0 + (2 * p0 - 2 * p1 + m0 + m1) * s3 + (-3 * p0 + 3 * p1 - 2 * m0 - m1) * s2 + m0 * s;
}

// Fraction of the way from t0 to t1 and the segment's length; keys at equal times make an
// empty segment, which is sampled at its start rather than divided by zero.
float segmentDuration(int32_t t0, int32_t t1) { return static_cast<float>(static_cast<int64_t>(t1) - t0); }
float segmentFraction(int32_t time, int32_t t0, float duration) {
    return duration > 0.0f ? static_cast<float>(static_cast<int64_t>(time) - t0) / duration : 0.0f;
}

template <typename T>
std::unique_ptr<T[]> allocateZeroed(int32_t count) {
    if (count <= 0) return nullptr;
    return std::unique_ptr<T[]>(new (std::nothrow) T[count]());
}

bool validCount(int32_t count) { return count >= 0 && count <= kMaxLibraryCount; }

}  // namespace

bool Animation::readBlock(FILE* file) {
    char token[kBlockTokenMax + 1];
    // The opening brace; the format takes any token there.
    TokenRead r = readToken(file, token, kBlockTokenMax);
    if (r == TokenRead::tooLong) return false;

    int32_t posFilled = 0, rotFilled = 0;
    bool keysDeclared = false;
    while (r == TokenRead::ok) {
        r = readToken(file, token, kBlockTokenMax);
        if (r == TokenRead::tooLong) return false;
        if (r == TokenRead::end || std::strcmp(token, "}") == 0) break;

        if (token[0] == '#') {
            skipRestOfLine(file);
        } else if (std::strcmp(token, "NUMKEYS") == 0) {
            int p, q;
            if (!readInt(file, &p) || !readInt(file, &q)) return false;
            if (!allocateKeys(p, q)) {
                debugPrintf("Error in ANIMATION: NUMKEYS %d %d is out of range (0 to %d keys each)\n", p, q,
                            kMaxLibraryCount);
                return false;
            }
            posFilled = rotFilled = 0;
            keysDeclared = true;
        } else if (std::strcmp(token, "POSKEY") == 0) {
            int t;
            float x, y, z;
            if (!readInt(file, &t) || !readFloat(file, &x) || !readFloat(file, &y) || !readFloat(file, &z))
                return false;
            if (!keysDeclared || posFilled >= posKeyCount) {
                debugPrintf("Error in ANIMATION: POSKEY %d has no place (NUMKEYS must come first and count it)\n",
                            posFilled + 1);
                return false;
            }
            setPosKey(posFilled++, t, x, y, z);
            noteKeyTimes(t, t);
        } else if (std::strcmp(token, "ROTKEY") == 0) {
            int t;
            float w, x, y, z;
            if (!readInt(file, &t) || !readFloat(file, &w) || !readFloat(file, &x) || !readFloat(file, &y) ||
                !readFloat(file, &z))
                return false;
            if (!keysDeclared || rotFilled >= rotKeyCount) {
                debugPrintf("Error in ANIMATION: ROTKEY %d has no place (NUMKEYS must come first and count it)\n",
                            rotFilled + 1);
                return false;
            }
            setRotKey(rotFilled++, t, w, x, y, z);
            noteKeyTimes(t, t);
        } else if (std::strcmp(token, "LOOP") == 0) {
            int start, end;
            if (!readInt(file, &start) || !readInt(file, &end)) return false;
            // A loop that does not move forward would never bring the play position back.
            if (end <= start) {
                debugPrintf("Error in ANIMATION: LOOP %d %d does not end after it starts\n", start, end);
                return false;
            }
            loopStart = start;
            loopEnd = end;
        } else if (std::strcmp(token, "BLOCKTIME") == 0) {
            int t;
            if (!readInt(file, &t)) return false;
            blockTime = t;
        } else if (std::strcmp(token, "NAME") == 0) {
            char name[kBlockTokenMax + 1];
            if (readToken(file, name, kBlockTokenMax) != TokenRead::ok) return false;
            setName(name);
        } else {
            int channel = 0;
            while (channel < channelCount && std::strcmp(token, kChannelNames[channel]) != 0) ++channel;
            if (channel == channelCount) {
                debugPrintf("Unrecognized animation property, %s\n", token);
                return false;
            }
            if (!readChannel(file, static_cast<Channel>(channel))) {
                debugPrintf("Error while loading %s keys in ANIMATION\n", kChannelNames[channel]);
                return false;
            }
        }
    }

    if (blockTime < 0 || blockTime > lastKeyTime) blockTime = lastKeyTime;
    if (!perAxis) {
        // Sampling reads the first and last keys of both lists.
        if (posKeyCount < 1 || rotKeyCount < 1) {
            debugPrintf("Error in ANIMATION: without channels it needs at least one POSKEY and one ROTKEY\n");
            return false;
        }
        computeSlopes();
    }
    return true;
}

bool Animation::readChannel(FILE* file, Channel channel) {
    perAxis = true;
    int count;
    char brace[kBlockTokenMax + 1];
    if (!readInt(file, &count)) return false;
    if (readToken(file, brace, kBlockTokenMax) != TokenRead::ok || std::strcmp(brace, "{") != 0) return false;
    if (!validCount(count)) {
        debugPrintf("Error in ANIMATION: %d %s keys is out of range (0 to %d)\n", count, kChannelNames[channel],
                    kMaxLibraryCount);
        return false;
    }
    std::unique_ptr<ChannelKey[]> keys = allocateZeroed<ChannelKey>(count);
    if (count > 0 && !keys) return false;

    const bool rotational = channel == RX || channel == RY || channel == RZ;
    for (int i = 0; i < count; ++i) {
        int frame;
        float value, inAngle, outAngle;
        if (!readInt(file, &frame) || !readFloat(file, &value) || !readFloat(file, &inAngle) ||
            !readFloat(file, &outAngle))
            return false;
        const int64_t ms = static_cast<int64_t>(frame) * 1000 / 30;
        if (ms < INT32_MIN || ms > INT32_MAX) return false;
        ChannelKey& key = keys[i];
        key.time = static_cast<int32_t>(ms);
        key.value = value;
        key.inSlope = std::tan(inAngle * kPi / 180.0f) * 30.0f / 1000.0f;
        key.outSlope = std::tan(outAngle * kPi / 180.0f) * 30.0f / 1000.0f;
        if (rotational) {
            key.value *= kDegreesToRadians;
            key.inSlope *= kDegreesToRadians;
            key.outSlope *= kDegreesToRadians;
        }
    }
    if (readToken(file, brace, kBlockTokenMax) != TokenRead::ok || std::strcmp(brace, "}") != 0) return false;

    // The exporting tool's depth axis points the other way.
    if (channel == TZ || channel == RZ)
        for (int i = 0; i < count; ++i) {
            keys[i].value = -keys[i].value;
            keys[i].inSlope = -keys[i].inSlope;
            keys[i].outSlope = -keys[i].outSlope;
        }

    AnimationChannel& target = channels[channel];
    target.keys = std::move(keys);
    target.keyCount = count;
    target.cursor = 0;
    if (count > 0) noteKeyTimes(target.keys[0].time, target.keys[count - 1].time);
    return true;
}

void Animation::noteKeyTimes(int32_t first, int32_t last) {
    if (last > lastKeyTime) lastKeyTime = last;
    if (firstKeyTime == -1 || first < firstKeyTime) firstKeyTime = first;
}

void Animation::computeSlopes() {
    for (int32_t i = 0; i < posKeyCount; ++i) {
        PositionKey& k = posKeys[i];
        k.slope = Vec3();
        if (i == 0 || i == posKeyCount - 1) continue;
        const PositionKey &a = posKeys[i - 1], &b = posKeys[i + 1];
        const int64_t dt = static_cast<int64_t>(b.time) - a.time;
        if (dt != 0) k.slope = (b.position - a.position) * (1.0f / static_cast<float>(dt));
    }
    for (int32_t i = 0; i < rotKeyCount; ++i) {
        RotationKey& k = rotKeys[i];
        k.slope = Quaternion(0.0f, 0.0f, 0.0f, 0.0f);
        if (i == 0 || i == rotKeyCount - 1) continue;
        const RotationKey &a = rotKeys[i - 1], &b = rotKeys[i + 1];
        const int64_t dt = static_cast<int64_t>(b.time) - a.time;
        if (dt == 0) continue;
        const float inv = 1.0f / static_cast<float>(dt);
        k.slope = Quaternion((b.rotation.w - a.rotation.w) * inv, (b.rotation.x - a.rotation.x) * inv,
                             (b.rotation.y - a.rotation.y) * inv, (b.rotation.z - a.rotation.z) * inv);
    }
}

float Animation::sampleChannel(AnimationChannel& channel) const {
    const int32_t n = channel.keyCount;
    if (n <= 0) return 0.0f;
    const ChannelKey* keys = channel.keys.get();
    if (channel.cursor == 0 && time <= keys[0].time) return keys[0].value;
    if (channel.cursor < 0 || channel.cursor >= n || time < keys[channel.cursor].time) {
        channel.cursor = 0;
        // Before the channel's first key there is nothing to interpolate towards.
        if (time <= keys[0].time) return keys[0].value;
    }
    while (channel.cursor + 1 < n && keys[channel.cursor + 1].time <= time) ++channel.cursor;
    if (channel.cursor >= n - 1) return keys[n - 1].value;
    const ChannelKey &a = keys[channel.cursor], &b = keys[channel.cursor + 1];
    const float duration = segmentDuration(a.time, b.time);
    const float s = segmentFraction(time, a.time, duration);
    return hermite(a.value, b.value, a.outSlope * duration, b.inSlope * duration, s);
}

Vec3 Animation::samplePosition() {
    const int32_t n = posKeyCount;
    const PositionKey* keys = posKeys.get();
    if (time <= keys[0].time) return keys[0].position;
    if (time >= keys[n - 1].time) return keys[n - 1].position;
    // The cursor normally only moves forward; a play position set before its segment starts
    // the search again from the first segment instead of extrapolating.
    if (posCursor < 0 || posCursor >= n || time < keys[posCursor].time) posCursor = 0;
    while (posCursor + 1 < n && keys[posCursor + 1].time <= time) ++posCursor;
    if (posCursor >= n - 1) {
        debugPrintf("WARNING: Animation::PosKeys appear to have out-of-order time values.");
        return keys[n - 1].position;
    }
    const PositionKey &a = keys[posCursor], &b = keys[posCursor + 1];
    const float d = segmentDuration(a.time, b.time);
    const float s = segmentFraction(time, a.time, d);
    return Vec3(hermite(a.position.x, b.position.x, a.slope.x * d, b.slope.x * d, s),
                hermite(a.position.y, b.position.y, a.slope.y * d, b.slope.y * d, s),
                hermite(a.position.z, b.position.z, a.slope.z * d, b.slope.z * d, s));
}

Quaternion Animation::sampleRotation() {
    const int32_t n = rotKeyCount;
    const RotationKey* keys = rotKeys.get();
    if (time <= keys[0].time) return keys[0].rotation;
    if (time >= keys[n - 1].time) return keys[n - 1].rotation;
    if (rotCursor < 0 || rotCursor >= n || time < keys[rotCursor].time) rotCursor = 0;
    while (rotCursor + 1 < n && keys[rotCursor + 1].time <= time) ++rotCursor;
    if (rotCursor >= n - 1) {
        debugPrintf("WARNING: Animation::RotKeys appear to have out-of-order time values.");
        return keys[n - 1].rotation;
    }
    const RotationKey &a = keys[rotCursor], &b = keys[rotCursor + 1];
    const float d = segmentDuration(a.time, b.time);
    const float s = segmentFraction(time, a.time, d);
    Quaternion q(hermite(a.rotation.w, b.rotation.w, a.slope.w * d, b.slope.w * d, s),
                 hermite(a.rotation.x, b.rotation.x, a.slope.x * d, b.slope.x * d, s),
                 hermite(a.rotation.y, b.rotation.y, a.slope.y * d, b.slope.y * d, s),
                 hermite(a.rotation.z, b.rotation.z, a.slope.z * d, b.slope.z * d, s));
    // Interpolating the components leaves the unit sphere; the matrix needs a unit quaternion.
    const float length = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
    if (length > 0.0f) q = Quaternion(q.w / length, q.x / length, q.y / length, q.z / length);
    return q;
}

void Animation::poseFromChannels(bool last) {
    float v[channelCount];
    for (int c = 0; c < channelCount; ++c) {
        const AnimationChannel& ch = channels[c];
        v[c] = ch.keyCount > 0 ? ch.keys[last ? ch.keyCount - 1 : 0].value : 0.0f;
    }
    pose.setPosition(v[TX], v[TY], v[TZ]);
    eulerToMatrix(&pose.matrix, v[RX], v[RY], v[RZ]);
}

void Animation::restart() {
    time = 0;
    delay = 0;
    posCursor = rotCursor = 0;
    for (AnimationChannel& ch : channels) ch.cursor = 0;
    if (perAxis) {
        poseFromChannels(false);
        return;
    }
    if (posKeyCount > 0) pose.setPosition(posKeys[0].position);
    if (rotKeyCount > 0) pose.setRotation(rotKeys[0].rotation);
}

bool Animation::advance(int32_t dt) {
    // Widened so that extreme positions or steps saturate instead of overflowing.
    int64_t t = time;
    if (delay < 1) {
        t += dt;
    } else {
        int64_t remaining = static_cast<int64_t>(delay) - dt;
        if (remaining < 0) {
            t += -remaining;
            remaining = 0;
        }
        delay = clampToInt32(remaining);
    }
    if (loopStart >= 0 && loopEnd > loopStart && t > loopEnd) {
        // As many whole loop lengths as bring the position back to the loop's end or before.
        const int64_t length = static_cast<int64_t>(loopEnd) - loopStart;
        t -= (t - loopEnd + length - 1) / length * length;
        posCursor = rotCursor = 0;
        for (AnimationChannel& ch : channels) ch.cursor = 0;
    }
    time = clampToInt32(t);

    if (perAxis) {
        bool ended = false;
        if (time <= firstKeyTime) {
            poseFromChannels(false);
        } else if (time >= lastKeyTime) {
            poseFromChannels(true);
            ended = true;
        } else {
            float v[channelCount];
            for (int c = 0; c < channelCount; ++c) v[c] = sampleChannel(channels[c]);
            pose.setPosition(v[TX], v[TY], v[TZ]);
            eulerToMatrix(&pose.matrix, v[RX], v[RY], v[RZ]);
        }
        return ended;
    }

    const bool posEnded = posKeyCount <= 0 || time >= posKeys[posKeyCount - 1].time;
    const bool rotEnded = rotKeyCount <= 0 || time >= rotKeys[rotKeyCount - 1].time;
    const bool ended = posEnded && rotEnded;
    if (posKeyCount > 0) pose.setPosition(ended ? posKeys[posKeyCount - 1].position : samplePosition());
    if (rotKeyCount > 0) pose.setRotation(ended ? rotKeys[rotKeyCount - 1].rotation : sampleRotation());
    return ended;
}

void Animation::setTime(int32_t playPosition) {
    time = playPosition;
    advance(0);
}

bool Animation::allocateKeys(int32_t positionKeyCount, int32_t rotationKeyCount) {
    if (!validCount(positionKeyCount) || !validCount(rotationKeyCount)) return false;
    std::unique_ptr<PositionKey[]> p = allocateZeroed<PositionKey>(positionKeyCount);
    std::unique_ptr<RotationKey[]> r = allocateZeroed<RotationKey>(rotationKeyCount);
    if ((positionKeyCount > 0 && !p) || (rotationKeyCount > 0 && !r)) return false;
    posKeys = std::move(p);
    rotKeys = std::move(r);
    posKeyCount = positionKeyCount;
    rotKeyCount = rotationKeyCount;
    posCursor = rotCursor = 0;
    return true;
}

void Animation::setPosKey(int32_t index, int32_t keyTime, float x, float y, float z) {
    if (index < 0 || index >= posKeyCount) {
        debugPrintf("Warning: id out of range in setPosKey()\n");
        return;
    }
    posKeys[index].time = keyTime;
    posKeys[index].position = Vec3(x, y, z);
    posKeys[index].slope = Vec3();
}

void Animation::setRotKey(int32_t index, int32_t keyTime, float w, float x, float y, float z) {
    if (index < 0 || index >= rotKeyCount) {
        debugPrintf("Warning: id out of range in setRotKey()\n");
        return;
    }
    rotKeys[index].time = keyTime;
    rotKeys[index].rotation = Quaternion(w, x, y, z);
    rotKeys[index].slope = Quaternion(0.0f, 0.0f, 0.0f, 0.0f);
}
