// zarn-wine-probe: what the Windows end-to-end cases need done from inside Wine, where Xvfb has
// no window manager and synthetic X input does not reach Wine's windows.
//   close                  posts WM_CLOSE to the full-screen saver's window, waits until it goes
//   preview SAVER SECONDS  runs SAVER /p inside a 320x260 window of its own for SECONDS, then
//                          destroys that window and reports whether the saver ended with it
//   dialog-24h             ticks "24-hour time" in the open settings dialog and presses OK
//   run SAVER ARGUMENT     runs SAVER ARGUMENT to its end and exits with its exit code as Windows
//                          gives it (Wine may end a finished process's Unix side with SIGKILL
//                          when it lingers, so the Unix exit status alone would mislead)
//   count-windows TITLE    prints how many visible top-level windows have that title
//   client-area TITLE      prints the screen rectangle of that window's client area, WxH+X+Y
// Exit 0 when what was asked happened; every outcome is printed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace {

HWND waitForWindow(const char* className, const char* title, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
        if (HWND window = FindWindowA(className, title)) return window;
        Sleep(100);
    }
    return nullptr;
}

// Starts "SAVER" ARGUMENTS as the screen-saver service would; says so when it cannot.
bool startSaver(const char* saverPath, const std::string& arguments, PROCESS_INFORMATION& process) {
    std::string commandLine = std::string("\"") + saverPath + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return true;
    std::printf("could not start %s\n", commandLine.c_str());
    return false;
}

int closeSaver() {
    HWND saver = waitForWindow("WindowsScreenSaverClass", "Screen Saver", 5000);
    if (!saver) {
        std::puts("no full-screen saver window");
        return 1;
    }
    PostMessageA(saver, WM_CLOSE, 0, 0);
    for (int i = 0; i < 100 && IsWindow(saver); ++i) Sleep(100);
    std::puts(IsWindow(saver) ? "saver window still there after WM_CLOSE" : "saver window closed");
    return IsWindow(saver) ? 1 : 0;
}

LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

void pumpFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < milliseconds) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
}

int preview(const char* saverPath, int seconds) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = hostProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = "ZarnPreviewHost";
    RegisterClassA(&windowClass);
    RECT frame{0, 0, 320, 260};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND host = CreateWindowA("ZarnPreviewHost", "Preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
    if (!host) {
        std::puts("could not make the host window");
        return 1;
    }
    POINT origin{0, 0};
    ClientToScreen(host, &origin);
    std::printf("host client %ld %ld 320 260\n", origin.x, origin.y);
    std::fflush(stdout);

    PROCESS_INFORMATION process{};
    if (!startSaver(saverPath, "/p " + std::to_string(reinterpret_cast<uintptr_t>(host)), process)) return 1;
    pumpFor(DWORD(seconds) * 1000);
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
        std::puts("saver ended before its host window went");
        return 1;
    }
    {
        HWND preview = FindWindowExA(host, nullptr, "WindowsScreenSaverClass", nullptr);
        std::printf("saver child window %s\n", preview ? "present" : "missing");
        if (!preview) return 1;
    }
    const DWORD destroyed = GetTickCount();
    DestroyWindow(host);
    pumpFor(100);
    const DWORD waited = WaitForSingleObject(process.hProcess, 8000);
    if (waited != WAIT_OBJECT_0) {
        std::puts("saver still running 8 s after its host window went");
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    std::printf("saver ended %lu ms after its host window went, exit code %lu\n", GetTickCount() - destroyed, code);
    return code == 0 ? 0 : 1;
}

int runToTheEnd(const char* saverPath, const char* argument) {
    PROCESS_INFORMATION process{};
    if (!startSaver(saverPath, argument, process)) return 1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    std::printf("saver exit code %lu\n", code);
    return int(code);
}

int tickTwentyFourHourTime() {
    HWND dialog = waitForWindow(nullptr, "Zarn Clock Screensaver Settings", 20000);
    if (!dialog) {
        std::puts("no settings dialog");
        return 1;
    }
    // The window exists before its initialisation has set the boxes from the settings.
    Sleep(1500);
    const int militaryTime = 1016;
    SendDlgItemMessageA(dialog, militaryTime, BM_SETCHECK, BST_CHECKED, 0);
    const bool ticked = SendDlgItemMessageA(dialog, militaryTime, BM_GETCHECK, 0, 0) == BST_CHECKED;
    std::printf("24-hour time %s\n", ticked ? "ticked" : "not ticked");
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    for (int i = 0; i < 100 && IsWindow(dialog); ++i) Sleep(100);
    std::puts(IsWindow(dialog) ? "dialog still open after OK" : "dialog closed by OK");
    return ticked && !IsWindow(dialog) ? 0 : 1;
}

BOOL CALLBACK countTitled(HWND window, LPARAM context) {
    auto* wanted = reinterpret_cast<std::pair<const char*, int>*>(context);
    char title[256] = "";
    GetWindowTextA(window, title, sizeof title);
    if (IsWindowVisible(window) && std::strcmp(title, wanted->first) == 0) ++wanted->second;
    return TRUE;
}

int countWindows(const char* title) {
    std::pair<const char*, int> wanted{title, 0};
    EnumWindows(countTitled, reinterpret_cast<LPARAM>(&wanted));
    std::printf("%d\n", wanted.second);
    return 0;
}

int printClientArea(const char* title) {
    HWND window = FindWindowA(nullptr, title);
    RECT client{};
    POINT origin{0, 0};
    if (!window || !GetClientRect(window, &client) || !ClientToScreen(window, &origin)) {
        std::printf("no window titled %s\n", title);
        return 1;
    }
    std::printf("%ldx%ld+%ld+%ld\n", client.right, client.bottom, origin.x, origin.y);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "close") == 0) return closeSaver();
    if (argc == 4 && std::strcmp(argv[1], "preview") == 0) return preview(argv[2], std::atoi(argv[3]));
    if (argc == 2 && std::strcmp(argv[1], "dialog-24h") == 0) return tickTwentyFourHourTime();
    if (argc == 4 && std::strcmp(argv[1], "run") == 0) return runToTheEnd(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "count-windows") == 0) return countWindows(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "client-area") == 0) return printClientArea(argv[2]);
    std::fputs("usage: zarn-wine-probe close | preview SAVER SECONDS | dialog-24h | run SAVER ARGUMENT"
               " | count-windows TITLE | client-area TITLE\n",
               stderr);
    return 2;
}
