// zarn-bench: the benchmark of the real clock. Each configuration (settings and size) runs in
// a child process of its own (the saver makes its device once per process), which prints its
// figures as one JSON line; the parent prints the table and, with --json, writes the file.
//   zarn-bench [--sizes 1280x720,1920x1080] [--configs default,aa0,...] [--frames N]
//              [--warmup N] [--staged N] [--data DIR] [--json FILE]
//   zarn-bench --compare A.json B.json     ratios B / A, figure by figure
//   zarn-bench device                      the GL device alone (draw and frame cost)
#include "AllocationCounter.h"
#include "BenchJson.h"
#include "ClockRun.h"
#include "GLDeviceBench.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

const auto processStart = std::chrono::steady_clock::now();
constexpr const char* recordPrefix = "zarn-bench-record: ";

struct Config {
    const char* name;
    int antialiasing;
    bool shadows, post;
    bool forceMultisampling;  // sets ZARN_FORCE_MULTISAMPLING=1 for the child
};

// "default" is the saver's own defaults (4 samples requested, shadows and post-processing on).
const Config configs[] = {
    {"default", 4, true, true, false},     {"aa0", 0, true, true, false},
    {"aa2", 2, true, true, false},         {"no-shadows", 4, false, true, false},
    {"no-post", 4, true, false, false},    {"all-off", 0, false, false, false},
    {"aa2-forced", 2, true, true, true},   {"aa4-forced", 4, true, true, true},
};

const Config* findConfig(const std::string& name) {
    for (const Config& c : configs)
        if (name == c.name) return &c;
    return nullptr;
}

const char* usage =
    "usage: zarn-bench [--sizes WxH,...] [--configs NAME,...] [--frames N] [--warmup N] [--staged N]\n"
    "                  [--data DIR] [--json FILE]\n"
    "       zarn-bench --compare A.json B.json\n"
    "       zarn-bench device\n"
    "configurations: default aa0 aa2 no-shadows no-post all-off aa2-forced aa4-forced\n";

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        if (comma > start) out.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return out;
}

bool parseSize(const std::string& text, int* width, int* height) {
    return std::sscanf(text.c_str(), "%dx%d", width, height) == 2 && *width > 0 && *height > 0 && *width <= 8192 &&
           *height <= 8192;
}

bool parseCount(const char* text, int low, int* out) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!end || *end || value < low || value > 100000) return false;
    *out = int(value);
    return true;
}

std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs one configuration in a child and reads its record back.
bool runChild(const Config& config, const std::string& size, const ClockRunOptions& common, BenchRecord* record) {
    std::string command;
    if (config.forceMultisampling) command += "ZARN_FORCE_MULTISAMPLING=1 ";
    command += shellQuoted(std::filesystem::read_symlink("/proc/self/exe").string()) + " --one " + config.name +
               " --sizes " + size + " --frames " + std::to_string(common.frames) + " --warmup " +
               std::to_string(common.warmupFrames) + " --staged " + std::to_string(common.stagedFrames);
    if (!common.settings.dataDir.empty()) command += " --data " + shellQuoted(common.settings.dataDir);
    FILE* child = popen(command.c_str(), "r");
    if (!child) return false;
    char line[8192];
    bool found = false;
    while (std::fgets(line, sizeof line, child)) {
        const size_t n = std::strlen(recordPrefix);
        if (std::strncmp(line, recordPrefix, n) == 0) found = parseBenchRecord(line + n, record);
    }
    return pclose(child) == 0 && found;
}

double figure(const BenchRecord& r, const char* key) {
    auto it = r.figures.find(key);
    return it == r.figures.end() ? -1.0 : it->second;
}

void printTable(const std::vector<BenchRecord>& records) {
    std::printf("%-22s %7s %7s %6s | %6s %6s %6s %6s | %6s %6s | %6s %6s %5s | %5s %6s %5s %5s\n", "configuration",
                "median", "p95", "cpu s", "shadow", "colour", "post", "prsnt", "upd us", "trv us", "sh tri",
                "co tri", "draws", "alloc", "start", "RSS", "spl");
    for (const BenchRecord& r : records) {
        std::printf(
            "%-22s %7.1f %7.1f %6.3f | %6.1f %6.1f %6.1f %6.1f | %6.1f %6.1f | %6.0f %6.0f %5.0f | %5.1f %6.0f %5.0f "
            "%2.0f/%.0f\n",
            r.name.c_str(), figure(r, "frame_median_ms"), figure(r, "frame_p95_ms"),
            figure(r, "cpu_seconds_per_frame"), figure(r, "stage_shadow_ms"), figure(r, "stage_colour_ms"),
            figure(r, "stage_post_ms"), figure(r, "stage_present_ms"), figure(r, "scene_update_us"),
            figure(r, "traversal_us"), figure(r, "shadow_triangles"), figure(r, "colour_triangles"),
            figure(r, "shadow_draws") + figure(r, "colour_draws") + figure(r, "post_draws"),
            figure(r, "allocations_per_frame"), figure(r, "startup_ms"), figure(r, "peak_rss_mib"),
            figure(r, "samples_requested"), figure(r, "samples_granted"));
    }
    std::printf("ms per frame (median, 95th percentile, and the median of each stage with the renderer waited for\n"
                "at each stage); cpu s: CPU seconds of the whole process per frame; upd/trv us: the scene update\n"
                "and both passes' traversal alone; sh/co tri: triangles drawn in the shadow and colour pass;\n"
                "alloc: heap allocations per frame; start: ms to the first presented frame; RSS: peak MiB;\n"
                "spl: samples requested/granted\n");
}

