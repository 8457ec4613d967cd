// The shell's "open" verb: the desktop's opener (xdg-open) is started in its own process
// and not waited for, so a slow or missing browser never holds up the caller's window.
#include <windows.h>

#include "ZarnResources.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace {

void (*shellExecuteHook)(LPCSTR, LPCSTR, INT) = nullptr;

// Windows answers a value above 32 for success and an error number up to 32 otherwise.
HINSTANCE shellResult(uintptr_t code) { return reinterpret_cast<HINSTANCE>(code); }
const uintptr_t shellStarted = 42, shellNoAssociation = 31, shellOutOfResources = 8;

}  // namespace

void ZarnSetShellExecuteHook(void (*hook)(LPCSTR, LPCSTR, INT)) { shellExecuteHook = hook; }

HINSTANCE ShellExecuteA(HWND, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR, LPCSTR, INT nShowCmd) {
    if (!lpFile || !*lpFile || (lpOperation && std::strcmp(lpOperation, "open") != 0))
        return shellResult(shellNoAssociation);
    if (shellExecuteHook) {
        shellExecuteHook(lpOperation ? lpOperation : "open", lpFile, nShowCmd);
        return shellResult(shellStarted);
    }
    // A middle process starts the opener and leaves at once, so the opener is nobody's child
    // here and the caller never waits for it nor leaves a zombie behind.
    const pid_t middle = fork();
    if (middle < 0) return shellResult(shellOutOfResources);
    if (middle == 0) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", 0, 0);
        char* const argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(lpFile), nullptr};
        pid_t opener = 0;
        const int failed = posix_spawnp(&opener, "xdg-open", &actions, nullptr, argv, environ);
        _exit(failed ? 1 : 0);
    }
    int status = 0;
    while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    const bool started = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return shellResult(started ? shellStarted : shellNoAssociation);
}
