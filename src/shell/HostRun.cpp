// The host's entry point and modes: the saver window in full screen or as a preview, the
// message loop, and the password hooks (which Linux does not have: closing is always allowed).
#include "shell/ConfigDialog.h"
#include "shell/Host.h"

#include "platform/seams/ForeignWindowCheck.h"

#include <cstdio>

HostState hostState;

namespace {

const char* const saverClassName = "WindowsScreenSaverClass";

void registerSaverClass() {
    WNDCLASSA windowClass{};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    windowClass.lpfnWndProc = hostWindowProc;
    windowClass.hInstance = hostState.instance;
    windowClass.hIcon = LoadIconA(hostState.instance, MAKEINTRESOURCEA(IDI_SAVER));
    windowClass.hCursor = nullptr;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = saverClassName;
    // A second run in the same process finds the class already registered, which is fine.
    RegisterClassA(&windowClass);
}

HWND handleFromNumber(uintptr_t number) { return reinterpret_cast<HWND>(number); }

}  // namespace

int runSaver(HWND parent) {
    registerSaverClass();
    HWND window = nullptr;
    if (parent) {
        hostState.previewMode = true;
        RECT parentRect{};
        GetWindowRect(parent, &parentRect);
        window = CreateWindowExA(0, saverClassName, "Preview", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                 parentRect.right - parentRect.left, parentRect.bottom - parentRect.top, parent,
                                 nullptr, hostState.instance, nullptr);
    } else {
        hostState.previewMode = false;
        // One full-screen saver at a time.
        if (HWND running = FindWindowA(saverClassName, "Screen Saver")) {
            SetForegroundWindow(running);
            return 0;
        }
        hostState.acLineStatus = readAcLineStatus();
        int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
        int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        if (width <= 0 || height <= 0) {
            x = y = 0;
            width = GetSystemMetrics(SM_CXSCREEN);
            height = GetSystemMetrics(SM_CYSCREEN);
        }
        window = CreateWindowExA(WS_EX_TOPMOST, saverClassName, "Screen Saver",
                                 WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, x, y, width, height,
                                 nullptr, nullptr, hostState.instance, nullptr);
    }
    hostState.saverWindow = window;
    if (!window) {
        // Without a window there is no saver: say so and fail, rather than end as if closed.
        std::fprintf(stderr, "zarn-screensaver: the saver window could not be created.\n");
        return -1;
    }
    if (!parent) SetForegroundWindow(window);

    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return int(msg.wParam);
}

bool verifyPassword(HWND window) {
    // Like the NT family, this platform asks for the password itself (if at all).
    if (!hostState.legacyPlatform) return true;
    if (!hostState.passwordVerifier) {
        OutputDebugStringA("Unable to load PASSWORD.CPL. Aborting");
        return true;
    }
    OutputDebugStringA("About to call VerifyPwProc");
    return hostState.passwordVerifier(window) != 0;
}

void changePassword(HWND) {
    // No password-change service exists for screen savers here; the legacy mode never runs.
}

int hostMain(HINSTANCE instance, const char* commandLine) {
    hostState.instance = instance;
    hostState.legacyPlatform = false;
    const HostCommand command = parseCommandLine(commandLine);
    switch (command.mode) {
    case HostMode::configuration:
        return showConfigDialog(configDialogOwner(command));
    case HostMode::fullScreen:
        return runSaver(nullptr);
    case HostMode::preview: {
        HWND parent = handleFromNumber(command.window);
        if (!command.hasWindow || !IsWindow(parent)) {
            // Only X names another program's window by number: on Wayland say why nothing runs.
            if (!foreignWindowsReachable())
                std::fputs("zarn-screensaver: a preview (/p, /l) draws inside an X window and needs an X display.\n",
                           stderr);
            return -1;
        }
        return runSaver(parent);
    }
    case HostMode::passwordChange:
        if (!hostState.legacyPlatform) return -1;
        changePassword(command.hasWindow && IsWindow(handleFromNumber(command.window))
                           ? handleFromNumber(command.window)
                           : GetForegroundWindow());
        return 0;
    case HostMode::invalid:
    default:
        return -1;
    }
}
