// The watcher's command line and its WAIT values, including every refusal.
#include "watch/AutostartEntry.h"
#include "watch/WatchOptions.h"

#include <gtest/gtest.h>

TEST(WatchOptionsTest, WaitIsMinutesOrAWholeNumberWithAUnit) {
    const struct {
        const char* text;
        unsigned seconds;
    } good[] = {{"3", 180}, {"0", 0}, {"30s", 30}, {"0s", 0}, {"10m", 600}, {"1h", 3600}, {"24h", 86400},
                {"1440", 86400}, {"86400s", 86400}, {"007s", 7}};
    for (const auto& row : good) {
        std::string error;
        EXPECT_EQ(row.seconds, parseWait(row.text, &error).value_or(99999)) << row.text << " " << error;
        // What formatWait writes (the autostart entry's wait) reads back the same.
        EXPECT_EQ(row.seconds, parseWait(formatWait(row.seconds), nullptr).value_or(99999)) << row.text;
    }
    for (const char* bad : {"", "s", "m", "-5", "+5", " 5", "5 ", "5x", "5ms", "5S", "1.5", "0x10", "5mm", "25h",
                            "86401s", "1441", "99999999999999999999999999m", "5m3s"}) {
        std::string error;
        EXPECT_FALSE(parseWait(bad, &error)) << bad;
        EXPECT_NE(std::string::npos, error.find(std::string("'") + bad + "'")) << error;
    }
    EXPECT_EQ("3m", formatWait(180));
    EXPECT_EQ("90s", formatWait(90));
    EXPECT_EQ("2h", formatWait(7200));
}

TEST(WatchOptionsTest, OneActionAndAnOptionalWaitElseAClearError) {
    const struct {
        std::vector<std::string> arguments;
        WatchAction action;
        unsigned seconds;
    } rows[] = {
        {{}, WatchAction::watch, defaultWaitSeconds},
        {{"--after", "30s"}, WatchAction::watch, 30},
        {{"--after=2"}, WatchAction::watch, 120},
        {{"--enable"}, WatchAction::enable, defaultWaitSeconds},
        {{"--enable", "--after", "10m"}, WatchAction::enable, 600},
        {{"--after", "10m", "--enable"}, WatchAction::enable, 600},
        {{"--enable", "--enable"}, WatchAction::enable, defaultWaitSeconds},
        {{"--disable"}, WatchAction::disable, defaultWaitSeconds},
        {{"--help"}, WatchAction::help, defaultWaitSeconds},
    };
    for (const auto& row : rows) {
        const WatchOptions options = parseWatchOptions(row.arguments);
        EXPECT_EQ(row.action, options.action) << options.error;
        EXPECT_EQ(row.seconds, options.waitSeconds);
    }
    const struct {
        std::vector<std::string> arguments;
        const char* says;
    } errors[] = {
        {{"--after"}, "--after needs a wait"},
        {{"--after", "soon"}, "bad wait 'soon'"},
        {{"--after="}, "bad wait ''"},
        {{"--enable", "--disable"}, "choose one"},
        {{"--enable", "--after", "-1"}, "bad wait '-1'"},
        {{"/s"}, "unknown argument '/s'"},
        {{"--after", "5", "extra"}, "unknown argument 'extra'"},
    };
    for (const auto& row : errors) {
        const WatchOptions options = parseWatchOptions(row.arguments);
        EXPECT_EQ(WatchAction::error, options.action) << row.says;
        EXPECT_NE(std::string::npos, options.error.find(row.says)) << options.error;
    }
}

TEST(WatchOptionsTest, AutostartEntryRunsThisWatcherWithItsWaitAndQuotesThePath) {
    const auto entry = autostartEntryText("/usr/bin/zarn-screensaver-watch", 600);
    ASSERT_TRUE(entry);
    EXPECT_EQ("[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Zarn Screensaver Watcher\n"
              "Comment=Shows the Zarn clock on every monitor while the session is idle\n"
              "Exec=\"/usr/bin/zarn-screensaver-watch\" --after 10m\n"
              "Icon=zarn-screensaver\n"
              "Terminal=false\n"
              "NoDisplay=true\n"
              "X-GNOME-Autostart-enabled=true\n",
              *entry);
    // Reserved characters inside the quotes, with the string escaping of the key on top, and
    // a percent sign doubled so that it is no field code.
    const auto odd = autostartEntryText("/opt/my \"$x\" `y` 100%\\z/w", 30);
    ASSERT_TRUE(odd);
    EXPECT_NE(std::string::npos,
              odd->find("Exec=\"/opt/my \\\\\"\\\\$x\\\\\" \\\\`y\\\\` 100%%\\\\\\\\z/w\" --after 30s\n"))
        << *odd;
    for (const char* bad : {"", "relative/watch", "/a\nExec=/bin/evil", "/a\rb"})
        EXPECT_FALSE(autostartEntryText(bad, 60)) << bad;
}
