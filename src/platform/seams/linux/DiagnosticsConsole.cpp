// Linux side: the stand-in's console is the process's stderr.
#include "platform/seams/DiagnosticsConsole.h"

#include <windows.h>

void openDiagnosticsConsole() { AllocConsole(); }
