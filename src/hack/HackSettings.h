// Handing the settings a host chose to the saver for one run: as registry values laid over the
// saver's settings file, which the hack and the saver then never write.
#pragma once

#include "hack/HackOptions.h"

#include <string>

// REGEDIT4 text holding the chosen values under the saver's settings key, in the names, types
// and sizes the saver reads; empty when nothing was chosen.
std::string saverSettingsOverlay(const HackSettings& settings);
