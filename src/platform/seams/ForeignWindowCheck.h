// Whether another program's window can be named by number here, so a preview (/p N) can be
// drawn inside it. Windows: always. Linux: under X only; a Wayland session has no such ids.
#pragma once

bool foreignWindowsReachable();
