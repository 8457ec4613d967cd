// The snapshot tool's command line: what to render (time, size, settings) and where to.
#pragma once

#include "RunSettingsFile.h"

#include <cstdint>
#include <ctime>
#include <string>

struct SnapshotOptions {
    bool timeGiven = false;
    struct tm localTime {};   // the local time the picture shows
    int milliseconds = 0;
    int width = 1280;
    int height = 720;
    // The saver's settings for the run, written as they are into its settings file; the
    // snapshot waits for frame sync unless told otherwise.
    RunSettings settings = [] {
        RunSettings s;
        s.frameSync = true;
        return s;
    }();
    int frames = 1;           // paints after the first, each one frameStepMs of clock time
    int frameStepMs = 40;
    std::string output = "zarn-clock.png";
    bool orbitGiven = false;
    double orbitDegrees = 0;   // camera orbit angle at the picture (default: where the frames leave it)
    int measureFrames = 0;     // > 0: afterwards, time this many scene updates and draws
    bool soak = false;         // report resident memory, then tear the saver down properly
    bool help = false;
};

// False with a message in `error` when the arguments cannot be used.
bool parseSnapshotOptions(int argc, char** argv, SnapshotOptions* options, std::string* error);

const char* snapshotUsage();
