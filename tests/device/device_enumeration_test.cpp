// Matching a requested device against what the (scripted) hardware offers: multisample and
// depth choices, windowed-only machines, presentation intervals, clamped counts, vertex
// processing, device types that need proof, and the device report in the log.
#include "DeviceFixture.h"

#include "device/DeviceEnumeration.h"

namespace {

class DeviceEnumerationTest : public DeviceFixture {
protected:
    // Runs the search on a Direct3D object with this adapter script.
    bool find(const ZarnFakeAdapter& adapter, const DeviceSettings& request, DeviceSettings* out) {
        ZarnDirect3DScript script;
        script.adapters = {adapter};
        return findWith(script, request, out);
    }
    bool findWith(const ZarnDirect3DScript& script, const DeviceSettings& request, DeviceSettings* out) {
        releaseDevice();
        d3d = new ZarnRecordingDirect3D9(script);
        saverState.direct3d = d3d;
        return findValidDeviceSettings(request, out);
    }
    ZarnRecordingDirect3D9* d3d = nullptr;
};

TEST_F(DeviceEnumerationTest, MultisampleFallsToTheNearestTypeWithItsHighestQuality) {
    ZarnFakeAdapter adapter;
    adapter.multiSampleQualities = {{D3DMULTISAMPLE_2_SAMPLES, 3}};
    DeviceSettings out;
    ASSERT_TRUE(find(adapter, windowedRequest(), &out));
    EXPECT_EQ(D3DMULTISAMPLE_2_SAMPLES, out.presentParams.MultiSampleType);
    EXPECT_EQ(2u, out.presentParams.MultiSampleQuality);

    adapter.multiSampleQualities = {{D3DMULTISAMPLE_2_SAMPLES, 1}};
    DeviceSettings request = windowedRequest();
    request.presentParams.MultiSampleType = D3DMULTISAMPLE_2_SAMPLES;
    request.presentParams.MultiSampleQuality = 2;
    ASSERT_TRUE(find(adapter, request, &out));
    EXPECT_EQ(D3DMULTISAMPLE_2_SAMPLES, out.presentParams.MultiSampleType);
    EXPECT_EQ(0u, out.presentParams.MultiSampleQuality);

    // Nothing beyond NONE on offer, or a swap effect that cannot multisample: NONE.
    adapter.multiSampleQualities.clear();
    ASSERT_TRUE(find(adapter, windowedRequest(), &out));
    EXPECT_EQ(D3DMULTISAMPLE_NONE, out.presentParams.MultiSampleType);
    adapter.multiSampleQualities = {{D3DMULTISAMPLE_4_SAMPLES, 2}};
    request = windowedRequest();
    request.presentParams.SwapEffect = D3DSWAPEFFECT_COPY;
    ASSERT_TRUE(find(adapter, request, &out));
    EXPECT_EQ(D3DMULTISAMPLE_NONE, out.presentParams.MultiSampleType);
    EXPECT_EQ(0u, out.presentParams.MultiSampleQuality);
}

TEST_F(DeviceEnumerationTest, DepthFormatIsTheClosestInBitsFirstOfEqualsWinning) {
    ZarnFakeAdapter adapter;
    adapter.depthFormats = {D3DFMT_D32, D3DFMT_D24S8, D3DFMT_D16};
    DeviceSettings out;
    ASSERT_TRUE(find(adapter, windowedRequest(), &out));
    EXPECT_EQ(D3DFMT_D16, out.presentParams.AutoDepthStencilFormat);
    EXPECT_TRUE(out.presentParams.EnableAutoDepthStencil);
    EXPECT_EQ((DWORD)D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL, out.presentParams.Flags);

    // Without D16: D24X8 (8 bits off) beats D24S8 (16 off) and D32 (16 off).
    adapter.depthFormats = {D3DFMT_D32, D3DFMT_D24S8, D3DFMT_D24X8};
    ASSERT_TRUE(find(adapter, windowedRequest(), &out));
    EXPECT_EQ(D3DFMT_D24X8, out.presentParams.AutoDepthStencilFormat);

    adapter.depthFormats.clear();
    ASSERT_TRUE(find(adapter, windowedRequest(), &out));
    EXPECT_FALSE(out.presentParams.EnableAutoDepthStencil);
    EXPECT_EQ(D3DFMT_UNKNOWN, out.presentParams.AutoDepthStencilFormat);
    EXPECT_EQ(0u, out.presentParams.Flags);
}

TEST_F(DeviceEnumerationTest, WithoutAn800x600ModeOnlyWindowedCombosExist) {
    ZarnFakeAdapter adapter;
    adapter.modes = {{1280, 1024, 60, D3DFMT_X8R8G8B8}, {1024, 768, 60, D3DFMT_X8R8G8B8}};
    DeviceSettings out;
    ASSERT_TRUE(find(adapter, windowedRequest(), &out));
    EXPECT_TRUE(out.presentParams.Windowed);
    EXPECT_EQ(0, d3d->log().countPrefix("CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, 0)"))
        << "full screen is never even asked for";

    DeviceSettings fullScreen = windowedRequest();
    fullScreen.presentParams.Windowed = FALSE;
    fullScreen.presentParams.FullScreen_RefreshRateInHz = 60;
    ASSERT_TRUE(find(adapter, fullScreen, &out));
    EXPECT_TRUE(out.presentParams.Windowed);
    EXPECT_EQ(0u, out.presentParams.FullScreen_RefreshRateInHz) << "windowed devices have no refresh rate";

    // With the mode, a full-screen request gets full screen and keeps its rate.
    adapter.modes.push_back({800, 600, 60, D3DFMT_X8R8G8B8});
    ASSERT_TRUE(find(adapter, fullScreen, &out));
    EXPECT_FALSE(out.presentParams.Windowed);
    EXPECT_EQ(60u, out.presentParams.FullScreen_RefreshRateInHz);
}

TEST_F(DeviceEnumerationTest, IntervalsCountsAndVertexProcessingFollowTheCaps) {
    ZarnFakeAdapter adapter;
    DeviceSettings request = windowedRequest();
    request.presentParams.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    request.presentParams.BackBufferCount = 5;
    DeviceSettings out;
    ASSERT_TRUE(find(adapter, request, &out));
    EXPECT_EQ((UINT)D3DPRESENT_INTERVAL_IMMEDIATE, out.presentParams.PresentationInterval);
    EXPECT_EQ(3u, out.presentParams.BackBufferCount);
    EXPECT_EQ((DWORD)D3DCREATE_HARDWARE_VERTEXPROCESSING, out.behaviorFlags);

    D3DCAPS9& caps = adapter.caps[D3DDEVTYPE_HAL];
    caps.PresentationIntervals = D3DPRESENT_INTERVAL_ONE;
    caps.DevCaps = 0;
    request.presentParams.BackBufferCount = 0;
    request.behaviorFlags = D3DCREATE_MIXED_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE;
    ASSERT_TRUE(find(adapter, request, &out));
    EXPECT_EQ((UINT)D3DPRESENT_INTERVAL_DEFAULT, out.presentParams.PresentationInterval);
    EXPECT_EQ(1u, out.presentParams.BackBufferCount);
    EXPECT_EQ((DWORD)(D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE), out.behaviorFlags);

    request.behaviorFlags = 0;
    ASSERT_TRUE(find(adapter, request, &out));
    EXPECT_EQ((DWORD)D3DCREATE_SOFTWARE_VERTEXPROCESSING, out.behaviorFlags);
}

TEST_F(DeviceEnumerationTest, OtherDeviceTypesCountOnlyWhenATestDeviceCanBeMade) {
    ZarnFakeAdapter adapter;
    adapter.caps = {{D3DDEVTYPE_REF, ZarnRecordingHalCaps(D3DDEVTYPE_REF)}};
    adapter.creatableDeviceTypes = {};
    DeviceSettings out;
    out.adapterOrdinal = 77;
    EXPECT_FALSE(find(adapter, windowedRequest(), &out));
    EXPECT_EQ(77u, out.adapterOrdinal) << "a failed search leaves the output alone";
    EXPECT_EQ(1, d3d->log().countPrefix("CreateDevice(0, D3DDEVTYPE_REF, "));

    adapter.creatableDeviceTypes = {D3DDEVTYPE_REF};
    ASSERT_TRUE(find(adapter, windowedRequest(), &out));
    EXPECT_EQ(D3DDEVTYPE_REF, out.deviceType);
    std::vector<std::string> creations = d3d->log().calls("CreateDevice");
    ASSERT_EQ(1u, creations.size());
    EXPECT_EQ(0u, creations[0].find("CreateDevice(0, D3DDEVTYPE_REF, "));
    EXPECT_NE(std::string::npos,
              creations[0].find("0x42, {1x1 D3DFMT_X8R8G8B8 count 1 D3DMULTISAMPLE_NONE/0 swap 3 windowed nodepth"))
        << creations[0];
    // The throw-away device was released at once (the fixture checks nothing leaked).
}

TEST_F(DeviceEnumerationTest, PrefersTheRequestedAdapterAndSkipsUnusableOnes) {
    ZarnDirect3DScript script;
    ZarnFakeAdapter broken;
    broken.caps.clear();
    ZarnFakeAdapter second;
    second.description = "Second adapter";
    ZarnFakeAdapter third;
    third.description = "Third adapter";
    script.adapters = {broken, second, third};
    DeviceSettings request = windowedRequest();
    request.adapterOrdinal = 2;
    DeviceSettings out;
    ASSERT_TRUE(findWith(script, request, &out));
    EXPECT_EQ(2u, out.adapterOrdinal);
    request.adapterOrdinal = 0;
    ASSERT_TRUE(findWith(script, request, &out));
    EXPECT_EQ(1u, out.adapterOrdinal) << "the unusable adapter 0 is dropped; the first usable one wins ties";
    EXPECT_NE(std::string::npos, logText().find("Device name: Second adapter\n"));
}

TEST_F(DeviceEnumerationTest, WindowedCombosMustUseTheDesktopFormat) {
    ZarnFakeAdapter adapter;
    adapter.desktopMode.Format = D3DFMT_R5G6B5;
    adapter.adapterFormats = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5};
    adapter.backBufferFormats = {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8};
    adapter.blendableFormats = adapter.backBufferFormats;
    adapter.modes = {{800, 600, 60, D3DFMT_X8R8G8B8}};
    DeviceSettings request = windowedRequest();
    DeviceSettings out;
    ASSERT_TRUE(find(adapter, request, &out));
    EXPECT_EQ(D3DFMT_R5G6B5, out.adapterFormat);
    EXPECT_EQ(D3DFMT_X8R8G8B8, out.presentParams.BackBufferFormat) << "the back buffer still matches the request";
}

