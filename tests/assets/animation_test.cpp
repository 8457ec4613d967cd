// ANIMATION blocks in both forms: key conversion from the exporting tool, slopes and Hermite
// sampling, delay, loop and block time, cursors when the play position jumps back, and the
// malformed blocks that must be refused rather than read past their arrays.
#include "assets/Animation.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

class AnimationTest : public testing::Test {
protected:
    // `text` is the block after the keyword ANIMATION, starting with its "{".
    bool read(Animation& animation, const std::string& text) {
        dir.write("block.txt", text);
        FILE* file = std::fopen("block.txt", "r");
        EXPECT_NE(file, nullptr);
        testing::internal::CaptureStderr();
        const bool ok = animation.readBlock(file);
        messages = testing::internal::GetCapturedStderr();
        std::fclose(file);
        return ok;
    }

    TempDir dir;
    Animation animation;
    std::string messages;
};

// Three position keys 0 -> 10 -> 40 over two seconds, rotations about z by 0, 90 and 180
// degrees, so the middle keys get non-zero slopes.
const char kKeyed[] =
    "{ NAME animKeyed NUMKEYS 3 3\n"
    "  POSKEY 0 0 0 0  POSKEY 1000 10 0 0  POSKEY 2000 40 0 0\n"
    "  ROTKEY 0 1 0 0 0  ROTKEY 1000 0.70710678 0 0 0.70710678  ROTKEY 2000 0 0 0 1\n"
    "}";

// TX rises 0 -> 10 -> 20 over frames 0, 30, 60 with flat tangents; TY holds 5 from frame 30
// to frame 45 only.
const char kChannels[] =
    "{ TX 3 { 0 0 0 0  30 10 0 0  60 20 0 0 }\n"
    "  TY 2 { 30 5 0 0  45 5 0 0 } }";

}  // namespace

TEST_F(AnimationTest, ChannelKeysConvertFramesTangentsAndDegrees) {
    ASSERT_TRUE(read(animation,
                     "{ TX 3 { 1 1 45 -45  2 0 0 0  30 0 0 0 }\n"
                     "  RX 1 { 0 90 45 0 }\n"
                     "  TZ 1 { 0 3 45 0 }  RZ 1 { 0 90 0 0 } }"));
    EXPECT_TRUE(animation.perAxis);
    const AnimationChannel& tx = animation.channels[Animation::TX];
    ASSERT_EQ(tx.keyCount, 3);
    EXPECT_EQ(tx.keys[0].time, 33);
    EXPECT_EQ(tx.keys[1].time, 66);
    EXPECT_EQ(tx.keys[2].time, 1000);
    EXPECT_NEAR(tx.keys[0].inSlope, 0.03f, 1e-6f);
    EXPECT_NEAR(tx.keys[0].outSlope, -0.03f, 1e-6f);
    EXPECT_FLOAT_EQ(tx.keys[0].value, 1.0f);

    const ChannelKey& rx = animation.channels[Animation::RX].keys[0];
    EXPECT_NEAR(rx.value, 1.5707963f, 1e-6f);
    EXPECT_NEAR(rx.inSlope, 0.03f * 0.017453292f, 1e-7f);
    // The depth axis is flipped, slopes included.
    const ChannelKey& tz = animation.channels[Animation::TZ].keys[0];
    EXPECT_FLOAT_EQ(tz.value, -3.0f);
    EXPECT_NEAR(tz.inSlope, -0.03f, 1e-6f);
    EXPECT_NEAR(animation.channels[Animation::RZ].keys[0].value, -1.5707963f, 1e-6f);

    EXPECT_EQ(animation.firstKeyTime, 0);
    EXPECT_EQ(animation.lastKeyTime, 1000);
    EXPECT_EQ(animation.blockTime, 1000);
}

