// GetSystemPowerStatus from /sys/class/power_supply: the AC line is online when any AC
// adapter (type "Mains") says online = 1. Tests point ZARN_SYSFS_ROOT at a folder of their
// own that stands in for /sys.
#include <windows.h>

#include "win32/messages/PowerNotices.h"

#include <dirent.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

std::string firstLine(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

BYTE readAcLineStatus() {
    const char* root = std::getenv("ZARN_SYSFS_ROOT");
    const std::string folder = std::string(root && *root ? root : "/sys") + "/class/power_supply";
    DIR* dir = opendir(folder.c_str());
    if (!dir) return AC_LINE_UNKNOWN;
    BYTE status = AC_LINE_UNKNOWN;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string device = folder + "/" + name;
        if (firstLine(device + "/type") != "Mains") continue;
        const std::string online = firstLine(device + "/online");
        if (online == "1") {
            status = AC_LINE_ONLINE;
            break;
        }
        if (online == "0") status = AC_LINE_OFFLINE;
    }
    closedir(dir);
    return status;
}

}  // namespace

BOOL GetSystemPowerStatus(LPSYSTEM_POWER_STATUS lpSystemPowerStatus) {
    if (!lpSystemPowerStatus) return FALSE;
    *lpSystemPowerStatus = SYSTEM_POWER_STATUS{};
    lpSystemPowerStatus->ACLineStatus = readAcLineStatus();
    zarnNoteAcLineStatusRead(lpSystemPowerStatus->ACLineStatus);
    lpSystemPowerStatus->BatteryFlag = 0xFF;
    lpSystemPowerStatus->BatteryLifePercent = 0xFF;
    lpSystemPowerStatus->BatteryLifeTime = 0xFFFFFFFFu;
    lpSystemPowerStatus->BatteryFullLifeTime = 0xFFFFFFFFu;
    return TRUE;
}
