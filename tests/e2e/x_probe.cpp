// zarn-x-probe: the X-side eyes and hands of the end-to-end cases.
//   host W H        makes a plain top-level window W x H at (0, 0) with a black background,
//                   prints its id and then follows stdin: "resize W H", "raise", "destroy";
//                   prints "key <name>" for every key the window is sent.
//   find CLASS NAME prints the ids of viewable top-level windows with that WM_CLASS class
//                   and name, one per line.
//   geometry ID     prints "x y width height" of a window in root coordinates.
//   state ID        prints the atom names in the window's _NET_WM_STATE.
//   children ID     prints "id width height" of each viewable child of a window.
//   focus           prints the id of the window with the input focus.
//   suspend         suspends the server's screen saver (XScreenSaverSuspend), as a video
//                   player does, prints "suspended" and holds it until stdin closes.
//   saver           prints "ready", then for each stdin line "on" or "off" turns the server's
//                   screen saver on or off (XForceScreenSaver) and prints "sent", without
//                   waiting for the server, which may be stopped.
//   pings ID        pings window ID as a window manager does (_NET_WM_PING) every 250 ms
//                   until stdin closes, then prints "pings N answered M longest L": the
//                   longest wait for an answer in ms, counting one still unanswered.
//   lit-times X Y W H [X Y W H ...]
//                   watches every rectangle at once, every 10 ms, until more than 20 in a
//                   thousand of each one's pixels (every 4th in each direction) are bright,
//                   and prints for each the moment it first was, in ms since boot
//                   (CLOCK_BOOTTIME, what /proc counts process starts in); one process reading
//                   through shared memory, so the watching takes little of the CPU the clocks
//                   start with. Prints -1 for a rectangle still dark after 120 s (exit 1).
//   cursor          prints the pointer's current cursor as the server shows it (XFixes):
//                   "width height xhot yhot checksum", equal for the same cursor.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/scrnsaver.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

Window idArg(const char* text) { return Window(std::strtoul(text, nullptr, 0)); }

int ignoreErrors(Display*, XErrorEvent*) { return 0; }

std::string nameOf(Display* d, Window w) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), 0, 256, False,
                           XInternAtom(d, "UTF8_STRING", False), &type, &format, &count, &after, &data) == Success &&
        data)
        name.assign(reinterpret_cast<char*>(data), count);
    if (data) XFree(data);
    return name;
}

long nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return long(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

int pings(Display* d, Window window) {
    const Window root = DefaultRootWindow(d);
    const Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False), ping = XInternAtom(d, "_NET_WM_PING", False);
    XSelectInput(d, root, SubstructureNotifyMask);  // answers go to the root window
    std::vector<long> sent, answered;
    for (long next = nowMs();;) {
        if (nowMs() >= next) {
            XEvent e{};
            e.xclient.type = ClientMessage;
            e.xclient.window = window;
            e.xclient.message_type = protocols;
            e.xclient.format = 32;
            e.xclient.data.l[0] = long(ping);
            e.xclient.data.l[1] = long(sent.size()) + 1;  // stands in for the timestamp
            e.xclient.data.l[2] = long(window);
            XSendEvent(d, window, False, NoEventMask, &e);
            XFlush(d);
            sent.push_back(nowMs());
            answered.push_back(-1);
            next += 250;
        }
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            const long serial = e.xclient.data.l[1];
            if (e.type == ClientMessage && e.xclient.message_type == protocols && e.xclient.data.l[0] == long(ping) &&
                Window(e.xclient.data.l[2]) == window && serial >= 1 && serial <= long(sent.size()) &&
                answered[serial - 1] < 0)
                answered[serial - 1] = nowMs();
        }
        pollfd fds[2] = {{ConnectionNumber(d), POLLIN, 0}, {0, POLLIN, 0}};
        poll(fds, 2, 20);
        char ignored[64];
        if ((fds[1].revents & (POLLIN | POLLHUP)) && read(0, ignored, sizeof ignored) <= 0) break;
    }
    long longest = 0, count = 0;
    for (size_t i = 0; i < sent.size(); ++i) {
        longest = std::max(longest, (answered[i] < 0 ? nowMs() : answered[i]) - sent[i]);
        count += answered[i] >= 0;
    }
    std::printf("pings %zu answered %ld longest %ld\n", sent.size(), count, longest);
    return 0;
}

