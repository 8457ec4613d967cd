// Windows side: without an InstallDir in the registry the data is looked for beside the
// running .scr, which is where an unpacked zip keeps it.
#include "platform/seams/InstallPaths.h"

#include <windows.h>

#include <cstring>

const char* platformDefaultInstallDir() {
    static char dir[MAX_PATH] = {};
    if (!dir[0]) {
        char program[MAX_PATH];
        const DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
        if (length == 0 || length >= sizeof program) return dir;
        char* end = std::strrchr(program, '\\');
        if (char* slash = std::strrchr(program, '/'); slash > end) end = slash;
        if (!end) return dir;
        *end = '\0';
        std::memcpy(dir, program, end - program + 1);
    }
    return dir;
}
