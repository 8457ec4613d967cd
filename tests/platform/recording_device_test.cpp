// The recording back end that every other unit test stands on: its log must say what was
// called in order, state must read back, reference counts must be honest (leaks show in the
// live-object count), and scripted failures must fail exactly where asked.
#include <gtest/gtest.h>

#include <ZarnRecordingDevice.h>

#include <cstring>

namespace {

D3DPRESENT_PARAMETERS windowedParams(UINT width = 800, UINT height = 600) {
    D3DPRESENT_PARAMETERS p = {};
    p.BackBufferWidth = width;
    p.BackBufferHeight = height;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.BackBufferCount = 1;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = TRUE;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D16;
    return p;
}

class RecordingDeviceTest : public testing::Test {
protected:
    void SetUp() override {
        baseline = ZarnRecordingLiveObjects();
        device = new ZarnRecordingDevice(nullptr, windowedParams(), ZarnRecordingHalCaps(),
                                         std::make_shared<ZarnRecordingLog>());
    }
    void TearDown() override {
        if (device) {
            EXPECT_EQ(0u, device->Release());
        }
        EXPECT_EQ(baseline, ZarnRecordingLiveObjects()) << "a recording object outlived its test";
    }
    ZarnRecordingDevice* device = nullptr;
    int baseline = 0;
};

TEST_F(RecordingDeviceTest, LogsCallsInOrderWithReadableArguments) {
    device->SetRenderState(D3DRS_ZENABLE, 0);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
    device->BeginScene();
    device->SetTexture(0, nullptr);
    device->EndScene();

    const ZarnRecordingLog& log = device->log();
    ASSERT_EQ(6u, log.size()) << log.text();
    EXPECT_EQ("SetRenderState(D3DRS_ZENABLE, 0)", log.lines[0]);
    EXPECT_EQ("SetSamplerState(0, D3DSAMP_MINFILTER, 2)", log.lines[1]);
    EXPECT_EQ("Clear(0, 0x3, 0xFF000000, 1, 0)", log.lines[2]);
    EXPECT_EQ("SetTexture(0, null)", log.lines[4]);
    EXPECT_LT(log.indexOf("BeginScene()"), log.indexOf("EndScene()"));
    EXPECT_EQ(1, log.countCalls("SetTexture"));
    EXPECT_EQ(1, log.countPrefix("SetRenderState(D3DRS_ZENABLE,"));
    EXPECT_EQ(-1, log.indexOfCall("Present"));
}

TEST_F(RecordingDeviceTest, StateReadsBackWhatWasSetAndDefaultsOtherwise) {
    DWORD value = 0;
    device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ((DWORD)D3DCULL_CCW, value);
    device->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ((DWORD)D3DZB_TRUE, value) << "auto depth buffer turns depth testing on";
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ((DWORD)D3DCULL_NONE, value);

    D3DMATRIX m = {};
    device->GetTransform(D3DTS_VIEW, &m);
    EXPECT_EQ(1.0f, m._11);
    EXPECT_EQ(0.0f, m._41);
    D3DMATRIX set = {};
    set._11 = 2.0f;
    set._43 = 7.5f;
    device->SetTransform(D3DTS_VIEW, &set);
    device->GetTransform(D3DTS_VIEW, &m);
    EXPECT_EQ(0, std::memcmp(&set, &m, sizeof m));
    EXPECT_EQ(1, device->log().countPrefix("SetTransform(D3DTS_VIEW, [2 0 0 0"));

    D3DVIEWPORT9 viewport = {};
    device->GetViewport(&viewport);
    EXPECT_EQ(800u, viewport.Width);
    EXPECT_EQ(600u, viewport.Height);
}

TEST_F(RecordingDeviceTest, TexturesAreRealMemoryWithFullMipChains) {
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateTexture(8, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr));
    EXPECT_EQ("CreateTexture(8, 4, 0, 0x0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED) -> tex1", device->log().lines.back());
    EXPECT_EQ(4u, texture->GetLevelCount());
    D3DSURFACE_DESC desc = {};
    texture->GetLevelDesc(3, &desc);
    EXPECT_EQ(1u, desc.Width);
    EXPECT_EQ(1u, desc.Height);

    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(D3D_OK, texture->LockRect(1, &locked, nullptr, 0));
    EXPECT_EQ(16, locked.Pitch);
    static_cast<BYTE*>(locked.pBits)[5] = 0xAB;
    D3DLOCKED_RECT again = {};
    EXPECT_EQ(D3DERR_INVALIDCALL, texture->LockRect(1, &again, nullptr, 0)) << "a level locks once";
    EXPECT_EQ(D3D_OK, texture->UnlockRect(1));
    EXPECT_EQ(D3DERR_INVALIDCALL, texture->UnlockRect(1));
    ASSERT_EQ(D3D_OK, texture->LockRect(1, &again, nullptr, D3DLOCK_READONLY));
    EXPECT_EQ(0xAB, static_cast<BYTE*>(again.pBits)[5]) << "the bytes written stay in the level";
    texture->UnlockRect(1);

