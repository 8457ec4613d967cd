// Window classes, window creation and destruction, and the message queue with Win32's paint
// rule: a window that is never validated is sent WM_PAINT whenever its queue is empty. The
// saver's frame loop is built on exactly that rule.
#include "win32/messages/CloseSignals.h"
#include "win32/messages/ForeignMessages.h"
#include "win32/messages/GdiFill.h"
#include "win32/messages/MessageState.h"
#include "win32/messages/ModalLoop.h"
#include "win32/messages/PowerNotices.h"
#include "win32/messages/XDisplayConnection.h"
#include "win32/messages/XPreviewHost.h"
#include "win32/messages/ZarnWindowBackend.h"
#include "win32/window/MonitorChoice.h"
#include "win32/window/SdlVideo.h"
#include "win32/window/WindowObject.h"
#include "win32/window/XWindowProperties.h"
#include "win32/ZarnOffscreen.h"
#include "ZarnRuntimeLock.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

ZarnWindowBackend backend = ZARN_WINDOWS_ON_DISPLAY;
std::map<std::string, WNDCLASSA> classes;
std::map<HWND, WindowMessageState> windowStates;
// Creation order, so paints are handed out in a stable order.
std::vector<HWND> messageWindows;
bool quitPosted = false;
int quitCode = 0;

// The attributes of a foreign X window (a preview host's) given to us by its id; false when
// there is no such window. X errors for a bad id are swallowed rather than fatal.
bool foreignXWindowAttributes(HWND window, XWindowAttributes* attributes) {
    if (!window || zarnIsLiveWindow(window)) return false;
    // X ids are 32-bit: a larger handle names no X window, however its low half reads.
    if (reinterpret_cast<uintptr_t>(window) > UINT32_MAX) return false;
    Display* display = zarnXDisplay();
    if (!display) return false;
    ScopedXErrorsIgnored ignore(display);
    return XGetWindowAttributes(display, Window(reinterpret_cast<uintptr_t>(window)), attributes) != 0;
}

bool isForeignXWindow(HWND window) {
    XWindowAttributes attributes{};
    return foreignXWindowAttributes(window, &attributes);
}

bool foreignXWindowSize(HWND window, int* width, int* height) {
    XWindowAttributes attributes{};
    if (!foreignXWindowAttributes(window, &attributes)) return false;
    *width = attributes.width;
    *height = attributes.height;
    return true;
}

// Puts an SDL window inside a foreign X window and shows it there, so a preview draws in its
// host's pane. A host that is already gone leaves the child unmapped: it is no one's child,
// and mapped it would appear on the desktop as a window of its own.
void reparentIntoForeign(HWND window, HWND parent) {
    SDL_SysWMinfo info;
    if (!zarnSdlX11Info(window, &info)) return;
    Display* display = info.info.x11.display;
    const Window host = Window(reinterpret_cast<uintptr_t>(parent));
    XReparentWindow(display, info.info.x11.window, host, 0, 0);
    XSync(display, False);
    Window root = 0, actualParent = 0, *children = nullptr;
    unsigned int count = 0;
    const bool known = XQueryTree(display, info.info.x11.window, &root, &actualParent, &children, &count) != 0;
    if (children) XFree(children);
    if (!known || actualParent != host) return;
    XMapRaised(display, info.info.x11.window);
    XSync(display, False);
}

// The chosen monitor as the tag that marks a saver window on it (see zarnSetXMonitorTag).
void monitorTag(long (&tag)[4]) {
    const ZarnMonitorRect monitor = zarnChosenMonitorRect();
    tag[0] = monitor.x;
    tag[1] = monitor.y;
    tag[2] = monitor.width;
    tag[3] = monitor.height;
}

bool hasMessageWindow() {
    return std::any_of(messageWindows.begin(), messageWindows.end(), zarnIsMessageWindow);
}

LRESULT callWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!zarnIsMessageWindow(window) || !window->windowProc) return 0;
    return window->windowProc(window, message, wParam, lParam);
}

}  // namespace

WindowMessageState* zarnMessageState(HWND window) {
    auto it = windowStates.find(window);
    return it == windowStates.end() ? nullptr : &it->second;
}

