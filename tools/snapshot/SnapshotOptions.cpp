// Parsing and checking the snapshot tool's options.
#include "SnapshotOptions.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool parseInt(const char* text, int low, int high, int* out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (*end != '\0' || v < low || v > high) return false;
    *out = int(v);
    return true;
}

bool parseOnOff(const char* text, bool* out) {
    if (!text) return false;
    if (std::strcmp(text, "on") == 0) {
        *out = true;
        return true;
    }
    if (std::strcmp(text, "off") == 0) {
        *out = false;
        return true;
    }
    return false;
}

// YYYY-MM-DDTHH:MM:SS with optional .mmm (1 to 3 digits), a local time.
bool parseTime(const char* text, struct tm* out, int* milliseconds) {
    int year, month, day, hour, minute, second, consumed = 0;
    if (std::sscanf(text, "%4d-%2d-%2dT%2d:%2d:%2d%n", &year, &month, &day, &hour, &minute, &second, &consumed) != 6)
        return false;
    int ms = 0;
    const char* rest = text + consumed;
    if (*rest == '.') {
        ++rest;
        int digits = 0;
        while (rest[digits] >= '0' && rest[digits] <= '9') ++digits;
        if (digits < 1 || digits > 3 || rest[digits] != '\0') return false;
        ms = std::atoi(std::string(rest, size_t(digits)).c_str());
        for (int i = digits; i < 3; ++i) ms *= 10;
    } else if (*rest != '\0') {
        return false;
    }
    if (year < 1971 || year > 2999 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 59 || hour < 0 || minute < 0 || second < 0)
        return false;
    *out = tm{};
    out->tm_year = year - 1900;
    out->tm_mon = month - 1;
    out->tm_mday = day;
    out->tm_hour = hour;
    out->tm_min = minute;
    out->tm_sec = second;
    out->tm_isdst = -1;
    *milliseconds = ms;
    return true;
}

}  // namespace

const char* snapshotUsage() {
    return "usage: zarn-snapshot [options]\n"
           "Renders the clock off-screen, through the saver's own frame loop, into a PNG.\n"
           "  --time YYYY-MM-DDTHH:MM:SS[.mmm]  local time to show (default: now)\n"
           "  --size WIDTHxHEIGHT               picture size (default 1280x720)\n"
           "  --24h | --12h                     hour drum face (default 12-hour)\n"
           "  --antialiasing 0|2|4              multisampling (default 4)\n"
           "  --resolution N                    back-buffer width limit, 0 = full size (default 0)\n"
           "  --frame-sync on|off               wait for the display's retrace (default on)\n"
           "  --post on|off                     post-processing glow (default on)\n"
           "  --shadows on|off                  shadow maps (default on)\n"
           "  --frames N                        frames rendered before the picture, 40 ms of clock\n"
           "                                    time each, ending at --time (default 1)\n"
           "  --frame-step MS                   clock time per frame in milliseconds (default 40)\n"
           "  --soak                            print resident memory after warm-up and at the\n"
           "                                    end, then close the saver as a user would\n"
           "  --orbit DEGREES                   camera orbit angle at the picture, 0 = right of\n"
           "                                    the clock, 90 = above (default: the frames' own)\n"
           "  --output FILE                     PNG to write (default zarn-clock.png)\n"
           "  --data DIR                        install folder holding data/ (default: the build's)\n"
           "  --measure N                       afterwards, time N scene updates and colour-pass\n"
           "                                    draws on the CPU and print the averages\n"
           "  --help                            this text\n";
}

bool parseSnapshotOptions(int argc, char** argv, SnapshotOptions* o, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto bad = [&](const char* what) {
            *error = name + ": " + what;
            return false;
        };
        if (name == "--help" || name == "-h") {
            o->help = true;
        } else if (name == "--24h") {
            o->settings.militaryTime = true;
        } else if (name == "--12h") {
            o->settings.militaryTime = false;
        } else if (name == "--time") {
            if (!value || !parseTime(value, &o->localTime, &o->milliseconds))
                return bad("expected a local time like 2026-12-08T10:09:30.250");
            o->timeGiven = true;
            ++i;
        } else if (name == "--size") {
            int w = 0, h = 0, consumed = 0;
            if (!value || std::sscanf(value, "%5dx%5d%n", &w, &h, &consumed) != 2 || value[consumed] != '\0' ||
                w < 16 || h < 16 || w > 8192 || h > 8192)
                return bad("expected WIDTHxHEIGHT, each 16 to 8192, like 1280x720");
            o->width = w;
            o->height = h;
            ++i;
        } else if (name == "--antialiasing") {
            if (!parseInt(value, 0, 4, &o->settings.antialiasing) || o->settings.antialiasing == 1 || o->settings.antialiasing == 3)
                return bad("expected 0, 2 or 4");
            ++i;
        } else if (name == "--resolution") {
            if (!parseInt(value, 0, 16384, &o->settings.resolution)) return bad("expected a width from 0 to 16384");
            ++i;
        } else if (name == "--frame-sync") {
            if (!parseOnOff(value, &o->settings.frameSync)) return bad("expected on or off");
            ++i;
        } else if (name == "--post") {
            if (!parseOnOff(value, &o->settings.post)) return bad("expected on or off");
            ++i;
        } else if (name == "--shadows") {
            if (!parseOnOff(value, &o->settings.shadows)) return bad("expected on or off");
            ++i;
        } else if (name == "--frames") {
            if (!parseInt(value, 0, 100000, &o->frames)) return bad("expected a count from 0 to 100000");
            ++i;
        } else if (name == "--frame-step") {
            if (!parseInt(value, 1, 3600000, &o->frameStepMs)) return bad("expected milliseconds from 1 to 3600000");
            ++i;
        } else if (name == "--soak") {
            o->soak = true;
        } else if (name == "--measure") {
            if (!parseInt(value, 1, 1000000, &o->measureFrames)) return bad("expected a count from 1 to 1000000");
            ++i;
        } else if (name == "--orbit") {
            char* end = nullptr;
            const double deg = value ? std::strtod(value, &end) : 0;
            if (!value || end == value || *end != '\0' || !(deg >= -3600 && deg <= 3600))
                return bad("expected an angle in degrees from -3600 to 3600");
            o->orbitGiven = true;
            o->orbitDegrees = deg;
            ++i;
        } else if (name == "--output") {
            if (!value || !*value) return bad("expected a file name");
            o->output = value;
            ++i;
        } else if (name == "--data") {
            if (!value || !*value) return bad("expected a folder");
            if (std::strlen(value) > 255) return bad("the folder name is longer than 255 characters");
            o->settings.dataDir = value;
            ++i;
        } else {
            *error = "unknown option " + name;
            return false;
        }
    }
    return true;
}
