// The fixed-function programs built for one state each must draw exactly what the general
// program draws for that state, and the alpha test must keep Direct3D's comparisons in both.
#include "GLTestDevice.h"

#include "d3d9/gl/GLDevice.h"

class GLDeviceTestAccess {
public:
    static GLFixedFunction& fixedFunction(IDirect3DDevice9* device) {
        return static_cast<GLDevice*>(device)->fixedFunction;
    }
};

namespace {

struct FixedState {
    bool lighting, specular, normalize;
    DWORD colorOp;  // 0: no texture bound
    DWORD transformFlags;
    DWORD alphaFunc;  // 0: no alpha test
    int lights;
};

D3DMATRIX identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

uint32_t argb(int a, int r, int g, int b) {
    return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

class FixedFunctionPrograms : public GLDeviceTest {
public:
    using GLDeviceTest::device;

protected:
    void SetUp() override {
        ASSERT_TRUE(open(32, 32));
        std::vector<uint32_t> texels(16);
        for (int k = 0; k < 16; ++k) texels[size_t(k)] = argb(k * 17, 255 - k * 13, k * 11, 90 + k * 9);
        texture = makeTexture(4, 4, texels);
        D3DMATERIAL9 material{};
        material.Diffuse = {0.8f, 0.6f, 0.4f, 0.7f};
        material.Ambient = {0.5f, 0.4f, 0.3f, 1.0f};
        material.Specular = {0.9f, 0.8f, 1.0f, 1.0f};
        material.Emissive = {0.05f, 0.0f, 0.1f, 1.0f};
        material.Power = 12.0f;
        device->SetMaterial(&material);
        for (DWORD k = 0; k < 3; ++k) {
            D3DLIGHT9 light{};
            light.Type = D3DLIGHT_DIRECTIONAL;
            light.Diffuse = {0.5f + 0.2f * float(k), 0.7f, 0.4f, 1.0f};
            light.Specular = {0.6f, 0.5f, 0.4f + 0.2f * float(k), 1.0f};
            light.Ambient = {0.05f, 0.1f, 0.05f, 1.0f};
            light.Direction = {0.4f - 0.5f * float(k), -0.6f, 1.0f};
            device->SetLight(k, &light);
        }
        device->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(0x30, 0x20, 0x10));
        device->SetRenderState(D3DRS_ALPHAREF, 0x80);
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        D3DMATRIX scroll = identity();
        scroll._31 = 0.25f;
        scroll._32 = 0.5f;
        scroll._33 = 1.5f;
        device->SetTransform(D3DTS_TEXTURE0, &scroll);
        const D3DMATRIX id = identity();
        device->SetTransform(D3DTS_WORLD, &id);
        device->SetTransform(D3DTS_VIEW, &id);
        device->SetTransform(D3DTS_PROJECTION, &id);
    }

    void apply(const FixedState& s) {
        device->SetRenderState(D3DRS_LIGHTING, s.lighting);
        device->SetRenderState(D3DRS_SPECULARENABLE, s.specular);
        device->SetRenderState(D3DRS_NORMALIZENORMALS, s.normalize);
        device->SetTexture(0, s.colorOp ? texture : nullptr);
        device->SetTextureStageState(0, D3DTSS_COLOROP, s.colorOp ? s.colorOp : DWORD(D3DTOP_MODULATE));
        device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, s.transformFlags);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, s.alphaFunc != 0);
        device->SetRenderState(D3DRS_ALPHAFUNC, s.alphaFunc ? s.alphaFunc : DWORD(D3DCMP_ALWAYS));
        for (DWORD k = 0; k < 3; ++k) device->LightEnable(k, int(k) < s.lights);
    }

public:
    // A quad over the whole target whose corners face different ways, so lighting varies
    // across it; unnormalised normals show what D3DRS_NORMALIZENORMALS does.
    Image draw(const FixedState& s) {
        apply(s);
        const float z = 0.5f;
        const LitVertex quad[4] = {{-1, -1, z, 0.3f, 0.2f, -1.6f, 0, 1},
                                   {-1, 1, z, -0.5f, 0.4f, -0.7f, 0, 0},
                                   {1, 1, z, 0.6f, -0.3f, -1.2f, 1, 0},
                                   {1, -1, z, -0.2f, -0.6f, -0.9f, 1, 1}};
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF204060, 1.0f, 0);
        drawLit(quad, 4, D3DPT_TRIANGLEFAN, 2);
        return present();
    }

protected:
    IDirect3DTexture9* texture = nullptr;
};

}  // namespace

