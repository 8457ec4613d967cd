// A settings file of a tool's own, so that a run shows exactly the settings it was asked
// for and the user's own settings are neither read nor touched.
#pragma once

#include <filesystem>
#include <string>

struct RunSettings {
    bool militaryTime = false;
    bool frameSync = false;
    bool post = true;
    bool shadows = true;
    int antialiasing = 4;
    int resolution = 0;
    std::string dataDir;  // the install folder; empty for the build's own
};

// Writes the settings as the saver's registry file; false when it cannot be written.
bool writeRunSettingsFile(const std::filesystem::path& file, const RunSettings& settings);

// A new, empty folder under the system's temporary folder, named `prefix` and a random
// number; empty when none could be made.
std::filesystem::path makePrivateFolder(const std::string& prefix);
