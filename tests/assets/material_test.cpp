// MATERIAL blocks, texture resolution by position, name and library lookup, highlighting, and
// the fixed-function binding as a recording device sees it.
#include "assets/AssetLibrary.h"
#include "assets/Material.h"
#include "assets/Texture.h"
#include "support/TempDir.h"

#include <ZarnRecordingDevice.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

class MaterialTest : public testing::Test {
protected:
    bool read(Material& material, const std::string& text) {
        dir.write("block.txt", text);
        FILE* file = std::fopen("block.txt", "r");
        EXPECT_NE(file, nullptr);
        testing::internal::CaptureStderr();
        const bool ok = material.readBlock(file);
        messages = testing::internal::GetCapturedStderr();
        std::fclose(file);
        return ok;
    }

    // A library with five textures, the first three named.
    bool loadLibrary(const std::string& materials) {
        dir.write("lib.txt",
                  "MODELCOUNT 0\nTEXTURECOUNT 5\n"
                  "TEXTURE { NAME texA } TEXTURE { NAME texB } TEXTURE { NAME 4 } TEXTURE { } TEXTURE { }\n" +
                      materials);
        testing::internal::CaptureStderr();
        const bool ok = library.load("lib.txt");
        messages = testing::internal::GetCapturedStderr();
        return ok;
    }

    TempDir dir;
    AssetLibrary library;
    Material material;
    std::string messages;
};

void expectColour(const D3DCOLORVALUE& c, float r, float g, float b, float a) {
    EXPECT_FLOAT_EQ(c.r, r);
    EXPECT_FLOAT_EQ(c.g, g);
    EXPECT_FLOAT_EQ(c.b, b);
    EXPECT_FLOAT_EQ(c.a, a);
}

}  // namespace

TEST_F(MaterialTest, DefaultsHoldTheHalvedSpecularForDrawing) {
    expectColour(material.d3dMaterial.Diffuse, 0.85f, 0.85f, 0.85f, 1);
    expectColour(material.d3dMaterial.Specular, 0.3f, 0.3f, 0.3f, 1);
    expectColour(material.d3dMaterial.Emissive, 0, 0, 0, 0);
    EXPECT_EQ(material.d3dMaterial.Power, 100.0f);
    EXPECT_EQ(material.effectKind, Material::textured);
}

TEST_F(MaterialTest, ReadsItsKeywords) {
    ASSERT_TRUE(read(material,
                     "MATERIAL {\n"
                     "  NAME matBrass  EFFECT bumpReflectShadow  EDIT\n"
                     "  # DIFFUSE 9 9 9 9\n"
                     "  DIFFUSE 0.5 0.4 0.3 0.9  AMBIENT 0.1 0.2 0.3 1\n"
                     "  SPECULAR 1 1 1 1 50\n"
                     "  HIGHLIGHT 2 3 4  BUMPINESS 0.7  REFLECTANCE 0.2  REFLECTION_CLARITY 6\n"
                     "  LIBBASEID texA  BASEID texB  BUMPID 3  CUBEMAPID sky  SPHEREMAPID 0\n"
                     "}\n"));
    EXPECT_EQ(messages, "");
    EXPECT_STREQ(material.getName(), "matBrass");
    EXPECT_EQ(material.effectKind, Material::bumpReflectShadow);
    expectColour(material.d3dMaterial.Diffuse, 0.5f, 0.4f, 0.3f, 0.9f);
    expectColour(material.d3dMaterial.Ambient, 0.1f, 0.2f, 0.3f, 1);
    EXPECT_FLOAT_EQ(material.specular.x, 1.0f);
    EXPECT_FLOAT_EQ(material.specular.w, 1.0f);
    expectColour(material.d3dMaterial.Specular, 0.5f, 0.5f, 0.5f, 0.5f);
    EXPECT_FLOAT_EQ(material.specularPower, 50.0f);
    EXPECT_FLOAT_EQ(material.d3dMaterial.Power, 50.0f);
    EXPECT_FLOAT_EQ(material.highlight.z, 4.0f);
    EXPECT_FLOAT_EQ(material.bumpiness, 0.7f);
    EXPECT_FLOAT_EQ(material.reflectance, 0.2f);
    EXPECT_FLOAT_EQ(material.reflectionClarity, 6.0f);
    // The plain keyword replaced the id, but the library flag stays set.
    EXPECT_STREQ(material.baseId, "texB");
    EXPECT_TRUE(material.baseIsLibrary);
    EXPECT_FALSE(material.bumpIsLibrary);
    EXPECT_STREQ(material.bumpId, "3");
    EXPECT_STREQ(material.spheremapId, "0");
}

