// The session's lock, shared by the foreground watcher and --enable / --disable.
#pragma once

#include <string>

std::string watchLockPath();
// The lock's descriptor (held for the process's life), or -1 with `holder` set to the pid of
// the watcher holding it (0 when that is unknown).
int watchTakeLock(int* holder);
