// The clock's content as the saver reads it: the asset library in the build's data folder
// loads without a complaint through the real AssetLibrary, holds every key the clock looks
// up (for both hour settings) and nothing else, names files that exist, and its two
// animations move the pendulum and the escape wheel the way the clock relies on.
#include "assets/Animation.h"
#include "assets/AssetLibrary.h"
#include "assets/Material.h"
#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

namespace {

const char* const kMeshKeys[] = {
    "meshFrame",        "meshMinutes",     "meshHours",          "meshCounterDouble", "meshCounter",
    "meshCounterTriple", "meshUILogoZ",    "meshUILogoA",        "meshUILogoR",       "meshUILogoN",
    "meshDayGlobe",     "meshMoon",        "meshFancyGear",      "meshFancySecondary", "meshToothyGear",
    "meshSideDriver",   "meshSideGear",    "meshSideMini",       "meshExtraGearA",    "meshExtraGearB",
    "meshPendulum",     "meshBackdrop",    "meshBackdropFar"};
const char* const kMaterialKeys[] = {"matFrame",        "matHands",      "matCounter12",     "matCounter24",
                                     "matCounter",      "matCounterDay", "matCounterMonth",  "matCounter31",
                                     "matUILogoLetters", "matMoonWorld", "matBackdropNear",  "matBackdropFar"};

// Runs in a fresh folder that sees the build's data folder as ./data, the way the saver
// sees its install directory.
class ContentLibraryTest : public testing::Test {
protected:
    void SetUp() override {
#ifndef ZARN_CONTENT_GENERATED
        GTEST_SKIP() << "this build does not generate the clock's content";
#endif
        std::filesystem::create_directory_symlink(std::string(ZARN_BINARY_DIR) + "/data", "data");
        testing::internal::CaptureStderr();
        loaded = library.load("data/assetLibrary.txt");
        loadMessages = testing::internal::GetCapturedStderr();
    }

    TempDir dir;
    AssetLibrary library;
    bool loaded = false;
    std::string loadMessages;
};

TEST_F(ContentLibraryTest, LoadsEveryBlockAndFileWithoutAMessage) {
    EXPECT_TRUE(loaded);
    EXPECT_EQ(loadMessages, "");
    EXPECT_EQ(library.meshCount, 23);
    EXPECT_EQ(library.animationCount, 2);
    for (int i = 0; i < library.meshCount; ++i) {
        const Mesh& m = library.meshes[i];
        EXPECT_TRUE(m.faces.count > 0 || m.primGroupCount > 0 || !m.deferredXFile.empty()) << m.getName();
    }
    for (int i = 0; i < library.textureCount; ++i) {
        const Texture& t = library.textures[i];
        ASSERT_NE(t.getFileName(), nullptr);
        EXPECT_TRUE(std::filesystem::is_regular_file(t.getFileName())) << t.getFileName();
        EXPECT_EQ(t.cubemap, std::string(t.getFileName()).ends_with(".dds")) << t.getFileName();
    }
}

TEST_F(ContentLibraryTest, HoldsEverySceneKeyAndNothingUnused) {
    testing::internal::CaptureStderr();
    for (const char* key : kMeshKeys) EXPECT_NE(library.findMesh(key), nullptr) << key;
    for (const char* key : kMaterialKeys) EXPECT_NE(library.findMaterial(key), nullptr) << key;
    EXPECT_NE(library.findAnimation("animPendulum"), nullptr);
    EXPECT_NE(library.findAnimation("animGearTick"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // Textures count as used once a material refers to them.
    testing::internal::CaptureStderr();
    library.reportUnused();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unused global assets:\n");
}

TEST_F(ContentLibraryTest, MaterialsHaveTheTexturesTheirEffectsNeed) {
    for (int i = 0; i < library.materialCount; ++i) {
        const Material& m = library.materials[i];
        EXPECT_NE(m.baseTexture, nullptr) << m.getName();
        if (m.effectKind != 0) {
            EXPECT_NE(m.bumpTexture, nullptr) << m.getName();
        }
        if (m.effectKind == 2) {
            ASSERT_NE(m.cubemapTexture, nullptr) << m.getName();
            EXPECT_TRUE(m.cubemapTexture->cubemap) << m.getName();
        }
        if (m.bumpTexture) {
            EXPECT_TRUE(std::string(m.bumpTexture->getFileName()).ends_with("Normal.png")) << m.getName();
        }
    }
}

float angleAboutZ(const Transform& pose) { return std::atan2(pose.matrix._12, pose.matrix._11); }
constexpr float kDegree = 3.14159265f / 180;

TEST_F(ContentLibraryTest, PendulumSwingsOncePerSecondOfPlayAboutItsPivot) {
    Animation* a = library.findAnimation("animPendulum");
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->perAxis);
    a->setTime(150);
    const float left = angleAboutZ(a->pose);
    EXPECT_NEAR(std::fabs(left), 6 * kDegree, 0.05 * kDegree);
    // The pivot is where the frame's suspension is, behind the counter plate.
    EXPECT_NEAR(a->pose.matrix._42, -1.62f, 1e-4);
    EXPECT_NEAR(a->pose.matrix._43, 0.30f, 1e-4);
    a->setTime(650);
    EXPECT_NEAR(angleAboutZ(a->pose), -left, 0.05 * kDegree);
    a->setTime(400);
    EXPECT_NEAR(angleAboutZ(a->pose), 0, 0.05 * kDegree);
    // The loop closes: the last key equals the first.
    a->setTime(0);
    const float start = angleAboutZ(a->pose);
    a->setTime(999);
    EXPECT_NEAR(angleAboutZ(a->pose), start, 0.1 * kDegree);
}

TEST_F(ContentLibraryTest, EscapeWheelTicksThreeDegreesEachHalfSecondWithASmallOvershoot) {
    Animation* a = library.findAnimation("animGearTick");
    ASSERT_NE(a, nullptr);
    EXPECT_FALSE(a->perAxis);
    // Key mode only moves forwards; sample in order as the clock does within one cycle.
    a->restart();
    float previousRest = 0;
    float largestOvershoot = 0;
    for (int tick = 0; tick < 120; ++tick) {
        const int start = 300 + 500 * tick;
        a->setTime(start - 100);
        const float before = angleAboutZ(a->pose);
        EXPECT_NEAR(before, previousRest, 0.3f * kDegree) << "tick " << tick;
        a->setTime(start + 45);
        const float swing = std::remainder(angleAboutZ(a->pose) - before, 2 * 3.14159265f);
        largestOvershoot = std::max(largestOvershoot, swing - 3 * kDegree);
        a->setTime(start + 300);
        const float rest = angleAboutZ(a->pose);
        EXPECT_NEAR(std::remainder(rest - before, 2 * 3.14159265f), 3 * kDegree, 0.05f * kDegree) << "tick " << tick;
        previousRest = rest;
    }
    EXPECT_GT(largestOvershoot, 0.2f * kDegree);
    EXPECT_LT(largestOvershoot, 1.5f * kDegree);
    // A whole turn per cycle, so the wrap from 60000 back to 0 does not jump.
    a->setTime(60000);
    EXPECT_NEAR(std::remainder(angleAboutZ(a->pose), 2 * 3.14159265f), 0, 1e-3);
}

}  // namespace
