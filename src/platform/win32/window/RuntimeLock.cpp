// Lock files in $XDG_RUNTIME_DIR, held with flock on a descriptor kept open: the kernel drops
// the lock with the process, so a saver that crashed never leaves a stale one behind.
#include "ZarnRuntimeLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <string>

namespace {

std::map<std::string, int>& heldLocks() {
    static std::map<std::string, int> locks;
    return locks;
}

std::string fileName(const char* name) {
    std::string out;
    for (const char* p = name; *p; ++p) {
        const char c = *p;
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                           c == '_' || c == '-';
        out += plain ? c : '-';
    }
    // "." and ".." name folders, not files.
    if (out.find_first_not_of('.') == std::string::npos) out.insert(0, "lock");
    return out + ".lock";
}

// The session's private runtime folder: absolute and a folder, else none (the XDG rules say
// to ignore anything else).
std::string runtimeFolder() {
    const char* folder = std::getenv("XDG_RUNTIME_DIR");
    if (!folder || folder[0] != '/') return {};
    struct stat info {};
    if (stat(folder, &info) != 0 || !S_ISDIR(info.st_mode)) return {};
    return folder;
}

}  // namespace

ZarnRuntimeLockClaim ZarnClaimRuntimeLock(const char* name) {
    if (!name || !*name) return ZarnRuntimeLockClaim::unavailable;
    const std::string file = fileName(name);
    if (heldLocks().count(file)) return ZarnRuntimeLockClaim::claimed;
    const std::string folder = runtimeFolder();
    if (folder.empty()) return ZarnRuntimeLockClaim::unavailable;

    const std::string path = folder + "/" + file;
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return ZarnRuntimeLockClaim::unavailable;
    int result;
    do result = flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        const bool busy = errno == EWOULDBLOCK;
        close(fd);
        return busy ? ZarnRuntimeLockClaim::heldElsewhere : ZarnRuntimeLockClaim::unavailable;
    }
    heldLocks()[file] = fd;
    return ZarnRuntimeLockClaim::claimed;
}

void ZarnReleaseRuntimeLock(const char* name) {
    if (!name) return;
    auto found = heldLocks().find(fileName(name));
    if (found == heldLocks().end()) return;
    close(found->second);
    heldLocks().erase(found);
}
