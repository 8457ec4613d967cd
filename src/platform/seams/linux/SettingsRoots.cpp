// Linux side: the settings file plays HKEY_LOCAL_MACHINE and is the user's own, so every
// value lives there as designed.
#include "platform/seams/SettingsRoots.h"

SettingsRoots settingsRoots() { return {{HKEY_LOCAL_MACHINE, nullptr}, 1, HKEY_LOCAL_MACHINE, HKEY_LOCAL_MACHINE}; }
