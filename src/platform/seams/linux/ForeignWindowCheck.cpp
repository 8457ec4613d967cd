// Linux side: the window stand-in knows whether it talks to an X server.
#include "platform/seams/ForeignWindowCheck.h"

#include <ZarnForeignWindows.h>

bool foreignWindowsReachable() { return ZarnForeignWindowsReachable(); }
