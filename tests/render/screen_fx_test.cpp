// The post-processing chain on the recording device: target sizes and texel sizes, when a
// frame is redirected, the order of the chain, and what turns post-processing off.
#include "RecordingRenderFixture.h"

namespace {

class ScreenFXTest : public RecordingRenderFixture {
protected:
    void TearDown() override {
        fx.releaseResources();
        RecordingRenderFixture::TearDown();
    }

    std::vector<float> texelSizeOf(EffectBlur& effect) { return uniformOf(effect.getD3DEffect(), "texelSize"); }
    std::vector<float> texelSizeOf(EffectDownFilter4& effect) { return uniformOf(effect.getD3DEffect(), "texelSize"); }

    // What a parameter holds, as the effect hands it to the device at BeginPass.
    std::vector<float> uniformOf(ID3DXEffect* effect, const char* name) {
        if (!effect) return {};
        UINT passes = 0;
        effect->Begin(&passes, 0);
        effect->BeginPass(0);
        std::vector<float> values = device->uniformValues(device->GetUniformLocation(device->currentProgram(), name));
        effect->EndPass();
        effect->End();
        return values;
    }

    ScreenFX fx;
};

}  // namespace

TEST_F(ScreenFXTest, TargetsAndTexelSizesFollowTheBackBuffer) {
    makeDevice(1024, 768);
    copySaverEffects();
    fx.createResources(device);
    EXPECT_TRUE(fx.available);
    EXPECT_TRUE(calls().contains("CreateTexture(1024, 768, 1, 0x1, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT) -> " + name(fx.sceneTexture)));
    EXPECT_TRUE(calls().contains("CreateTexture(256, 192, 1, 0x1, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT) -> " + name(fx.quarterTextureA)));
    EXPECT_TRUE(calls().contains("CreateTexture(256, 192, 1, 0x1, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT) -> " + name(fx.quarterTextureB)));
    EXPECT_EQ(calls().countCalls("CreateRenderTarget"), 0);
    EXPECT_EQ(ZarnRecordingDevice::nameOf(fx.backBufferSurface), "backbuffer");
    EXPECT_EQ(texelSizeOf(fx._effectDownFilter4), (std::vector<float>{1.0f / 1024, 1.0f / 768, 0, 0}));
    EXPECT_EQ(texelSizeOf(fx._effectBlurHorizontal), (std::vector<float>{1.0f / 256, 1.0f / 192, 0, 0}));
    EXPECT_EQ(texelSizeOf(fx._effectBlurVertical), (std::vector<float>{1.0f / 256, 1.0f / 192, 0, 0}));

    // The quad: shifted half a back-buffer pixel left and up, v = 0 at the top.
    void* data = nullptr;
    ASSERT_EQ(fx.quadVertexBuffer->Lock(0, 80, &data, D3DLOCK_READONLY), D3D_OK);
    const float* v = static_cast<const float*>(data);
    const float dx = 1.0f / 1024, dy = 1.0f / 768;
    const float expected[20] = {-1 - dx, -1 + dy, 1, 0, 1, -1 - dx, 1 + dy, 1, 0, 0,
                                1 - dx,  1 + dy,  1, 1, 0, 1 - dx,  -1 + dy, 1, 1, 1};
    for (int i = 0; i < 20; ++i) EXPECT_EQ(v[i], expected[i]) << i;
    fx.quadVertexBuffer->Unlock();
}

TEST_F(ScreenFXTest, AnOddWidthDropsItsLowBits) {
    makeDevice(1022, 768);
    copySaverEffects();
    fx.createResources(device);
    EXPECT_TRUE(calls().contains("CreateTexture(255, 192, 1, 0x1, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT) -> " + name(fx.quarterTextureA)));
    EXPECT_EQ(texelSizeOf(fx._effectBlurHorizontal)[0], 1.0f / 255);
    EXPECT_EQ(texelSizeOf(fx._effectDownFilter4)[0], 1.0f / 1022);
}

TEST_F(ScreenFXTest, AFrameRunsDownFilterBlursAndCombineIntoTheBackBuffer) {
    makeDevice(1024, 768);
    copySaverEffects();
    fx.createResources(device);
    calls().clear();
    fx.redirectFrame();
    EXPECT_TRUE(fx.frameRedirected);
    EXPECT_TRUE(calls().contains("SetRenderTarget(0, " + name(fx.sceneSurface) + ")"));
    fx.applyEffects();
    EXPECT_FALSE(fx.frameRedirected);
    ZarnRecordingLog& log = calls();
    std::vector<std::string> targets = log.calls("SetRenderTarget");
    const std::string a = "SetRenderTarget(0, " + name(fx.quarterSurfaceA) + ")";
    const std::string b = "SetRenderTarget(0, " + name(fx.quarterSurfaceB) + ")";
    EXPECT_EQ(targets, (std::vector<std::string>{"SetRenderTarget(0, " + name(fx.sceneSurface) + ")", a, b, a,
                                                 "SetRenderTarget(0, backbuffer)"}));
    EXPECT_EQ(log.count("DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2)"), 4);
    EXPECT_EQ(log.countCalls("StretchRect"), 0);
    int zOff = log.indexOf("SetRenderState(D3DRS_ZENABLE, 0)");
    EXPECT_GE(zOff, 0);
    EXPECT_LT(zOff, log.indexOf(a));
    // Depth comes back on last.
    EXPECT_EQ(log.lines[log.size() - 2], "SetRenderState(D3DRS_ZENABLE, 1)");
    EXPECT_EQ(log.lines[log.size() - 1], "SetRenderState(D3DRS_ZWRITEENABLE, 1)");
}