int compare(const std::string& fileA, const std::string& fileB) {
    std::vector<BenchRecord> a, b;
    std::string error;
    if (!readBenchJson(fileA, &a, &error) || !readBenchJson(fileB, &b, &error)) {
        std::fprintf(stderr, "zarn-bench: %s\n", error.c_str());
        return 1;
    }
    std::printf("%-24s %-24s %12s %12s %8s\n", "configuration", "figure", "A", "B", "B/A");
    for (const BenchRecord& ra : a) {
        for (const BenchRecord& rb : b) {
            if (rb.name != ra.name) continue;
            for (const auto& [key, va] : ra.figures) {
                auto it = rb.figures.find(key);
                if (it == rb.figures.end()) continue;
                const double vb = it->second;
                if (va != 0.0)
                    std::printf("%-24s %-24s %12.4g %12.4g %8.3f\n", ra.name.c_str(), key.c_str(), va, vb, vb / va);
                else
                    std::printf("%-24s %-24s %12.4g %12.4g %8s\n", ra.name.c_str(), key.c_str(), va, vb, "-");
            }
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "device") == 0) return runGLDeviceBench();
    if (argc >= 2 && std::strcmp(argv[1], "--compare") == 0) {
        if (argc != 4) {
            std::fputs(usage, stderr);
            return 2;
        }
        return compare(argv[2], argv[3]);
    }

    ClockRunOptions common;
    std::vector<std::string> sizes = {"1280x720", "1920x1080"};
    std::vector<std::string> names;
    for (const Config& c : configs) names.push_back(c.name);
    std::string json, one;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool ok = value != nullptr;
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return 0;
        } else if (arg == "--sizes" && ok) {
            sizes = splitList(value);
        } else if (arg == "--configs" && ok) {
            names = splitList(value);
        } else if (arg == "--frames" && ok) {
            ok = parseCount(value, 1, &common.frames);
        } else if (arg == "--warmup" && ok) {
            ok = parseCount(value, 0, &common.warmupFrames);
        } else if (arg == "--staged" && ok) {
            ok = parseCount(value, 1, &common.stagedFrames);
        } else if (arg == "--data" && ok) {
            common.settings.dataDir = std::filesystem::absolute(value).string();
        } else if (arg == "--json" && ok) {
            json = value;
        } else if (arg == "--one" && ok) {
            one = value;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "zarn-bench: bad argument %s\n%s", arg.c_str(), usage);
            return 2;
        }
        ++i;
    }
    for (const std::string& size : sizes) {
        int w = 0, h = 0;
        if (!parseSize(size, &w, &h)) {
            std::fprintf(stderr, "zarn-bench: bad size %s (want WIDTHxHEIGHT)\n", size.c_str());
            return 2;
        }
    }
    for (const std::string& name : names) {
        if (!findConfig(name)) {
            std::fprintf(stderr, "zarn-bench: no configuration %s\n%s", name.c_str(), usage);
            return 2;
        }
    }

    if (!one.empty()) {
        const Config* config = findConfig(one);
        ClockRunOptions options = common;
        options.name = config->name;
        options.settings.antialiasing = config->antialiasing;
        options.settings.shadows = config->shadows;
        options.settings.post = config->post;
        parseSize(sizes.empty() ? "1280x720" : sizes[0], &options.width, &options.height);
        BenchRecord record;
        std::string error;
        if (!runClock(options, processStart, &record, &error)) {
            std::fprintf(stderr, "zarn-bench: %s: %s\n", one.c_str(), error.c_str());
            std::_Exit(1);
        }
        std::printf("%s%s\n", recordPrefix, benchRecordJson(record).c_str());
        std::fflush(stdout);
        // The device and the scene live until the process ends, as in the saver.
        std::_Exit(0);
    }

    std::vector<BenchRecord> records;
    for (const std::string& size : sizes) {
        for (const std::string& name : names) {
            BenchRecord record;
            if (!runChild(*findConfig(name), size, common, &record)) {
                std::fprintf(stderr, "zarn-bench: %s at %s failed\n", name.c_str(), size.c_str());
                return 1;
            }
            records.push_back(record);
            std::fprintf(stderr, "  %s done: %.1f ms median\n", record.name.c_str(), figure(record, "frame_median_ms"));
        }
    }
    printTable(records);
    if (!json.empty() && !writeBenchJson(json, records)) {
        std::fprintf(stderr, "zarn-bench: cannot write %s\n", json.c_str());
        return 1;
    }
    return 0;
}
