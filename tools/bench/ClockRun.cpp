// The measured run of one configuration. Every frame is a WM_PAINT through saverWindowProc,
// as in the saver; the benchmark only waits for the renderer after Present (whole frames)
// or at each stage of the frame (staged frames), so the GL work of a frame is inside it.
#include "ClockRun.h"
#include "RunSettingsFile.h"

#include "AllocationCounter.h"

#include "scene/ClockScene.h"
#include "render/ShadowMapping.h"
#include "shell/FrameStages.h"
#include "shell/SaverState.h"
#include "shell/SaverWindowProc.h"

#include <windows.h>
#include <ZarnClockOverride.h>
#include <ZarnOffscreen.h>
#include <ZarnScreenMetrics.h>
#include <ZarnTimeOverride.h>
#include <gl/ZarnGLStatistics.h>
#include <messages/ZarnWindowBackend.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int64_t frameStepMs = 40;
constexpr int stageCount = int(FrameStage::presented) + 1;

double msBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double peakResidentMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    return -1.0;
}

double percentile(std::vector<double> values, double p) {
    if (values.empty()) return -1.0;
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[at];
}

// What the stage observer records in one staged frame: when each stage ended and how many
// draws and primitives the device had been handed by then.
struct StageMarks {
    Clock::time_point at[stageCount];
    uint64_t draws[stageCount] = {};
    uint64_t primitives[stageCount] = {};
    uint64_t fragmentShading[stageCount] = {};
};
StageMarks marks;

void markStage(FrameStage stage) {
    const int k = int(stage);
    ZarnFinishGLWork(saverState.device);
    marks.at[k] = Clock::now();
    ZarnGetGLDrawCounts(saverState.device, &marks.draws[k], &marks.primitives[k]);
    ZarnCountGLFragments(saverState.device, &marks.fragmentShading[k]);
}

// The frame clocks of the saver, driven by the benchmark: each paint is one step later.
DWORD tick = 1000;
int64_t counterMs = 1000;

void paintOneFrame(HWND window) {
    tick += DWORD(frameStepMs);
    counterMs += frameStepMs;
    ZarnAdvancePinnedTime(frameStepMs);
    SendMessageA(window, WM_PAINT, 0, 0);
}

}  // namespace

