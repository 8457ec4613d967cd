// MessageBoxA: a modal box, as Win32's is. While it is up, the box's loop goes on handing the
// thread's windows their messages (ModalLoop.h), so a window procedure that shows a box is
// entered again before the box returns, exactly as on Windows.
//
// The box itself is SDL's simple message box, shown by a second process: SDL's box blocks the
// thread that shows it, and a second thread may not share SDL's video with the first. That
// process is this program again, started with the box's texts in its environment; it shows
// the box before main() and ends with it. It runs in a process group of its own (SDL's X11 box
// forks once more), so that a quit while the box is up takes the whole box away.
//
// Where no box can be shown (no display), or when ZARN_NO_MESSAGE_BOX=1 asks for none (tests,
// unattended runs), the caption and the text go to stderr, so the message is never lost and
// nothing waits for a click nobody can give; the box then counts as dismissed at once.
#include <windows.h>

#include "win32/messages/ModalLoop.h"
#include "win32/window/SdlVideo.h"

#include <SDL.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// The box process's environment: the caller's, less any of these, plus these.
const char* const boxVariablePrefix = "ZARN_MESSAGE_BOX_";
const char* const captionVariable = "ZARN_MESSAGE_BOX_CAPTION";
const char* const textVariable = "ZARN_MESSAGE_BOX_TEXT";
const char* const iconVariable = "ZARN_MESSAGE_BOX_ICON";
const char* const driverVariable = "ZARN_MESSAGE_BOX_VIDEO_DRIVER";
// The box process's exit code when SDL could show no box.
constexpr int boxNotShown = 3;

bool messageBoxesDisabled() {
    const char* value = std::getenv("ZARN_NO_MESSAGE_BOX");
    return value && std::strcmp(value, "1") == 0;
}

Uint32 sdlIcon(UINT uType) {
    switch (uType & 0xF0) {
        case 0x10: return SDL_MESSAGEBOX_ERROR;        // MB_ICONERROR
        case MB_ICONWARNING: return SDL_MESSAGEBOX_WARNING;
        default: return SDL_MESSAGEBOX_INFORMATION;
    }
}

// The box process: this program started again by showBoxInOwnProcess. It shows the box on
// the video driver the caller used, and ends when the box is dismissed.
__attribute__((constructor)) void showBoxWhenStartedForOne() {
    const char* caption = std::getenv(captionVariable);
    const char* text = std::getenv(textVariable);
    const char* icon = std::getenv(iconVariable);
    if (!caption || !text || !icon) return;
    if (const char* driver = std::getenv(driverVariable)) {
        setenv("SDL_VIDEODRIVER", driver, 1);
        zarnStartSdlVideo();
    }
    const int shown = SDL_ShowSimpleMessageBox(Uint32(std::strtoul(icon, nullptr, 10)), caption, text, nullptr);
    _exit(shown == 0 ? 0 : boxNotShown);
}

// Starts the box process; -1 when it cannot be started.
pid_t showBoxInOwnProcess(const char* caption, const char* text, UINT uType) {
    std::vector<std::string> variables;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, boxVariablePrefix, std::strlen(boxVariablePrefix)) != 0) variables.emplace_back(*e);
    }
    variables.push_back(std::string(captionVariable) + "=" + caption);
    variables.push_back(std::string(textVariable) + "=" + text);
    variables.push_back(std::string(iconVariable) + "=" + std::to_string(sdlIcon(uType)));
    if (SDL_WasInit(SDL_INIT_VIDEO) && SDL_GetCurrentVideoDriver())
        variables.push_back(std::string(driverVariable) + "=" + SDL_GetCurrentVideoDriver());
    std::vector<char*> envp;
    for (std::string& v : variables) envp.push_back(v.data());
    envp.push_back(nullptr);
    char name[] = "zarn-message-box";
    char* argv[] = {name, nullptr};

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setsigmask(&attributes, &none);
    pid_t box = -1;
    if (posix_spawn(&box, "/proc/self/exe", nullptr, &attributes, argv, envp.data()) != 0) box = -1;
    posix_spawnattr_destroy(&attributes);
    return box;
}

enum class BoxOutcome { dismissed, notShown, quit };

// The modal loop while the box process lives; a quit takes the box (and SDL's own child
// process, in the same group) away.
BoxOutcome runWhileShown(pid_t box) {
    int status = 0;
    bool ended = false;
    const bool dismissed = zarnRunModalLoop([&] {
        ended = waitpid(box, &status, WNOHANG) == box;
        return !ended;
    });
    if (!dismissed) {
        kill(-box, SIGKILL);
        if (!ended) waitpid(box, &status, 0);
        return BoxOutcome::quit;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? BoxOutcome::dismissed : BoxOutcome::notShown;
}

}  // namespace

int MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    const char* text = lpText ? lpText : "";
    const char* caption = lpCaption ? lpCaption : "Error";
    if (!messageBoxesDisabled()) {
        const pid_t box = showBoxInOwnProcess(caption, text, uType);
        if (box > 0) {
            switch (runWhileShown(box)) {
                case BoxOutcome::dismissed: return IDOK;
                case BoxOutcome::quit: return 0;
                case BoxOutcome::notShown: break;
            }
        }
    }
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
    return zarnRunModalLoopOnce() ? IDOK : 0;
}
