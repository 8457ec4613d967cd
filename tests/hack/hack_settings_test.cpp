// Settings chosen in a host's panel: every option zarn.xml offers is one the hack accepts; the
// values reach the saver's settings for that run through the registry layer, over whatever the
// settings file says, and the file is never touched; 24-hour time gives the 24-hour drum.
#include "hack/HackOptions.h"
#include "hack/HackSettings.h"

#include "assets/AssetLibrary.h"
#include "scene/ClockScene.h"
#include "shell/SaverSettings.h"
#include "shell/SaverState.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

HackOptions parse(std::vector<std::string> words) {
    std::vector<const char*> args{"zarn", "--root"};
    for (const std::string& word : words) args.push_back(word.c_str());
    return parseHackOptions(int(args.size()), args.data(), "0x400007");
}

std::vector<std::string> split(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// The settings file of a user who chose the opposite of every default.
const char* const userFile =
    "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n"
    "\"UseMilitaryTime\"=hex:01\n\"IntervalImmediate\"=hex:01\n\"EnableFilters\"=hex:00\n"
    "\"EnableShadows\"=hex:00\n\"Antialiasing\"=dword:00000000\n\"Resolution\"=dword:00000320\n";

class HackSettingsTest : public testing::Test {
protected:
    void SetUp() override {
        file = dir.write("registry.reg", userFile);
        setenv("ZARN_REGISTRY", file.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("ZARN_REGISTRY");
        unsetenv("ZARN_REGISTRY_OVERLAY");
    }
    // What the saver loads when the hack starts it with these options.
    SaverSettings loadWith(const std::vector<std::string>& words) {
        const HackOptions options = parse(words);
        EXPECT_EQ(HackTarget::root, options.target) << options.error;
        const std::string overlay = saverSettingsOverlay(options.settings);
        if (overlay.empty()) unsetenv("ZARN_REGISTRY_OVERLAY");
        else setenv("ZARN_REGISTRY_OVERLAY", overlay.c_str(), 1);
        SaverSettings settings;
        settings.load();
        return settings;
    }
    TempDir dir;
    std::string file;
};

// The text of each element that starts with `opening`, up to its "/>".
std::vector<std::string> elements(const std::string& text, const std::string& opening) {
    std::vector<std::string> found;
    for (size_t at = text.find(opening); at != std::string::npos; at = text.find(opening, at + 1)) {
        const size_t end = text.find("/>", at);
        if (end == std::string::npos) break;
        found.push_back(text.substr(at, end - at));
    }
    return found;
}

// The value of name="..." in an element's text; empty when it has none.
std::string attribute(const std::string& tag, const std::string& name) {
    const std::string key = " " + name + "=\"";
    const size_t at = tag.find(key);
    if (at == std::string::npos) return {};
    const size_t begin = at + key.size();
    const size_t end = tag.find('"', begin);
    return end == std::string::npos ? std::string() : tag.substr(begin, end - begin);
}

}  // namespace

TEST(HackSettingsOptionsTest, EveryChoiceInTheHostsPanelIsAnOptionTheHackTakes) {
    std::ifstream xml(ZARN_SOURCE_DIR "/desktop/zarn.xml");
    ASSERT_TRUE(xml) << "desktop/zarn.xml";
    const std::string text((std::istreambuf_iterator<char>(xml)), std::istreambuf_iterator<char>());
    int options = 0, plain = 0, selects = 0;
    std::vector<std::string> everything;
    for (const std::string& tag : elements(text, "<option ")) {
        ++options;
        const std::string args = attribute(tag, "arg-set");
        if (args.empty()) {
            ++plain;
            continue;
        }
        const HackOptions parsed = parse(split(args));
        EXPECT_EQ(HackTarget::root, parsed.target) << attribute(tag, "id") << ": " << parsed.error;
        EXPECT_TRUE(parsed.settings.any()) << attribute(tag, "id");
        for (const std::string& word : split(args)) everything.push_back(word);
    }
    // Six settings, each first offered "as in the saver's settings", which passes nothing.
    for (size_t at = text.find("<select "); at != std::string::npos; at = text.find("<select ", at + 1)) {
        const size_t first = text.find("<option ", at);
        if (first == std::string::npos) break;
        const std::string tag = text.substr(first, text.find("/>", first) - first);
        if (attribute(tag, "arg-set").empty() && !attribute(tag, "_label").empty()) ++selects;
    }
    EXPECT_EQ(6, selects);
    EXPECT_EQ(6, plain);
    EXPECT_EQ(6 + 15, options);
    // All at once, as a host's command line holds one choice of each (later ones win).
    EXPECT_EQ(HackTarget::root, parse(everything).target);
}

TEST(HackSettingsOptionsTest, ValuesOutsideTheChoicesOrMissingAreErrorsThatSayWhich) {
    const struct {
        std::vector<std::string> args;
        const char* mentions;
    } cases[] = {
        {{"--hours", "13"}, "\"13\" is not a value of --hours"},
        {{"--hours"}, "--hours needs a value"},
        {{"--shadows", "yes"}, "\"yes\""},
        {{"--post-processing", "ON"}, "\"ON\""},
        {{"--frame-sync"}, "--frame-sync needs a value"},
        {{"--antialiasing", "3"}, "\"3\""},
        {{"--antialiasing", "02"}, "\"02\""},
        {{"--resolution", "640"}, "\"640\""},
        {{"--resolution", "-0"}, "\"-0\""},
        {{"--resolution", ""}, "\"\""},
    };
    for (const auto& c : cases) {
        const HackOptions options = parse(c.args);
        EXPECT_EQ(HackTarget::error, options.target) << c.mentions;
        EXPECT_NE(std::string::npos, options.error.find(c.mentions)) << options.error;
    }
    // One dash or two, as for every hack option; the value is the next word.
    const HackOptions single = parse({"-hours", "24", "-antialiasing", "2"});
    ASSERT_EQ(HackTarget::root, single.target) << single.error;
    EXPECT_EQ(true, single.settings.use24Hour);
    EXPECT_EQ(2, single.settings.antialiasing);
}

TEST_F(HackSettingsTest, NoChoiceLeavesEverySettingToTheSettingsFile) {
    EXPECT_EQ("", saverSettingsOverlay(HackSettings{}));
    const SaverSettings settings = loadWith({});
    EXPECT_TRUE(settings.UseMilitaryTime);
    EXPECT_TRUE(settings.IntervalImmediate);
    EXPECT_FALSE(settings.EnableFilters);
    EXPECT_FALSE(settings.EnableShadows);
    EXPECT_EQ(0, settings.Antialiasing);
    EXPECT_EQ(800, settings.Resolution);
}

TEST_F(HackSettingsTest, ChosenValuesWinForTheRunAndTheSettingsFileStaysByteForByte) {
    SaverSettings settings = loadWith({"--hours", "12", "--frame-sync", "on", "--post-processing", "on",
                                       "--shadows", "on", "--antialiasing", "4", "--resolution", "1280"});
    EXPECT_FALSE(settings.UseMilitaryTime);
    EXPECT_FALSE(settings.IntervalImmediate);  // frame sync on
    EXPECT_TRUE(settings.EnableFilters);
    EXPECT_TRUE(settings.EnableShadows);
    EXPECT_EQ(4, settings.Antialiasing);
    EXPECT_EQ(1280, settings.Resolution);

    // One choice: only that one differs from the file.
    settings = loadWith({"--resolution", "0"});
    EXPECT_EQ(0, settings.Resolution);
    EXPECT_TRUE(settings.UseMilitaryTime);
    EXPECT_EQ(0, settings.Antialiasing);
    settings = loadWith({"--frame-sync", "off", "--hours", "24", "--antialiasing", "0"});
    EXPECT_TRUE(settings.IntervalImmediate);
    EXPECT_TRUE(settings.UseMilitaryTime);

    // The dialog's OK during such a run writes only the file, and what it wrote is what a
    // later run without options reads.
    settings = loadWith({"--shadows", "on"});
    EXPECT_EQ(userFile, dir.read("registry.reg"));
    settings.EnableShadows = false;
    settings.Antialiasing = 2;
    settings.save();
    EXPECT_TRUE(loadWith({"--shadows", "on"}).EnableShadows);
    EXPECT_EQ(2, loadWith({}).Antialiasing);
    EXPECT_FALSE(loadWith({}).EnableShadows);
}

TEST_F(HackSettingsTest, TheFileIsNeverWrittenWhileChoicesAreRead) {
    for (const auto& words : std::vector<std::vector<std::string>>{
             {"--hours", "24"}, {"--post-processing", "off"}, {"--shadows", "off"}, {"--frame-sync", "off"},
             {"--antialiasing", "2"}, {"--resolution", "1024"}, {}}) {
        loadWith(words);
        EXPECT_EQ(userFile, dir.read("registry.reg")) << (words.empty() ? "no option" : words[0]);
    }
}

TEST_F(HackSettingsTest, TwentyFourHourTimeFromTheHostBuildsTheTwentyFourHourDrum) {
    dir.write("quad.obj",
              "v -1 -1 0\nv -1 1 0\nv 1 1 0\nv 1 -1 0\nvt 0 1\nvt 0 0\nvt 1 0\nvt 1 1\nvn 0 0 -1\n"
              "f 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\n");
    dir.write("library.txt",
              "MODELCOUNT 1\nMODEL {\n MESH quad.obj\n NAME meshCounterDouble\n}\nTEXTURECOUNT 0\n"
              "MATERIALCOUNT 2\nMATERIAL {\n NAME matCounter12\n}\nMATERIAL {\n NAME matCounter24\n}\n"
              "ANIMATIONCOUNT 0\n");
    // A user whose own setting is 12-hour time.
    dir.write("registry.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n"
                              "\"UseMilitaryTime\"=hex:00\n");
    AssetLibrary library;
    testing::internal::CaptureStderr();  // the lookups warn about every part left out
    library.load("library.txt");
    const SaverSettings saved = saverState.settings;
    int labels[2] = {};
    const char* hours[2] = {"12", "24"};
    for (int i = 0; i < 2; ++i) {
        saverState.settings = loadWith({"--hours", hours[i]});
        ClockScene scene(library);
        labels[i] = scene.hourCounter.getLabelCount();
        EXPECT_EQ(scene.hourCounter.material, library.findMaterial(i ? "matCounter24" : "matCounter12"));
    }
    testing::internal::GetCapturedStderr();
    saverState.settings = saved;
    EXPECT_EQ(12, labels[0]);
    EXPECT_EQ(24, labels[1]);
}