TEST_F(ScreenFXTest, WithAntialiasingTheFrameIsResolvedBeforeTheChain) {
    makeDevice(1024, 768, D3DMULTISAMPLE_4_SAMPLES);
    copySaverEffects();
    fx.createResources(device);
    ASSERT_NE(fx.sceneMSTarget, nullptr);
    std::string ms = ZarnRecordingDevice::nameOf(fx.sceneMSTarget);
    calls().clear();
    fx.redirectFrame();
    EXPECT_TRUE(calls().contains("SetRenderTarget(0, " + ms + ")"));
    fx.applyEffects();
    int resolve = calls().indexOf("StretchRect(" + ms + ", null, " + name(fx.sceneSurface) + ", null, D3DTEXF_POINT)");
    ASSERT_GE(resolve, 0) << calls().text();
    EXPECT_LT(resolve, calls().indexOfCall("DrawPrimitive"));
}

TEST_F(ScreenFXTest, WithFiltersOffOnlyTheDepthStatesAreReset) {
    makeDevice(1024, 768);
    copySaverEffects();
    fx.createResources(device);
    saverState.settings.EnableFilters = false;
    calls().clear();
    fx.redirectFrame();
    fx.applyEffects();
    EXPECT_FALSE(fx.frameRedirected);
    EXPECT_EQ(calls().lines, (std::vector<std::string>{"SetRenderState(D3DRS_ZENABLE, 1)",
                                                       "SetRenderState(D3DRS_ZWRITEENABLE, 1)"}));
}

TEST_F(ScreenFXTest, AnUnsupportedCopyEffectTurnsPostProcessingOff) {
    ZarnRecordingScript script;
    script.refusedRequirements = {"test-unsupported"};
    makeDevice(1024, 768, D3DMULTISAMPLE_NONE, script);
    copySaverEffects();
    dir.write("data/effects/PP_Copy.fxo", testEffect("parameter texture2D texMain_Tex\n", "test-unsupported"));
    dir.write("data/effects/PP_CopyFallback.fxo", testEffect("parameter texture2D texMain_Tex\n", "test-unsupported"));
    fx.createResources(device);
    EXPECT_FALSE(fx.available);
    EXPECT_EQ(fx._effectCopy.getD3DEffect(), nullptr);
    EXPECT_NE(fx._effectCombine.getD3DEffect(), nullptr);
    std::string log = logText();
    EXPECT_NE(log.find("Warning: Post-processing effects are not supported by this GPU.\n"), std::string::npos);
    calls().clear();
    fx.redirectFrame();
    fx.applyEffects();
    EXPECT_EQ(calls().countCalls("SetRenderTarget"), 0);
    EXPECT_EQ(calls().countCalls("DrawPrimitive"), 0);
}

TEST_F(ScreenFXTest, AMissingTargetTurnsPostProcessingOff) {
    ZarnRecordingScript script;
    script.failingCallNumbers["CreateTexture"] = {2};
    makeDevice(1024, 768, D3DMULTISAMPLE_NONE, script);
    copySaverEffects();
    testing::internal::CaptureStderr();
    fx.createResources(device);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unable to initialize render target.\n");
    EXPECT_FALSE(fx.available);
    EXPECT_EQ(fx.quarterTextureA, nullptr);
    EXPECT_NE(fx.quarterTextureB, nullptr);
}

TEST_F(ScreenFXTest, FailuresInsidePassesAreReportedAndThePassesGoOn) {
    ZarnRecordingScript script;
    script.failingCalls["SetStreamSource"] = D3DERR_INVALIDCALL;
    script.failingCalls["DrawPrimitive"] = D3DERR_INVALIDCALL;
    makeDevice(1024, 768, D3DMULTISAMPLE_NONE, script);
    copySaverEffects();
    fx.createResources(device);
    fx.redirectFrame();
    testing::internal::CaptureStderr();
    fx.applyEffects();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error setting stream source for 'downFilter4x' effect\n."
              "Error drawing screen quad for 'downFilter4x' effect\n."
              "Error setting stream source for 'blur' effect\n."
              "Error drawing screen quad for 'blur' effect\n."
              "Error setting stream source for 'blur' effect\n."
              "Error drawing screen quad for 'blur' effect\n."
              "Error setting stream source for 'combine' effect\n."
              "Error drawing screen quad for 'combine' effect\n.");
}

TEST_F(ScreenFXTest, WithoutAMultisampledTargetEveryFrameReportsTheFailedSwitch) {
    ZarnRecordingScript script;
    script.missingMultiSampleTypes = {D3DMULTISAMPLE_4_SAMPLES};
    makeDevice(1024, 768, D3DMULTISAMPLE_4_SAMPLES, script);
    copySaverEffects();
    testing::internal::CaptureStderr();
    fx.createResources(device);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error creating render target for ScreenFX");
    EXPECT_TRUE(fx.available);
    for (int frame = 0; frame < 2; ++frame) {
        testing::internal::CaptureStderr();
        fx.redirectFrame();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error while setting render target for screen effects.\n");
        EXPECT_FALSE(fx.frameRedirected);
    }
}
