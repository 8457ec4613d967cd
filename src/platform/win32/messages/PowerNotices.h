// Power notices for the message queue: what Windows broadcasts to top-level windows as
// WM_POWERBROADCAST, found here by watching the AC line and logind's sleep signal.
#pragma once

#include <windows.h>

#include <vector>

// Posts WM_POWERBROADCAST to each top-level window in `windows` for what changed since the
// last call: the AC line status (read at most once a second) and sleep or resume.
void zarnPostPowerNotices(const std::vector<HWND>& windows);

// GetSystemPowerStatus reports each AC line status it reads: the first one in the process
// is the baseline the watch measures changes from.
void zarnNoteAcLineStatusRead(BYTE status);
// Tests: the next status read becomes the baseline again.
void zarnForgetAcLineStatus();

// Pending sleep notices from the system bus: PBT_APMSUSPEND or PBT_APMRESUMESUSPEND, in the
// order they came. Connects on the first call; nothing when there is no system bus.
std::vector<WPARAM> zarnTakeSleepNotices();
