// The settings record against the registry: defaults, fixed value widths, the 256-byte install
// folder, and what a save leaves behind, on a full disk and in a folder nobody may write too.
#include "shell/SaverSettings.h"

#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

const char* const keyHeader = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n";

class SettingsTest : public testing::Test {
protected:
    void SetUp() override { environment.set("ZARN_REGISTRY", dir.path() + "/registry.reg"); }

    void expectDefaults(const SaverSettings& s) {
        EXPECT_FALSE(s.UseMilitaryTime);
        EXPECT_FALSE(s.IntervalImmediate);
        EXPECT_TRUE(s.EnableFilters);
        EXPECT_TRUE(s.EnableShadows);
        EXPECT_EQ(4, s.Antialiasing);
        EXPECT_EQ(0, s.Resolution);
    }

    TempDir dir;
    ScopedEnvironment environment;
};

}  // namespace

TEST_F(SettingsTest, AKeyWithoutValuesKeepsDefaultsAndUsesTheBuiltInDataFolder) {
    dir.write("registry.reg", keyHeader);
    SaverSettings s;
    s.load();
    expectDefaults(s);
    EXPECT_STREQ(defaultInstallDir(), s.getInstallDir());

    // Never the Windows folder: the build's data when it exists, else the installed one.
    std::string builtLibrary = std::string(ZARN_BINARY_DIR) + "/data/assetLibrary.txt";
    if (fs::exists(builtLibrary)) {
        EXPECT_STREQ(ZARN_BINARY_DIR, defaultInstallDir());
    } else {
        EXPECT_EQ('/', defaultInstallDir()[0]);
        EXPECT_NE(std::string(ZARN_BINARY_DIR), defaultInstallDir());
    }
}

TEST_F(SettingsTest, OnlyValuesOfTheExactWidthAreRead) {
    dir.write("registry.reg", std::string(keyHeader) +
                                  "\"UseMilitaryTime\"=dword:00000001\n"  // four bytes: ignored
                                  "\"IntervalImmediate\"=hex:02\n"        // any non-zero byte is on
                                  "\"EnableFilters\"=hex:00\n"
                                  "\"EnableShadows\"=hex:\n"              // empty: ignored
                                  "\"Antialiasing\"=hex:02,00,00,00\n"    // the type is not looked at
                                  "\"Resolution\"=hex:00,04\n");          // two bytes: ignored
    SaverSettings s;
    s.Resolution = 1280;  // a load changes only what it can read
    s.load();
    EXPECT_FALSE(s.UseMilitaryTime);
    EXPECT_TRUE(s.IntervalImmediate);
    EXPECT_FALSE(s.EnableFilters);
    EXPECT_TRUE(s.EnableShadows);
    EXPECT_EQ(2, s.Antialiasing);
    EXPECT_EQ(1280, s.Resolution);
}

TEST_F(SettingsTest, InstallDirHoldsAtMost255Characters) {
    std::string longest = "/" + std::string(254, 'd');
    dir.write("registry.reg", std::string(keyHeader) + "\"InstallDir\"=\"" + longest + "\"\n");
    SaverSettings s;
    s.load();
    EXPECT_EQ(longest, s.getInstallDir());

    dir.write("registry.reg", std::string(keyHeader) + "\"InstallDir\"=\"" + longest + "x\"\n");
    s.load();
    EXPECT_STREQ(defaultInstallDir(), s.getInstallDir());

    // 256 bytes without a terminator fit the buffer but not the field: cut to 255.
    std::string raw = "hex(1):" + std::string("61");
    for (int i = 1; i < 256; ++i) raw += ",61";
    dir.write("registry.reg", std::string(keyHeader) + "\"InstallDir\"=" + raw + "\n");
    s.load();
    EXPECT_EQ(std::string(255, 'a'), s.getInstallDir());

    dir.write("registry.reg", std::string(keyHeader) + "\"InstallDir\"=\"C:\\\\Program Files\\\\Zarn\"\n");
    s.load();
    EXPECT_STREQ("C:\\Program Files\\Zarn", s.getInstallDir());
}

