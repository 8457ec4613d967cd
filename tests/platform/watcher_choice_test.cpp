// The settings dialog's watcher row: the autostart entry read back, the typed wait's range,
// and the one watcher command OK runs (none for an unchanged row).
#include "dialog/WatcherChoice.h"

#include <gtest/gtest.h>

namespace {

std::string entryWith(const std::string& exec) { return "[Desktop Entry]\nType=Application\nExec=" + exec + "\n"; }

}  // namespace

TEST(WatcherChoiceTest, EntryReadsAsTickAndWholeMinutes) {
    const struct {
        std::optional<std::string> entry;
        bool enabled;
        const char* minutes;
    } rows[] = {
        {std::nullopt, false, "3"},
        {entryWith("\"/usr/bin/zarn-screensaver-watch\" --after 10m"), true, "10"},
        {entryWith("/opt/z/zarn-screensaver-watch --after=2h"), true, "120"},
        {entryWith("\"/w/zarn-screensaver-watch\" --after 90s"), true, "2"},
        {entryWith("\"/w/zarn-screensaver-watch\" --after 20s"), true, "1"},
        {entryWith("\"/w/zarn-screensaver-watch\" --after 24h"), true, "1440"},
        {entryWith("\"/w/zarn-screensaver-watch\""), true, "3"},
        {entryWith("\"/w/zarn-screensaver-watch\" --after soon"), true, "3"},
        {entryWith("\"/w/zarn-screensaver-watch\" --after"), true, "3"},
        {std::string("garbage\0\n", 9), true, "3"},
    };
    for (const auto& row : rows) {
        const WatcherRowState state = watcherRowFromEntry(row.entry);
        EXPECT_EQ(row.enabled, state.enabled) << row.entry.value_or("(none)");
        EXPECT_EQ(row.minutes, state.minutesText) << row.entry.value_or("(none)");
    }
}

TEST(WatcherChoiceTest, WaitIsAWholeNumberOfMinutesUpToADay) {
    for (const char* good : {"1", "5", "01", "1440"}) EXPECT_TRUE(watcherRowMinutes(good)) << good;
    for (const char* bad : {"", "0", "1441", "99999", "-5", "5m", " 5", "1.5", "abc"})
        EXPECT_FALSE(watcherRowMinutes(bad)) << bad;
}

TEST(WatcherChoiceTest, OkRunsOnlyWhatChanged) {
    using Args = std::vector<std::string>;
    const WatcherRowState off{false, "3"}, onTen{true, "10"};
    const struct {
        WatcherRowState shown, chosen;
        Args command;
    } rows[] = {
        {off, off, {}},
        {off, {false, "7"}, {}},
        {off, {true, "3"}, {"--enable", "--after", "3m"}},
        {onTen, onTen, {}},
        {onTen, {true, "010"}, {}},
        {onTen, {true, "11"}, {"--enable", "--after", "11m"}},
        {onTen, {false, "10"}, {"--disable"}},
        {onTen, {true, "0"}, {}},  // refused before OK gets here
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.command, watcherRowCommand(row.shown, row.chosen)) << row.shown.minutesText << "->"
                                                                        << row.chosen.minutesText;
}