TEST_F(DeviceEnumerationTest, ScoresWeighAdapterOverTypeOverWindowedOverFormats) {
    DeviceInfo hal;
    hal.deviceType = D3DDEVTYPE_HAL;
    hal.caps = ZarnRecordingHalCaps();
    DeviceCombo combo;
    combo.device = &hal;
    combo.adapterFormat = D3DFMT_X8R8G8B8;
    combo.backBufferFormat = D3DFMT_X8R8G8B8;
    combo.windowed = true;
    combo.multiSampleTypes = {D3DMULTISAMPLE_NONE};
    combo.multiSampleQualities = {0};
    combo.presentIntervals = {D3DPRESENT_INTERVAL_DEFAULT};
    combo.depthStencilFormats = {D3DFMT_D16};
    DeviceSettings request = windowedRequest();
    // 1000 + 100 + 0.1 + 10 + 1 + 1 + 0.1 + 1 + 0.1 + 1 (depth) + 1 (interval); no mode, no 4x.
    EXPECT_NEAR(1115.3f, scoreCombo(combo, request, D3DFMT_X8R8G8B8), 1e-3);

    // A 5-bit back buffer against an 8-bit request earns 0.9 - 0.2 * 3 = 0.3 instead of 1,
    // and loses the 0.1 for matching the adapter format.
    combo.backBufferFormat = D3DFMT_R5G6B5;
    EXPECT_NEAR(1115.3f - 0.8f, scoreCombo(combo, request, D3DFMT_X8R8G8B8), 1e-3);
}