    RECT outside = {0, 0, 9, 4};
    EXPECT_EQ(D3DERR_INVALIDCALL, texture->LockRect(0, &locked, &outside, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, texture->LockRect(4, &locked, nullptr, 0));
    EXPECT_EQ(0u, texture->Release());
}

TEST_F(RecordingDeviceTest, BindingsHoldReferencesAndSurfacesCountOnTheirTexture) {
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                            &texture, nullptr));
    device->SetTexture(0, texture);
    EXPECT_EQ(2u, texture->AddRef() - 1) << "the bound stage holds a reference";
    texture->Release();

    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(D3D_OK, texture->GetSurfaceLevel(0, &level));
    IDirect3DSurface9* sameLevel = nullptr;
    texture->GetSurfaceLevel(0, &sameLevel);
    EXPECT_EQ(level, sameLevel);
    sameLevel->Release();

    IDirect3DSurface9* previous = nullptr;
    ASSERT_EQ(D3D_OK, device->GetRenderTarget(0, &previous));
    EXPECT_EQ("GetRenderTarget(0) -> backbuffer", device->log().lines.back());
    device->SetRenderTarget(0, level);
    EXPECT_EQ("SetRenderTarget(0, tex1/0)", device->log().lines.back());
    D3DVIEWPORT9 viewport = {};
    device->GetViewport(&viewport);
    EXPECT_EQ(64u, viewport.Width) << "a new target resets the viewport to its size";
    IDirect3DSurface9* current = nullptr;
    device->GetRenderTarget(0, &current);
    EXPECT_EQ(level, current);
    current->Release();
    device->SetRenderTarget(0, previous);
    previous->Release();
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetRenderTarget(0, nullptr));

    level->Release();
    device->SetTexture(0, nullptr);
    EXPECT_EQ(0u, texture->Release());
}

TEST_F(RecordingDeviceTest, ALeakedResourceOutlivesTheDeviceDetachedAndCounted) {
    IDirect3DVertexBuffer9* buffer = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &buffer, nullptr));
    device->SetStreamSource(0, buffer, 0, 16);
    EXPECT_EQ(0u, device->Release());
    device = nullptr;
    EXPECT_EQ(baseline + 1, ZarnRecordingLiveObjects());
    IDirect3DDevice9* owner = reinterpret_cast<IDirect3DDevice9*>(1);
    EXPECT_EQ(D3DERR_INVALIDCALL, buffer->GetDevice(&owner));
    EXPECT_EQ(nullptr, owner);
    void* data = nullptr;
    EXPECT_EQ(D3D_OK, buffer->Lock(0, 0, &data, 0)) << "memory stays usable, nothing is logged to a dead device";
    buffer->Unlock();
    EXPECT_EQ(0u, buffer->Release());
}

TEST_F(RecordingDeviceTest, BuffersLockInsideTheirBoundsOnly) {
    IDirect3DIndexBuffer9* indices = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &indices, nullptr));
    void* data = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL, indices->Lock(8, 8, &data, 0));
    EXPECT_EQ(nullptr, data);
    ASSERT_EQ(D3D_OK, indices->Lock(4, 8, &data, 0));
    std::memset(data, 0xFF, 8);
    indices->Unlock();
    EXPECT_EQ("ib1.Lock(4, 8, 0x0)", device->log().lines[device->log().size() - 2]);
    ASSERT_EQ(D3D_OK, indices->Lock(0, 0, &data, D3DLOCK_READONLY));
    const BYTE* bytes = static_cast<const BYTE*>(data);
    EXPECT_EQ(0x00, bytes[3]);
    EXPECT_EQ(0xFF, bytes[4]);
    EXPECT_EQ(0xFF, bytes[11]);
    indices->Unlock();
    indices->Release();
    EXPECT_EQ(D3DERR_INVALIDCALL, device->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &indices,
                                                            nullptr));
    EXPECT_EQ(nullptr, indices);
}

