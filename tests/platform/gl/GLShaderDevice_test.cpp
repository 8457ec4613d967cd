// The effect runtime's access to GL programs: compile logs, the zarnClip prelude, the matrix
// convention (Direct3D's 16 floats unchanged, `M * v` in GLSL), texture binding through
// uniforms, requirements, and the state cache dropping repeated state.
#include "GLTestDevice.h"

#include <ZarnShaderDevice.h>
#include <gl/ZarnGLStatistics.h>

namespace {

const char* vertexSource = R"(#version 330 core
layout(location = 0) in vec3 inPosition;
layout(location = 2) in vec2 inTexCoord;
uniform mat4 worldViewProj;
out vec2 uv;
void main() {
    uv = inTexCoord;
    gl_Position = zarnClip(worldViewProj * vec4(inPosition, 1.0));
}
)";

const char* fragmentSource = R"(#version 330 core
in vec2 uv;
uniform vec4 tint;
uniform sampler2D texMain;
out vec4 colour;
void main() { colour = tint * texture(texMain, uv); }
)";

uint32_t rgb(int r, int g, int b) { return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }

}  // namespace

TEST_F(GLDeviceTest, ProgramsCompileWithThePreludeAndReportErrors) {
    ASSERT_TRUE(open(8, 8));
    IZarnShaderDevice* shaders = ZarnGetShaderDevice(device);
    ASSERT_NE(nullptr, shaders);
    std::string log;
    UINT program = 0;
    ASSERT_EQ(S_OK, shaders->CreateProgram(vertexSource, fragmentSource, &log, &program)) << log;
    EXPECT_NE(0u, program);
    EXPECT_GE(shaders->GetUniformLocation(program, "tint"), 0);
    EXPECT_EQ(-1, shaders->GetUniformLocation(program, "noSuchUniform"));

    UINT broken = 7;
    EXPECT_EQ(E_FAIL, shaders->CreateProgram(vertexSource, "#version 330 core\nvoid main() { nonsense; }\n", &log,
                                             &broken));
    EXPECT_EQ(0u, broken);
    EXPECT_NE(std::string::npos, log.find("fragment")) << log;
    EXPECT_EQ(D3DERR_INVALIDCALL, shaders->SetProgram(program + 1000));
    shaders->DeleteProgram(program);
    EXPECT_EQ(D3DERR_INVALIDCALL, shaders->SetProgram(program));

    EXPECT_TRUE(shaders->SupportsRequirement("glsl330"));
    EXPECT_FALSE(shaders->SupportsRequirement("test-unsupported"));
    EXPECT_FALSE(shaders->SupportsRequirement(nullptr));
}

TEST_F(GLDeviceTest, EffectProgramsUseDirect3DMatricesAndSamplerUnits) {
    ASSERT_TRUE(open(16, 16));
    IZarnShaderDevice* shaders = ZarnGetShaderDevice(device);
    std::string log;
    UINT program = 0;
    ASSERT_EQ(S_OK, shaders->CreateProgram(vertexSource, fragmentSource, &log, &program)) << log;
    IDirect3DTexture9* texture = makeTexture(1, 1, {rgb(255, 255, 255)});
    ASSERT_EQ(D3D_OK, shaders->SetProgram(program));
    // Direct3D layout: the translation sits in the fourth row (_41, _42). Moving the
    // upper-left quarter-screen quad by (+1, −1) must land it in the lower-right quarter.
    float matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, -1, 0, 1};
    EXPECT_EQ(D3D_OK, shaders->SetUniform(shaders->GetUniformLocation(program, "worldViewProj"), ZARN_UNIFORM_MAT4,
                                          matrix));
    const float tint[4] = {0, 1, 0, 1};
    EXPECT_EQ(D3D_OK, shaders->SetUniform(shaders->GetUniformLocation(program, "tint"), ZARN_UNIFORM_VEC4, tint));
    EXPECT_EQ(D3D_OK, shaders->SetUniformTexture(shaders->GetUniformLocation(program, "texMain"), 3, texture));
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    const QuadVertex quad[4] = {{-1, 0, 0.5f, 0, 1}, {-1, 1, 0.5f, 0, 0}, {0, 1, 0.5f, 1, 0}, {0, 0, 0.5f, 1, 1}};
    drawQuad(quad);
    ASSERT_EQ(D3D_OK, shaders->SetProgram(0));
    Image image = present();
    EXPECT_EQ(rgb(0, 255, 0), image.at(12, 12));
    EXPECT_EQ(rgb(0, 0, 0), image.at(3, 3));
    if (HasFailure()) saveImage(image, "effect_program");
    shaders->DeleteProgram(program);
}

