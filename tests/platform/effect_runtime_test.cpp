// The D3DX effect stand-in on the recording device: loading, technique validity, typed
// parameter sets, what BeginPass and CommitChanges hand to the device, and the state that
// Begin saves and End restores.
#include <ZarnRecordingDevice.h>
#include <d3dx9.h>

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

const char* kTwoTechniques =
    "parameter float4x4 matWorld\n"
    "parameter float4 colour = 1 0.5 0.25 1\n"
    "parameter float gain\n"
    "parameter texture2D base_Tex\n"
    "parameter textureCUBE env_Tex\n"
    "technique Fancy\n"
    "requires test-unsupported\n"
    "pass P0\n"
    "glsl vertex\nvoid main() { gl_Position = vec4(0.0); }\nendglsl\n"
    "glsl fragment\nout vec4 c;\nvoid main() { c = vec4(0.0); }\nendglsl\n"
    "technique Plain\n"
    "pass P0\n"
    "renderstate CULLMODE NONE\n"
    "renderstate ALPHABLENDENABLE TRUE\n"
    "sampler base_Tex MINFILTER LINEAR\n"
    "sampler env_Tex ADDRESSU CLAMP\n"
    "glsl vertex\nvoid main() { gl_Position = matWorld * vec4(gain); }\nendglsl\n"
    "glsl fragment\nout vec4 c;\nvoid main() { c = colour + texture(base_Tex, vec2(0.0)); }\nendglsl\n"
    "pass P1\n"
    "renderstate ZENABLE FALSE\n"
    "glsl vertex\nvoid main() { gl_Position = vec4(1.0); }\nendglsl\n"
    "glsl fragment\nout vec4 c;\nvoid main() { c = vec4(1.0); }\nendglsl\n";

class EffectRuntime : public ::testing::Test {
protected:
    void SetUp() override {
        D3DPRESENT_PARAMETERS pp = {};
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 48;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.EnableAutoDepthStencil = TRUE;
        ZarnRecordingScript script;
        script.refusedRequirements = {"test-unsupported"};
        device = new ZarnRecordingDevice(nullptr, pp, ZarnRecordingHalCaps(), nullptr, script);
    }
    void TearDown() override {
        if (device) device->Release();
        EXPECT_EQ(ZarnRecordingLiveObjects(), 0);
    }

    HRESULT load(const std::string& text, ID3DXEffect** effect, std::string* errors = nullptr) {
        dir.write("fx.fxo", text);
        ID3DXBuffer* buffer = nullptr;
        HRESULT hr = D3DXCreateEffectFromFileA(device, "fx.fxo", nullptr, nullptr, 0, nullptr, effect, &buffer);
        if (buffer) {
            const char* textOut = static_cast<const char*>(buffer->GetBufferPointer());
            EXPECT_EQ(textOut[buffer->GetBufferSize() - 1], '\0');
            if (errors) *errors = textOut;
            buffer->Release();
        } else if (errors) {
            errors->clear();
        }
        return hr;
    }

    TempDir dir;
    ZarnRecordingDevice* device = nullptr;
};

}  // namespace

TEST_F(EffectRuntime, MissingOrBrokenFilesFailWithTheReasonInTheBuffer) {
    ID3DXEffect* effect = reinterpret_cast<ID3DXEffect*>(1);
    ID3DXBuffer* errors = nullptr;
    EXPECT_TRUE(FAILED(D3DXCreateEffectFromFileA(device, "nothere.fxo", nullptr, nullptr, 0, nullptr, &effect, &errors)));
    EXPECT_EQ(effect, nullptr);
    ASSERT_NE(errors, nullptr);
    EXPECT_NE(std::strstr(static_cast<const char*>(errors->GetBufferPointer()), "nothere.fxo"), nullptr);
    errors->Release();

    std::string text;
    EXPECT_EQ(load("technique T\npass P\nrenderstate NOPE 1\n", &effect, &text), D3DXERR_INVALIDDATA);
    EXPECT_EQ(effect, nullptr);
    EXPECT_EQ(text, "fx.fxo: line 3: unknown render state 'NOPE'\n");

    EXPECT_EQ(D3DXCreateEffectFromFileA(nullptr, "fx.fxo", nullptr, nullptr, 0, nullptr, &effect, nullptr),
              D3DERR_INVALIDCALL);
}