TEST_F(AnimationTest, KeyModeSlopesAndHermiteSampling) {
    ASSERT_TRUE(read(animation, kKeyed));
    EXPECT_STREQ(animation.getName(), "animKeyed");
    EXPECT_FLOAT_EQ(animation.posKeys[0].slope.x, 0.0f);
    EXPECT_FLOAT_EQ(animation.posKeys[1].slope.x, 0.02f);  // (40 - 0) / 2000
    EXPECT_FLOAT_EQ(animation.posKeys[2].slope.x, 0.0f);

    // Between 0 and 10 with slopes 0 and 0.02 per ms (20 over the segment), halfway: 2.5.
    EXPECT_FALSE(animation.advance(500));
    EXPECT_NEAR(animation.pose.position.x, 2.5f, 1e-5f);
    EXPECT_NEAR(animation.pose.matrix._41, 2.5f, 1e-5f);

    // An interpolated rotation is a unit quaternion, and the matrix follows it.
    const Quaternion& q = animation.pose.rotation;
    EXPECT_NEAR(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z, 1.0f, 1e-5f);
    EXPECT_GT(q.z, 0.0f);
    D3DXMATRIX expected;
    q.toMatrix(&expected);
    EXPECT_NEAR(animation.pose.matrix._12, expected._12, 1e-6f);

    EXPECT_FALSE(animation.advance(1000));
    // 10 -> 40 with slopes 20 and 0 over the segment: 10 - 5 + 12.5 + 10.
    EXPECT_NEAR(animation.pose.position.x, 27.5f, 1e-4f);

    EXPECT_TRUE(animation.advance(500));
    EXPECT_FLOAT_EQ(animation.pose.position.x, 40.0f);
    EXPECT_FLOAT_EQ(animation.pose.rotation.z, 1.0f);
}

TEST_F(AnimationTest, KeyModeJumpingBackSamplesFromTheStart) {
    ASSERT_TRUE(read(animation, kKeyed));
    animation.setTime(1500);
    EXPECT_EQ(animation.posCursor, 1);
    animation.setTime(500);
    EXPECT_NEAR(animation.pose.position.x, 2.5f, 1e-5f);
}

TEST_F(AnimationTest, RotationStraightFromAKeyIsUsedAsWritten) {
    ASSERT_TRUE(read(animation, "{ NUMKEYS 1 2 POSKEY 0 1 2 3 ROTKEY 0 2 0 0 0 ROTKEY 100 0 0 0 2 }"));
    animation.setTime(0);
    EXPECT_FLOAT_EQ(animation.pose.rotation.w, 2.0f);
    EXPECT_FLOAT_EQ(animation.pose.position.z, 3.0f);
    animation.setTime(50);
    const Quaternion& q = animation.pose.rotation;
    EXPECT_NEAR(std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z), 1.0f, 1e-5f);
}

TEST_F(AnimationTest, DelayIsUsedUpBeforeThePlayPositionMoves) {
    ASSERT_TRUE(read(animation, kKeyed));
    animation.setDelay(30);
    animation.advance(10);
    EXPECT_EQ(animation.time, 0);
    EXPECT_EQ(animation.delay, 20);
    animation.setDelay(30);
    animation.advance(50);
    EXPECT_EQ(animation.time, 20);
    EXPECT_EQ(animation.delay, 0);
    animation.advance(50);
    EXPECT_EQ(animation.time, 70);
}

TEST_F(AnimationTest, LoopWrapsThePlayPositionAndRestartsTheCursors) {
    ASSERT_TRUE(read(animation, "{ LOOP 0 1000 NUMKEYS 3 2 POSKEY 0 0 0 0 POSKEY 800 1 0 0 POSKEY 3000 2 0 0\n"
                                " ROTKEY 0 1 0 0 0 ROTKEY 3000 1 0 0 0 }"));
    animation.advance(900);
    EXPECT_EQ(animation.posCursor, 1);
    animation.advance(1600);
    EXPECT_EQ(animation.time, 500);
    EXPECT_EQ(animation.posCursor, 0);

    // However far the position runs, it comes back in one step.
    animation.setTime(INT_MAX - 5);
    animation.advance(INT_MAX);
    EXPECT_GE(animation.time, 0);
    EXPECT_LE(animation.time, 1000);
}

