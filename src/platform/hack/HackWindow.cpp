// The hack's X side: the root window for --root outside a host, and the normal window the hack
// opens when tried from a terminal, with the saver's preview running inside it.
#include "HackIcon.h"
#include "HackPlatform.h"
#include "HackProcess.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

volatile sig_atomic_t stopRequested = 0;
pid_t runningSaver = -1;

void onStopSignal(int) { stopRequested = 1; }

// Xlib ends the process when its connection goes (a killed client, a server that quits); the
// saver must not outlive the window it was started for.
int onDisplayLost(Display*) {
    if (runningSaver > 0) kill(runningSaver, SIGTERM);
    _exit(1);
}

void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a signal should cut the wait in poll short.
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

Window createTopLevel(Display* display, const char* title, int width, int height) {
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.event_mask = StructureNotifyMask;
    const Window window = XCreateWindow(display, RootWindow(display, screen), 0, 0, unsigned(width),
                                        unsigned(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                        CWBackPixel | CWEventMask, &attributes);
    XStoreName(display, window, title);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title), int(std::strlen(title)));
    char name[] = "zarn", className[] = "Zarn";
    XClassHint classHint{name, className};
    XSetClassHint(display, window, &classHint);
    XSizeHints sizeHints{};
    sizeHints.flags = PSize;
    sizeHints.width = width;
    sizeHints.height = height;
    XSetWMNormalHints(display, window, &sizeHints);
    return window;
}

}  // namespace

uint32_t hackRootWindow() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 0;
    const Window root = DefaultRootWindow(display);
    XCloseDisplay(display);
    return uint32_t(root);
}

int hackRunInOwnWindow(const std::string& saver, const char* title, int width, int height) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        const char* name = XDisplayName(nullptr);
        if (!name || !*name)  // a Wayland session without Xwayland, for one
            std::fputs("zarn: the hack draws in an X window and needs an X display; DISPLAY is not set\n", stderr);
        else
            std::fprintf(stderr, "zarn: cannot open the display \"%s\"\n", name);
        return 1;
    }
    const Window window = createTopLevel(display, title, width, height);
    hackSetSaverIcon(display, window, saver);
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    XMapWindow(display, window);
    XSync(display, False);

    catchStopSignals();
    const pid_t child = hackSpawnSaver(saver, uint32_t(window));
    if (child < 0) {
        std::fprintf(stderr, "zarn: cannot start %s: %s\n", saver.c_str(), std::strerror(errno));
        XDestroyWindow(display, window);
        XCloseDisplay(display);
        return 1;
    }
    runningSaver = child;
    XSetIOErrorHandler(onDisplayLost);

    int code = 0;
    bool closed = false, destroyed = false, saverEnded = false;
    while (!closed && !stopRequested) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage && event.xclient.message_type == protocols &&
                Atom(event.xclient.data.l[0]) == deleteWindow)
                closed = true;
            if (event.type == DestroyNotify && event.xdestroywindow.window == window) closed = destroyed = true;
        }
        if (closed) break;
        const int saverCode = hackSaverExitCode(child);
        if (saverCode >= 0) {
            code = saverCode;
            saverEnded = true;
            break;
        }
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, 100);
    }
    // The saver goes first, so its window is never pulled away from under it.
    if (!saverEnded) hackStopSaver(child, 2000);
    runningSaver = -1;
    if (!destroyed) XDestroyWindow(display, window);
    XCloseDisplay(display);
    return code;
}
