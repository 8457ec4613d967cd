// The configuration mode: the settings dialog, modal, owned by the given window (transient
// for it on the desktop). It creates no saver window and no device.
#include "shell/ConfigDialog.h"
#include "shell/Host.h"

#include <cstdio>

int showConfigDialog(HWND parent) {
    // The dialog-class registration hook has nothing to register: every control is built in.
    const INT_PTR result =
        DialogBoxParamA(hostState.instance, MAKEINTRESOURCEA(IDD_CONFIG), parent, configDialogProc, 0);
    // The template is part of the program, so a dialog that cannot open lacks a display.
    if (result == -1) std::fprintf(stderr, "zarn-screensaver: the settings dialog needs a display\n");
    return int(result);
}
