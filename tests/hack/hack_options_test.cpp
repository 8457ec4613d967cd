// The hack's command line: the XScreenSaver conventions for naming a window, and the clear
// refusals for everything else.
#include "hack/HackOptions.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

HackOptions parse(std::vector<const char*> args, const char* environment = nullptr) {
    args.insert(args.begin(), "zarn");
    return parseHackOptions(int(args.size()), args.data(), environment);
}

}  // namespace

TEST(HackOptionsTest, WindowIdsAreHexadecimalOrDecimalWholeNonZeroAndWithin32Bits) {
    uint32_t window = 7;
    EXPECT_TRUE(parseWindowId("0x1a00005", &window));
    EXPECT_EQ(0x1a00005u, window);
    EXPECT_TRUE(parseWindowId("0XFFFFFFFF", &window));
    EXPECT_EQ(0xFFFFFFFFu, window);
    EXPECT_TRUE(parseWindowId("27262981", &window));
    EXPECT_EQ(27262981u, window);
    for (const char* bad : {"", "0x", "0", "0x0", "12ab", "0x12g", "-5", " 5", "4294967296", "0x100000000",
                            "99999999999999999999999"}) {
        window = 7;
        EXPECT_FALSE(parseWindowId(bad, &window)) << bad;
        EXPECT_EQ(7u, window) << bad;
    }
    EXPECT_FALSE(parseWindowId(nullptr, &window));
}

TEST(HackOptionsTest, RootTakesTheHostsWindowFromTheEnvironmentOrFallsBackToTheRootWindow) {
    for (const char* root : {"--root", "-root"}) {
        HackOptions options = parse({root}, "0x400007");
        EXPECT_EQ(HackTarget::root, options.target);
        EXPECT_EQ(0x400007u, options.window);
        options = parse({root}, "4194311");
        EXPECT_EQ(0x400007u, options.window);
        // Outside a host (unset or empty): the display's root window, as every hack does.
        EXPECT_EQ(0u, parse({root}).window);
        EXPECT_EQ(HackTarget::root, parse({root}, "").target);
        EXPECT_EQ(0u, parse({root}, "").window);
    }
    // A host that names a window it cannot mean is an error, never a draw elsewhere.
    const HackOptions bad = parse({"--root"}, "0xnope");
    EXPECT_EQ(HackTarget::error, bad.target);
    EXPECT_NE(std::string::npos, bad.error.find("XSCREENSAVER_WINDOW"));
}

TEST(HackOptionsTest, WindowIdNamesTheWindowAndNoOptionMeansAWindowOfOurOwn) {
    for (const char* flag : {"--window-id", "-window-id"}) {
        const HackOptions options = parse({flag, "0x2c00003"}, "0x400007");
        EXPECT_EQ(HackTarget::windowId, options.target);
        EXPECT_EQ(0x2c00003u, options.window);
    }
    EXPECT_EQ(HackTarget::ownWindow, parse({}, "0x400007").target);
    EXPECT_EQ(HackTarget::help, parse({"--help"}).target);
    EXPECT_EQ(HackTarget::help, parse({"-h", "--bogus"}).target);
}

TEST(HackOptionsTest, UnknownOrIncompleteOptionsAreErrorsThatSayWhat) {
    const struct {
        std::vector<const char*> args;
        const char* mentions;
    } cases[] = {
        {{"--bogus"}, "--bogus"},
        {{"root"}, "root"},
        {{"---root"}, "---root"},
        {{"--window-id"}, "needs a window id"},
        {{"--window-id", "0"}, "\"0\""},
        {{"--window-id", "--root"}, "\"--root\""},
        {{"--root", "--window-id", "5"}, "give one"},
        {{"--root", "extra"}, "extra"},
    };
    for (const auto& c : cases) {
        const HackOptions options = parse(c.args, "0x400007");
        EXPECT_EQ(HackTarget::error, options.target) << c.mentions;
        EXPECT_NE(std::string::npos, options.error.find(c.mentions)) << options.error;
    }
}
