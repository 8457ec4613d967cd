// The asset library file: section order and counts, MODEL attributes, the structural errors
// with their exact messages, damaged input (over-long tokens, absurd counts), lookups and the
// unused-asset report.
#include "assets/Animation.h"
#include "assets/AssetLibrary.h"
#include "assets/Material.h"
#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

const char kTriangleObj[] =
    "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
    "vt 0.25 0.5\nvt 1 0\nvt 0 1\n"
    "f 1/1 2/2 3/3\n";

// The sections after the models, for files that are about the models.
const char kNoTexturesOrMaterials[] = "TEXTURECOUNT 0\nMATERIALCOUNT 0\n";

class LibraryTest : public testing::Test {
protected:
    bool load(const std::string& text) {
        dir.write("assetLibrary.txt", text);
        testing::internal::CaptureStderr();
        const bool ok = library.load("assetLibrary.txt");
        messages = testing::internal::GetCapturedStderr();
        return ok;
    }

    std::string quiet(const std::function<void()>& f) {
        testing::internal::CaptureStderr();
        f();
        return testing::internal::GetCapturedStderr();
    }

    TempDir dir;
    AssetLibrary library;
    std::string messages;
};

}  // namespace

TEST_F(LibraryTest, ReadsEverySectionInOrder) {
    dir.write("tri.obj", kTriangleObj);
    ASSERT_TRUE(load(
        "MODELCOUNT 2\n"
        "MODEL { MESH tri.obj NAME meshA STATIC false }\n"
        "MODEL {\n NAME meshB\n}\n"
        "TEXTURECOUNT 1\n"
        "TEXTURE { TXFILE wood.png NAME texWood }\n"
        "MATERIALCOUNT 1\n"
        "MATERIAL { NAME matWood BASEID texWood }\n"
        "ANIMATIONCOUNT 1\n"
        "ANIMATION { NAME animSwing NUMKEYS 1 1 POSKEY 0 0 0 0 ROTKEY 0 1 0 0 0 }\n"
        "END\n"));
    EXPECT_EQ(messages, "");
    ASSERT_EQ(library.meshCount, 2);
    EXPECT_FALSE(library.meshes[0].isStatic);
    EXPECT_TRUE(library.meshes[1].isStatic);
    ASSERT_EQ(library.textureCount, 1);
    ASSERT_EQ(library.materialCount, 1);
    ASSERT_EQ(library.animationCount, 1);
    EXPECT_STREQ(library.textures[0].getFileName(), "wood.png");
    // Materials resolve their textures once the file is read.
    EXPECT_EQ(library.materials[0].baseTexture, &library.textures[0]);
    EXPECT_EQ(library.findMesh("meshB"), &library.meshes[1]);
    EXPECT_EQ(library.findAnimation("animSwing"), &library.animations[0]);
}

TEST_F(LibraryTest, ModelBlockAttributes) {
    dir.write("tri.obj", kTriangleObj);
    // '#' is not a comment here: its words are skipped one by one, and NAME among them acts.
    // A later NAME replaces an earlier one.
    ASSERT_TRUE(load(std::string("MODELCOUNT 3\n"
                                 "MODEL { NAME first # this is NAME meshHash not a comment }\n"
                                 "MODEL { MESH tri.obj TXTRANSFORM 2 0.5 -1 1 }\n"
                                 "MODEL { TXTRANSFORM 2 0.5 -1 1 MESH tri.obj }\n") +
                     kNoTexturesOrMaterials));
    EXPECT_STREQ(library.meshes[0].getName(), "meshHash");

    // The transform acts on the coordinates the mesh holds when it is read.
    ASSERT_GT(library.meshes[1].texCoords.count, 0);
    EXPECT_FLOAT_EQ(library.meshes[1].texCoords[0].x, 2 * 0.25f + 0.5f);
    EXPECT_FLOAT_EQ(library.meshes[1].texCoords[0].y, -0.5f + 1);
    ASSERT_GT(library.meshes[2].texCoords.count, 0);
    EXPECT_FLOAT_EQ(library.meshes[2].texCoords[0].x, 0.25f);
    EXPECT_FLOAT_EQ(library.meshes[2].texCoords[0].y, 0.5f);
}