TEST_F(DeviceEnumerationTest, TheReportShowsRequestedAndSupportedColumns) {
    ZarnFakeAdapter adapter;
    adapter.multiSampleQualities = {{D3DMULTISAMPLE_2_SAMPLES, 3}};
    adapter.hasIdentifier = false;
    DeviceSettings request = windowedRequest();
    request.presentParams.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    request.presentParams.hDeviceWindow = deviceWindow();
    DeviceSettings out;
    ASSERT_TRUE(find(adapter, request, &out));
    std::string log = logText();
    char windowRow[80];
    int handle = static_cast<int>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(deviceWindow())));
    std::snprintf(windowRow, sizeof windowRow, "  Window Handle:        %10d  %10d\n", handle, handle);
    std::string expected = std::string() +
        "Device name: UNKNOWN\n"
        "Device settings:             Requested   Supported\n"
        "  Adapter Ordinal:               0           0\n"
        "  Device Type:                   1           1\n"
        "  Adapter Format:               22          22\n"
        "  Behavior Flags:               64          64\n"
        "  Back Buffer Width:           800         800\n"
        "  Back Buffer Height:          600         600\n"
        "  Back Buffer Format:           22          22\n"
        "  Back Buffer Count:             1           1\n"
        "  Multisample Type:              4           2\n"
        "  Multisample Quality:           4           2\n"
        "  Swap Effect:                   1           1\n"
        + std::string(windowRow) +
        "  Windowed:                      1           1\n"
        "  Enable Depth Stencil:          1           1\n"
        "  Depth Stencil Format:         80          80\n"
        "  Flags:                         0           2\n"
        "  Refresh Rate:                  0           0\n"
        "  Presentaiton Interval:-2147483648  -2147483648\n\n";
    EXPECT_NE(std::string::npos, log.find(expected)) << log;
}

}  // namespace
