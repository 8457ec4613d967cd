// zarn-bench for real, at a small size and a few frames: every figure of every configuration
// is in the JSON, and what is a time, a size or a count of drawn work is positive.
#include "BenchJson.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

TEST(BenchSmokeTest, EveryFigureIsPresentAndPositive) {
    const std::string file = (std::filesystem::temp_directory_path() / "zarn-bench-smoke.json").string();
    std::filesystem::remove(file);
    const std::string command = std::string("'") + ZARN_BENCH_PROGRAM +
                                "' --sizes 160x90 --configs default,all-off --frames 3 --warmup 1 --staged 2"
                                " --json '" + file + "' > /dev/null";
    ASSERT_EQ(0, std::system(command.c_str()));
    std::vector<BenchRecord> records;
    std::string error;
    ASSERT_TRUE(readBenchJson(file, &records, &error)) << error;
    std::filesystem::remove(file);
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("default 160x90", records[0].name);
    EXPECT_EQ("all-off 160x90", records[1].name);

    const char* positive[] = {"width", "height", "back_buffer_width", "back_buffer_height", "frames",
                              "frame_median_ms", "frame_p95_ms", "cpu_seconds_per_frame",
                              "stage_redirect_clear_ms", "stage_update_ms", "stage_colour_ms", "stage_post_ms",
                              "stage_present_ms", "scene_update_us", "traversal_us", "colour_draws",
                              "colour_triangles", "startup_ms", "peak_rss_mib"};
    // Zero is a fair answer for these: no allocation, no shadow work with shadows off, a driver
    // that does not count shader runs.
    const char* counted[] = {"allocations_per_frame", "samples_requested", "samples_granted", "stage_shadow_ms",
                             "shadow_draws", "shadow_triangles", "post_draws", "shadow_fragments_shaded",
                             "colour_fragments_shaded", "post_fragments_shaded"};
    for (const BenchRecord& r : records) {
        for (const char* key : positive) {
            ASSERT_TRUE(r.figures.count(key)) << r.name << ": " << key;
            EXPECT_GT(r.figures.at(key), 0.0) << r.name << ": " << key;
        }
        for (const char* key : counted) {
            ASSERT_TRUE(r.figures.count(key)) << r.name << ": " << key;
            EXPECT_GE(r.figures.at(key), 0.0) << r.name << ": " << key;
        }
        EXPECT_EQ(r.figures.size(), std::size(positive) + std::size(counted)) << r.name;
        EXPECT_GE(r.figures.at("frame_p95_ms"), r.figures.at("frame_median_ms")) << r.name;
    }
    // The shadow pass and the post chain draw exactly when their settings say so.
    EXPECT_GT(records[0].figures.at("shadow_triangles"), 0.0);
    EXPECT_GT(records[0].figures.at("post_draws"), 0.0);
    EXPECT_EQ(0.0, records[1].figures.at("shadow_draws"));
    EXPECT_EQ(0.0, records[1].figures.at("post_draws"));
}