TEST_F(AnimationTest, BlockTimeDefaultsToAndIsCappedByTheLastKey) {
    ASSERT_TRUE(read(animation, kKeyed));
    EXPECT_EQ(animation.blockTime, 2000);
    animation.setTime(2000);
    EXPECT_TRUE(animation.isPlaying());
    animation.setTime(2001);
    EXPECT_FALSE(animation.isPlaying());

    Animation capped;
    ASSERT_TRUE(read(capped, "{ BLOCKTIME 5000 NUMKEYS 1 1 POSKEY 700 0 0 0 ROTKEY 0 1 0 0 0 }"));
    EXPECT_EQ(capped.blockTime, 700);
    Animation shorter;
    ASSERT_TRUE(read(shorter, "{ BLOCKTIME 300 NUMKEYS 1 1 POSKEY 700 0 0 0 ROTKEY 0 1 0 0 0 }"));
    EXPECT_EQ(shorter.blockTime, 300);
}

TEST_F(AnimationTest, ChannelModeSamplesEachChannelAndResamplesEarlierTimes) {
    ASSERT_TRUE(read(animation, kChannels));
    // Flat tangents: halfway through a segment is halfway between its values.
    EXPECT_FALSE(animation.advance(500));
    EXPECT_NEAR(animation.pose.position.x, 5.0f, 1e-5f);
    EXPECT_FLOAT_EQ(animation.pose.position.y, 5.0f);  // before TY's first key

    // Three quarters through 10 -> 20 with flat ends: 10 + 10 (3 s^2 - 2 s^3).
    animation.setTime(1750);
    EXPECT_NEAR(animation.pose.position.x, 18.4375f, 1e-4f);
    EXPECT_FLOAT_EQ(animation.pose.position.y, 5.0f);  // TY ended at 1500 and holds its value
    EXPECT_EQ(animation.channels[Animation::TX].cursor, 1);

    // Back to an earlier segment: the cursor restarts rather than extrapolating.
    animation.setTime(500);
    EXPECT_NEAR(animation.pose.position.x, 5.0f, 1e-5f);
    EXPECT_EQ(animation.channels[Animation::TX].cursor, 0);

    // The end is the last key of any channel.
    EXPECT_TRUE(animation.advance(1500));
    EXPECT_FLOAT_EQ(animation.pose.position.x, 20.0f);
}

TEST_F(AnimationTest, ChannelBeforeItsFirstKeyHoldsThatKeyAfterAJumpBack) {
    ASSERT_TRUE(read(animation, "{ TX 2 { 0 0 0 0 60 1 0 0 }  TY 3 { 30 5 0 0 45 7 0 0 60 9 0 0 } }"));
    animation.setTime(1800);
    EXPECT_EQ(animation.channels[Animation::TY].cursor, 1);
    animation.setTime(200);
    EXPECT_FLOAT_EQ(animation.pose.position.y, 5.0f);
}

TEST_F(AnimationTest, ChannelRotationsFeedTheMatrixAndKeepTheTranslation) {
    ASSERT_TRUE(read(animation, "{ TX 1 { 0 4 0 0 }  RZ 1 { 0 -90 0 0 } }"));
    animation.restart();
    EXPECT_FLOAT_EQ(animation.pose.matrix._41, 4.0f);
    // -90 degrees in the file is +pi/2 after the depth flip: eulerToMatrix(0, 0, pi/2).
    EXPECT_NEAR(animation.pose.matrix._11, 0.0f, 1e-6f);
    EXPECT_NEAR(animation.pose.matrix._21, 1.0f, 1e-6f);
}

TEST_F(AnimationTest, RestartReturnsToTheFirstKeys) {
    ASSERT_TRUE(read(animation, kKeyed));
    animation.setDelay(100);
    animation.advance(2500);
    animation.restart();
    EXPECT_EQ(animation.time, 0);
    EXPECT_EQ(animation.delay, 0);
    EXPECT_EQ(animation.posCursor, 0);
    EXPECT_FLOAT_EQ(animation.pose.position.x, 0.0f);
    EXPECT_FLOAT_EQ(animation.pose.rotation.w, 1.0f);
}

