// Not part of Win32: a lock file in $XDG_RUNTIME_DIR that one process at a time may hold. It
// stands in for finding another program's window where windows cannot be searched for (a
// Wayland session), so that only one full-screen saver runs.
#pragma once

enum class ZarnRuntimeLockClaim {
    claimed,        // this process holds it now (or already did)
    heldElsewhere,  // another process holds it
    unavailable,    // no usable $XDG_RUNTIME_DIR, or the file cannot be opened
};

// Claims the lock `name` (letters other than A-Z, a-z, 0-9, '.', '_' and '-' become '-') for
// the rest of the process; the system lets go of it when the process ends, however it ends.
ZarnRuntimeLockClaim ZarnClaimRuntimeLock(const char* name);

// Lets go of a lock this process holds; nothing happens for one it does not hold.
void ZarnReleaseRuntimeLock(const char* name);
