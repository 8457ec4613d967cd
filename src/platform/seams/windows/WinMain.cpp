// Windows side of the entry point: the screen-saver service's command line, without the
// program's name, goes to the host as it is. The service starts savers in the system folder;
// the program's own folder is made current first, so that a saver whose settings name no
// install folder (an unpacked zip: a standard user cannot make the machine-wide key) still
// finds the data beside it. An InstallDir in the registry replaces it at window creation.
#include "platform/seams/InstallPaths.h"
#include "shell/Host.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    if (const char* folder = platformDefaultInstallDir(); folder[0]) SetCurrentDirectoryA(folder);
    return hostMain(instance, commandLine);
}
