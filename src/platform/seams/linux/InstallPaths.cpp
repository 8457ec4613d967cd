// Linux side: the data root of an install beside the program, else of the build tree, else
// of the configured install prefix (compile-time paths).
#include "platform/seams/InstallPaths.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

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

const char* platformDefaultInstallDir() {
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