bool zarnIsMessageWindow(HWND window) {
    WindowMessageState* state = zarnMessageState(window);
    return state && !state->destroyed && zarnIsLiveWindow(window);
}

std::deque<MSG>& zarnPostedMessages() {
    static std::deque<MSG> queue;
    return queue;
}

void zarnPostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = SDL_WasInit(SDL_INIT_TIMER) ? SDL_GetTicks() : 0;
    zarnPostedMessages().push_back(msg);
}

void zarnPostCloseToAllWindows() {
    for (HWND window : messageWindows)
        if (zarnIsMessageWindow(window)) zarnPostMessage(window, WM_CLOSE, 0, 0);
}

void ZarnSetWindowBackend(ZarnWindowBackend newBackend) { backend = newBackend; }
ZarnWindowBackend ZarnGetWindowBackend() { return backend; }

void ZarnResetMessageQueue() {
    zarnPostedMessages().clear();
    quitPosted = false;
    quitCode = 0;
}

ATOM RegisterClassA(const WNDCLASSA* lpWndClass) {
    if (!lpWndClass || !lpWndClass->lpszClassName || !lpWndClass->lpfnWndProc) return 0;
    // A program with windows ends through them when the system asks it to.
    zarnCatchCloseSignals();
    const std::string name = lpWndClass->lpszClassName;
    // Win32 refuses a second registration of a class name in the same module.
    if (classes.count(name)) return 0;
    WNDCLASSA copy = *lpWndClass;
    classes[name] = copy;
    return ATOM(classes.size());
}

