// Which registry roots hold the settings. The six user fields are read from every root of
// userRead in order, a later root's values replacing an earlier one's, and written to
// userWrite; InstallDir, which the installer owns, is read from installDir only.
#pragma once

#include <windows.h>

struct SettingsRoots {
    HKEY userRead[2];
    int userReadCount;
    HKEY userWrite;
    HKEY installDir;
};

SettingsRoots settingsRoots();