TEST_F(MaterialTest, UnknownWordsAreReportedAndSkipped) {
    ASSERT_TRUE(read(material, "MATERIAL { EFFECT glass SHINY BUMPINESS x NAME matA }"));
    EXPECT_EQ(messages,
              "Unrecognized material effect, glass\n"
              "Unrecognized material property, SHINY\n"
              "Unrecognized material property, x\n");
    EXPECT_EQ(material.effectKind, Material::textured);
    EXPECT_FLOAT_EQ(material.bumpiness, 0.5f);
    EXPECT_STREQ(material.getName(), "matA");
}

TEST_F(MaterialTest, ShortSpecularWarnsAndKeepsWhatItRead) {
    ASSERT_TRUE(read(material, "MATERIAL { SPECULAR 0.8 0.6 }"));
    EXPECT_EQ(messages, "Warning: Expected 5 params while reading SPECULAR, found 2");
    EXPECT_FLOAT_EQ(material.specular.x, 0.8f);
    EXPECT_FLOAT_EQ(material.specular.y, 0.6f);
    EXPECT_FLOAT_EQ(material.specular.z, 0.3f);
    expectColour(material.d3dMaterial.Specular, 0.4f, 0.3f, 0.15f, 0.5f);
    EXPECT_FLOAT_EQ(material.specularPower, 100.0f);
}

TEST_F(MaterialTest, BlockEndsAndRefusals) {
    EXPECT_TRUE(read(material, "MATERIAL { NAME matOpen DIFFUSE 1 0 0"));
    EXPECT_STREQ(material.getName(), "matOpen");
    expectColour(material.d3dMaterial.Diffuse, 1, 0, 0, 1);

    Material other;
    EXPECT_FALSE(read(other, "TEXTURE { }"));
    EXPECT_FALSE(read(other, "MATERIAL"));
    EXPECT_FALSE(read(other, "MATERIAL { NAME " + std::string(256, 'n') + " }"));
    EXPECT_NE(messages.find("longer than 255"), std::string::npos);
}

TEST_F(MaterialTest, IdsResolveByPositionThenByName) {
    ASSERT_TRUE(loadLibrary(
        "MATERIALCOUNT 3\n"
        "MATERIAL { BASEID 0 BUMPID 7 CUBEMAPID 4 SPHEREMAPID 4b }\n"
        "MATERIAL { BASEID texB BUMPID 0004 }\n"
        "MATERIAL { }\n"));
    const Material& m = library.materials[0];
    // 0 is the first texture even though it has a name; 7 is past the five, so a name; 4 is a
    // position; digits with letters are always a name.
    EXPECT_EQ(m.baseTexture, &library.textures[0]);
    EXPECT_EQ(m.bumpTexture, nullptr);
    EXPECT_EQ(m.cubemapTexture, &library.textures[4]);
    EXPECT_EQ(m.spheremapTexture, nullptr);
    EXPECT_EQ(library.materials[1].baseTexture, &library.textures[1]);
    EXPECT_EQ(library.materials[1].bumpTexture, &library.textures[4]);
    EXPECT_EQ(library.materials[2].baseTexture, nullptr);
    EXPECT_EQ(messages,
              "The texture '7' could not be found for this material.\n"
              "The texture '4b' could not be found for this material.\n");
    EXPECT_TRUE(library.textures[0].used);
    EXPECT_FALSE(library.textures[2].used);
    EXPECT_FALSE(library.textures[3].used);
}

