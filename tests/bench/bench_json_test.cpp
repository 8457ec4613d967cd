// The benchmark's JSON: what one run writes, a comparison must read back exactly, and text
// that is not such a record is refused rather than half read.
#include "BenchJson.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

TEST(BenchJsonTest, RecordsSurviveAFileRoundTrip) {
    std::vector<BenchRecord> records(2);
    records[0].name = "default 1280x720";
    records[0].figures = {{"frame_median_ms", 48.25}, {"allocations_per_frame", 0}, {"peak_rss_mib", 171.5}};
    records[1].name = "odd \"name\" \\ here";
    records[1].figures = {{"frame_p95_ms", 1e-4}, {"startup_ms", 1234567}};
    const std::string file = (std::filesystem::temp_directory_path() / "zarn-bench-json-test.json").string();
    ASSERT_TRUE(writeBenchJson(file, records));
    std::vector<BenchRecord> back;
    std::string error;
    ASSERT_TRUE(readBenchJson(file, &back, &error)) << error;
    std::remove(file.c_str());
    ASSERT_EQ(2u, back.size());
    for (size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(records[k].name, back[k].name);
        ASSERT_EQ(records[k].figures.size(), back[k].figures.size());
        for (const auto& [key, value] : records[k].figures) EXPECT_DOUBLE_EQ(value, back[k].figures[key]) << key;
    }
}

TEST(BenchJsonTest, MalformedRecordsAndFilesAreRefused) {
    BenchRecord record;
    for (const char* bad : {"", "{", "{\"name\": \"a\", \"x\": }", "{\"x\": 1}", "{\"name\": \"a\" \"x\": 1}",
                            "{\"name\": \"a\", \"x\": 1", "[1, 2]"})
        EXPECT_FALSE(parseBenchRecord(bad, &record)) << bad;
    // A figure that could not be measured is written as -1, never as a token JSON lacks.
    const BenchRecord unmeasured{"n", {{"nan", std::nan("")}}};
    EXPECT_EQ("{\"name\": \"n\", \"nan\": -1}", benchRecordJson(unmeasured));

    std::vector<BenchRecord> records;
    std::string error;
    EXPECT_FALSE(readBenchJson("/nonexistent/zarn.json", &records, &error));
    const std::string empty = (std::filesystem::temp_directory_path() / "zarn-bench-empty.json").string();
    std::ofstream(empty) << "{\"configs\": [\n]}\n";
    EXPECT_FALSE(readBenchJson(empty, &records, &error));
    std::remove(empty.c_str());
}