HWND CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
                     int nWidth, int nHeight, HWND hWndParent, HMENU, HINSTANCE, LPVOID) {
    if (!lpClassName) return nullptr;
    auto found = classes.find(lpClassName);
    if (found == classes.end()) return nullptr;
    const bool child = (dwStyle & WS_CHILD) != 0;
    if (child && !IsWindow(hWndParent)) return nullptr;

    HWND window = nullptr;
    // Shown after WM_CREATE, as Win32 shows a WS_VISIBLE window: the saver parses its whole
    // asset library there, and a window that is not yet mapped is asked nothing by the
    // desktop however long that takes (the longer loading of the first paint pumps for
    // itself, see DesktopPings.h).
    bool showAfterCreate = false, spanAfterShow = false;
    if (backend == ZARN_WINDOWS_OFFSCREEN) {
        window = ZarnCreateOffscreenWindow(nWidth, nHeight);
    } else {
        // Made hidden, so that what the window manager reads at mapping (class, state, the
        // host it lives in) is in place before it is shown.
        uint32_t flags = SDL_WINDOW_HIDDEN;
        if ((dwStyle & WS_POPUP) || child) flags |= SDL_WINDOW_BORDERLESS;
        if (dwExStyle & WS_EX_TOPMOST) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
        const bool fullScreen = (dwStyle & WS_POPUP) && (dwExStyle & WS_EX_TOPMOST);
        const bool foreignHost = child && !zarnIsLiveWindow(hWndParent);
        // One monitor's saver of several: on that monitor alone, found only by a search for
        // that monitor, and never stretched over the others.
        const bool oneMonitor = fullScreen && zarnMonitorModeRequested();
        // A Wayland client can neither place itself nor stay on top; it asks the compositor
        // for full screen, which covers the output the compositor picks, or the output of the
        // display the window is made on (SDL passes that display's wl_output along).
        if (fullScreen && zarnStartSdlVideo() && zarnSdlVideoIsWayland()) {
            flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
            if (oneMonitor) X = Y = int(SDL_WINDOWPOS_UNDEFINED_DISPLAY(zarnChosenMonitorIndex()));
        }
        window = zarnCreateSdlWindow(lpWindowName, X, Y, nWidth, nHeight, flags);
        if (window) {
            zarnSetWindowIcon(window, found->second.hIcon);
            zarnSetXWindowClass(window, lpClassName);
            // Mapped, it shows the class's background (black for the saver) until its first
            // picture, never what was on the screen before.
            if (found->second.hbrBackground) zarnSetXWindowBackground(window, zarnBrushColour(found->second.hbrBackground));
            if (fullScreen) zarnSetXFullScreenState(window);
            if (oneMonitor) {
                long tag[4];
                monitorTag(tag);
                zarnSetXMonitorTag(window, tag);
            }
            if (foreignHost) {
                // Watched first, so that errors from a host that goes in the meantime are
                // known for what they are.
                zarnWatchPreviewHost(window, reinterpret_cast<uintptr_t>(hWndParent));
                reparentIntoForeign(window, hWndParent);
            }
            showAfterCreate = (dwStyle & WS_VISIBLE) && !foreignHost;
            spanAfterShow = fullScreen && !oneMonitor;
            // Until then another start's search must still find it (one saver at a time).
            if (showAfterCreate) zarnMarkXWindowStarting(window, true);
        }
    }
    if (!window) return nullptr;
    window->windowProc = found->second.lpfnWndProc;
    window->className = lpClassName;
    window->title = lpWindowName ? lpWindowName : "";
    window->parent = hWndParent;
    window->style = dwStyle;
    window->exStyle = dwExStyle;
    windowStates[window] = WindowMessageState{};
    messageWindows.push_back(window);

    if (window->windowProc(window, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    if (showAfterCreate && zarnIsMessageWindow(window)) {
        SDL_ShowWindow(window->sdlWindow);
        zarnMarkXWindowStarting(window, false);
        if (spanAfterShow) zarnSpanXFullScreenMonitors(window);
    }
    if (zarnIsMessageWindow(window) && (dwStyle & WS_VISIBLE)) callWindowProc(window, WM_SHOWWINDOW, TRUE, 0);
    return window;
}

BOOL DestroyWindow(HWND hWnd) {
    if (!zarnIsMessageWindow(hWnd)) return FALSE;
    callWindowProc(hWnd, WM_DESTROY, 0, 0);
    WindowMessageState* state = zarnMessageState(hWnd);
    if (state) state->destroyed = true;
    auto& queue = zarnPostedMessages();
    for (auto it = queue.begin(); it != queue.end();) it = (it->hwnd == hWnd) ? queue.erase(it) : it + 1;
    // The window object itself stays: a Direct3D device made on it is kept until the process
    // ends and may still refer to it. Only what the user sees goes away.
    if (!zarnShowPreviewChild(hWnd, false) && hWnd->kind == WindowKind::Sdl && hWnd->sdlWindow) {
        SDL_HideWindow(hWnd->sdlWindow);
        zarnMarkXWindowStarting(hWnd, false);  // destroyed while it was being created
    }
    messageWindows.erase(std::remove(messageWindows.begin(), messageWindows.end(), hWnd), messageWindows.end());
    return TRUE;
}

BOOL IsWindow(HWND hWnd) {
    if (!hWnd) return FALSE;
    if (zarnIsLiveWindow(hWnd)) {
        WindowMessageState* state = zarnMessageState(hWnd);
        return !(state && state->destroyed);
    }
    return isForeignXWindow(hWnd) ? TRUE : FALSE;
}

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect) {
    if (!lpRect || !hWnd) return FALSE;
    if (zarnIsLiveWindow(hWnd)) {
        // Our windows have no frame: the window rectangle is the client area.
        GetClientRect(hWnd, lpRect);
        if (hWnd->kind == WindowKind::Sdl && hWnd->sdlWindow) {
            int x = 0, y = 0;
            SDL_GetWindowPosition(hWnd->sdlWindow, &x, &y);
            lpRect->left += x;
            lpRect->right += x;
            lpRect->top += y;
            lpRect->bottom += y;
        }
        return TRUE;
    }
    int width = 0, height = 0;
    if (!foreignXWindowSize(hWnd, &width, &height)) return FALSE;
    *lpRect = RECT{0, 0, width, height};
    return TRUE;
}

HWND FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName) {
    for (HWND window : messageWindows) {
        if (!zarnIsMessageWindow(window)) continue;
        if (lpClassName && window->className != lpClassName) continue;
        if (lpWindowName && window->title != lpWindowName) continue;
        return window;
    }
    // The desktop's other windows: another process's saver, for one.
    if (backend != ZARN_WINDOWS_ON_DISPLAY) return nullptr;
    // Where the saver keeps to one monitor, only another saver on that monitor counts.
    const bool oneMonitor = zarnMonitorModeRequested();
    if (!zarnStartSdlVideo() || !zarnSdlVideoIsWayland()) {
        long tag[4] = {};
        if (oneMonitor) monitorTag(tag);
        const uintptr_t other = zarnFindXTopLevelWindow(lpClassName, lpWindowName, oneMonitor ? &tag : nullptr);
        return reinterpret_cast<HWND>(other);
    }
    // Wayland lets no client see another's windows: a lock named after the class and title
    // stands in. Claiming it is the search: the process that holds it owns that window, so a
    // search that claims it finds nothing and may go on to make the window, and two racing
    // starts never both do.
    if (!lpClassName || !lpWindowName) return nullptr;
    std::string lockName = std::string("zarn-screensaver.") + lpClassName + "." + lpWindowName;
    if (oneMonitor) lockName += ".monitor" + std::to_string(zarnChosenMonitorIndex());
    if (ZarnClaimRuntimeLock(lockName.c_str()) == ZarnRuntimeLockClaim::heldElsewhere) return zarnOtherSessionWindow();
    return nullptr;
}

