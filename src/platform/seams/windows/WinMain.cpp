// Windows side of the entry point: the screen-saver service's command line, without the
// program's name, goes to the host as it is.
#include "shell/Host.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) { return hostMain(instance, commandLine); }
