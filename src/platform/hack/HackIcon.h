// The saver's icon on the hack's own window, as window lists show it for the saver's.
#pragma once

#include <X11/Xlib.h>

#include <string>

// Sets _NET_WM_ICON of `window` from the saver's icon picture, found beside the saver
// executable `saver` (a build folder's data/, or the installed share/zarn-screensaver/data/).
// Nothing happens when the picture is missing or unreadable.
void hackSetSaverIcon(Display* display, Window window, const std::string& saver);