TEST_F(SettingsTest, SaveThenLoadGivesBackTheSixFieldsAndNeverWritesInstallDir) {
    SaverSettings saved;
    saved.UseMilitaryTime = true;
    saved.IntervalImmediate = true;
    saved.EnableFilters = false;
    saved.EnableShadows = false;
    saved.Antialiasing = 2;
    saved.Resolution = 1024;
    std::snprintf(saved.InstallDir, sizeof saved.InstallDir, "/somewhere");
    saved.save();

    EXPECT_EQ(std::string(keyHeader) +
                  "\"UseMilitaryTime\"=hex:01\n"
                  "\"IntervalImmediate\"=hex:01\n"
                  "\"EnableFilters\"=hex:00\n"
                  "\"EnableShadows\"=hex:00\n"
                  "\"Antialiasing\"=dword:00000002\n"
                  "\"Resolution\"=dword:00000400\n",
              dir.read("registry.reg"));

    SaverSettings loaded;
    loaded.load();
    EXPECT_TRUE(loaded.UseMilitaryTime);
    EXPECT_TRUE(loaded.IntervalImmediate);
    EXPECT_FALSE(loaded.EnableFilters);
    EXPECT_FALSE(loaded.EnableShadows);
    EXPECT_EQ(2, loaded.Antialiasing);
    EXPECT_EQ(1024, loaded.Resolution);
    EXPECT_STREQ(defaultInstallDir(), loaded.getInstallDir());

    // Values the installer put there survive a save.
    dir.write("registry.reg", std::string(keyHeader) + "\"InstallDir\"=\"/opt/zarn\"\n");
    saved.save();
    loaded.load();
    EXPECT_STREQ("/opt/zarn", loaded.getInstallDir());
    EXPECT_TRUE(loaded.UseMilitaryTime);
}

TEST_F(SettingsTest, AnUnreadableSettingsFileGivesDefaultsAndIsKept) {
    const std::string damaged = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n\"UseMil";
    dir.write("registry.reg", damaged);
    SaverSettings s;
    s.load();
    expectDefaults(s);
    EXPECT_STREQ(defaultInstallDir(), s.getInstallDir());
    EXPECT_EQ(damaged, dir.read("registry.reg"));

    fs::remove(dir.path() + "/registry.reg");
    fs::create_directory(dir.path() + "/registry.reg");
    s.save();  // nowhere to write: nothing happens, nothing is reported
    s.load();
    expectDefaults(s);
    EXPECT_TRUE(fs::is_directory(dir.path() + "/registry.reg"));
}

TEST_F(SettingsTest, AKeyThatCannotBeOpenedChangesNothing) {
    // With no registry file location at all, the key cannot be opened.
    environment.unset("ZARN_REGISTRY");
    environment.unset("HOME");
    environment.unset("XDG_CONFIG_HOME");

    SaverSettings s;
    s.Antialiasing = 0;
    s.load();
    s.save();

    EXPECT_EQ(0, s.Antialiasing);
    EXPECT_STREQ("", s.getInstallDir());
}

TEST_F(SettingsTest, ASaveThatCannotBeWrittenKeepsTheOldFileWholeAndSaysNothing) {
    SaverSettings s;
    s.UseMilitaryTime = true;
    s.Resolution = 1024;
    s.save();
    const std::string before = dir.read("registry.reg");

    // A full disk, as root sees one: a file size limit stops the new file part-way.
    s.Resolution = 1280;
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit tiny = saved;
    tiny.rlim_cur = 32;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    testing::internal::CaptureStderr();
    setrlimit(RLIMIT_FSIZE, &tiny);
    s.save();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    EXPECT_EQ(before, dir.read("registry.reg"));
    SaverSettings again;
    again.load();
    EXPECT_TRUE(again.UseMilitaryTime);
    EXPECT_EQ(1024, again.Resolution);

    // A config folder nobody may write, root included (sysfs): silence, and defaults on load.
    environment.set("ZARN_REGISTRY", "/sys/zarn-screensaver/registry.reg");
    testing::internal::CaptureStderr();
    s.save();
    SaverSettings fresh;
    fresh.load();
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    expectDefaults(fresh);
    EXPECT_FALSE(fs::exists("/sys/zarn-screensaver"));
}
