// The snapshot tool's command line: what to render (time, size, settings) and where to.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

struct SnapshotOptions {
    bool timeGiven = false;
    struct tm localTime {};   // the local time the picture shows
    int milliseconds = 0;
    int width = 1280;
    int height = 720;
    bool militaryTime = false;
    int antialiasing = 4;
    int resolution = 0;
    bool frameSync = true;
    bool post = true;
    bool shadows = true;
    int frames = 1;           // paints after the first, each one frameStepMs of clock time
    int frameStepMs = 40;
    std::string output = "zarn-clock.png";
    std::string dataDir;       // empty: the build's data
    bool orbitGiven = false;
    double orbitDegrees = 0;   // camera orbit angle at the picture (default: where the frames leave it)
    int measureFrames = 0;     // > 0: afterwards, time this many scene updates and draws
    bool help = false;
};

// False with a message in `error` when the arguments cannot be used.
bool parseSnapshotOptions(int argc, char** argv, SnapshotOptions* options, std::string* error);

const char* snapshotUsage();
