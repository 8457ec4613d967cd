// Windows side: the console of the program that started the saver (a Command Prompt), when
// there is one; otherwise no window opens and the lines are in the log alone. A console window
// of its own would take the activation from the saver, and a saver that loses the activation
// closes, so the first error of a run would end it.
#include "platform/seams/DiagnosticsConsole.h"

#include <windows.h>

#include <cstdio>

void openDiagnosticsConsole() {
    if (AttachConsole(ATTACH_PARENT_PROCESS)) std::freopen("CONOUT$", "w", stderr);
}
