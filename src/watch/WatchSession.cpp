// The watcher's choices from what the session offers (see WatchSession.h).
#include "watch/WatchSession.h"

#include "watch/WatchOptions.h"

IdleSourceKind chooseIdleSource(const IdleSourcesOffered& offered) {
    if (offered.mutter) return IdleSourceKind::mutter;
    if (offered.muffin) return IdleSourceKind::muffin;
    if (offered.extIdleNotify) return IdleSourceKind::extIdleNotify;
    if (offered.kdeIdle) return IdleSourceKind::kdeIdle;
    if (offered.xScreenSaver) return IdleSourceKind::xScreenSaver;
    return IdleSourceKind::none;
}

const char* idleSourceName(IdleSourceKind kind) {
    switch (kind) {
    case IdleSourceKind::mutter: return "org.gnome.Mutter.IdleMonitor";
    case IdleSourceKind::muffin: return "org.cinnamon.Muffin.IdleMonitor";
    case IdleSourceKind::extIdleNotify: return "ext-idle-notify-v1";
    case IdleSourceKind::kdeIdle: return "org_kde_kwin_idle";
    case IdleSourceKind::xScreenSaver: return "MIT-SCREEN-SAVER";
    case IdleSourceKind::none: break;
    }
    return "none";
}

bool powerSaveModeDark(int mode) { return mode > 0; }

std::optional<std::string> saverHostNotice(const SaverHostsPresent& hosts) {
    const char* host = hosts.xscreensaver ? "XScreenSaver"
                       : hosts.mate       ? "MATE's screen saver (mate-screensaver)"
                       : hosts.xfce       ? "Xfce's screen saver (xfce4-screensaver)"
                                          : nullptr;
    if (!host) return std::nullopt;
    return std::string(host) + " already runs screen savers in this session; pick the clock (\"Zarn\") there instead";
}

std::optional<std::string> blankDelayNotice(unsigned waitSeconds, unsigned blankDelaySeconds) {
    if (blankDelaySeconds == 0 || waitSeconds < blankDelaySeconds) return std::nullopt;
    return "the desktop blanks the screen after " + formatWait(blankDelaySeconds) + ", before the wait of " +
           formatWait(waitSeconds) + " is over, so the clock will not be seen: choose a shorter --after";
}

std::string watcherLockName(const std::string& display) {
    std::string name = "zarn-screensaver-watch-";
    for (char c : display.empty() ? std::string("none") : display)
        name += (c == '/' || c == '\0') ? '_' : c;
    return name + ".lock";
}