bool runClock(const ClockRunOptions& options, Clock::time_point processStart, BenchRecord* record,
              std::string* error) {
    // Frame sync off: the benchmark times frames, not the wait for the display.
    const fs::path folder = makePrivateFolder("zarn-bench-");
    if (folder.empty() || !writeRunSettingsFile(folder / "registry.reg", options.settings)) {
        *error = "cannot write a settings file in " + fs::temp_directory_path().string();
        return false;
    }
    setenv("ZARN_REGISTRY", (folder / "registry.reg").c_str(), 1);

    // A fixed local time (a Tuesday, 10:08:37) so every run draws the same clock.
    struct tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 8;
    local.tm_hour = 10;
    local.tm_min = 8;
    local.tm_sec = 37;
    local.tm_isdst = -1;
    ZarnPinLocalTime(_mktime64(&local), 0, false);
    zarnOverrideTickCount([] { return tick; });
    zarnOverridePerformanceFrequency([] { return int64_t(1000); });
    zarnOverridePerformanceCounter([] { return counterMs; });
    zarnOverrideSleep([](DWORD ms) { tick += ms; });

    ZarnSetWindowBackend(ZARN_WINDOWS_OFFSCREEN);
    ZarnSetScreenMetricsOverride(options.width, options.height);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = saverWindowProc;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "ZarnBench";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "ZarnBench", "Screen Saver", WS_POPUP | WS_VISIBLE, 0, 0, options.width,
                                  options.height, nullptr, nullptr, nullptr, nullptr);
    std::error_code ec;
    fs::remove_all(folder, ec);  // the settings have been read at window creation
    if (!window) {
        *error = "cannot make an off-screen window";
        return false;
    }
    SendMessageA(window, WM_PAINT, 0, 0);  // device, assets and scene; draws nothing
    if (!saverState.deviceReady || !saverState.device || !saverState.scene) {
        *error = "the saver could not create its device or scene";
        return false;
    }
    IDirect3DDevice9* device = saverState.device;
    paintOneFrame(window);
    ZarnFinishGLWork(device);
    const double startupMs = msBetween(processStart, Clock::now());

    for (int i = 0; i < options.warmupFrames; ++i) paintOneFrame(window);
    ZarnFinishGLWork(device);

    // Whole frames: the saver's paint, then the wait for what it handed the renderer.
    std::vector<double> frameMs;
    frameMs.reserve(size_t(options.frames));
    const uint64_t allocationsBefore = allocationCount();
    const double cpuBefore = processCpuSeconds();
    for (int i = 0; i < options.frames; ++i) {
        const Clock::time_point start = Clock::now();
        paintOneFrame(window);
        ZarnFinishGLWork(device);
        frameMs.push_back(msBetween(start, Clock::now()));
    }
    const double cpuSeconds = processCpuSeconds() - cpuBefore;
    const uint64_t allocations = allocationCount() - allocationsBefore;

    // Staged frames: the same paints, waiting for the renderer at every stage boundary.
    std::vector<double> stageMs[stageCount];
    double drawsIn[stageCount] = {}, primitivesIn[stageCount] = {};
    double fragmentsShadedIn[stageCount] = {};
    frameStageObserver = markStage;
    for (int i = 0; i < options.stagedFrames; ++i) {
        paintOneFrame(window);
        for (int k = 1; k < stageCount; ++k) {
            stageMs[k].push_back(msBetween(marks.at[k - 1], marks.at[k]));
            drawsIn[k] = double(marks.draws[k] - marks.draws[k - 1]);
            primitivesIn[k] = double(marks.primitives[k] - marks.primitives[k - 1]);
            fragmentsShadedIn[k] = double(marks.fragmentShading[k] - marks.fragmentShading[k - 1]);
        }
    }
    frameStageObserver = nullptr;

    // The scene's own CPU work: the time drive and widget update, then both passes'
    // traversal with draws turned into no-ops, so the renderer's cost is left out.
    ClockScene* scene = saverState.scene;
    const int updates = 2000;
    Clock::time_point t0 = Clock::now();
    for (int i = 0; i < updates; ++i) {
        ZarnAdvancePinnedTime(1);
        scene->update(1);
    }
    const double updateUs = msBetween(t0, Clock::now()) * 1000.0 / updates;
    const int traversals = 200;
    double traversalMs = 0.0;
    ZarnSuppressGLDraws(device, TRUE);
    device->BeginScene();
    for (int i = 0; i < traversals; ++i) {
        t0 = Clock::now();
        if (options.settings.shadows) scene->render(renderPassShadowMap, device);
        scene->render(renderPassColour, device);
        traversalMs += msBetween(t0, Clock::now());
    }
    device->EndScene();
    ZarnSuppressGLDraws(device, FALSE);

    const auto stage = [&](FrameStage s) { return percentile(stageMs[int(s)], 0.5); };
    BenchRecord& r = *record;
    r.name = options.name + " " + std::to_string(options.width) + "x" + std::to_string(options.height);
    r.figures["width"] = options.width;
    r.figures["height"] = options.height;
    // What the saver drew at that screen size (a software renderer draws it at most 1280 wide).
    r.figures["back_buffer_width"] = double(saverState.presentParams.BackBufferWidth);
    r.figures["back_buffer_height"] = double(saverState.presentParams.BackBufferHeight);
    r.figures["frames"] = options.frames;
    r.figures["samples_requested"] = options.settings.antialiasing;
    r.figures["samples_granted"] = double(saverState.presentParams.MultiSampleType);
    r.figures["frame_median_ms"] = percentile(frameMs, 0.5);
    r.figures["frame_p95_ms"] = percentile(frameMs, 0.95);
    r.figures["cpu_seconds_per_frame"] = cpuSeconds / options.frames;
    r.figures["stage_redirect_clear_ms"] = stage(FrameStage::sceneBegun);
    r.figures["stage_update_ms"] = stage(FrameStage::updated);
    r.figures["stage_shadow_ms"] = stage(FrameStage::shadowed);
    r.figures["stage_colour_ms"] = stage(FrameStage::coloured);
    r.figures["stage_post_ms"] = stage(FrameStage::postProcessed);
    r.figures["stage_present_ms"] = stage(FrameStage::presented);
    r.figures["scene_update_us"] = updateUs;
    r.figures["traversal_us"] = traversalMs * 1000.0 / traversals;
    r.figures["shadow_draws"] = drawsIn[int(FrameStage::shadowed)];
    r.figures["shadow_triangles"] = primitivesIn[int(FrameStage::shadowed)];
    r.figures["colour_draws"] = drawsIn[int(FrameStage::coloured)];
    r.figures["colour_triangles"] = primitivesIn[int(FrameStage::coloured)];
    r.figures["post_draws"] = drawsIn[int(FrameStage::postProcessed)];
    // Fragment shader runs as the driver counts them: a software rasteriser shades whole small
    // blocks, so thin and tiny triangles cost more fragments than the pixels they cover.
    r.figures["shadow_fragments_shaded"] = fragmentsShadedIn[int(FrameStage::shadowed)];
    r.figures["colour_fragments_shaded"] = fragmentsShadedIn[int(FrameStage::coloured)];
    r.figures["post_fragments_shaded"] = fragmentsShadedIn[int(FrameStage::postProcessed)];
    r.figures["allocations_per_frame"] = double(allocations) / options.frames;
    r.figures["startup_ms"] = startupMs;
    r.figures["peak_rss_mib"] = peakResidentMiB();
    return true;
}
