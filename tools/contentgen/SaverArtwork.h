// The saver's own pictures outside the clock: the program icon (also the desktop icon the
// installation uses) and the settings dialog's banner. Drawn with cairo in the clock's
// brass-and-gears look, deterministically.
#pragma once

#include <string>

namespace contentgen {

// The icon, 256 x 256 with transparency: a brass clock face with its hands over a gear.
bool writeSaverIcon(const std::string& path);
// The banner over the settings dialog: the clock's name on brushed brass among gears, at
// twice the dialog's 96-dpi pixel size (600 x 228) so it stays sharp on scaled screens.
bool writeDialogBanner(const std::string& path);
// Writes both into the media folder: zarn-screensaver.png and dialogBanner.png.
bool writeSaverArtwork(const std::string& mediaDir);

}  // namespace contentgen
