// Material::bindEffect on the recording device: which path a material takes, what it sets on
// its effect from the material and the device's transforms, and how failures are named.
#include "RecordingRenderFixture.h"

#include "assets/Material.h"
#include "assets/Texture.h"
#include "render/MaterialBinding.h"

namespace {

class MaterialBinding : public RecordingRenderFixture {
protected:
    void SetUp() override {
        makeDevice(1024, 768);
        copySaverEffects();
    }

    void TearDown() override {
        for (Texture* t : {&base, &bump, &cube}) t->releaseDeviceObjects();
        RecordingRenderFixture::TearDown();
    }

    void giveTextures(bool withBump, bool withCube) {
        IDirect3DTexture9* texture = nullptr;
        device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
        base.texture = texture;
        material.baseTexture = &base;
        if (withBump) {
            device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
            bump.texture = texture;
        }
        material.bumpTexture = &bump;
        if (withCube) {
            IDirect3DCubeTexture9* cubeTexture = nullptr;
            device->CreateCubeTexture(8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cubeTexture, nullptr);
            cube.texture = cubeTexture;
        }
        material.cubemapTexture = &cube;
    }

    bool blendingStatesSet() {
        return calls().contains("SetRenderState(D3DRS_ALPHABLENDENABLE, 1)") &&
               calls().contains("SetRenderState(D3DRS_SRCBLEND, 5)") &&
               calls().contains("SetRenderState(D3DRS_DESTBLEND, 6)");
    }

    Material material;
    Texture base, bump, cube;
};

}  // namespace

TEST_F(MaterialBinding, TexturedMaterialsDrawFixedFunctionWithAlphaBlending) {
    ASSERT_TRUE(initShadowMaps(device));
    material.effectKind = Material::textured;
    giveTextures(true, true);
    ID3DXEffect* effect = reinterpret_cast<ID3DXEffect*>(1);
    calls().clear();
    EXPECT_FALSE(material.bindEffect(&effect, device));
    EXPECT_EQ(effect, nullptr);
    EXPECT_TRUE(blendingStatesSet());
    EXPECT_EQ(calls().countCalls("SetUniform"), 0);
}

TEST_F(MaterialBinding, AKindWhoseEffectDidNotLoadFallsBackSilentlyWithBlending) {
    // No initShadowMaps: neither receiver is loaded.
    material.effectKind = Material::bumpReflectShadow;
    giveTextures(true, true);
    ID3DXEffect* effect = reinterpret_cast<ID3DXEffect*>(1);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(material.bindEffect(&effect, device));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(effect, nullptr);
    EXPECT_TRUE(blendingStatesSet());
}

TEST_F(MaterialBinding, MissingTexturesAreReportedAtEveryDrawWithoutBlending) {
    ASSERT_TRUE(initShadowMaps(device));
    material.effectKind = Material::bumpShadow;
    giveTextures(false, true);  // no bump map
    ID3DXEffect* effect = reinterpret_cast<ID3DXEffect*>(1);
    calls().clear();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(material.bindEffect(&effect, device));
    EXPECT_FALSE(material.bindEffect(&effect, device));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "TextureBumpShadow effect is missing essential textures\n"
              "TextureBumpShadow effect is missing essential textures\n");
    EXPECT_EQ(effect, reinterpret_cast<ID3DXEffect*>(1));  // left untouched
    EXPECT_EQ(calls().countCalls("SetRenderState"), 0);

    // The reflecting kind needs its cube map as well.
    bump.texture = base.texture;
    base.texture->AddRef();
    cube.releaseDeviceObjects();
    material.effectKind = Material::bumpReflectShadow;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(material.bindEffect(&effect, device));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "BumpReflectShadows effect is missing essential textures\n");
    EXPECT_EQ(calls().countCalls("SetRenderState"), 0);
}

TEST_F(MaterialBinding, BumpMaterialsSetTheirParametersFromMaterialAndTransforms) {
    ASSERT_TRUE(initShadowMaps(device));
    material.effectKind = Material::bumpReflectShadow;
    giveTextures(true, true);
    material.highlightOn();  // the colours as drawn must reach the effect
    material.setTexTransform(0.5f, 0.25f, 2.0f, 0.125f);
    material.reflectionClarity = 7.0f;
    D3DXMATRIX world, view, proj;
    D3DXMatrixTranslation(&world, 1, 2, 3);
    D3DXMatrixScaling(&view, 2, 2, 2);
    D3DXMatrixTranslation(&proj, 0, 0, 5);
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &proj);
    setEyePosition(1, 2, 3, 1);

    ID3DXEffect* effect = nullptr;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(material.bindEffect(&effect, device));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(effect, _effectBumpReflectShadows.getD3DEffect());

    // Begin and the last pass hand the values to the device's program.
    calls().clear();
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    ASSERT_EQ(effect->BeginPass(passes - 1), D3D_OK);
    UINT program = device->currentProgram();
    auto valueOf = [&](const char* name) {
        return device->uniformValues(device->GetUniformLocation(program, name));
    };
    D3DXMATRIX worldView = world * view;
    D3DXMATRIX worldViewProj = worldView * proj;
    EXPECT_EQ(valueOf("matWorldView"), std::vector<float>(&worldView.m[0][0], &worldView.m[0][0] + 16));
    EXPECT_EQ(valueOf("matWorldViewProj"), std::vector<float>(&worldViewProj.m[0][0], &worldViewProj.m[0][0] + 16));
    // No shadow pass yet: the light's matrix is zero, and so is its product with the world.
    EXPECT_EQ(valueOf("matLightWorldViewProj"), std::vector<float>(16, 0.0f));
    EXPECT_EQ(valueOf("eyePosition"), (std::vector<float>{1, 2, 3, 1}));
    EXPECT_EQ(valueOf("texTransform"), (std::vector<float>{0.5f, 0.25f, 2.0f, 0.125f}));
    EXPECT_EQ(valueOf("diffuse"), (std::vector<float>{0.85f * 1.25f, 0.85f * 1.25f, 0.85f * 1.25f, 1.0f}));
    EXPECT_EQ(valueOf("reflectionClarity"), (std::vector<float>{7.0f}));
    EXPECT_EQ(valueOf("pixelWidth"), (std::vector<float>{static_cast<float>(1.25 / 768.0)}));
    EXPECT_TRUE(calls().indexOfPrefix("SetUniformTexture(") >= 0);
    effect->EndPass();
    effect->End();
    material.highlightOff();
}

