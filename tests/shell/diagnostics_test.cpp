// The diagnostics log: its header, what reaches the console and what only the file,
// behaviour when the log cannot be created, where it goes when the install folder is not
// writable, and the bounds that keep an endless repeat from filling the disk.
#include "shell/Diagnostics.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <unistd.h>

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

TEST_F(DiagnosticsTest, AnEndlessRepeatIsShownItsFirstTimesThenCountedAtClose) {
    testing::internal::CaptureStderr();
    debugPrintf("first use\n");
    testing::internal::GetCapturedStderr();

    testing::internal::CaptureStderr();
    for (int i = 0; i < 5000; ++i) {
        debugPrintf("BumpReflectShadows effect is missing essential textures\n");
        logPrintf("Frame progress\n");
    }
    debugPrintf("A new warning %d\n", 7);
    const std::string console = testing::internal::GetCapturedStderr();
    const std::string notice =
        "Further repeats of this message are suppressed: BumpReflectShadows effect is missing essential textures\n";
    std::string expected;
    for (int i = 0; i < 10; ++i) expected += "BumpReflectShadows effect is missing essential textures\n";
    EXPECT_EQ(expected + notice + "A new warning 7\n", console);

    closeLog();
    const std::string log = dir.read("screensaver_log.txt");
    EXPECT_LT(log.size(), 2000u);
    EXPECT_NE(log.find(notice), std::string::npos);
    EXPECT_NE(log.find("Suppressed 4990 repeats of: Frame progress\n"), std::string::npos);
    EXPECT_NE(log.find("Suppressed 4990 repeats of: BumpReflectShadows effect is missing essential textures\n"),
              std::string::npos);

    // The next run's log starts over: the text is shown again.
    logPrintf("Frame progress\n");
    closeLog();
    EXPECT_EQ(header + "Frame progress\n", dir.read("screensaver_log.txt"));
}

TEST_F(DiagnosticsTest, EverChangingMessagesStopAtTheSizeLimitWithOneLineSayingSo) {
    const std::string padding(200, 'x');
    for (int i = 0; i < 40000; ++i) logPrintf("Line %d %s\n", i, padding.c_str());
    closeLog();
    const auto size = std::filesystem::file_size(dir.path() + "/screensaver_log.txt");
    EXPECT_LE(size, (4u << 20) + 100);
    EXPECT_GT(size, 4u << 19);
    const std::string log = dir.read("screensaver_log.txt");
    const std::string limit = "Log size limit of 4 MB reached; nothing more is written to this log.\n";
    ASSERT_GT(log.size(), limit.size());
    EXPECT_EQ(limit, log.substr(log.size() - limit.size()));
}

// A folder nobody may write, root included: sysfs refuses new files with a permission error.
class DiagnosticsLocationTest : public DiagnosticsTest {
protected:
    void SetUp() override {
        saveEnv("XDG_STATE_HOME", savedState);
        saveEnv("HOME", savedHome);
    }
    void TearDown() override {
        closeLog();
        restoreEnv("XDG_STATE_HOME", savedState);
        restoreEnv("HOME", savedHome);
        if (chdir(dir.path().c_str()) != 0) ADD_FAILURE() << "cannot return to " << dir.path();
    }
    static void saveEnv(const char* name, std::string& saved) {
        const char* value = std::getenv(name);
        saved = value ? value : std::string(1, '\0');
    }
    static void restoreEnv(const char* name, const std::string& saved) {
        if (saved == std::string(1, '\0'))
            unsetenv(name);
        else
            setenv(name, saved.c_str(), 1);
    }
    void logFromUnwritableFolder() {
        ASSERT_EQ(0, chdir("/sys"));
        testing::internal::CaptureStderr();
        logPrintf("Loading asset library.\n");
        closeLog();
        console = testing::internal::GetCapturedStderr();
    }

    std::string savedState, savedHome, console;
};

TEST_F(DiagnosticsLocationTest, AnUnwritableInstallFolderSendsTheLogToTheStateFolder) {
    setenv("XDG_STATE_HOME", (dir.path() + "/state").c_str(), 1);
    logFromUnwritableFolder();
    EXPECT_EQ("", console);
    EXPECT_EQ(header + "Loading asset library.\n", dir.read("state/zarn-screensaver/screensaver_log.txt"));
}

TEST_F(DiagnosticsLocationTest, WithoutAStateHomeTheLogGoesBelowTheHomeFolder) {
    unsetenv("XDG_STATE_HOME");
    setenv("HOME", dir.path().c_str(), 1);
    logFromUnwritableFolder();
    EXPECT_EQ(header + "Loading asset library.\n", dir.read(".local/state/zarn-screensaver/screensaver_log.txt"));

    // A relative state home is ignored, as the XDG rules say.
    setenv("XDG_STATE_HOME", "relative", 1);
    std::filesystem::remove_all(dir.path() + "/.local");
    logFromUnwritableFolder();
    EXPECT_TRUE(std::filesystem::exists(dir.path() + "/.local/state/zarn-screensaver/screensaver_log.txt"));
}

TEST_F(DiagnosticsLocationTest, AWritableInstallFolderKeepsTheLog) {
    setenv("XDG_STATE_HOME", (dir.path() + "/state").c_str(), 1);
    logPrintf("here\n");
    closeLog();
    EXPECT_EQ(header + "here\n", dir.read("screensaver_log.txt"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/state"));
}

TEST_F(DiagnosticsLocationTest, NoPlaceAtAllIsReportedAsBefore) {
    setenv("XDG_STATE_HOME", "/sys/no-state-here", 1);
    ASSERT_EQ(0, chdir("/sys"));
    testing::internal::CaptureStderr();
    logPrintf("warm-up\n");
    testing::internal::GetCapturedStderr();
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, logPrintf("lost\n"));
    EXPECT_EQ(openError, testing::internal::GetCapturedStderr());
}
