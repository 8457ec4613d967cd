// Effect::init's paths: a primary that does not load (the fallback is not tried), a primary the
// device cannot run (the fallback is), no fallback at all, parameters missing from a file, and
// compiler output of an effect that still loads.
#include "RecordingRenderFixture.h"

#include "render/EffectKinds.h"

namespace {

const char* kCombineParams = "parameter texture2D texMain_Tex\nparameter texture2D texOverlay_Tex\n";

class EffectInit : public RecordingRenderFixture {
protected:
    void SetUp() override { makeDevice(320, 240, D3DMULTISAMPLE_NONE, refusingTestRequirement()); }

    static ZarnRecordingScript refusingTestRequirement() {
        ZarnRecordingScript script;
        script.refusedRequirements = {"test-unsupported"};
        return script;
    }
};

}  // namespace

TEST_F(EffectInit, LoadsThePrimaryAndCachesEveryHandle) {
    dir.write("data/effects/C.fxo", testEffect(kCombineParams));
    EffectPostCombine effect;
    EXPECT_TRUE(effect.init(device, "data/effects/C.fxo", "data/effects/CFallback.fxo"));
    ASSERT_NE(effect.getD3DEffect(), nullptr);
    EXPECT_STREQ(effect.h_texMain_Tex, "texMain_Tex");
    EXPECT_STREQ(effect.h_texOverlay_Tex, "texOverlay_Tex");
    EXPECT_NE(logText().find("Initializing effect data/effects/C.fxo\n"), std::string::npos);
    effect.release();
    EXPECT_EQ(effect.getD3DEffect(), nullptr);
    effect.release();  // a second release is harmless
}

TEST_F(EffectInit, AMissingPrimaryNeverFallsBack) {
    dir.write("data/effects/CFallback.fxo", testEffect(kCombineParams));
    EffectPostCombine effect;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(effect.init(device, "data/effects/C.fxo", "data/effects/CFallback.fxo"));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Error initializing shader data/effects/C.fxo\n"), std::string::npos);
    EXPECT_EQ(effect.getD3DEffect(), nullptr);
    EXPECT_EQ(calls().countCalls("CreateProgram"), 0);
    EXPECT_EQ(logText().find("Loading fallback"), std::string::npos);
}

TEST_F(EffectInit, ABrokenPrimaryIsReportedWithTheParsersReasonInTheLog) {
    dir.write("data/effects/C.fxo", "technique\n");
    dir.write("data/effects/CFallback.fxo", testEffect(kCombineParams));
    EffectPostCombine effect;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(effect.init(device, "data/effects/C.fxo", "data/effects/CFallback.fxo"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error initializing shader data/effects/C.fxo\n");
    EXPECT_NE(logText().find("data/effects/C.fxo: line 1: 'technique' needs one name\n"), std::string::npos);
}

TEST_F(EffectInit, AnUnsupportedPrimaryLoadsTheFallbackEvenIfThatCannotRunEither) {
    dir.write("data/effects/C.fxo", testEffect(kCombineParams, "test-unsupported"));
    dir.write("data/effects/CFallback.fxo", testEffect(kCombineParams, "test-unsupported"));
    EffectPostCombine effect;
    EXPECT_TRUE(effect.init(device, "data/effects/C.fxo", "data/effects/CFallback.fxo"));
    EXPECT_NE(effect.getD3DEffect(), nullptr);
    std::string log = logText();
    EXPECT_NE(log.find("Unsupported shader data/effects/C.fxo.  Loading fallback shader.\n"), std::string::npos);
    // The refusal reasons come back as compiler output and are shown, as D3DX shows warnings.
    EXPECT_NE(log.find("Shader compilation errors:\n"), std::string::npos);
    // Only a support test reveals that the fallback cannot run either.
    EXPECT_FALSE(effect.isSupported());
    EXPECT_EQ(effect.getD3DEffect(), nullptr);
}

TEST_F(EffectInit, AnUnsupportedPrimaryWithoutFallbackLeavesTheEffectEmpty) {
    dir.write("data/effects/C.fxo", testEffect(kCombineParams, "test-unsupported"));
    EffectPostCombine effect;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(effect.init(device, "data/effects/C.fxo", nullptr));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Error: Effect is NULL after initialization attempts for data/effects/C.fxo\n"),
              std::string::npos);
    EXPECT_EQ(effect.getD3DEffect(), nullptr);
}

TEST_F(EffectInit, AFallbackThatDoesNotLoadIsReportedWithThePrimaryName) {
    dir.write("data/effects/C.fxo", testEffect(kCombineParams, "test-unsupported"));
    EffectPostCombine effect;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(effect.init(device, "data/effects/C.fxo", "data/effects/CFallback.fxo"));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Error initializing shader data/effects/C.fxo\n"), std::string::npos);
    EXPECT_EQ(err.find("CFallback"), std::string::npos);
    EXPECT_EQ(effect.getD3DEffect(), nullptr);
}

TEST_F(EffectInit, MissingParametersAreEachNamedAndTheEffectStaysLoaded) {
    dir.write("data/effects/S.fxo", testEffect("parameter float4 lightPosition\nparameter float4x4 matWorld\n"));
    EffectShadowMap effect;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(effect.init(device, "data/effects/S.fxo", "data/effects/SFallback.fxo"));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err,
              "Warning: Unknown shader parameter \"distanceScale\"\n"
              "Warning: Unknown shader parameter \"matLightWorldViewProj\"\n"
              "Error while caching shader params for data/effects/S.fxo\n");
    ASSERT_NE(effect.getD3DEffect(), nullptr);
    EXPECT_NE(effect.h_lightPosition, nullptr);
    EXPECT_EQ(effect.h_distanceScale, nullptr);
    EXPECT_NE(effect.h_matWorld, nullptr);
    // Callers still use it; a set through the missing handle fails instead of crashing.
    EXPECT_EQ(effect.getD3DEffect()->SetFloat(effect.h_distanceScale, 1.0f), D3DERR_INVALIDCALL);
    effect.release();
}

TEST_F(EffectInit, CompilerOutputOfAnEffectThatLoadsIsPrintedVerbatim) {
    // The first technique does not compile; the second does, so the effect loads.
    std::string text = "parameter texture2D texMain_Tex\nparameter texture2D texOverlay_Tex\n"
                       "technique Broken\npass P\n"
                       "glsl vertex\nvoid main() { brokenCall(); }\nendglsl\n"
                       "glsl fragment\nvoid main() {}\nendglsl\n"
                       "technique Fine\npass P\n"
                       "glsl vertex\nvoid main() {}\nendglsl\n"
                       "glsl fragment\nvoid main() {}\nendglsl\n";
    dir.write("data/effects/C.fxo", text);
    device->script().failProgramsContaining = {"brokenCall"};
    device->script().failProgramLog = "0:7: 'brokenCall' : no matching overloaded function found\n";
    EffectPostCombine effect;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(effect.init(device, "data/effects/C.fxo", "data/effects/CFallback.fxo"));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err,
              "Shader compilation errors:\n"
              "data/effects/C.fxo: technique Broken, pass P:\n"
              "0:7: 'brokenCall' : no matching overloaded function found\n");
    EXPECT_TRUE(effect.isSupported());
    effect.release();
}