HWND GetParent(HWND hWnd) {
    if (!zarnIsLiveWindow(hWnd) || !(hWnd->style & WS_CHILD)) return nullptr;
    return hWnd->parent;
}

HWND GetForegroundWindow() {
    for (HWND window : messageWindows)
        if (zarnIsMessageWindow(window) && window->kind == WindowKind::Sdl && window->sdlWindow &&
            (SDL_GetWindowFlags(window->sdlWindow) & SDL_WINDOW_INPUT_FOCUS))
            return window;
    // Another program's window (a settings program asking for our dialog) is named by its
    // X id, as foreign windows are everywhere else.
    if (backend != ZARN_WINDOWS_ON_DISPLAY) return zarnOffscreenForegroundWindow();
    return reinterpret_cast<HWND>(uintptr_t(zarnXActiveWindow()));
}

BOOL ValidateRect(HWND hWnd, const RECT*) {
    WindowMessageState* state = zarnMessageState(hWnd);
    if (!state || state->destroyed) return FALSE;
    state->invalid = false;
    return TRUE;
}

BOOL InvalidateRect(HWND hWnd, const RECT*, BOOL) {
    WindowMessageState* state = zarnMessageState(hWnd);
    if (!state || state->destroyed) return FALSE;
    state->invalid = true;
    return TRUE;
}

LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM, LPARAM) {
    switch (Msg) {
    case WM_PAINT:
        // What BeginPaint / EndPaint would do: the window counts as painted until invalidated.
        ValidateRect(hWnd, nullptr);
        return 0;
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_ERASEBKGND: {
        if (!zarnIsMessageWindow(hWnd)) return 0;
        auto found = classes.find(hWnd->className);
        if (found == classes.end() || !found->second.hbrBackground) return 0;
        RECT client{};
        GetClientRect(hWnd, &client);
        HDC dc = GetDC(hWnd);
        FillRect(dc, &client, found->second.hbrBackground);
        ReleaseDC(hWnd, dc);
        return 1;
    }
    default:
        return 0;
    }
}

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd && !zarnIsMessageWindow(hWnd))
        return !zarnIsLiveWindow(hWnd) && isForeignXWindow(hWnd) ? zarnPostToForeignWindow(hWnd, Msg, wParam, lParam)
                                                                 : FALSE;
    zarnPostMessage(hWnd, Msg, wParam, lParam);
    return TRUE;
}

LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return callWindowProc(hWnd, Msg, wParam, lParam);
}

void PostQuitMessage(int nExitCode) {
    quitPosted = true;
    quitCode = nExitCode;
}

