// The screen-saver host: reads the service's command line, picks a mode (full screen,
// preview inside another window, settings, password change), creates the saver window, runs
// the message loop, and filters the window's messages around saverWindowProc: it hides the
// cursor and turns user input into close requests.
#pragma once

#include <windows.h>

#include <cstdint>

struct HostState {
    HINSTANCE instance = nullptr;
    // Linux has no Windows 9x password service, so this stays false outside tests.
    bool legacyPlatform = false;
    bool previewMode = false;
    HWND saverWindow = nullptr;
    POINT mouseOrigin{0, 0};
    uint32_t mouseMoveThreshold = 4;
    BYTE acLineStatus = 0xFF;
    UINT autoPlayMessage = 0;
    // The legacy password verifier, when one is held (never on Linux; tests install one).
    BOOL (*passwordVerifier)(HWND) = nullptr;
};

extern HostState hostState;

enum class HostMode { configuration, fullScreen, preview, passwordChange, invalid };

struct HostCommand {
    HostMode mode = HostMode::invalid;
    // The decimal window handle that followed the mode letter; 0 when there was none.
    uintptr_t window = 0;
    bool hasWindow = false;
    // Nothing but blanks, "-" and "/": the dialog then belongs to no window.
    bool endOfText = false;
};

// The command line without the program name, as the screen-saver service passes it.
HostCommand parseCommandLine(const char* commandLine);

// The settings dialog's owner: none for an empty command line, the given window for /c:N
// when it is one, else the foreground window.
HWND configDialogOwner(const HostCommand& command);

// The entry point's work: returns the process exit code.
int hostMain(HINSTANCE instance, const char* commandLine);
int runSaver(HWND parent);
LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT defaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool verifyPassword(HWND window);
int showConfigDialog(HWND parent);
void changePassword(HWND window);

// The mouse-move rule: true when the cursor has moved more than the threshold (the sum of
// the horizontal and vertical distances) from the origin.
bool mouseMovedBeyondThreshold(POINT origin, POINT now, uint32_t threshold);

// The system's AC line status (0xFF when it cannot be read).
BYTE readAcLineStatus();

// The power rules of WM_POWERBROADCAST: whether this notice closes the saver. Reads and
// stores the AC line status for a power-status change.
bool powerBroadcastCloses(WPARAM event, LPARAM data, BYTE* acLineStatus, BYTE currentAcLineStatus);
