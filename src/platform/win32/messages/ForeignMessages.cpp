// Help and context-menu requests handed on to a preview's foreign host window as the keys
// that ask for them, so the host answers them as if its own pane had been asked.
#include "win32/messages/ForeignMessages.h"

#include "win32/messages/XDisplayConnection.h"

#include <X11/keysym.h>

namespace {

void sendKey(Display* display, Window window, KeySym symbol, bool press) {
    XEvent event{};
    XKeyEvent& key = event.xkey;
    key.type = press ? KeyPress : KeyRelease;
    key.display = display;
    key.window = window;
    key.root = DefaultRootWindow(display);
    key.time = CurrentTime;
    key.same_screen = True;
    key.keycode = XKeysymToKeycode(display, symbol);
    XSendEvent(display, window, True, press ? KeyPressMask : KeyReleaseMask, &event);
}

}  // namespace

BOOL zarnPostToForeignWindow(HWND window, UINT message, WPARAM, LPARAM) {
    KeySym symbol = NoSymbol;
    if (message == WM_HELP) symbol = XK_F1;
    if (message == WM_CONTEXTMENU) symbol = XK_Menu;
    Display* display = zarnXDisplay();
    if (symbol == NoSymbol || !display) return FALSE;
    ScopedXErrorsIgnored ignore(display);  // the host may be going away
    const Window target = Window(reinterpret_cast<uintptr_t>(window));
    sendKey(display, target, symbol, true);
    sendKey(display, target, symbol, false);
    return TRUE;
}