TEST_F(MaterialTest, LibraryIdsGoThroughTheLibraryLookup) {
    ASSERT_TRUE(loadLibrary(
        "MATERIALCOUNT 1\n"
        "MATERIAL { LIBBASEID texB LIBBUMPID missing LIBCUBEMAPID 0 }\n"));
    const Material& m = library.materials[0];
    EXPECT_EQ(m.baseTexture, &library.textures[1]);
    EXPECT_EQ(m.bumpTexture, nullptr);
    EXPECT_EQ(m.cubemapTexture, nullptr);  // by name only: no texture is named 0
    EXPECT_EQ(messages,
              "Warning: Couldn't find textures missing in asset library\n"
              "Warning: Couldn't find textures 0 in asset library\n");
}

TEST_F(MaterialTest, HighlightMultipliesOnceAndOffRestores) {
    ASSERT_TRUE(read(material, "MATERIAL { DIFFUSE 0.4 0.5 0.6 0.7 AMBIENT 0.2 0.2 0.2 0.3 HIGHLIGHT 2 1.5 1 }"));
    material.highlightOn();
    material.highlightOn();
    expectColour(material.d3dMaterial.Diffuse, 0.8f, 0.75f, 0.6f, 0.7f);
    expectColour(material.d3dMaterial.Ambient, 0.4f, 0.3f, 0.2f, 0.3f);
    material.highlightOff();
    expectColour(material.d3dMaterial.Diffuse, 0.4f, 0.5f, 0.6f, 0.7f);
    expectColour(material.d3dMaterial.Ambient, 0.2f, 0.2f, 0.2f, 0.3f);
}

TEST_F(MaterialTest, FixedFunctionBindsMaterialTextureAndTransform) {
    D3DPRESENT_PARAMETERS params = {};
    D3DCAPS9 caps = {};
    auto* device = new ZarnRecordingDevice(nullptr, params, caps, nullptr);
    struct Releaser {
        ZarnRecordingDevice* device;
        ~Releaser() { device->Release(); }
    } releaser{device};
    ZarnRecordingLog& log = device->log();

    // Without a base texture or a transform: material, no texture, no transform.
    material.applyFixedFunction(device);
    material.endFixedFunction(device);
    EXPECT_EQ(log.countCalls("SetMaterial"), 1);
    EXPECT_TRUE(log.contains("SetTexture(0, null)")) << log.text();
    EXPECT_EQ(log.countCalls("SetTransform"), 0);
    EXPECT_EQ(log.countCalls("SetTextureStageState"), 0);

    IDirect3DTexture9* image = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &image, nullptr), D3D_OK);
    Texture base;
    base.texture = image;
    material.baseTexture = &base;
    material.setTexTransform(0.5f, 0.25f, 2.0f, -1.0f);
    material.highlightOn();
    material.applyFixedFunction(device);

    D3DMATERIAL9 bound;
    ASSERT_EQ(device->GetMaterial(&bound), D3D_OK);
    EXPECT_FLOAT_EQ(bound.Diffuse.r, 0.85f * 1.25f);
    IDirect3DBaseTexture9* stage0 = nullptr;
    ASSERT_EQ(device->GetTexture(0, &stage0), D3D_OK);
    EXPECT_EQ(stage0, image);
    if (stage0) stage0->Release();

    D3DMATRIX m;
    ASSERT_EQ(device->GetTransform(D3DTS_TEXTURE0, &m), D3D_OK);
    // (u, v, 1, 0) x M: u' = 0.5 u + 0.25, v' = 2 v - 1.
    EXPECT_FLOAT_EQ(m._11, 0.5f);
    EXPECT_FLOAT_EQ(m._31, 0.25f);
    EXPECT_FLOAT_EQ(m._22, 2.0f);
    EXPECT_FLOAT_EQ(m._32, -1.0f);
    EXPECT_FLOAT_EQ(m._12, 0.0f);
    EXPECT_FLOAT_EQ(m._33, 1.0f);
    DWORD flags = 0;
    device->GetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, &flags);
    EXPECT_EQ(flags, static_cast<DWORD>(D3DTTFF_COUNT2));
    material.endFixedFunction(device);
    device->GetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, &flags);
    EXPECT_EQ(flags, static_cast<DWORD>(D3DTTFF_DISABLE));

    device->SetTexture(0, nullptr);
    base.releaseDeviceObjects();
}
