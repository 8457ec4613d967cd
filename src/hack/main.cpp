// zarn: the Zarn Screensaver as an XScreenSaver hack. It hands the window a host gives it to
// the saver's own preview mode (the host does input, locking and blanking, which is exactly
// what preview leaves to its host); tried from a terminal, it opens a window of its own.
// Settings the host chose reach the saver for that run only, never its settings file.
#include "hack/HackOptions.h"
#include "hack/HackSettings.h"
#include "HackPlatform.h"

#include <cstdio>
#include <cstdlib>

namespace {

// The saver beside the hack (a build folder), else where an install puts it relative to the
// hack (libexec/xscreensaver/ -> bin/).
std::string findSaver() {
    const std::string folder = hackProgramFolder();
    if (folder.empty()) return {};
    for (const std::string& candidate :
         {folder + "/zarn-screensaver", folder + "/" ZARN_SAVER_FROM_HACK "/zarn-screensaver"})
        if (std::string saver = hackExecutable(candidate); !saver.empty()) return saver;
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    const HackOptions options = parseHackOptions(argc, argv, std::getenv("XSCREENSAVER_WINDOW"));
    switch (options.target) {
    case HackTarget::help:
        std::fputs(hackUsage(), stdout);
        return 0;
    case HackTarget::error:
        std::fprintf(stderr, "zarn: %s (zarn --help shows the usage)\n", options.error.c_str());
        return 1;
    default:
        break;
    }

    const std::string saver = findSaver();
    if (saver.empty()) {
        std::fprintf(stderr, "zarn: cannot find zarn-screensaver beside %s or in " ZARN_SAVER_FROM_HACK "\n",
                     hackProgramFolder().c_str());
        return 1;
    }
    hackHandSettingsToSaver(saverSettingsOverlay(options.settings));
    if (options.target == HackTarget::ownWindow) return hackRunInOwnWindow(saver, "Zarn Screensaver", 800, 600);

    uint32_t window = options.window;
    if (window == 0 && (window = hackRootWindow()) == 0) {
        std::fprintf(stderr, "zarn: cannot open the display to find its root window\n");
        return 1;
    }
    const std::string reason = hackExecSaver(saver, window);
    std::fprintf(stderr, "zarn: cannot start %s: %s\n", saver.c_str(), reason.c_str());
    return 1;
}