TEST_F(GLDeviceTest, RepeatedDrawsIssueNoStateCalls) {
    ASSERT_TRUE(open(8, 8));
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    const QuadVertex quad[4] = {{-1, -1, 0.5f, 0, 1}, {-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {1, -1, 0.5f, 1, 1}};
    IDirect3DVertexBuffer9* buffer = makeBuffer(quad, sizeof(quad));
    device->SetVertexDeclaration(quadDecl);
    device->SetStreamSource(0, buffer, 0, sizeof(QuadVertex));
    ASSERT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2));
    uint64_t issuedBefore = 0, skippedBefore = 0, issuedAfter = 0, skippedAfter = 0;
    ASSERT_TRUE(ZarnGetGLCallCounts(device, &issuedBefore, &skippedBefore));
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);  // unchanged value
    device->SetStreamSource(0, buffer, 0, sizeof(QuadVertex));
    ASSERT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2));
    ZarnGetGLCallCounts(device, &issuedAfter, &skippedAfter);
    EXPECT_EQ(issuedBefore, issuedAfter);
    EXPECT_GT(skippedAfter, skippedBefore);

    // Bad input is refused, not handed to GL.
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawPrimitive(D3DPT_FORCE_DWORD, 0, 2));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2))
        << "no index buffer set";
    IDirect3DIndexBuffer9* indices = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &indices, nullptr));
    owned.push_back(indices);
    device->SetIndices(indices);
    EXPECT_EQ(D3D_OK, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 1, 2))
        << "six indices from the second would read past the buffer";
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetRenderState(D3DRENDERSTATETYPE(300), 1));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetSamplerState(99, D3DSAMP_MINFILTER, D3DTEXF_LINEAR));
}

TEST_F(GLDeviceTest, BufferLocksKeepContentsAndRejectRangesOutside) {
    ASSERT_TRUE(open(4, 4));
    IDirect3DVertexBuffer9* buffer = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateVertexBuffer(16, 0, 0, D3DPOOL_DEFAULT, &buffer, nullptr));
    owned.push_back(buffer);
    void* data = nullptr;
    ASSERT_EQ(D3D_OK, buffer->Lock(0, 0, &data, 0));
    static_cast<uint8_t*>(data)[5] = 42;
    EXPECT_EQ(D3DERR_INVALIDCALL, buffer->Lock(0, 0, &data, 0)) << "already locked";
    ASSERT_EQ(D3D_OK, buffer->Unlock());
    ASSERT_EQ(D3D_OK, buffer->Lock(4, 4, &data, 0));
    EXPECT_EQ(42, static_cast<uint8_t*>(data)[1]) << "a lock without DISCARD sees the contents";
    buffer->Unlock();
    EXPECT_EQ(D3DERR_INVALIDCALL, buffer->Lock(12, 8, &data, 0));
    EXPECT_EQ(nullptr, data);
    EXPECT_EQ(D3DERR_INVALIDCALL, buffer->Lock(17, 0, &data, 0));

    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr));
    owned.push_back(texture);
    D3DLOCKED_RECT locked{};
    RECT outside = {2, 2, 5, 3};
    EXPECT_EQ(D3DERR_INVALIDCALL, texture->LockRect(0, &locked, &outside, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, texture->LockRect(1, &locked, nullptr, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, texture->UnlockRect(0)) << "not locked";
    EXPECT_EQ(D3DERR_INVALIDCALL, device->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr));
}

TEST_F(GLDeviceTest, ProgramsOfTheSameTextAreOneProgramUntilTheirLastUserLetsGo) {
    ASSERT_TRUE(open(8, 8));
    IZarnShaderDevice* shaders = ZarnGetShaderDevice(device);
    std::string log;
    UINT first = 0, second = 0, other = 0;
    ASSERT_EQ(S_OK, shaders->CreateProgram(vertexSource, fragmentSource, &log, &first)) << log;
    ASSERT_EQ(S_OK, shaders->CreateProgram(vertexSource, fragmentSource, &log, &second)) << log;
    EXPECT_EQ(first, second);
    const std::string otherFragment = std::string(fragmentSource) + "// another program\n";
    ASSERT_EQ(S_OK, shaders->CreateProgram(vertexSource, otherFragment.c_str(), &log, &other)) << log;
    EXPECT_NE(first, other);

    shaders->DeleteProgram(first);
    EXPECT_EQ(D3D_OK, shaders->SetProgram(second)) << "one user still holds it";
    shaders->DeleteProgram(second);
    EXPECT_EQ(D3DERR_INVALIDCALL, shaders->SetProgram(second));
    EXPECT_EQ(D3D_OK, shaders->SetProgram(other));
    shaders->DeleteProgram(other);

    UINT again = 0;
    ASSERT_EQ(S_OK, shaders->CreateProgram(vertexSource, fragmentSource, &log, &again)) << log;
    EXPECT_EQ(D3D_OK, shaders->SetProgram(again));
    shaders->DeleteProgram(again);
}