TEST_F(EffectRuntime, ATechniqueIsValidOnlyWhenGrantedAndCompiled) {
    ID3DXEffect* effect = nullptr;
    std::string log;
    ASSERT_EQ(load(kTwoTechniques, &effect, &log), D3D_OK);
    EXPECT_NE(log.find("technique Fancy: the device refuses requirement 'test-unsupported'"), std::string::npos);
    // The refused technique is not even compiled.
    EXPECT_EQ(device->log().countCalls("CreateProgram"), 2);

    D3DXHANDLE first = nullptr;
    ASSERT_EQ(effect->FindNextValidTechnique(nullptr, &first), D3D_OK);
    EXPECT_STREQ(first, "Plain");
    D3DXHANDLE next = reinterpret_cast<D3DXHANDLE>(1);
    EXPECT_EQ(effect->FindNextValidTechnique(first, &next), S_FALSE);
    EXPECT_EQ(next, nullptr);
    effect->Release();
    EXPECT_EQ(device->liveProgramCount(), 0);

    // A compile failure makes the technique invalid, and its log comes back with the effect.
    device->script().failProgramsContaining = {"texture(base_Tex"};
    device->script().failProgramLog = "0:3: 'texture' : no matching overloaded function";
    ASSERT_EQ(load(kTwoTechniques, &effect, &log), D3D_OK);
    EXPECT_NE(log.find("fx.fxo: technique Plain, pass P0:\n0:3: 'texture' : no matching overloaded function\n"),
              std::string::npos);
    EXPECT_EQ(effect->FindNextValidTechnique(nullptr, &first), S_FALSE);
    UINT passes = 7;
    EXPECT_EQ(effect->Begin(&passes, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(passes, 0u);
    effect->Release();
    EXPECT_EQ(device->liveProgramCount(), 0);
}

TEST_F(EffectRuntime, ParameterSetsAreTypedAndNeedAKnownHandle) {
    ID3DXEffect* effect = nullptr;
    ASSERT_EQ(load(kTwoTechniques, &effect), D3D_OK);
    D3DXHANDLE world = effect->GetParameterByName(nullptr, "matWorld");
    D3DXHANDLE colour = effect->GetParameterByName(nullptr, "colour");
    D3DXHANDLE gain = effect->GetParameterByName(nullptr, "gain");
    D3DXHANDLE base = effect->GetParameterByName(nullptr, "base_Tex");
    D3DXHANDLE env = effect->GetParameterByName(nullptr, "env_Tex");
    ASSERT_TRUE(world && colour && gain && base && env);
    EXPECT_EQ(effect->GetParameterByName(nullptr, "missing"), nullptr);
    EXPECT_EQ(effect->GetParameterByName(world, "colour"), nullptr);

    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    D3DXVECTOR4 v(1, 2, 3, 4);
    EXPECT_EQ(effect->SetMatrix(world, &m), D3D_OK);
    EXPECT_EQ(effect->SetVector(colour, &v), D3D_OK);
    EXPECT_EQ(effect->SetFloat(gain, 2.0f), D3D_OK);
    EXPECT_EQ(effect->SetFloat("gain", 3.0f), D3D_OK);  // names work as handles, as in D3DX

    EXPECT_EQ(effect->SetMatrix(nullptr, &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->SetFloat(nullptr, 1.0f), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->SetTexture(nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->SetVector(world, &v), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->SetMatrix(colour, &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->SetFloat(colour, 1.0f), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->SetTexture(gain, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->SetMatrix(world, nullptr), D3DERR_INVALIDCALL);

    IDirect3DTexture9* texture = nullptr;
    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateCubeTexture(4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr), D3D_OK);
    EXPECT_EQ(effect->SetTexture(base, cube), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->SetTexture(env, texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->SetTexture(base, texture), D3D_OK);
    EXPECT_EQ(effect->SetTexture(env, cube), D3D_OK);
    // The effect keeps its own references: the caller may let go first.
    texture->Release();
    cube->Release();
    EXPECT_EQ(effect->SetTexture(base, nullptr), D3D_OK);
    effect->Release();
}

TEST_F(EffectRuntime, PassesHandTheirProgramStatesAndValuesToTheDevice) {
    ID3DXEffect* effect = nullptr;
    ASSERT_EQ(load(kTwoTechniques, &effect), D3D_OK);
    ZarnRecordingLog& log = device->log();
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    effect->SetFloat("gain", 2.5f);
    effect->SetTexture("base_Tex", texture);
    texture->Release();

    EXPECT_EQ(effect->BeginPass(0), D3DERR_INVALIDCALL);  // not begun
    log.clear();
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 2u);
    EXPECT_EQ(effect->Begin(&passes, 0), D3DERR_INVALIDCALL);  // already begun
    EXPECT_EQ(effect->BeginPass(2), D3DERR_INVALIDCALL);
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    EXPECT_EQ(device->currentProgram(), 1u);
    EXPECT_TRUE(log.contains("SetRenderState(D3DRS_CULLMODE, 1)"));
    EXPECT_TRUE(log.contains("SetRenderState(D3DRS_ALPHABLENDENABLE, 1)"));
    EXPECT_TRUE(log.contains("SetSamplerState(0, D3DSAMP_MINFILTER, 2)"));
    EXPECT_TRUE(log.contains("SetSamplerState(1, D3DSAMP_ADDRESSU, 3)"));
    // Every parameter reaches the program, initial values included; textures on their units.
    EXPECT_EQ(log.countCalls("SetUniform"), 3);
    bool sawColour = false;
    bool sawGain = false;
    for (const std::string& line : log.calls("SetUniform")) {
        sawColour = sawColour || line.find("VEC4, [1 0.5 0.25 1]") != std::string::npos;
        sawGain = sawGain || line.find("FLOAT, [2.5]") != std::string::npos;
    }
    EXPECT_TRUE(sawColour);
    EXPECT_TRUE(sawGain);
    ASSERT_EQ(log.countCalls("SetUniformTexture"), 2);
    EXPECT_NE(log.calls("SetUniformTexture")[0].find(", 0, tex1"), std::string::npos);
    EXPECT_NE(log.calls("SetUniformTexture")[1].find(", 1, null"), std::string::npos);

    // Inside a pass only what changed goes out, and only at CommitChanges.
    log.clear();
    effect->SetFloat("gain", 4.0f);
    EXPECT_EQ(log.countCalls("SetUniform"), 0);
    ASSERT_EQ(effect->CommitChanges(), D3D_OK);
    ASSERT_EQ(log.countCalls("SetUniform"), 1);
    EXPECT_NE(log.calls("SetUniform")[0].find("FLOAT, [4]"), std::string::npos);
    EXPECT_EQ(log.countCalls("SetUniformTexture"), 0);

    EXPECT_EQ(effect->BeginPass(1), D3DERR_INVALIDCALL);  // a pass is open
    EXPECT_EQ(effect->EndPass(), D3D_OK);
    EXPECT_EQ(effect->CommitChanges(), D3DERR_INVALIDCALL);
    ASSERT_EQ(effect->BeginPass(1), D3D_OK);
    EXPECT_EQ(device->currentProgram(), 2u);
    EXPECT_EQ(effect->EndPass(), D3D_OK);
    EXPECT_EQ(effect->End(), D3D_OK);
    EXPECT_EQ(device->currentProgram(), 0u);
    EXPECT_EQ(effect->End(), D3DERR_INVALIDCALL);
    effect->Release();
}

TEST_F(EffectRuntime, BeginSavesWhatThePassesChangeAndEndRestoresIt) {
    ID3DXEffect* effect = nullptr;
    ASSERT_EQ(load(kTwoTechniques, &effect), D3D_OK);
    IDirect3DTexture9* previous = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &previous, nullptr), D3D_OK);
    device->SetTexture(0, previous);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);

    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    effect->BeginPass(0);
    effect->EndPass();
    effect->BeginPass(1);
    effect->EndPass();
    effect->End();

    DWORD value = 0;
    device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_CW));
    device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(FALSE));
    device->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DZB_TRUE));
    device->GetSamplerState(0, D3DSAMP_MINFILTER, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_POINT));
    IDirect3DBaseTexture9* stage0 = nullptr;
    device->GetTexture(0, &stage0);
    EXPECT_EQ(stage0, previous);
    if (stage0) stage0->Release();

    // With D3DXFX_DONOTSAVESTATE the pass's states stay.
    ASSERT_EQ(effect->Begin(&passes, D3DXFX_DONOTSAVESTATE), D3D_OK);
    effect->BeginPass(0);
    effect->EndPass();
    effect->End();
    device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_NONE));

    device->SetTexture(0, nullptr);
    previous->Release();
    effect->Release();
}