TEST_F(LibraryTest, MeshLoaderIsChosenByACaseSensitiveEnding) {
    ASSERT_TRUE(load(std::string("MODELCOUNT 5\n"
                                 "MODEL { MESH frame.OBJ }\n"
                                 "MODEL { MESH .obj }\n"
                                 "MODEL { MESH missing.obj }\n"
                                 "MODEL { MESH missing.strip }\n"
                                 "MODEL { MESH .x NAME meshEmpty }\n") +
                     kNoTexturesOrMaterials));
    // The readers add their own detail lines; the library's lines come in this order.
    size_t at = 0;
    for (const char* line : {"Unexpected mesh file type, frame.OBJ\n", "Unexpected mesh file type, .obj\n",
                             "Error loading .obj file missing.obj\n", "Error loading .strip file missing.strip\n",
                             "Unexpected mesh file type, .x\n"}) {
        const size_t found = messages.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << " in\n" << messages;
        at = found + 1;
    }
    EXPECT_EQ(library.meshCount, 5);
}

TEST_F(LibraryTest, AnimationSectionIsOptional) {
    const std::string base = std::string("MODELCOUNT 0\n") + kNoTexturesOrMaterials;
    EXPECT_TRUE(load(base));
    EXPECT_EQ(library.animationCount, 0);
}

TEST_F(LibraryTest, AnythingButAnimationCountMeansNoAnimations) {
    EXPECT_TRUE(load(std::string("MODELCOUNT 0\n") + kNoTexturesOrMaterials + "ANIMATION { }\n"));
    EXPECT_EQ(library.animationCount, 0);
    EXPECT_EQ(library.animations, nullptr);
}

TEST_F(LibraryTest, ZeroAnimationsLoad) {
    EXPECT_TRUE(load(std::string("MODELCOUNT 0\n") + kNoTexturesOrMaterials + "ANIMATIONCOUNT 0\n"));
    EXPECT_EQ(library.animationCount, 0);
    EXPECT_EQ(messages, "");
}

struct StructuralError {
    const char* text;
    const char* message;
};

class LibraryErrorTest : public LibraryTest, public testing::WithParamInterface<StructuralError> {};