TEST_F(RecordingDeviceTest, DrawingWithoutVerticesOrNestedScenesFails) {
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
    EXPECT_EQ(D3D_OK, device->BeginScene());
    EXPECT_EQ(D3DERR_INVALIDCALL, device->BeginScene());
    EXPECT_EQ(D3D_OK, device->EndScene());
    EXPECT_EQ(D3DERR_INVALIDCALL, device->EndScene());
    EXPECT_EQ("EndScene() -> FAILED 0x8876086C", device->log().lines.back());

    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
                                          D3DDECL_END()};
    IDirect3DVertexDeclaration9* decl = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateVertexDeclaration(elements, &decl));
    EXPECT_EQ("CreateVertexDeclaration({0 0 2 0 0 0}) -> decl1", device->log().lines.back());
    UINT count = 0;
    decl->GetDeclaration(nullptr, &count);
    EXPECT_EQ(2u, count);
    IDirect3DVertexBuffer9* vertices = nullptr;
    device->CreateVertexBuffer(36, 0, 0, D3DPOOL_DEFAULT, &vertices, nullptr);
    device->SetVertexDeclaration(decl);
    device->SetStreamSource(0, vertices, 0, 12);
    EXPECT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
    EXPECT_EQ("DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1)", device->log().lines.back());
    decl->Release();
    vertices->Release();
}

TEST_F(RecordingDeviceTest, ScriptedFailuresHitExactlyWhereAsked) {
    device->script().failingCallNumbers["CreateTexture"] = {2};
    device->script().failTextureFormats = {D3DFMT_R16F};
    device->script().failingCalls["SetRenderState"] = E_FAIL;
    device->script().missingMultiSampleTypes = {D3DMULTISAMPLE_4_SAMPLES};

    IDirect3DTexture9* first = nullptr;
    IDirect3DTexture9* second = nullptr;
    IDirect3DTexture9* third = nullptr;
    IDirect3DTexture9* half = nullptr;
    EXPECT_EQ(D3D_OK, device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &first, nullptr));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &second,
                                                        nullptr));
    EXPECT_EQ(nullptr, second);
    EXPECT_EQ(D3D_OK, device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &third, nullptr));
    EXPECT_EQ(D3DERR_OUTOFVIDEOMEMORY,
              device->CreateTexture(4, 4, 1, 0, D3DFMT_R16F, D3DPOOL_MANAGED, &half, nullptr));
    EXPECT_EQ(E_FAIL, device->SetRenderState(D3DRS_LIGHTING, FALSE));
    DWORD lighting = 0;
    device->GetRenderState(D3DRS_LIGHTING, &lighting);
    EXPECT_EQ((DWORD)TRUE, lighting) << "a failed set changes nothing";

    IDirect3DSurface9* target = nullptr;
    EXPECT_EQ(D3DERR_NOTAVAILABLE, device->CreateRenderTarget(64, 64, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_4_SAMPLES, 0,
                                                              FALSE, &target, nullptr));
    ASSERT_EQ(D3D_OK, device->CreateRenderTarget(64, 64, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_2_SAMPLES, 0, FALSE, &target,
                                                 nullptr));
    EXPECT_EQ(3, device->log().countPrefix("CreateTexture(4, 4, 1, 0x0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED)"));
    EXPECT_TRUE(device->log().contains(
        "CreateTexture(4, 4, 1, 0x0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED) -> FAILED 0x8876086C"));
    target->Release();
    first->Release();
    third->Release();
}

