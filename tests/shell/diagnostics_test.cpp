// The diagnostics log: its header, what reaches the console and what only the file, and
// behaviour when the log cannot be created.
#include "shell/Diagnostics.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

const std::string header = "Log output for Zarn Screensaver build 090825, Beta 1\n";
const std::string openError = "Error opening file screensaver_log.txt for writing\n";

// Each test starts and ends with the log closed, in its own folder.
class DiagnosticsTest : public testing::Test {
protected:
    DiagnosticsTest() { closeLog(); }
    ~DiagnosticsTest() override { closeLog(); }
    // A folder where the log's name is taken by a directory: the open fails even for root.
    void blockLog() { std::filesystem::create_directory(dir.path() + "/screensaver_log.txt"); }

    TempDir dir;
};

}  // namespace

TEST_F(DiagnosticsTest, ProgressLinesGoOnlyToTheLogUnderItsHeader) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(23, logPrintf("Loading asset library.\n"));
    logPrintf("Searching for valid device settings.\n");
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    closeLog();
    EXPECT_EQ(header + "Loading asset library.\nSearching for valid device settings.\n",
              dir.read("screensaver_log.txt"));
}

TEST_F(DiagnosticsTest, ErrorsReachTheConsoleAndTheLog) {
    logPrintf("progress\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(23, debugPrintf("Failed to load %s %d\n", "mesh", 42));
    EXPECT_EQ("Failed to load mesh 42\n", testing::internal::GetCapturedStderr());
    closeLog();
    EXPECT_EQ(header + "progress\nFailed to load mesh 42\n", dir.read("screensaver_log.txt"));
}

TEST_F(DiagnosticsTest, EachRunStartsAFreshLog) {
    logPrintf("first run\n");
    closeLog();
    logPrintf("second run\n");
    closeLog();
    EXPECT_EQ(header + "second run\n", dir.read("screensaver_log.txt"));
}

TEST_F(DiagnosticsTest, AnUncreatableLogReportsEveryProgressLineItLoses) {
    blockLog();
    // The first failure of a process may also be the console's first use; skip past it.
    testing::internal::CaptureStderr();
    logPrintf("warm-up\n");
    testing::internal::GetCapturedStderr();

    testing::internal::CaptureStderr();
    EXPECT_EQ(0, logPrintf("lost %d\n", 1));
    EXPECT_EQ(0, logPrintf("lost %d\n", 2));
    EXPECT_EQ(6, debugPrintf("shown\n"));
    EXPECT_EQ(openError + openError + "shown\n", testing::internal::GetCapturedStderr());
}

// What the first error of a process does can only be seen in a fresh process.
class DiagnosticsFirstUseTest : public DiagnosticsTest {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
    // exit() skips the fixture's destructor, which would remove the child's own folder.
    [[noreturn]] void leaveChild(int code) {
        std::error_code ignored;
        std::filesystem::remove_all(dir.path(), ignored);
        std::exit(code);
    }
};

TEST_F(DiagnosticsFirstUseTest, TheFirstErrorOpensTheLog) {
    EXPECT_EXIT(
        {
            debugPrintf("Warning %d\n", 1);
            logPrintf("after\n");
            closeLog();
            bool logged = dir.read("screensaver_log.txt") == header + "Warning 1\nafter\n";
            leaveChild(logged ? 0 : 1);
        },
        testing::ExitedWithCode(0), "^Warning 1\n$");
}

TEST_F(DiagnosticsFirstUseTest, TheFirstErrorWithAnUncreatableLogReportsTheFailureOnce) {
    blockLog();
    EXPECT_EXIT(
        {
            debugPrintf("Warning %d\n", 1);
            debugPrintf("Warning %d\n", 2);
            leaveChild(0);
        },
        testing::ExitedWithCode(0), "^" + openError + "Warning 1\nWarning 2\n$");
}