void expectEachStateDrawsAsTheGeneralProgram(FixedFunctionPrograms* test, const std::vector<FixedState>& states) {
    GLFixedFunction& fixedFunction = GLDeviceTestAccess::fixedFunction(test->device);
    for (size_t k = 0; k < states.size(); ++k) {
        fixedFunction.setSpecialising(true);
        const Image own = test->draw(states[k]);
        fixedFunction.setSpecialising(false);
        const Image general = test->draw(states[k]);
        size_t differing = 0;
        for (size_t p = 0; p < own.pixels.size(); ++p) differing += own.pixels[p] != general.pixels[p] ? 1 : 0;
        EXPECT_EQ(0u, differing) << "state " << k;
        if (differing) {
            saveImage(own, "ff_state_" + std::to_string(k) + "_own");
            saveImage(general, "ff_state_" + std::to_string(k) + "_general");
        }
    }
}

TEST_F(FixedFunctionPrograms, LightingStatesDrawWhatTheGeneralProgramDraws) {
    std::vector<FixedState> states;
    for (int lights = 0; lights <= 3; ++lights)
        for (int specular = 0; specular <= 1; ++specular)
            states.push_back({true, specular != 0, lights % 2 == 0, D3DTOP_MODULATE, 0, 0, lights});
    states.push_back({false, true, false, 0, 0, 0, 2});
    expectEachStateDrawsAsTheGeneralProgram(this, states);
}

TEST_F(FixedFunctionPrograms, TextureStagesDrawWhatTheGeneralProgramDraws) {
    std::vector<FixedState> states;
    const DWORD ops[] = {0, D3DTOP_DISABLE, D3DTOP_SELECTARG1, D3DTOP_SELECTARG2, D3DTOP_MODULATE};
    for (DWORD op : ops) states.push_back({false, false, false, op, 0, 0, 1});
    const DWORD transforms[] = {D3DTTFF_COUNT2, D3DTTFF_COUNT3 | D3DTTFF_PROJECTED, D3DTTFF_COUNT2 | D3DTTFF_PROJECTED,
                                D3DTTFF_COUNT4 | D3DTTFF_PROJECTED};
    for (DWORD flags : transforms) states.push_back({true, true, true, D3DTOP_MODULATE, flags, 0, 2});
    expectEachStateDrawsAsTheGeneralProgram(this, states);
}

TEST_F(FixedFunctionPrograms, AlphaTestsDrawWhatTheGeneralProgramDraws) {
    std::vector<FixedState> states;
    for (DWORD func = D3DCMP_NEVER; func <= D3DCMP_ALWAYS; ++func)
        states.push_back({true, false, false, D3DTOP_SELECTARG1, 0, func, 1});
    states.push_back({true, false, false, D3DTOP_SELECTARG1, 0, 20, 1});  // not a comparison
    expectEachStateDrawsAsTheGeneralProgram(this, states);
}

// Past the table of built programs the general program draws the remaining states.
TEST_F(FixedFunctionPrograms, StatesBeyondTheTableStillDrawRight) {
    std::vector<FixedState> states;
    for (int lights = 0; lights <= 3; ++lights)
        for (int specular = 0; specular <= 1; ++specular)
            for (int normalize = 0; normalize <= 1; ++normalize)
                states.push_back({true, specular != 0, normalize != 0, D3DTOP_MODULATE, 0, 0, lights});
    states.push_back({false, false, false, D3DTOP_SELECTARG1, 0, 0, 0});
    states.push_back({false, false, false, D3DTOP_SELECTARG2, 0, 0, 0});
    ASSERT_GT(states.size(), 16u);
    expectEachStateDrawsAsTheGeneralProgram(this, states);
}

// Texel alphas 0x00..0xFF against the reference 0x80: each comparison keeps exactly the texels
// Direct3D keeps, the others show the clear colour.
TEST_F(FixedFunctionPrograms, AlphaTestKeepsWhatEachComparisonPasses) {
    const uint32_t clearColour = 0xFF204060;
    for (DWORD func = D3DCMP_NEVER; func <= D3DCMP_ALWAYS; ++func) {
        const Image image = draw({false, false, false, D3DTOP_SELECTARG1, 0, func, 0});
        for (int k = 0; k < 16; ++k) {
            // Texel k fills an 8 x 8 block; its alpha is k * 17.
            const int x = (k % 4) * 8 + 4, y = (k / 4) * 8 + 4;
            const int a = k * 17, ref = 0x80;
            const bool pass = func == D3DCMP_LESS ? a < ref : func == D3DCMP_EQUAL ? a == ref
                            : func == D3DCMP_LESSEQUAL ? a <= ref : func == D3DCMP_GREATER ? a > ref
                            : func == D3DCMP_NOTEQUAL ? a != ref : func == D3DCMP_GREATEREQUAL ? a >= ref
                            : func == D3DCMP_ALWAYS;
            EXPECT_EQ(pass, (image.at(x, y) & 0xFFFFFF) != (clearColour & 0xFFFFFF))
                << "function " << func << " texel alpha " << a;
        }
    }
}
