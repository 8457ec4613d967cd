// zarn-snapshot: the clock at a chosen local time, as a PNG, with no display. The saver's own
// window procedure runs in an off-screen window: the settings come from a private registry
// file written for this run, the local time is pinned, and the frame clocks advance by a
// fixed step per paint, so the same options always give the same picture.
#include "RunSettingsFile.h"
#include "SnapshotOptions.h"

#include "scene/ClockScene.h"
#include "shell/SaverState.h"
#include "shell/SaverWindowProc.h"

#include <windows.h>
#include <ZarnClockOverride.h>
#include <ZarnOffscreen.h>
#include <ZarnScreenMetrics.h>
#include <ZarnTimeOverride.h>
#include <messages/ZarnWindowBackend.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The process's resident memory in KiB, from the kernel's own account of it.
long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

}  // namespace

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool writePng(const std::string& file, const std::vector<uint32_t>& argb, int width, int height) {
    std::vector<unsigned char> rgba(size_t(width) * size_t(height) * 4);
    for (size_t i = 0; i < argb.size() && i * 4 + 3 < rgba.size(); ++i) {
        rgba[i * 4 + 0] = (argb[i] >> 16) & 0xFF;
        rgba[i * 4 + 1] = (argb[i] >> 8) & 0xFF;
        rgba[i * 4 + 2] = argb[i] & 0xFF;
        rgba[i * 4 + 3] = 0xFF;  // the clock is opaque; back-buffer alpha means nothing here
    }
    return stbi_write_png(file.c_str(), width, height, 4, rgba.data(), width * 4) != 0;
}

}  // namespace

