// Loading and saving the user's settings under Software\Orvane\Zarn Screensaver, in the
// registry roots the platform names (SettingsRoots.h). Values are read and written in a fixed order with fixed widths (one byte per
// switch, four per number); a value that is missing or has another size leaves its field alone.
#include "shell/SaverSettings.h"

#include "platform/seams/InstallPaths.h"
#include "platform/seams/SettingsRoots.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const char* const settingsKey = "Software\\Orvane\\Zarn Screensaver";

void readSwitch(HKEY key, const char* name, bool& field) {
    BYTE value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, nullptr, &value, &size) == ERROR_SUCCESS && size == sizeof value) {
        // Any other byte than 0 or 1 copied into a bool would be undefined; non-zero means on.
        field = value != 0;
    }
}

void readNumber(HKEY key, const char* name, int32_t& field) {
    int32_t value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
        size == sizeof value) {
        field = value;
    }
}

void writeSwitch(HKEY key, const char* name, bool field) {
    BYTE value = field ? 1 : 0;
    RegSetValueExA(key, name, 0, REG_BINARY, &value, sizeof value);
}

void writeNumber(HKEY key, const char* name, int32_t field) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&field), sizeof field);
}

void readUserFields(HKEY key, SaverSettings& settings) {
    readSwitch(key, "UseMilitaryTime", settings.UseMilitaryTime);
    readSwitch(key, "IntervalImmediate", settings.IntervalImmediate);
    readSwitch(key, "EnableFilters", settings.EnableFilters);
    readSwitch(key, "EnableShadows", settings.EnableShadows);
    readNumber(key, "Antialiasing", settings.Antialiasing);
    readNumber(key, "Resolution", settings.Resolution);
}

void readInstallDir(HKEY key, char* installDir, size_t capacity) {
    char dir[256] = {};
    DWORD size = sizeof dir;
    if (RegQueryValueExA(key, "InstallDir", nullptr, nullptr, reinterpret_cast<BYTE*>(dir), &size) == ERROR_SUCCESS) {
        // A stored text without its terminator still fits: keep at most capacity - 1 characters.
        std::memset(installDir, 0, capacity);
        std::memcpy(installDir, dir, strnlen(dir, capacity - 1));
    } else {
        std::snprintf(installDir, capacity, "%s", defaultInstallDir());
    }
}

}  // namespace

const char* defaultInstallDir() { return platformDefaultInstallDir(); }

void SaverSettings::load() {
    // Every root that holds user fields or InstallDir is opened once, in the seam's order, so a
    // later root's user fields replace an earlier one's.
    const SettingsRoots roots = settingsRoots();
    HKEY order[3] = {};
    int count = 0;
    for (int i = 0; i < roots.userReadCount; ++i) order[count++] = roots.userRead[i];
    if (std::find(order, order + count, roots.installDir) == order + count) order[count++] = roots.installDir;

    for (int i = 0; i < count; ++i) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(order[i], settingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            continue;
        if (std::find(roots.userRead, roots.userRead + roots.userReadCount, order[i]) !=
            roots.userRead + roots.userReadCount)
            readUserFields(key, *this);
        if (order[i] == roots.installDir) readInstallDir(key, InstallDir, sizeof InstallDir);
        RegCloseKey(key);
    }
}

void SaverSettings::save() const {
    HKEY key = nullptr;
    if (RegCreateKeyExA(settingsRoots().userWrite, settingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;

    writeSwitch(key, "UseMilitaryTime", UseMilitaryTime);
    writeSwitch(key, "IntervalImmediate", IntervalImmediate);
    writeSwitch(key, "EnableFilters", EnableFilters);
    writeSwitch(key, "EnableShadows", EnableShadows);
    writeNumber(key, "Antialiasing", Antialiasing);
    writeNumber(key, "Resolution", Resolution);
    RegCloseKey(key);
}
