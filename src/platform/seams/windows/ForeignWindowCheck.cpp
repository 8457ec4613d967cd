// Windows side: any window is named by its handle.
#include "platform/seams/ForeignWindowCheck.h"

bool foreignWindowsReachable() { return true; }
