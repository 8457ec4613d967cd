// Not part of Win32: whether other programs' windows can be named by number here. Under X
// they can (a preview's host passes its window's id); a Wayland session has no such ids, so
// a preview inside another program's window cannot be had there.
#pragma once

bool ZarnForeignWindowsReachable();