int main(int argc, char** argv) {
    SnapshotOptions options;
    std::string error;
    if (!parseSnapshotOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "zarn-snapshot: %s\n\n%s", error.c_str(), snapshotUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(snapshotUsage(), stdout);
        return 0;
    }
    const Clock::time_point started = Clock::now();

    // The saver changes into its install folder, so settle every user path first.
    const std::string output = fs::absolute(options.output).string();
    if (!options.settings.dataDir.empty()) {
        std::error_code ec;
        fs::path data = fs::absolute(options.settings.dataDir, ec);
        if (ec || !fs::exists(data / "data" / "assetLibrary.txt")) {
            std::fprintf(stderr, "zarn-snapshot: --data %s: no data/assetLibrary.txt in that folder\n",
                         options.settings.dataDir.c_str());
            return 2;
        }
        options.settings.dataDir = data.string();
    }

    __time64_t when = 0;
    int milliseconds = 0;
    if (options.timeGiven) {
        struct tm local = options.localTime;
        when = _mktime64(&local);
        if (when < 0) {
            std::fprintf(stderr, "zarn-snapshot: --time: that local time does not exist here\n");
            return 2;
        }
        milliseconds = options.milliseconds;
    } else {
        SYSTEMTIME now{};
        when = _time64(nullptr);
        GetLocalTime(&now);
        milliseconds = now.wMilliseconds;
    }

    const fs::path folder = makePrivateFolder("zarn-snapshot-");
    if (folder.empty() || !writeRunSettingsFile(folder / "registry.reg", options.settings)) {
        std::fprintf(stderr, "zarn-snapshot: cannot write a settings file in %s\n",
                     fs::temp_directory_path().string().c_str());
        return 1;
    }
    setenv("ZARN_REGISTRY", (folder / "registry.reg").c_str(), 1);

    // Frames are rendered at a fixed step of clock time ending at the chosen instant, so the
    // drums settle and the camera orbits the same way every run, however slow the renderer.
    const int64_t step = options.frameStepMs;
    ZarnPinLocalTime(when, unsigned(milliseconds), false);
    ZarnAdvancePinnedTime(-step * options.frames);
    DWORD tick = 1000;
    int64_t counterMs = 1000;
    zarnOverrideTickCount([&] { return tick; });
    zarnOverridePerformanceFrequency([] { return int64_t(1000); });
    zarnOverridePerformanceCounter([&] { return counterMs; });
    zarnOverrideSleep([&](DWORD ms) { tick += ms; });

    ZarnSetWindowBackend(ZARN_WINDOWS_OFFSCREEN);
    ZarnSetScreenMetricsOverride(options.width, options.height);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = saverWindowProc;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "ZarnSnapshot";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "ZarnSnapshot", "Screen Saver", WS_POPUP | WS_VISIBLE, 0, 0, options.width,
                                  options.height, nullptr, nullptr, nullptr, nullptr);
    if (!window) {
        std::fprintf(stderr, "zarn-snapshot: cannot make an off-screen window of %dx%d\n", options.width,
                     options.height);
        return 1;
    }

    const Clock::time_point firstPaint = Clock::now();
    SendMessageA(window, WM_PAINT, 0, 0);  // creates the device and the scene; draws nothing
    const double setupMs = msSince(firstPaint);
    if (!saverState.deviceReady) {
        std::fprintf(stderr, "zarn-snapshot: no Direct3D device could be created (see the messages above)\n");
        return 1;
    }
    const Clock::time_point framesStart = Clock::now();
    // At least one frame is needed for a picture; --frames 0 renders just that one.
    const int frames = options.frames > 0 ? options.frames : 1;
    if (options.frames == 0) ZarnAdvancePinnedTime(-step);
    // A soak's warm-up: every cache, pool and driver buffer has reached its size by then.
    const int warmUp = frames < 10000 ? frames / 10 : 1000;
    long warmRss = -1;
    // The camera orbits by the clock time the frames cover; start it back by that much.
    if (options.orbitGiven)
        clockCameraAngle = float(options.orbitDegrees * 3.14159265358979 / 180.0) - float(step * frames) / 30000.0f;
    for (int i = 0; i < frames; ++i) {
        tick += DWORD(step);
        counterMs += step;
        ZarnAdvancePinnedTime(step);
        SendMessageA(window, WM_PAINT, 0, 0);
        if (options.soak && i + 1 == warmUp) warmRss = residentKiB();
    }
    const double framesMs = msSince(framesStart);

    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    if (!ZarnReadPresentedImage(window, &pixels, &width, &height) || !writePng(output, pixels, width, height)) {
        std::fprintf(stderr, "zarn-snapshot: cannot write %s\n", output.c_str());
        return 1;
    }

    // What the scene costs the CPU per frame: the time drive with the widget tree's update,
    // and the colour pass's traversal as it hands draws to the device (the GL driver's own
    // rendering is mostly deferred to Present, so it is not in the second figure).
    if (options.measureFrames > 0 && saverState.scene && saverState.device) {
        ClockScene* scene = saverState.scene;
        const int n = options.measureFrames;
        const Clock::time_point t0 = Clock::now();
        for (int i = 0; i < n; ++i) scene->update(uint32_t(step));
        const double updateUs = msSince(t0) * 1000.0 / n;
        const int draws = n < 20 ? n : 20;
        saverState.device->BeginScene();
        const Clock::time_point t1 = Clock::now();
        for (int i = 0; i < draws; ++i) scene->render(renderPassColour, saverState.device);
        const double renderUs = msSince(t1) * 1000.0 / draws;
        saverState.device->EndScene();
        std::printf("scene update (time drive + widget tree): %.2f us per frame over %d frames\n", updateUs, n);
        std::printf("colour-pass traversal and device calls: %.1f us per frame over %d frames\n", renderUs, draws);
    }

    std::error_code ec;
    fs::remove_all(folder, ec);
    std::printf("zarn-snapshot: wrote %s (%dx%d) in %.0f ms: set-up %.0f ms, %d frames at %.1f ms each\n",
                output.c_str(), width, height, msSince(started), setupMs, frames, framesMs / frames);
    if (options.soak) {
        std::printf("soak: resident memory after warm-up (%d frames): %ld KiB\n", warmUp, warmRss);
        std::printf("soak: resident memory at the end (%d frames): %ld KiB\n", frames, residentKiB());
        std::fflush(stdout);
        // The saver's own teardown (assets, scene, log), then an ordinary exit, so a leak
        // checker sees what a closed saver leaves behind.
        DestroyWindow(window);
        return 0;
    }
    std::fflush(stdout);
    // The device and the scene live until the process ends, as in the saver.
    std::_Exit(0);
}
