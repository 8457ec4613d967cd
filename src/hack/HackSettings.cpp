// The chosen settings as the saver's own registry values: one byte for each switch, a 32-bit
// number for antialiasing and resolution. Frame sync is stored inverted, as "IntervalImmediate".
#include "hack/HackSettings.h"

#include <cstdio>

namespace {

void addSwitch(std::string& text, const char* name, bool on) {
    text += std::string("\"") + name + "\"=hex:" + (on ? "01" : "00") + "\n";
}

void addNumber(std::string& text, const char* name, int value) {
    char number[16];
    std::snprintf(number, sizeof number, "%08x", unsigned(value));
    text += std::string("\"") + name + "\"=dword:" + number + "\n";
}

}  // namespace

std::string saverSettingsOverlay(const HackSettings& settings) {
    if (!settings.any()) return {};
    std::string text = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n";
    if (settings.use24Hour) addSwitch(text, "UseMilitaryTime", *settings.use24Hour);
    if (settings.frameSync) addSwitch(text, "IntervalImmediate", !*settings.frameSync);
    if (settings.postProcessing) addSwitch(text, "EnableFilters", *settings.postProcessing);
    if (settings.shadows) addSwitch(text, "EnableShadows", *settings.shadows);
    if (settings.antialiasing) addNumber(text, "Antialiasing", *settings.antialiasing);
    if (settings.resolution) addNumber(text, "Resolution", *settings.resolution);
    return text;
}
