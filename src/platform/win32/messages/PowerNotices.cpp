// The AC line is polled rather than followed through udev: one small sysfs read a second
// costs nothing, needs no further library, and a saver only cares that it changed.
#include "win32/messages/PowerNotices.h"

#include "win32/messages/MessageState.h"
#include "win32/window/WindowObject.h"

#include <chrono>

namespace {

constexpr auto acPollInterval = std::chrono::seconds(1);

void broadcast(const std::vector<HWND>& windows, WPARAM event) {
    for (HWND window : windows)
        if (zarnIsMessageWindow(window) && !(window->style & WS_CHILD))
            zarnPostMessage(window, WM_POWERBROADCAST, event, 0);
}

// What a change is measured from: the first status anyone read (the saver reads it as it
// starts), then each status the poll reads. A change while the saver loads is one too.
bool known = false;
BYTE lastStatus = AC_LINE_UNKNOWN;
std::chrono::steady_clock::time_point lastPoll;

}  // namespace

void zarnNoteAcLineStatusRead(BYTE status) {
    if (known) return;
    known = true;
    lastStatus = status;
}

void zarnForgetAcLineStatus() {
    known = false;
    lastStatus = AC_LINE_UNKNOWN;
    lastPoll = {};  // the next look reads the line, however recent the last poll was
}

void zarnPostPowerNotices(const std::vector<HWND>& windows) {
    const auto now = std::chrono::steady_clock::now();
    if (!known || now - lastPoll >= acPollInterval) {
        lastPoll = now;
        SYSTEM_POWER_STATUS status{};
        GetSystemPowerStatus(&status);
        if (known && status.ACLineStatus != lastStatus) broadcast(windows, PBT_APMPOWERSTATUSCHANGE);
        lastStatus = status.ACLineStatus;
        known = true;
    }
    for (WPARAM event : zarnTakeSleepNotices()) broadcast(windows, event);
}
