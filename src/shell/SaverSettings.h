// The user's settings: seven values kept under HKEY_LOCAL_MACHINE\Software\Orvane\Zarn
// Screensaver. Loaded at window creation and by the settings dialog; saved only by the
// dialog's OK. The one instance lives in SaverState.
#pragma once

#include <cstdint>

struct SaverSettings {
    bool UseMilitaryTime = false;
    bool IntervalImmediate = false;
    bool EnableFilters = true;
    bool EnableShadows = true;
    int32_t Antialiasing = 4;
    int32_t Resolution = 0;
    char InstallDir[256] = {};

    // Reads what the registry holds; a missing or mis-sized value leaves its field alone.
    void load();
    // Writes the six user fields (never InstallDir, which the installer owns).
    void save() const;
    const char* getInstallDir() const { return InstallDir; }
};

// Where the data folder is when the registry names none: the installed data beside the
// running program (bin/../share/zarn-screensaver) when it runs from an install; else the
// build's own folder while its data/assetLibrary.txt exists; else the configured install.
const char* defaultInstallDir();
