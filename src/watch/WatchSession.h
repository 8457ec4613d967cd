// What the watcher decides from what the session offers: which idle source to use, whether a
// saver host is already there, what the desktop's blank delay means for the wait, and the
// name of the one-per-session lock.
#pragma once

#include <optional>
#include <string>

enum class IdleSourceKind { mutter, muffin, extIdleNotify, kdeIdle, xScreenSaver, none };

// Which idle services the session has.
struct IdleSourcesOffered {
    bool mutter = false;         // org.gnome.Mutter.IdleMonitor on the session bus
    bool muffin = false;         // org.cinnamon.Muffin.IdleMonitor on the session bus
    bool extIdleNotify = false;  // the Wayland compositor's ext_idle_notifier_v1
    bool kdeIdle = false;        // the Wayland compositor's org_kde_kwin_idle
    bool xScreenSaver = false;   // the X server's MIT-SCREEN-SAVER extension
};

// The desktop's own monitors first (they count what the desktop counts as busy, on X11 and
// Wayland alike), then the Wayland protocols, the newer first, then plain X11.
IdleSourceKind chooseIdleSource(const IdleSourcesOffered& offered);
// The name users and the tests see: the interface or protocol itself.
const char* idleSourceName(IdleSourceKind kind);

// Mutter's and Muffin's DisplayConfig PowerSaveMode: 0 on, 1 standby, 2 suspend, 3 off, and
// -1 where the desktop cannot tell (its backend has no power saving), which is no darkness.
bool powerSaveModeDark(int mode);

// Screen-saver hosts that run hacks themselves; with one of them there, the watcher steps aside.
struct SaverHostsPresent {
    bool xscreensaver = false;  // _SCREENSAVER_VERSION on a child of the root window
    bool mate = false;          // org.mate.ScreenSaver on the session bus
    bool xfce = false;          // org.xfce.ScreenSaver on the session bus
};
std::optional<std::string> saverHostNotice(const SaverHostsPresent& hosts);

// A line for the user when the desktop blanks the screen before the wait runs out (a blank
// delay of 0 means the desktop never blanks).
std::optional<std::string> blankDelayNotice(unsigned waitSeconds, unsigned blankDelaySeconds);

// The lock's file name for a display ("wayland-0", ":0", a socket's full path...).
std::string watcherLockName(const std::string& display);
