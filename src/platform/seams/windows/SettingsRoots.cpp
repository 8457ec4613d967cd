// Windows side. A 64-bit process gets no registry virtualisation, so a standard user cannot
// write under HKEY_LOCAL_MACHINE: the user's fields are written to HKEY_CURRENT_USER and read
// from there over any machine-wide values (an older install's, or an administrator's).
// InstallDir stays where the installer writes it.
#include "platform/seams/SettingsRoots.h"

SettingsRoots settingsRoots() {
    return {{HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}, 2, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
}