TEST_F(EffectRuntime, ReleasingInsideBeginPutsTheDeviceBack) {
    ID3DXEffect* effect = nullptr;
    ASSERT_EQ(load(kTwoTechniques, &effect), D3D_OK);
    UINT passes = 0;
    effect->Begin(&passes, 0);
    effect->BeginPass(0);
    EXPECT_EQ(effect->OnLostDevice(), D3D_OK);
    EXPECT_EQ(device->currentProgram(), 0u);
    DWORD cull = 0;
    device->GetRenderState(D3DRS_CULLMODE, &cull);
    EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_CCW));
    effect->Begin(&passes, 0);
    effect->Release();
    EXPECT_EQ(device->currentProgram(), 0u);
    EXPECT_EQ(device->liveProgramCount(), 0);
}

TEST_F(EffectRuntime, MacrosReachEveryStageAndUnsafeOnesAreRefused) {
    const char* text =
        "technique T\npass P0\n"
        "glsl vertex\nvoid main() { gl_Position = vec4(0.0); }\nendglsl\n"
        "glsl fragment\nout vec4 c;\nvoid main() { c = vec4(0.0); }\nendglsl\n";
    dir.write("fx.fxo", text);
    auto loadWith = [&](const D3DXMACRO* macros, ID3DXEffect** effect) {
        return D3DXCreateEffectFromFileA(device, "fx.fxo", macros, nullptr, 0, nullptr, effect, nullptr);
    };
    // The scripted failure matches the program text, so a technique that fails proves the
    // #define line was in it.
    device->script().failProgramsContaining = {"#define SHADOWS_OFF 1\n"};
    ID3DXEffect* effect = nullptr;
    ASSERT_EQ(loadWith(nullptr, &effect), D3D_OK);
    D3DXHANDLE technique = nullptr;
    EXPECT_EQ(effect->FindNextValidTechnique(nullptr, &technique), D3D_OK);
    effect->Release();
    const D3DXMACRO shadowsOff[] = {{"SHADOWS_OFF", "1"}, {nullptr, nullptr}};
    ASSERT_EQ(loadWith(shadowsOff, &effect), D3D_OK);
    EXPECT_EQ(effect->FindNextValidTechnique(nullptr, &technique), S_FALSE);
    effect->Release();

    // A name or definition that could end its #define line and inject text is refused, as is
    // a reserved name or an endless list.
    const D3DXMACRO broken[][2] = {{{"A\nvoid", "1"}, {nullptr, nullptr}},   {{"A", "1\n#version 100"}, {nullptr, nullptr}},
                                   {{"A", "1 \\"}, {nullptr, nullptr}},      {{"GL_A", "1"}, {nullptr, nullptr}},
                                   {{"A__B", "1"}, {nullptr, nullptr}},      {{"9A", "1"}, {nullptr, nullptr}},
                                   {{"", "1"}, {nullptr, nullptr}}};
    for (const auto& macros : broken) {
        effect = reinterpret_cast<ID3DXEffect*>(1);
        EXPECT_EQ(loadWith(macros, &effect), D3DERR_INVALIDCALL) << macros[0].Name;
        EXPECT_EQ(effect, nullptr);
    }
    std::vector<D3DXMACRO> many(40, D3DXMACRO{"M", "1"});
    many.push_back({nullptr, nullptr});
    EXPECT_EQ(loadWith(many.data(), &effect), D3DERR_INVALIDCALL);
    // A null definition is an empty one.
    const D3DXMACRO bare[] = {{"FLAG", nullptr}, {nullptr, nullptr}};
    ASSERT_EQ(loadWith(bare, &effect), D3D_OK);
    effect->Release();
}
