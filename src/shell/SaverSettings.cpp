// Loading and saving the user's settings under HKEY_LOCAL_MACHINE\Software\Orvane\Zarn
// Screensaver. Values are read and written in a fixed order with fixed widths (one byte per
// switch, four per number); a value that is missing or has another size leaves its field alone.
#include "shell/SaverSettings.h"

#include <windows.h>

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

}  // namespace

namespace {

bool holdsAssetLibrary(const char* root) {
    char probe[512];
    if (std::snprintf(probe, sizeof probe, "%s/data/assetLibrary.txt", root) >= int(sizeof probe)) return false;
    std::FILE* library = std::fopen(probe, "r");
    if (!library) return false;
    std::fclose(library);
    return true;
}

// The data an install put beside the running program (bin/../share/zarn-screensaver), found
// from the program's own file, so an installed copy works wherever its prefix is and
// whatever folder it is started from. False when the program does not run from an install.
bool installedBesideProgram(char* root, size_t size) {
    char program[1024];
    const DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    if (length == 0 || length >= sizeof program) return false;
    char* end = std::strrchr(program, '/');
    if (!end) return false;
    *end = '\0';
    // Climb one folder per leading "../" rather than keep them, so the log names a plain path.
    const char* relative = ZARN_INSTALLED_DATA_FROM_BIN;
    while (std::strncmp(relative, "../", 3) == 0) {
        end = std::strrchr(program, '/');
        if (!end) return false;
        *end = '\0';
        relative += 3;
    }
    if (std::snprintf(root, size, "%s/%s", program, relative) >= int(size)) return false;
    return holdsAssetLibrary(root);
}

}  // namespace

const char* defaultInstallDir() {
    // A Windows install path means nothing here. An installed program uses the data installed
    // with it; a program in a build tree that has produced its data uses that, so a developer's
    // run sees the data it was just built with rather than an older installed copy.
    static char dir[256] = {};
    if (!dir[0] && !installedBesideProgram(dir, sizeof dir)) {
        const char* root = holdsAssetLibrary(ZARN_BUILD_DATA_ROOT) ? ZARN_BUILD_DATA_ROOT : ZARN_INSTALLED_DATA_ROOT;
        std::snprintf(dir, sizeof dir, "%s", root);
    }
    return dir;
}

void SaverSettings::load() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, settingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;

    readSwitch(key, "UseMilitaryTime", UseMilitaryTime);
    readSwitch(key, "IntervalImmediate", IntervalImmediate);
    readSwitch(key, "EnableFilters", EnableFilters);
    readSwitch(key, "EnableShadows", EnableShadows);
    readNumber(key, "Antialiasing", Antialiasing);
    readNumber(key, "Resolution", Resolution);

    char dir[256] = {};
    DWORD size = sizeof dir;
    if (RegQueryValueExA(key, "InstallDir", nullptr, nullptr, reinterpret_cast<BYTE*>(dir), &size) == ERROR_SUCCESS) {
        // A stored text without its terminator still fits: keep at most 255 characters.
        std::memset(InstallDir, 0, sizeof InstallDir);
        std::memcpy(InstallDir, dir, strnlen(dir, sizeof InstallDir - 1));
    } else {
        std::snprintf(InstallDir, sizeof InstallDir, "%s", defaultInstallDir());
    }
    RegCloseKey(key);
}

void SaverSettings::save() const {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, settingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
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