TEST_F(MaterialBinding, EveryFailedSetIsNamedAndTheEffectIsStillUsed) {
    // Effect files without the per-draw parameters: only what shadow mapping sets at load.
    const std::string loadParams = "parameter texture2D ShadowMap_Tex\nparameter float4 lightPosition\n"
                                   "parameter float pixelWidth\nparameter float distanceScale\n"
                                   "parameter float shadowBias\nparameter float4 texTransform\n";
    dir.write("data/effects/TextureBumpShadows.fxo", testEffect(loadParams));
    dir.write("data/effects/TextureBumpCubemapShadows.fxo", testEffect(loadParams));
    testing::internal::CaptureStderr();
    initShadowMaps(device);
    testing::internal::GetCapturedStderr();
    giveTextures(true, true);
    ID3DXEffect* effect = nullptr;

    material.effectKind = Material::bumpShadow;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(material.bindEffect(&effect, device));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Failed to set effect parameter _effectBumpShadows.h_matWorld\n"
              "Failed to set effect parameter _effectBumpShadows.h_matWorldViewProj\n"
              "Failed to set effect parameter _effectBumpShadows.h_matLightWorldViewProj\n"
              "Failed to set effect parameter _effectBumpShadows.h_base_Tex\n"
              "Failed to set effect parameter _effectBumpShadows.h_bump_Tex\n"
              "Failed to set effect parameter _effectBumpShadows.h_ambient\n"
              "Failed to set effect parameter _effectBumpShadows.h_diffuse\n"
              "Failed to set effect parameter _effectBumpShadows.h_specular\n"
              "Failed to set effect parameter _effectBumpShadows.h_specularPower\n"
              "Failed to set effect parameter _effectBumpShadows.h_bumpiness\n"
              "Failed to set effect parameter _effectBumpShadows.h_eyePosition\n");
    EXPECT_EQ(effect, _effectBumpShadows.getD3DEffect());

    material.effectKind = Material::bumpReflectShadow;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(material.bindEffect(&effect, device));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Failed to set effect parameter pEff->h_matWorldView\n"
              "Failed to set effect parameter pEff->h_matWorldViewProj\n"
              "Failed to set effect parameter pEff->h_matWorld\n"
              "Failed to set effect parameter pEff->h_matLightWorldViewProj\n"
              "Failed to set effect parameter pEff->h_base_Tex\n"
              "Failed to set effect parameter pEff->h_bump_Tex\n"
              "Failed to set effect parameter pEff->h_environmentMap_Tex\n"
              "Failed to set effect parameter pEff->h_ambient\n"
              "Failed to set effect parameter pEff->h_diffuse\n"
              "Failed to set effect parameter pEff->h_specular\n"
              "Failed to set effect parameter pEff->h_specularPower\n"
              "Failed to set effect parameter pEff->h_bumpiness\n"
              "Failed to set effect parameter pEff->h_reflectionClarity\n"
              "Failed to set effect parameter pEff->h_reflectance\n"
              "Failed to set effect parameter pEff->h_eyePosition\n");
    EXPECT_EQ(effect, _effectBumpReflectShadows.getD3DEffect());
}

TEST_F(MaterialBinding, AThreePassTechniqueReportsThreePassesAndDrawsTheLast) {
    std::string params;
    for (const char* p : {"texture2D ShadowMap_Tex", "float4 lightPosition", "float pixelWidth",
                          "float4x4 matWorldViewProj", "float4x4 matWorld", "float4x4 matLightWorldViewProj",
                          "texture2D base_Tex", "texture2D bump_Tex", "float4 ambient", "float4 diffuse",
                          "float4 specular", "float specularPower", "float bumpiness", "float distanceScale",
                          "float shadowBias", "float4 eyePosition", "float4 texTransform"}) {
        params += std::string("parameter ") + p + "\n";
    }
    dir.write("data/effects/TextureBumpShadows.fxo", testEffect(params, "", 3));
    initShadowMaps(device);
    material.effectKind = Material::bumpShadow;
    giveTextures(true, false);
    ID3DXEffect* effect = nullptr;
    ASSERT_TRUE(material.bindEffect(&effect, device));
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 3u);
    calls().clear();
    ASSERT_EQ(effect->BeginPass(passes - 1), D3D_OK);
    EXPECT_NE(device->programFragmentSource(device->currentProgram()).find("// pass 2\n"), std::string::npos);
    effect->EndPass();
    effect->End();
}