// How many in a thousand of an image's pixels (every 4th in each direction) are over 40 % grey.
long brightShare(XImage* image) {
    long bright = 0, all = 0;
    for (int j = 0; j < image->height; j += 4)
        for (int i = 0; i < image->width; i += 4, ++all) {
            const unsigned long p = XGetPixel(image, i, j);
            bright += ((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF)) > 3 * 102;
        }
    return all ? bright * 1000 / all : 0;
}

int litTimes(Display* d, const std::vector<int>& boxes) {
    if (!XShmQueryExtension(d)) return 2;
    struct Watch {
        int x, y;
        XImage* image;
        XShmSegmentInfo segment;
        long litAt;
    };
    // The images keep pointers to their segments: the watches never move once made.
    std::vector<Watch> watches(boxes.size() / 4);
    for (size_t i = 0; i + 3 < boxes.size(); i += 4) {
        Watch& w = watches[i / 4];
        w = {boxes[i], boxes[i + 1], nullptr, {}, -1};
        w.image = XShmCreateImage(d, DefaultVisual(d, 0), unsigned(DefaultDepth(d, 0)), ZPixmap, nullptr, &w.segment,
                                  unsigned(boxes[i + 2]), unsigned(boxes[i + 3]));
        if (!w.image) return 2;
        w.segment.shmid = shmget(IPC_PRIVATE, size_t(w.image->bytes_per_line) * w.image->height, IPC_CREAT | 0600);
        if (w.segment.shmid < 0) return 2;
        w.segment.shmaddr = w.image->data = static_cast<char*>(shmat(w.segment.shmid, nullptr, 0));
        if (w.segment.shmaddr == reinterpret_cast<char*>(-1)) return 2;
        w.segment.readOnly = False;
        XShmAttach(d, &w.segment);
        shmctl(w.segment.shmid, IPC_RMID, nullptr);  // gone once both sides detach
    }
    auto bootMs = [] {
        timespec t{};
        clock_gettime(CLOCK_BOOTTIME, &t);
        return long(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
    };
    const long deadline = bootMs() + 120000;
    size_t left = watches.size();
    while (left > 0 && bootMs() < deadline) {
        for (Watch& w : watches) {
            if (w.litAt >= 0 || !XShmGetImage(d, DefaultRootWindow(d), w.image, w.x, w.y, AllPlanes)) continue;
            if (brightShare(w.image) > 20) {
                w.litAt = bootMs();
                --left;
            }
        }
        usleep(10000);
    }
    for (const Watch& w : watches) std::printf("%ld\n", w.litAt);
    return left == 0 ? 0 : 1;
}

int host(Display* d, int width, int height) {
    Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, width, height, 0, 0, BlackPixel(d, 0));
    XSelectInput(d, w, KeyPressMask);
    XMapWindow(d, w);
    XSync(d, False);
    std::printf("%lu\n", w);
    std::fflush(stdout);
    char line[128];
    for (;;) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == KeyPress) {
                const char* key = XKeysymToString(XLookupKeysym(&e.xkey, 0));
                std::printf("key %s\n", key ? key : "?");
                std::fflush(stdout);
            }
        }
        pollfd fds[2] = {{0, POLLIN, 0}, {ConnectionNumber(d), POLLIN, 0}};
        poll(fds, 2, 100);
        if (!(fds[0].revents & (POLLIN | POLLHUP))) continue;
        if (!std::fgets(line, sizeof line, stdin)) return 0;
        int a = 0, b = 0;
        if (std::sscanf(line, "resize %d %d", &a, &b) == 2) XResizeWindow(d, w, a, b);
        else if (std::strncmp(line, "raise", 5) == 0) XRaiseWindow(d, w);
        else if (std::strncmp(line, "destroy", 7) == 0) XDestroyWindow(d, w);
        XSync(d, False);
        std::printf("done\n");
        std::fflush(stdout);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Display* d = XOpenDisplay(nullptr);
    if (!d || argc < 2) return 2;
    XSetErrorHandler(ignoreErrors);
    const std::string command = argv[1];
    if (command == "host" && argc == 4) return host(d, std::atoi(argv[2]), std::atoi(argv[3]));
    if (command == "find" && argc == 4) {
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count);
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes a{};
            XClassHint hint{};
            if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable) continue;
            if (!XGetClassHint(d, children[i], &hint)) continue;
            if (hint.res_class && std::strcmp(hint.res_class, argv[2]) == 0 && nameOf(d, children[i]) == argv[3])
                std::printf("%lu\n", children[i]);
            XFree(hint.res_name);
            XFree(hint.res_class);
        }
        return 0;
    }
    if (command == "pings" && argc == 3) return pings(d, idArg(argv[2]));
    if (command == "lit-times" && argc >= 6 && (argc - 2) % 4 == 0) {
        std::vector<int> boxes;
        for (int i = 2; i < argc; ++i) boxes.push_back(std::atoi(argv[i]));
        return litTimes(d, boxes);
    }
    if (command == "geometry" && argc == 3) {
        XWindowAttributes a{};
        Window child;
        int x = 0, y = 0;
        if (!XGetWindowAttributes(d, idArg(argv[2]), &a)) return 1;
        XTranslateCoordinates(d, idArg(argv[2]), DefaultRootWindow(d), 0, 0, &x, &y, &child);
        std::printf("%d %d %d %d\n", x, y, a.width, a.height);
        return 0;
    }
    if (command == "state" && argc == 3) {
        Atom type;
        int format;
        unsigned long count = 0, after;
        unsigned char* data = nullptr;
        XGetWindowProperty(d, idArg(argv[2]), XInternAtom(d, "_NET_WM_STATE", False), 0, 64, False, XA_ATOM, &type,
                           &format, &count, &after, &data);
        for (unsigned long i = 0; i < count; ++i) {
            char* name = XGetAtomName(d, reinterpret_cast<Atom*>(data)[i]);
            std::printf("%s\n", name);
            XFree(name);
        }
        if (data) XFree(data);
        return 0;
    }
    if (command == "children" && argc == 3) {
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(d, idArg(argv[2]), &root, &parent, &children, &count)) return 1;
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes a{};
            if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable)
                std::printf("%lu %d %d\n", children[i], a.width, a.height);
        }
        return 0;
    }
    if (command == "cursor") {
        int event = 0, error = 0;
        if (!XFixesQueryExtension(d, &event, &error)) return 1;
        XFixesCursorImage* image = XFixesGetCursorImage(d);
        if (!image) return 1;
        unsigned long sum = 0;
        for (int i = 0; i < image->width * image->height; ++i) sum = sum * 31 + image->pixels[i];
        std::printf("%d %d %d %d %lu\n", image->width, image->height, image->xhot, image->yhot, sum);
        XFree(image);
        return 0;
    }
    if (command == "suspend") {
        XScreenSaverSuspend(d, True);
        XSync(d, False);
        std::printf("suspended\n");
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        return 0;
    }
    if (command == "saver") {
        // Connected first, so that a request can be sent while the server is stopped.
        std::printf("ready\n");
        std::fflush(stdout);
        char line[32];
        while (std::fgets(line, sizeof line, stdin)) {
            XForceScreenSaver(d, std::strncmp(line, "on", 2) == 0 ? ScreenSaverActive : ScreenSaverReset);
            XFlush(d);
            std::printf("sent\n");
            std::fflush(stdout);
        }
        return 0;
    }
    if (command == "focus") {
        Window focus;
        int revert;
        XGetInputFocus(d, &focus, &revert);
        std::printf("%lu\n", focus);
        return 0;
    }
    return 2;
}
