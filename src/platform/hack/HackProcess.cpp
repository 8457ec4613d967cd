// The hack's own place on disk and the saver as a process: exec'd in its place for a host's
// window, or spawned as a child for a window of the hack's own.
#include "HackPlatform.h"
#include "HackProcess.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

extern char** environ;

namespace {

// The saver's own command line for its preview mode inside window: "/p" and a decimal id.
struct SaverArguments {
    std::string program, mode = "/p", window;
    char* argv[4];
    SaverArguments(const std::string& saver, uint32_t id) : program(saver), window(std::to_string(id)) {
        argv[0] = program.data();
        argv[1] = mode.data();
        argv[2] = window.data();
        argv[3] = nullptr;
    }
};

void sleepMs(int ms) {
    timespec pause{ms / 1000, long(ms % 1000) * 1000000L};
    nanosleep(&pause, nullptr);
}

int exitCodeOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return 1;
}

}  // namespace

std::string hackProgramFolder() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || size_t(length) >= sizeof path) return {};
    std::string program(path, size_t(length));
    const size_t slash = program.rfind('/');
    return slash == std::string::npos ? std::string() : program.substr(0, slash);
}

std::string hackExecutable(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || access(path.c_str(), X_OK) != 0) return {};
    // A plain path reads better in a process list than libexec/xscreensaver/../../bin.
    char* resolved = realpath(path.c_str(), nullptr);
    if (!resolved) return path;
    std::string result = resolved;
    std::free(resolved);
    return result;
}

void hackHandSettingsToSaver(const std::string& registryText) {
    // The name is the registry stand-in's (platform/win32/RegistryOverlay.h).
    if (registryText.empty()) unsetenv("ZARN_REGISTRY_OVERLAY");
    else setenv("ZARN_REGISTRY_OVERLAY", registryText.c_str(), 1);
}

std::string hackExecSaver(const std::string& saver, uint32_t window) {
    SaverArguments arguments(saver, window);
    execv(arguments.program.c_str(), arguments.argv);
    return std::strerror(errno);
}

pid_t hackSpawnSaver(const std::string& saver, uint32_t window) {
    SaverArguments arguments(saver, window);
    pid_t child = -1;
    const int error = posix_spawn(&child, arguments.program.c_str(), nullptr, nullptr, arguments.argv, environ);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return child;
}

int hackSaverExitCode(pid_t child) {
    int status = 0;
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == 0) return -1;
    if (done < 0) return 1;  // already reaped or not ours: nothing more to wait for
    return exitCodeOf(status);
}

void hackStopSaver(pid_t child, int timeoutMs) {
    if (kill(child, SIGTERM) != 0) {
        waitpid(child, nullptr, WNOHANG);
        return;
    }
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        if (waitpid(child, nullptr, WNOHANG) != 0) return;
        sleepMs(20);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}