TEST_F(RecordingDeviceTest, ShaderProgramsFollowTheScript) {
    IZarnShaderDevice* shaders = ZarnGetShaderDevice(device);
    ASSERT_NE(nullptr, shaders);
    device->script().failProgramsContaining = {"BROKEN"};
    device->script().refusedRequirements = {"shadow-depth-texture"};
    device->script().missingUniforms = {"unused"};

    std::string log;
    UINT program = 99;
    EXPECT_EQ(E_FAIL, shaders->CreateProgram("void main(){}", "BROKEN", &log, &program));
    EXPECT_EQ(0u, program);
    EXPECT_FALSE(log.empty());
    ASSERT_EQ(D3D_OK, shaders->CreateProgram("vs", "fs", &log, &program));
    EXPECT_EQ("CreateProgram() -> prog1", device->log().lines.back());
    EXPECT_EQ("fs", device->programFragmentSource(program));

    INT a = shaders->GetUniformLocation(program, "worldViewProj");
    INT b = shaders->GetUniformLocation(program, "lightPosition");
    EXPECT_NE(a, b);
    EXPECT_EQ(a, shaders->GetUniformLocation(program, "worldViewProj"));
    EXPECT_EQ(-1, shaders->GetUniformLocation(program, "unused"));

    const float v[4] = {1, 2, 3, 4};
    EXPECT_EQ(D3DERR_INVALIDCALL, shaders->SetUniform(b, ZARN_UNIFORM_VEC4, v)) << "no program in use";
    shaders->SetProgram(program);
    EXPECT_EQ(D3D_OK, shaders->SetUniform(b, ZARN_UNIFORM_VEC4, v));
    EXPECT_EQ(std::vector<float>({1, 2, 3, 4}), device->uniformValues(b));
    EXPECT_EQ("SetUniform(" + std::to_string(b) + ", VEC4, [1 2 3 4])", device->log().lines.back());

    EXPECT_TRUE(shaders->SupportsRequirement("sm3"));
    EXPECT_FALSE(shaders->SupportsRequirement("shadow-depth-texture"));
    shaders->DeleteProgram(program);
    EXPECT_EQ(0u, device->currentProgram());
    EXPECT_EQ(0, device->liveProgramCount());
}

TEST(RecordingDirect3D, FactoryHandsOutScriptedObjectsThatCreateLoggingDevices) {
    int baseline = ZarnRecordingLiveObjects();
    {
        ZarnDirect3DScript script;
        script.adapters[0].description = "Test adapter";
        ZarnScopedRecordingDirect3D installed(script);
        IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(nullptr, d3d);
        ASSERT_EQ(installed.lastCreated(), d3d);

        D3DADAPTER_IDENTIFIER9 id = {};
        ASSERT_EQ(D3D_OK, d3d->GetAdapterIdentifier(0, 0, &id));
        EXPECT_STREQ("Test adapter", id.Description);
        EXPECT_EQ(1u, d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8) - 3);
        EXPECT_EQ(0u, d3d->GetAdapterModeCount(0, D3DFMT_R5G6B5));

        DWORD quality = 0;
        EXPECT_EQ(D3D_OK, d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                                          D3DMULTISAMPLE_2_SAMPLES, &quality));
        EXPECT_EQ(1u, quality);
        EXPECT_EQ(D3DERR_NOTAVAILABLE, d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                                                       D3DMULTISAMPLE_8_SAMPLES, &quality));
        D3DCAPS9 caps = {};
        EXPECT_EQ(D3DERR_NOTAVAILABLE, d3d->GetDeviceCaps(0, D3DDEVTYPE_REF, &caps));

        D3DPRESENT_PARAMETERS params = windowedParams();
        IDirect3DDevice9* device = nullptr;
        ASSERT_EQ(D3D_OK, d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &params,
                                            &device));
        auto* recording = static_cast<ZarnRecordingDirect3D9*>(d3d);
        EXPECT_EQ(recording->lastDevice(), device);
        device->BeginScene();
        EXPECT_EQ("BeginScene()", recording->log().lines.back()) << "device and Direct3D share one log";

        params.BackBufferCount = 5;
        IDirect3DDevice9* refused = nullptr;
        EXPECT_EQ(D3DERR_INVALIDCALL, d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr,
                                                        D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &refused));
        EXPECT_EQ(nullptr, refused);

        // The device keeps its Direct3D object alive, as in Direct3D.
        EXPECT_EQ(1u, d3d->Release());
        EXPECT_EQ(0u, device->Release());
        EXPECT_EQ(nullptr, installed.lastCreated());

        installed.script().createDeviceResult = D3DERR_OUTOFVIDEOMEMORY;
        installed.failCreates(1);
        EXPECT_EQ(nullptr, Direct3DCreate9(D3D_SDK_VERSION));
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(nullptr, d3d);
        params = windowedParams();
        EXPECT_EQ(D3DERR_OUTOFVIDEOMEMORY,
                  d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device));
        EXPECT_EQ(0u, d3d->Release());
        EXPECT_EQ(2, installed.created());
    }
    EXPECT_EQ(baseline, ZarnRecordingLiveObjects());
}

}  // namespace
