// GetModuleFileNameA for the program itself: an installed program finds its data next to
// where it was installed, whatever folder it was started from.
#include <windows.h>

#include <unistd.h>

#include <cstring>

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    if (hModule || !lpFilename || nSize == 0) return 0;
    // readlink neither terminates nor says whether it truncated, so read into a larger buffer.
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || size_t(length) >= sizeof path) return 0;
    if (DWORD(length) >= nSize) {
        std::memcpy(lpFilename, path, nSize - 1);
        lpFilename[nSize - 1] = '\0';
        return nSize;
    }
    std::memcpy(lpFilename, path, size_t(length));
    lpFilename[length] = '\0';
    return DWORD(length);
}