TEST_P(LibraryErrorTest, StopsWithItsMessage) {
    EXPECT_FALSE(load(GetParam().text));
    EXPECT_EQ(messages, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Sections, LibraryErrorTest,
    testing::Values(
        StructuralError{"", "Error loading puzzle file.  Expected 'MODELCOUNT'\n"},
        StructuralError{"MODELS 1", "Error loading puzzle file.  Expected 'MODELCOUNT'\n"},
        StructuralError{"MODELCOUNT x", "Error loading puzzle file.  Expected 'MODELCOUNT'\n"},
        StructuralError{"MODELCOUNT 1 MODEL[ }", "Error loading asset library.  Expected 'MODEL {'\n"},
        // A file that ends inside the last MODEL block ends the block; the textures are missing.
        StructuralError{"MODELCOUNT 1 MODEL { NAME meshA",
                        "Error loading asset library file.  Expected 'TEXTURECOUNT'\n"},
        // A surplus MODEL is taken for the texture count keyword.
        StructuralError{"MODELCOUNT 1 MODEL { } MODEL { } TEXTURECOUNT 0 MATERIALCOUNT 0",
                        "Error loading asset library file.  Expected 'TEXTURECOUNT'\n"},
        StructuralError{"MODELCOUNT 1 MODEL { MESH", "Error loading asset library.  Expected mesh filename"},
        StructuralError{"MODELCOUNT 1 MODEL { TXTRANSFORM 1 2 x 4 }", "Error reading TXTRANSFORM attribute.\n"},
        StructuralError{"MODELCOUNT 1 MODEL { NAME", "Error reading NAME attribute.\n"},
        StructuralError{"MODELCOUNT 1 MODEL { STATIC yes }", "Error reading STATUS attribute\n"},
        StructuralError{"MODELCOUNT 0 TEXTURECOUNT 1 TEXTURE { BOGUS }",
                        "Unrecognized texture property, BOGUSError reading texture.\n"},
        StructuralError{"MODELCOUNT 0 TEXTURECOUNT 1", "Error reading texture.\n"},
        StructuralError{"MODELCOUNT 0 TEXTURECOUNT 0 MATERIALS 0",
                        "Error loading asset library file.  Expected 'MATERIALCOUNT'\n"},
        StructuralError{"MODELCOUNT 0 TEXTURECOUNT 0 MATERIALCOUNT 1 MATERIAL[ }", "Error reading material.\n"},
        StructuralError{"MODELCOUNT 0 TEXTURECOUNT 0 MATERIALCOUNT 0 ANIMATIONCOUNT many",
                        "Error loading asset library while reading 'ANIMATIONCOUNT'\n"},
        StructuralError{"MODELCOUNT 0 TEXTURECOUNT 0 MATERIALCOUNT 0 ANIMATIONCOUNT 1 ANIM { }",
                        "Error loading asset library while reading ANIMATION\n"}));

TEST_F(LibraryTest, MissingFileIsReported) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(library.load("no/such/assetLibrary.txt"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error opening file no/such/assetLibrary.txt\n");
}

TEST_F(LibraryTest, WhatWasReadBeforeAnErrorStaysButTexturesAreNotResolved) {
    EXPECT_FALSE(load("MODELCOUNT 1 MODEL { NAME meshA } TEXTURECOUNT 1 TEXTURE { NAME texA }\n"
                      "MATERIALCOUNT 2 MATERIAL { NAME matA BASEID 0 }\n"));
    EXPECT_EQ(library.meshCount, 1);
    EXPECT_EQ(library.textureCount, 1);
    ASSERT_EQ(library.materialCount, 2);
    EXPECT_STREQ(library.materials[0].baseId, "0");
    EXPECT_EQ(library.materials[0].baseTexture, nullptr);
    EXPECT_FALSE(library.textures[0].used);
}

TEST_F(LibraryTest, AbsurdCountsAreRefusedWithoutAllocating) {
    EXPECT_FALSE(load("MODELCOUNT 2000000000\nMODEL { }\n"));
    EXPECT_NE(messages.find("MODELCOUNT 2000000000"), std::string::npos) << messages;
    EXPECT_EQ(library.meshCount, 0);
    EXPECT_EQ(library.meshes, nullptr);
}

TEST_F(LibraryTest, CountsBeyondThirtyTwoBitsSaturateAndAreRefused) {
    EXPECT_FALSE(load("MODELCOUNT 0 TEXTURECOUNT 99999999999999999999 TEXTURE { }"));
    EXPECT_EQ(library.textureCount, 0);
    EXPECT_NE(messages.find("TEXTURECOUNT 2147483647"), std::string::npos) << messages;
}

TEST_F(LibraryTest, NegativeCountsMakeEmptySections) {
    EXPECT_TRUE(load("MODELCOUNT -3 TEXTURECOUNT 0 MATERIALCOUNT -1 ANIMATIONCOUNT -2"));
    EXPECT_EQ(library.meshes, nullptr);
    EXPECT_EQ(library.materials, nullptr);
    EXPECT_EQ(library.animations, nullptr);
}

TEST_F(LibraryTest, TokensAtTheLengthLimit) {
    const std::string longest(259, 'n');
    ASSERT_TRUE(load("MODELCOUNT 1 MODEL { NAME " + longest + " } " + kNoTexturesOrMaterials));
    EXPECT_EQ(library.meshes[0].getName(), longest);
}

TEST_F(LibraryTest, OverLongTokensAreRefused) {
    const std::string tooLong(260, 'n');
    EXPECT_FALSE(load("MODELCOUNT 1 MODEL { NAME " + tooLong + " } " + kNoTexturesOrMaterials));
    EXPECT_NE(messages.find("longer than 259 characters"), std::string::npos) << messages;
    EXPECT_EQ(library.meshes[0].getName(), nullptr);

    AssetLibrary second;
    dir.write("second.txt", "MODELCOUNT 1 MODEL { MESH " + std::string(5000, 'm') + ".obj }");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(second.load("second.txt"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("longer than 259"), std::string::npos);
}

TEST_F(LibraryTest, OnlyOneLoad) {
    ASSERT_TRUE(load(std::string("MODELCOUNT 1 MODEL { NAME meshA } ") + kNoTexturesOrMaterials));
    Mesh* mesh = &library.meshes[0];
    EXPECT_FALSE(load(std::string("MODELCOUNT 1 MODEL { NAME meshB } ") + kNoTexturesOrMaterials));
    EXPECT_EQ(&library.meshes[0], mesh);
    EXPECT_STREQ(mesh->getName(), "meshA");
}

TEST_F(LibraryTest, LookupsFindTheFirstOfDuplicateNamesAndWarnOtherwise) {
    ASSERT_TRUE(load("MODELCOUNT 3 MODEL { NAME meshA } MODEL { NAME meshA } MODEL { }\n"
                     "TEXTURECOUNT 2 TEXTURE { NAME texA } TEXTURE { NAME texB }\n"
                     "MATERIALCOUNT 1 MATERIAL { NAME matA }\n"
                     "ANIMATIONCOUNT 1 ANIMATION { NAME animA NUMKEYS 1 1 POSKEY 0 0 0 0 ROTKEY 0 1 0 0 0 }\n"));
    EXPECT_EQ(library.findMesh("meshA"), &library.meshes[0]);
    EXPECT_EQ(library.findMesh("meshA"), &library.meshes[0]);
    EXPECT_TRUE(library.meshes[0].used);
    EXPECT_FALSE(library.meshes[1].used);
    EXPECT_EQ(library.findTexture("texB"), &library.textures[1]);
    EXPECT_EQ(library.findMaterial("matA"), &library.materials[0]);
    EXPECT_EQ(library.findAnimation("animA"), &library.animations[0]);

    std::string warnings = quiet([&] {
        EXPECT_EQ(library.findTexture("TEXA"), nullptr);
        EXPECT_EQ(library.findMaterial("matB"), nullptr);
        EXPECT_EQ(library.findMesh(""), nullptr);  // the unnamed mesh is never found
        EXPECT_EQ(library.findAnimation("animB"), nullptr);
        EXPECT_EQ(library.findMesh(nullptr), nullptr);
    });
    EXPECT_EQ(warnings,
              "Warning: Couldn't find textures TEXA in asset library\n"
              "Warning: Couldn't find material matB in asset library\n"
              "Warning: Couldn't find mesh  in asset library\n"
              "Warning: Couldn't find animation animB in asset library\n"
              "Warning: Couldn't find mesh (null) in asset library\n");
}

TEST_F(LibraryTest, ReportUnusedListsWhatNoLookupTouched) {
    ASSERT_TRUE(load("MODELCOUNT 2 MODEL { NAME meshA } MODEL { NAME meshB }\n"
                     "TEXTURECOUNT 2 TEXTURE { NAME texA } TEXTURE { NAME texB }\n"
                     "MATERIALCOUNT 1 MATERIAL { NAME matA BASEID 1 }\n"
                     "ANIMATIONCOUNT 1 ANIMATION { NAME animA NUMKEYS 1 1 POSKEY 0 0 0 0 ROTKEY 0 1 0 0 0 }\n"));
    library.findMesh("meshB");
    const std::string report = quiet([&] { library.reportUnused(); });
    // texB was used by the material's resolution.
    EXPECT_EQ(report,
              "Unused global assets:\n"
              "  Unused texture 0: texA\n"
              "  Unused material 0: matA\n"
              "  Unused mesh 0: meshA\n"
              "  Unused anim 0: animA\n");
}
