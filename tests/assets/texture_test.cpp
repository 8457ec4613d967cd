// TEXTURE blocks and image loading: the block's keywords, comments and ends, what a malformed
// block makes the reader answer, and the Direct3D texture's life on a recording device.
#include "assets/Texture.h"
#include "support/TempDir.h"

#include <ZarnRecordingDevice.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

class TextureBlockTest : public testing::Test {
protected:
    // Reads one block from `text`; `rest` receives the next token after the block, if any.
    bool read(const std::string& text, std::string* rest = nullptr) {
        dir.write("block.txt", text);
        FILE* file = std::fopen("block.txt", "r");
        EXPECT_NE(file, nullptr);
        testing::internal::CaptureStderr();
        const bool ok = texture.readBlock(file);
        messages = testing::internal::GetCapturedStderr();
        char next[64] = "";
        if (rest && std::fscanf(file, "%63s", next) == 1) *rest = next;
        std::fclose(file);
        return ok;
    }

    TempDir dir;
    Texture texture;
    std::string messages;
};

// A 2 x 1, 24-bit BMP: the smallest image every image loader reads.
std::string tinyBmp() {
    const unsigned char bytes[] = {
        'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,            // file header
        40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0,          // info header: 2 x 1, 24 bits
        0, 0, 0, 0, 8, 0, 0, 0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0,
        0, 0, 255, 0, 255, 0, 0, 0};                              // red, green, row padding
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// A recording device released however the test ends.
struct RecordingDevice {
    RecordingDevice() {
        D3DPRESENT_PARAMETERS params = {};
        D3DCAPS9 caps = {};
        device = new ZarnRecordingDevice(nullptr, params, caps, nullptr);
    }
    ~RecordingDevice() { device->Release(); }
    ZarnRecordingDevice* device;
};

}  // namespace

TEST_F(TextureBlockTest, KeywordsAndTheClosingBrace) {
    std::string rest;
    ASSERT_TRUE(read("TEXTURE {\n  NAME texGlobe\n  LOCALIZED\n  TXFILE old.png\n  TXFILE media/globe.png\n}\nNEXT",
                     &rest));
    EXPECT_STREQ(texture.getName(), "texGlobe");
    EXPECT_TRUE(texture.localized);
    EXPECT_FALSE(texture.cubemap);
    EXPECT_STREQ(texture.getFileName(), "media/globe.png");
    EXPECT_EQ(rest, "NEXT");
    EXPECT_EQ(messages, "");
}

TEST_F(TextureBlockTest, CubemapBeforeOrAfterTheFile) {
    ASSERT_TRUE(read("TEXTURE { CUBEMAP TXFILE sky.dds }"));
    EXPECT_TRUE(texture.cubemap);
    Texture after;
    dir.write("after.txt", "TEXTURE { TXFILE sky.dds CUBEMAP }");
    FILE* file = std::fopen("after.txt", "r");
    ASSERT_TRUE(after.readBlock(file));
    std::fclose(file);
    EXPECT_TRUE(after.cubemap);
    EXPECT_STREQ(after.getFileName(), "sky.dds");
}

TEST_F(TextureBlockTest, CommentsRunToTheEndOfTheLine) {
    std::string rest;
    ASSERT_TRUE(read("TEXTURE {\n # TXFILE wrong.png\n #NAME wrong\n NAME right # }\n}\nNEXT", &rest));
    EXPECT_STREQ(texture.getName(), "right");
    EXPECT_EQ(texture.getFileName(), nullptr);
    EXPECT_EQ(rest, "NEXT");
}

TEST_F(TextureBlockTest, EndOfFileEndsTheBlock) {
    EXPECT_TRUE(read("TEXTURE { TXFILE a.png"));
    EXPECT_STREQ(texture.getFileName(), "a.png");
    Texture second;
    dir.write("comment.txt", "TEXTURE { NAME texA # a comment to the end");
    FILE* file = std::fopen("comment.txt", "r");
    EXPECT_TRUE(second.readBlock(file));
    std::fclose(file);
    EXPECT_STREQ(second.getName(), "texA");
}

TEST_F(TextureBlockTest, MalformedBlocksAreRefused) {
    EXPECT_FALSE(read("TEXTURE"));
    EXPECT_FALSE(read("MATERIAL {"));
    EXPECT_FALSE(read("TEXTURE{ }"));
    EXPECT_EQ(messages, "");
    EXPECT_FALSE(read("TEXTURE { Name texA }"));
    EXPECT_EQ(messages, "Unrecognized texture property, Name");
}

TEST_F(TextureBlockTest, TokensLongerThan255AreRefused) {
    ASSERT_TRUE(read("TEXTURE { TXFILE " + std::string(255, 'f') + " }"));
    EXPECT_EQ(std::string(texture.getFileName()).size(), 255u);
    EXPECT_FALSE(read("TEXTURE { NAME " + std::string(256, 'n') + " }"));
    EXPECT_NE(messages.find("longer than 255 characters"), std::string::npos) << messages;
}

TEST_F(TextureBlockTest, LoadingNeedsAFileAndReportsAFailure) {
    RecordingDevice recording;
    ZarnRecordingDevice* device = recording.device;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(texture.createDeviceObjects(device));  // no TXFILE: silently nothing
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    ASSERT_TRUE(read("TEXTURE { TXFILE missing.png }"));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(texture.createDeviceObjects(device));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Could not load texture file missing.png\n");
    EXPECT_EQ(texture.texture, nullptr);

    Texture cube;
    dir.write("cube.txt", "TEXTURE { CUBEMAP TXFILE missing.dds }");
    FILE* file = std::fopen("cube.txt", "r");
    ASSERT_TRUE(cube.readBlock(file));
    std::fclose(file);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(cube.createDeviceObjects(device));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Could not load cube map file missing.dds\n");
    EXPECT_EQ(cube.texture, nullptr);
}

TEST_F(TextureBlockTest, LoadedImageIsReleasedOnce) {
    dir.write("tiny.bmp", tinyBmp());
    ASSERT_TRUE(read("TEXTURE { TXFILE tiny.bmp }"));
    RecordingDevice recording;
    ZarnRecordingDevice* device = recording.device;
    const int liveBefore = ZarnRecordingLiveObjects();
    ASSERT_TRUE(texture.createDeviceObjects(device));
    ASSERT_NE(texture.texture, nullptr);
    const int liveLoaded = ZarnRecordingLiveObjects();
    EXPECT_GT(liveLoaded, liveBefore);
    // Loading again replaces the image rather than leaking the first one.
    ASSERT_TRUE(texture.createDeviceObjects(device));
    EXPECT_EQ(ZarnRecordingLiveObjects(), liveLoaded);
    texture.releaseDeviceObjects();
    EXPECT_EQ(texture.texture, nullptr);
    texture.releaseDeviceObjects();  // nothing left to release
    EXPECT_EQ(ZarnRecordingLiveObjects(), liveBefore);
}
