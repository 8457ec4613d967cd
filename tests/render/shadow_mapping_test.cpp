// Shadow mapping on the recording device: the targets it makes for a back buffer, what turns
// shadows off, which texture the receivers read, and the order of the pass's calls.
#include "RecordingRenderFixture.h"

#include "assets/Material.h"

namespace {

class ShadowMapping : public RecordingRenderFixture {
protected:
    void runShadowPass() {
        beginShadowPass(device, 0.56099874f, 1.3f, 5.0f, 25.0f, D3DXVECTOR3(-4, 5, -12), D3DXVECTOR3(-0.6f, 0.3f, 0));
        D3DXMATRIX world;
        D3DXMatrixTranslation(&world, 0, 1, 0);
        device->SetTransform(D3DTS_WORLD, &world);
        Material material;
        material.bindShadowEffect(device);
        material.endShadowDraw();
        endShadowPass(device);
    }
};

}  // namespace

TEST_F(ShadowMapping, SizesTheMapByTheBackBufferHeight) {
    makeDevice(1024, 768);
    copySaverEffects();
    EXPECT_TRUE(initShadowMaps(device));
    EXPECT_TRUE(shadowsAvailable);
    EXPECT_TRUE(calls().contains("CreateTexture(768, 768, 1, 0x1, D3DFMT_R16F, D3DPOOL_DEFAULT) -> " + name(shadowMapTexture)));
    EXPECT_TRUE(calls().contains("CreateTexture(4, 4, 1, 0x1, D3DFMT_R16F, D3DPOOL_DEFAULT) -> " + name(_pTexNoShadow)));
    EXPECT_EQ(calls().countCalls("CreateRenderTarget"), 0);
    EXPECT_EQ(pixelWidth, static_cast<float>(1.25 / 768.0));
    // The no-shadow texture holds 1.0 ("nothing nearer to the light") in every texel.
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(_pTexNoShadow->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    for (int y = 0; y < 4; ++y) {
        const uint16_t* row = reinterpret_cast<const uint16_t*>(static_cast<const char*>(locked.pBits) + y * locked.Pitch);
        for (int x = 0; x < 4; ++x) EXPECT_EQ(row[x], 0x3C00) << x << "," << y;  // half-float 1.0
    }
    _pTexNoShadow->UnlockRect(0);
}

TEST_F(ShadowMapping, APortraitBackBufferGetsAMapNoWiderThanItsDepthBuffer) {
    makeDevice(600, 800);
    copySaverEffects();
    initShadowMaps(device);
    EXPECT_TRUE(calls().contains("CreateTexture(600, 600, 1, 0x1, D3DFMT_R16F, D3DPOOL_DEFAULT) -> " + name(shadowMapTexture)));
    EXPECT_EQ(pixelWidth, static_cast<float>(1.25 / 600.0));
}

TEST_F(ShadowMapping, TheShadowPassRendersFromTheLightAndRestoresTheFrame) {
    makeDevice(1024, 768);
    copySaverEffects();
    ASSERT_TRUE(initShadowMaps(device));
    selectShadowMap(true);
    calls().clear();
    runShadowPass();
    ZarnRecordingLog& log = calls();
    int target = log.indexOf("SetRenderTarget(0, " + name(shadowMapSurface) + ")");
    int lighting = log.indexOf("SetRenderState(D3DRS_LIGHTING, 0)");
    int clear = log.indexOf("Clear(0, 0x3, 0xFFFFFFFF, 1, 0)");
    int program = log.indexOfCall("SetProgram");
    int restore = log.indexOf("SetRenderTarget(0, backbuffer)");
    ASSERT_GE(target, 0) << log.text();
    EXPECT_LT(target, lighting);
    EXPECT_TRUE(log.contains("SetRenderState(D3DRS_ALPHABLENDENABLE, 0)"));
    EXPECT_TRUE(log.contains("SetRenderState(D3DRS_ALPHATESTENABLE, 0)"));
    EXPECT_LT(lighting, clear);
    EXPECT_LT(clear, program);
    EXPECT_LT(program, restore);
    EXPECT_EQ(log.countCalls("StretchRect"), 0);

    // matLightViewProj is the light's view × projection.
    D3DXMATRIX view, proj, expected;
    D3DXVECTOR3 eye(-4, 5, -12), at(-0.6f, 0.3f, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&proj, 0.56099874f, 1.3f, 5.0f, 25.0f);
    D3DXMatrixMultiply(&expected, &view, &proj);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ((&matLightViewProj.m[0][0])[i], (&expected.m[0][0])[i]);

    // Lighting comes back for the colour pass; the frame's target is the back buffer again.
    DWORD value = 0;
    device->GetRenderState(D3DRS_LIGHTING, &value);
    EXPECT_EQ(value, static_cast<DWORD>(TRUE));
    IDirect3DSurface9* current = nullptr;
    device->GetRenderTarget(0, &current);
    EXPECT_EQ(ZarnRecordingDevice::nameOf(current), "backbuffer");
    current->Release();
    EXPECT_EQ(savedRenderTarget, nullptr);
}

TEST_F(ShadowMapping, WithAntialiasingThePassDrawsMultisampledAndResolvesIntoTheMap) {
    makeDevice(1024, 768, D3DMULTISAMPLE_4_SAMPLES);
    copySaverEffects();
    ASSERT_TRUE(initShadowMaps(device));
    ASSERT_NE(shadowMapMSTarget, nullptr);
    std::string ms = ZarnRecordingDevice::nameOf(shadowMapMSTarget);
    calls().clear();
    runShadowPass();
    int draw = calls().indexOf("SetRenderTarget(0, " + ms + ")");
    int resolve = calls().indexOf("StretchRect(" + ms + ", null, " + name(shadowMapSurface) + ", null, D3DTEXF_POINT)");
    ASSERT_GE(draw, 0) << calls().text();
    EXPECT_LT(draw, resolve);
    EXPECT_LT(resolve, calls().indexOf("SetRenderTarget(0, backbuffer)"));
}

TEST_F(ShadowMapping, AMissingMultisampledTargetIsLoggedWithItsReasonAndThePassGoesDirect) {
    ZarnRecordingScript script;
    script.missingMultiSampleTypes = {D3DMULTISAMPLE_4_SAMPLES};
    makeDevice(1024, 768, D3DMULTISAMPLE_4_SAMPLES, script);
    copySaverEffects();
    EXPECT_TRUE(initShadowMaps(device));
    EXPECT_EQ(shadowMapMSTarget, nullptr);
    calls().clear();
    runShadowPass();
    EXPECT_TRUE(calls().contains("SetRenderTarget(0, " + name(shadowMapSurface) + ")"));
    EXPECT_EQ(calls().countCalls("StretchRect"), 0);
    EXPECT_NE(logText().find("Error creating multisampled render target for shadow map: Not available\n"),
              std::string::npos);
}

TEST_F(ShadowMapping, WithShadowsOffTheReceiversReadTheNoShadowTexture) {
    makeDevice(1024, 768);
    copySaverEffects();
    ASSERT_TRUE(initShadowMaps(device));
    selectShadowMap(false);
    // Bind a receiver as a draw would and look at what its shadow sampler gets.
    UINT passes = 0;
    ID3DXEffect* fx = _effectBumpShadows.getD3DEffect();
    ASSERT_EQ(fx->Begin(&passes, 0), D3D_OK);
    calls().clear();
    fx->BeginPass(0);
    EXPECT_NE(calls().text().find(", 0, " + name(_pTexNoShadow) + ")"), std::string::npos) << calls().text();  // unit 0: ShadowMap_Tex
    fx->EndPass();
    fx->End();
    for (int i = 0; i < 16; ++i) EXPECT_EQ((&matLightViewProj.m[0][0])[i], 0.0f);
}

TEST_F(ShadowMapping, AMissingShadowMapEffectTurnsShadowsOff) {
    makeDevice(1024, 768);
    copySaverEffects();
    removeFile("data/effects/ShadowMap.fxo");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(initShadowMaps(device));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Error initializing shader data/effects/ShadowMap.fxo\n"),
              std::string::npos);
    EXPECT_FALSE(shadowsAvailable);
    EXPECT_NE(_effectBumpShadows.getD3DEffect(), nullptr);
}

