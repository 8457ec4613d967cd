// One benchmark configuration, run in this process: the saver's own window procedure in an
// off-screen window at a pinned local time that advances 40 ms a frame, measured whole and
// stage by stage. Each configuration needs a process of its own, because the saver creates
// its device and scene once per process.
#pragma once

#include "BenchJson.h"

#include <chrono>
#include <string>

struct ClockRunOptions {
    std::string name;  // configuration name, e.g. "default"
    int width = 1280, height = 720;
    int antialiasing = 4;
    bool shadows = true, post = true;
    int warmupFrames = 10;
    int frames = 100;       // whole frames timed
    int stagedFrames = 30;  // frames timed stage by stage
    std::string dataDir;    // empty: the saver's own default
};

// Runs the configuration; false with *error set when the saver could not start.
bool runClock(const ClockRunOptions& options, std::chrono::steady_clock::time_point processStart,
              BenchRecord* record, std::string* error);