TEST_F(AnimationTest, KeysBuiltInCode) {
    EXPECT_TRUE(animation.allocateKeys(2, 1));
    testing::internal::CaptureStderr();
    animation.setPosKey(2, 0, 1, 1, 1);
    animation.setPosKey(-1, 0, 1, 1, 1);
    animation.setRotKey(1, 0, 1, 0, 0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Warning: id out of range in setPosKey()\n"
              "Warning: id out of range in setPosKey()\n"
              "Warning: id out of range in setRotKey()\n");
    animation.setPosKey(0, 0, 0, 0, 0);
    animation.setPosKey(1, 100, 10, 0, 0);
    animation.setRotKey(0, 0, 1, 0, 0, 0);
    EXPECT_FALSE(animation.advance(50));
    EXPECT_NEAR(animation.pose.position.x, 5.0f, 1e-5f);
    EXPECT_FALSE(animation.allocateKeys(-1, 1));
    EXPECT_FALSE(animation.allocateKeys(1, 2000000000));
}

struct MalformedBlock {
    const char* text;
    const char* message;  // a substring of what is printed; "" for none
};

class AnimationMalformedTest : public AnimationTest, public testing::WithParamInterface<MalformedBlock> {};

TEST_P(AnimationMalformedTest, IsRefused) {
    EXPECT_FALSE(read(animation, GetParam().text));
    EXPECT_NE(messages.find(GetParam().message), std::string::npos) << messages;
    // Whatever was read, sampling stays inside the arrays.
    animation.advance(100);
    animation.restart();
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, AnimationMalformedTest,
    testing::Values(
        MalformedBlock{"{ POSKEY 0 0 0 0 NUMKEYS 1 1 ROTKEY 0 1 0 0 0 }", "POSKEY 1 has no place"},
        MalformedBlock{"{ NUMKEYS 1 1 POSKEY 0 0 0 0 POSKEY 5 0 0 0 ROTKEY 0 1 0 0 0 }", "POSKEY 2 has no place"},
        MalformedBlock{"{ NUMKEYS 1 1 POSKEY 0 0 0 0 ROTKEY 0 1 0 0 0 ROTKEY 9 1 0 0 0 }", "ROTKEY 2 has no place"},
        MalformedBlock{"{ NAME animEmpty }", "at least one POSKEY and one ROTKEY"},
        MalformedBlock{"{ NUMKEYS 0 1 ROTKEY 0 1 0 0 0 }", "at least one POSKEY and one ROTKEY"},
        MalformedBlock{"{ NUMKEYS 1 1 POSKEY 0 0 0 0 ROTKEY 0 1 0 0 0 LOOP 500 500 }", "LOOP 500 500"},
        MalformedBlock{"{ NUMKEYS 2000000000 1 }", "NUMKEYS 2000000000 1"},
        MalformedBlock{"{ NUMKEYS -1 1 }", "NUMKEYS -1 1"},
        MalformedBlock{"{ NUMKEYS 1 }", ""},
        MalformedBlock{"{ NUMKEYS 1 1 POSKEY 0 0 0 }", ""},
        MalformedBlock{"{ BLOCKTIME soon }", ""},
        MalformedBlock{"{ NAME", ""},
        MalformedBlock{"{ SPEED 2 }", "Unrecognized animation property, SPEED\n"},
        MalformedBlock{"{ RY 2 { 0 1 0 0 } }", "Error while loading RY keys in ANIMATION\n"},
        MalformedBlock{"{ TX 1 ( 0 1 0 0 } }", "Error while loading TX keys in ANIMATION\n"},
        MalformedBlock{"{ TZ 1 { 0 1 0 0 ) }", "Error while loading TZ keys in ANIMATION\n"},
        MalformedBlock{"{ RX 2000000000 { 0 1 0 0 } }", "2000000000 RX keys is out of range"},
        MalformedBlock{"{ TY 1 { 99999999 1 0 0 } }", "Error while loading TY keys in ANIMATION\n"},
        MalformedBlock{"{ NAME nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn"
                       "nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn"
                       "nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn }",
                       "longer than 255"}));
