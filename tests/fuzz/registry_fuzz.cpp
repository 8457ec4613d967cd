// Feeds arbitrary bytes to the registry stand-in as its file, then does what the saver does
// with it: opens the settings key, queries every settings value, loads the settings record and
// saves it. Along the way it checks that whatever the parser accepts, the writer writes back in
// a form the parser reads to the same document.
#include "shell/SaverSettings.h"

#include <RegistryDocument.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <unistd.h>

namespace {

// Plain arrays: the clean-up at exit runs after static strings are gone.
char registryDir[64];
char registryPath[96];

const char* registryFile() {
    if (!registryPath[0]) {
        // In memory when possible: every run rewrites the file several times.
        std::snprintf(registryDir, sizeof registryDir, "%s",
                      access("/dev/shm", W_OK) == 0 ? "/dev/shm/zarn-registry-fuzz-XXXXXX" : "/tmp/zarn-registry-fuzz-XXXXXX");
        if (!mkdtemp(registryDir)) std::abort();
        std::snprintf(registryPath, sizeof registryPath, "%s/registry.reg", registryDir);
        setenv("ZARN_REGISTRY", registryPath, 1);
        std::atexit([] {
            std::remove(registryPath);
            std::remove((std::string(registryPath) + ".corrupt").c_str());
            rmdir(registryDir);
        });
    }
    return registryPath;
}

bool sameDocument(const RegistryDocument& a, const RegistryDocument& b) {
    if (a.keys.size() != b.keys.size()) return false;
    for (size_t k = 0; k < a.keys.size(); ++k) {
        const RegistryKey& x = a.keys[k];
        const RegistryKey& y = b.keys[k];
        if (x.path != y.path || x.values.size() != y.values.size()) return false;
        for (size_t v = 0; v < x.values.size(); ++v) {
            const RegistryValue& p = x.values[v];
            const RegistryValue& q = y.values[v];
            if (p.name != q.name || p.type != q.type || p.data != q.data) return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);

    RegistryDocument parsed;
    if (parseRegistryText(text, parsed)) {
        RegistryDocument reparsed;
        if (!parseRegistryText(formatRegistryText(parsed), reparsed) || !sameDocument(parsed, reparsed)) std::abort();
    }

    const std::string file = registryFile();
    std::remove((file + ".corrupt").c_str());
    if (std::FILE* out = std::fopen(file.c_str(), "wb")) {
        std::fwrite(data, 1, size, out);
        std::fclose(out);
    }

    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Zarn Screensaver", 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        static const char* const names[] = {"UseMilitaryTime", "IntervalImmediate", "EnableFilters",
                                            "EnableShadows",   "Antialiasing",      "Resolution",
                                            "InstallDir"};
        for (const char* name : names) {
            BYTE buffer[256];
            DWORD type = 0, bufferSize = sizeof buffer, needed = 0;
            RegQueryValueExA(key, name, nullptr, &type, buffer, &bufferSize);
            RegQueryValueExA(key, name, nullptr, &type, nullptr, &needed);
        }
        RegCloseKey(key);
    }

    SaverSettings settings;
    settings.load();
    settings.save();
    SaverSettings again;
    again.load();
    if (again.UseMilitaryTime != settings.UseMilitaryTime || again.Antialiasing != settings.Antialiasing ||
        again.Resolution != settings.Resolution)
        std::abort();
    return 0;
}
