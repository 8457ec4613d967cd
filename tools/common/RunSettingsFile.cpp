#include "RunSettingsFile.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <system_error>

namespace {

// A .reg string value: backslashes and quotes are escaped.
std::string regString(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

const char* byteValue(bool on) { return on ? "01" : "00"; }

}  // namespace

bool writeRunSettingsFile(const std::filesystem::path& file, const RunSettings& s) {
    std::ofstream out(file);
    char dwords[96];
    std::snprintf(dwords, sizeof dwords, "\"Antialiasing\"=dword:%08x\n\"Resolution\"=dword:%08x\n",
                  unsigned(s.antialiasing), unsigned(s.resolution));
    out << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n"
        << "\"UseMilitaryTime\"=hex:" << byteValue(s.militaryTime) << "\n"
        << "\"IntervalImmediate\"=hex:" << byteValue(!s.frameSync) << "\n"
        << "\"EnableFilters\"=hex:" << byteValue(s.post) << "\n"
        << "\"EnableShadows\"=hex:" << byteValue(s.shadows) << "\n"
        << dwords;
    if (!s.dataDir.empty()) out << "\"InstallDir\"=\"" << regString(s.dataDir) << "\"\n";
    return bool(out);
}

std::filesystem::path makePrivateFolder(const std::string& prefix) {
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::filesystem::path dir = std::filesystem::temp_directory_path() / (prefix + std::to_string(random()));
        std::error_code ec;
        if (std::filesystem::create_directory(dir, ec)) return dir;
    }
    return {};
}
