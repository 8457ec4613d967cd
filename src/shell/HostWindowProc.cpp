// The host's message filters on either side of saverWindowProc: cursor hiding, the preview
// window's manners, and the close rules that turn user input into WM_CLOSE.
#include "shell/Host.h"

#include "shell/SaverWindowProc.h"

#include <cstdlib>

namespace {

void postClose(HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }

}  // namespace

BYTE readAcLineStatus() {
    SYSTEM_POWER_STATUS status{};
    return GetSystemPowerStatus(&status) ? status.ACLineStatus : BYTE(0xFF);
}

bool mouseMovedBeyondThreshold(POINT origin, POINT now, uint32_t threshold) {
    const int64_t dx = std::llabs(int64_t(now.x) - origin.x);
    const int64_t dy = std::llabs(int64_t(now.y) - origin.y);
    return uint64_t(dx + dy) > threshold;
}

bool powerBroadcastCloses(WPARAM event, LPARAM data, BYTE* acLineStatus, BYTE currentAcLineStatus) {
    switch (event) {
    case 6:
    case 7:
    case 8:
    case 18:
        // Resume notices: a resume after a failure (bit 0) does not count as user activity.
        return (data & 1) == 0;
    case 10: {
        const bool changed = currentAcLineStatus != *acLineStatus;
        *acLineStatus = currentAcLineStatus;
        return changed;
    }
    default:
        return true;  // the suspend and standby queries and notices, and anything newer
    }
}

LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        // No input-method context to detach: SDL opens none for a window that never asks for
        // text input, and nothing here reads characters.
        GetCursorPos(&hostState.mouseOrigin);
        if (!hostState.previewMode) ShowCursor(FALSE);
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    case WM_SETTEXT:
        return 0;
    case WM_PAINT:
        if (!hostState.previewMode) ShowCursor(FALSE);
        break;
    case WM_TIMER:
        Sleep(0);
        break;
    case WM_HELP:
    case WM_CONTEXTMENU:
        if (hostState.previewMode) {
            // The preview's host window answers help requests about its pane.
            HWND parent = GetParent(window);
            if (IsWindow(parent)) PostMessageA(parent, message, WPARAM(parent), lParam);
            return 1;
        }
        break;
    case WM_SYSCOMMAND:
        if (!hostState.previewMode) {
            const WPARAM command = wParam & 0xFFF0;
            if (command == SC_SCREENSAVE || command == SC_NEXTWINDOW || command == SC_PREVWINDOW) return 0;
            if (command == SC_MONITORPOWER) postClose(window);
        }
        break;
    default:
        break;
    }
    return saverWindowProc(window, message, wParam, lParam);
}

LRESULT defaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!hostState.previewMode) {
        switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            postClose(window);
            break;
        case WM_MOUSEMOVE: {
            POINT now{};
            GetCursorPos(&now);
            if (mouseMovedBeyondThreshold(hostState.mouseOrigin, now, hostState.mouseMoveThreshold)) {
                postClose(window);
                hostState.mouseOrigin = now;
            }
            break;
        }
        case WM_ACTIVATEAPP:
            if (wParam == 0) postClose(window);
            break;
        case WM_POWER:
            if (wParam == PWR_CRITICALRESUME) postClose(window);
            break;
        case WM_POWERBROADCAST:
            if (powerBroadcastCloses(wParam, lParam, &hostState.acLineStatus, readAcLineStatus())) postClose(window);
            break;
        default:
            break;
        }
        if (message == WM_SHOWWINDOW && wParam != 0) ShowCursor(FALSE);
        if (message == WM_SETCURSOR) {
            ShowCursor(FALSE);
            return 1;
        }
    }
    if (hostState.autoPlayMessage != 0 && message == hostState.autoPlayMessage) {
        postClose(window);
        return hostState.passwordVerifier ? 1 : 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
