// One benchmark configuration, run in this process: the saver's own window procedure in an
// off-screen window at a pinned local time that advances 40 ms a frame, measured whole and
// stage by stage. Each configuration needs a process of its own, because the saver creates
// its device and scene once per process.
#pragma once

#include "BenchJson.h"
#include "RunSettingsFile.h"

#include <chrono>
#include <string>

struct ClockRunOptions {
    std::string name;  // configuration name, e.g. "default"
    int width = 1280, height = 720;
    RunSettings settings;   // written as they are into the run's own settings file (no frame sync)
    int warmupFrames = 10;
    int frames = 100;       // whole frames timed
    int stagedFrames = 30;  // frames timed stage by stage
};

// Runs the configuration; false with *error set when the saver could not start.
bool runClock(const ClockRunOptions& options, std::chrono::steady_clock::time_point processStart,
              BenchRecord* record, std::string* error);
