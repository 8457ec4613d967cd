// Two effects whose passes hold the same shader text share one GL program; each must still
// draw with its own parameter values, however their draws interleave.
#include "GLTestDevice.h"

#include "support/TempDir.h"

#include <d3dx9.h>

namespace {

std::string tintEffect(const char* tint) {
    return std::string("parameter float4 tint = ") + tint +
           "\n"
           "technique Tint\n"
           "pass P0\n"
           "renderstate ZENABLE FALSE\n"
           "glsl vertex\n"
           "layout(location = 0) in vec3 inPosition;\n"
           "void main() { gl_Position = zarnClip(vec4(inPosition, 1.0)); }\n"
           "endglsl\n"
           "glsl fragment\n"
           "out vec4 colour;\n"
           "void main() { colour = tint; }\n"
           "endglsl\n";
}

}  // namespace

TEST_F(GLDeviceTest, EffectsSharingAProgramEachDrawWithTheirOwnValues) {
    ASSERT_TRUE(open(8, 8));
    TempDir dir;
    ID3DXEffect* red = nullptr;
    ID3DXEffect* blue = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateEffectFromFileA(device, dir.write("red.fxo", tintEffect("1 0 0 1")).c_str(), nullptr,
                                                nullptr, 0, nullptr, &red, nullptr));
    ASSERT_EQ(D3D_OK, D3DXCreateEffectFromFileA(device, dir.write("blue.fxo", tintEffect("0 0 1 1")).c_str(), nullptr,
                                                nullptr, 0, nullptr, &blue, nullptr));
    const QuadVertex quad[4] = {{-1, -1, 0.5f, 0, 1}, {-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {1, -1, 0.5f, 1, 1}};
    auto colourDrawnBy = [&](ID3DXEffect* effect) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        UINT passes = 0;
        EXPECT_EQ(D3D_OK, effect->Begin(&passes, 0));
        EXPECT_EQ(D3D_OK, effect->BeginPass(0));
        drawQuad(quad);
        effect->EndPass();
        effect->End();
        return present().at(4, 4);
    };
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(0xFFFF0000u, colourDrawnBy(red)) << "round " << round;
        EXPECT_EQ(0xFF0000FFu, colourDrawnBy(blue)) << "round " << round;
    }
    red->Release();
    EXPECT_EQ(0xFF0000FFu, colourDrawnBy(blue)) << "the program outlives the first effect";
    blue->Release();
}