namespace {

enum class Taken { message, quit, nothing };

// A posted message, else the quit; nothing when neither waits. A modal loop leaves the quit
// posted, for the loop it returns to.
Taken takePosted(MSG* msg, bool takeQuit) {
    auto& queue = zarnPostedMessages();
    if (!queue.empty()) {
        *msg = queue.front();
        queue.pop_front();
        return Taken::message;
    }
    if (!quitPosted) return Taken::nothing;
    if (takeQuit) quitPosted = false;
    *msg = MSG{};
    msg->message = WM_QUIT;
    msg->wParam = WPARAM(quitCode);
    return Taken::quit;
}

// One look at everything that makes messages, in Win32's order: posted messages, the quit,
// input and the system's notices (which arrive as posted messages), then a paint. Nothing
// waits.
Taken takeMessage(MSG* msg, bool takeQuit) {
    // Taken only once a window can hear it; until then it waits.
    if (zarnCloseSignalPending() && hasMessageWindow() && zarnTakeCloseSignal()) {
        OutputDebugStringA(zarnDescribeCloseSignal().c_str());
        zarnPostCloseToAllWindows();
    }
    Taken taken = takePosted(msg, takeQuit);
    if (taken != Taken::nothing) return taken;
    zarnPumpSdlEvents();
    zarnPumpPreviewHostEvents();
    if (backend == ZARN_WINDOWS_ON_DISPLAY) zarnPostPowerNotices(messageWindows);
    taken = takePosted(msg, takeQuit);
    if (taken != Taken::nothing) return taken;
    // Paint comes last, when nothing else is waiting.
    for (HWND window : messageWindows) {
        WindowMessageState* state = zarnMessageState(window);
        if (!state || state->destroyed || !state->invalid || !(window->style & WS_VISIBLE)) continue;
        *msg = MSG{};
        msg->hwnd = window;
        msg->message = WM_PAINT;
        return Taken::message;
    }
    return Taken::nothing;
}

// Whether something of the wake mask's kinds waits: the paint, always due, never counts.
bool wakeWaiting(DWORD wakeMask) {
    if ((wakeMask & QS_POSTMESSAGE) && (!zarnPostedMessages().empty() || quitPosted || zarnCloseSignalPending()))
        return true;
    return (wakeMask & QS_INPUT) && SDL_WasInit(SDL_INIT_VIDEO) && SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

}  // namespace

BOOL GetMessageA(LPMSG lpMsg, HWND, UINT, UINT) {
    if (!lpMsg) return -1;
    for (;;) {
        switch (takeMessage(lpMsg, true)) {
        case Taken::message: return TRUE;
        case Taken::quit: return FALSE;
        case Taken::nothing: zarnWaitForEvents(); break;
        }
    }
}

DWORD MsgWaitForMultipleObjects(DWORD nCount, const HANDLE*, BOOL, DWORD dwMilliseconds, DWORD dwWakeMask) {
    if (nCount != 0) return WAIT_FAILED;
    const DWORD start = GetTickCount();
    for (;;) {
        if (wakeWaiting(dwWakeMask)) return WAIT_OBJECT_0;
        const DWORD waited = GetTickCount() - start;
        if (waited >= dwMilliseconds) return WAIT_TIMEOUT;
        // Without SDL's video nothing can arrive but what this thread posts itself; Sleep
        // also lets tests that pin the clocks count the wait.
        if (SDL_WasInit(SDL_INIT_VIDEO))
            SDL_WaitEventTimeout(nullptr, int(dwMilliseconds - waited));
        else
            Sleep(dwMilliseconds - waited);
    }
}

bool zarnRunModalLoop(const std::function<bool()>& stillOpen) {
    MSG msg{};
    while (stillOpen()) {
        switch (takeMessage(&msg, false)) {
        case Taken::message:
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            break;
        case Taken::quit: return false;
        case Taken::nothing: zarnWaitForEvents(); break;
        }
    }
    return true;
}

bool zarnRunModalLoopOnce() {
    MSG msg{};
    for (;;) {
        const Taken taken = takeMessage(&msg, false);
        if (taken != Taken::message) return taken != Taken::quit;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (msg.message == WM_PAINT) return true;
    }
}

BOOL TranslateMessage(const MSG*) {
    // Nothing here reads WM_CHAR, so key messages are not turned into characters.
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* lpMsg) {
    if (!lpMsg) return 0;
    return callWindowProc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}