TEST_F(ShadowMapping, AMissingReceiverLeavesShadowsForTheOther) {
    makeDevice(1024, 768);
    copySaverEffects();
    removeFile("data/effects/TextureBumpShadows.fxo");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(initShadowMaps(device));
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(shadowsAvailable);
    EXPECT_EQ(_effectBumpShadows.getD3DEffect(), nullptr);
    EXPECT_NE(_effectBumpReflectShadows.getD3DEffect(), nullptr);
    testing::internal::CaptureStderr();
    selectShadowMap(true);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Failed to set effect parameter _effectBumpShadows.h_ShadowMap_Tex\n");
}

TEST_F(ShadowMapping, NoShadowMapTextureTurnsShadowsOff) {
    ZarnRecordingScript script;
    script.failingCallNumbers["CreateTexture"] = {1};
    makeDevice(1024, 768, D3DMULTISAMPLE_NONE, script);
    copySaverEffects();
    testing::internal::CaptureStderr();
    initShadowMaps(device);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Unable to initialize render target for shadow maps.\n"),
              std::string::npos);
    EXPECT_FALSE(shadowsAvailable);
    EXPECT_EQ(shadowMapTexture, nullptr);
    EXPECT_NE(_pTexNoShadow, nullptr);
}

TEST_F(ShadowMapping, FailedLoadTimeSetsAreNamedPerEffect) {
    makeDevice(1024, 768);
    copySaverEffects();
    // Every parameter is there, so init succeeds, but two have the wrong type for their set.
    dir.write("data/effects/ShadowMap.fxo",
              testEffect("parameter float lightPosition\nparameter float distanceScale\n"
                         "parameter float4x4 matLightWorldViewProj\nparameter float4 matWorld\n"));
    std::string receiver;
    for (const char* p : {"textureCUBE ShadowMap_Tex", "float4 lightPosition", "float4 pixelWidth",
                          "float4x4 matWorldViewProj", "float4x4 matWorld", "float4x4 matLightWorldViewProj",
                          "texture2D base_Tex", "texture2D bump_Tex", "float4 ambient", "float4 diffuse",
                          "float4 specular", "float specularPower", "float bumpiness", "float distanceScale",
                          "float shadowBias", "float4 eyePosition", "float texTransform"}) {
        receiver += std::string("parameter ") + p + "\n";
    }
    dir.write("data/effects/TextureBumpShadows.fxo", testEffect(receiver));
    testing::internal::CaptureStderr();
    EXPECT_TRUE(initShadowMaps(device));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Failed to set effect parameter _effectShadowMap.h_lightPosition\n"
              "Failed to set effect parameter _effectBumpShadows.h_ShadowMap_Tex\n"
              "Failed to set effect parameter _effectBumpShadows.h_pixelWidth\n"
              "Failed to set effect parameter _effectBumpShadows.h_texTransform\n");
    EXPECT_TRUE(shadowsAvailable);
    testing::internal::CaptureStderr();
    selectShadowMap(true);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Failed to set effect parameter _effectBumpShadows.h_ShadowMap_Tex\n");
    testing::internal::CaptureStderr();
    beginShadowPass(device, 0.56099874f, 1.3f, 5.0f, 25.0f, D3DXVECTOR3(-4, 5, -12), D3DXVECTOR3(-0.6f, 0.3f, 0));
    Material material;
    material.bindShadowEffect(device);
    endShadowPass(device);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Failed to set effect parameter _effectShadowMap.h_lightPosition\n"
              "Failed to set effect parameter _effectShadowMap.h_matWorld\n");
}

TEST_F(ShadowMapping, AMapWithoutASurfaceKeepsThePassesDrawsOutOfTheFrame) {
    makeDevice(1024, 768);
    copySaverEffects();
    initShadowMaps(device);
    // The state initShadowMaps leaves when the map's surface cannot be obtained.
    shadowMapSurface->Release();
    shadowMapSurface = nullptr;
    calls().clear();
    runShadowPass();
    EXPECT_EQ(calls().countCalls("SetRenderTarget"), 0);
    EXPECT_EQ(calls().countCalls("Clear"), 0);
    int masked = calls().indexOf("SetRenderState(D3DRS_COLORWRITEENABLE, 0)");
    int unmasked = calls().indexOf("SetRenderState(D3DRS_COLORWRITEENABLE, 15)");
    ASSERT_GE(masked, 0) << calls().text();
    EXPECT_LT(masked, unmasked);
}
