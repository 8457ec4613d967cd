// Linux side of the program's resources (Windows links them from a resource script): the
// settings dialog's template 2003 in dialog units, the banner bitmap (108), the saver's icon
// (100) and the string table (1: the saver's name), registered with the window stand-in. Both
// pictures are made by the content generator into the data folder, where they are looked for
// when they are first used.
#include "shell/ConfigDialog.h"
#include "shell/SaverSettings.h"

#include <ZarnResources.h>

#include <filesystem>
#include <string>
#include <system_error>

const char* const productWebSite = ZARN_PRODUCT_WEB_SITE;

namespace {

const DWORD child = WS_CHILD | WS_VISIBLE;
const DWORD list = child | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
const DWORD box = child | BS_AUTOCHECKBOX | WS_TABSTOP;
const DWORD button = child | WS_TABSTOP;

const ZarnDialogItem configItems[] = {
    {"STATIC", child | SS_BITMAP, -1, nullptr, 7, 7, 200, 70, IDB_BANNER},
    {"STATIC", child | SS_CENTER | SS_NOTIFY, IDC_WEB_LINK, productWebSite, 7, 78, 200, 14, 0},
    {"STATIC", child | SS_LEFT, -1, "Resolution", 53, 101, 40, 8, 0},
    {"COMBOBOX", list, IDC_RESOLUTION, nullptr, 94, 99, 62, 83, 0},
    {"STATIC", child | SS_LEFT, -1, "Antialiasing", 53, 117, 40, 8, 0},
    {"COMBOBOX", list, IDC_ANTIALIASING, nullptr, 94, 115, 62, 83, 0},
    {"BUTTON", box, IDC_FRAME_SYNC, "Enable frame sync (smoother", 53, 132, 107, 10, 0},
    {"STATIC", child | SS_LEFT, -1, "animation on fast computers)", 65, 143, 103, 8, 0},
    {"BUTTON", box, IDC_POST_PROCESSING, "Enable post-processing", 53, 154, 89, 10, 0},
    {"BUTTON", box, IDC_SHADOWS, "Enable shadows", 53, 168, 68, 10, 0},
    {"BUTTON", box, IDC_MILITARY_TIME, "24-hour time", 53, 182, 55, 10, 0},
    {"BUTTON", button | BS_PUSHBUTTON, IDC_RESET_DEFAULTS, "Reset to &Defaults", 7, 202, 70, 14, 0},
    {"BUTTON", button | BS_DEFPUSHBUTTON, IDOK, "OK", 95, 202, 50, 14, 0},
    {"BUTTON", button | BS_PUSHBUTTON, IDCANCEL, "Cancel", 157, 202, 50, 14, 0},
};

const ZarnDialogTemplate configTemplate = {
    IDD_CONFIG,
    DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU,
    "Zarn Clock Screensaver Settings",
    8,
    "MS Sans Serif",
    214,
    223,
    configItems,
    sizeof configItems / sizeof configItems[0],
};

bool fileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// A picture in the data folder the settings name, else in the one the program came with.
const char* mediaFile(const char* name, std::string* storage) {
    SaverSettings settings;
    settings.load();
    for (const char* root : {settings.getInstallDir(), defaultInstallDir()}) {
        *storage = std::string(root) + "/data/media/" + name;
        if (root[0] && fileExists(*storage)) return storage->c_str();
    }
    return nullptr;
}

const char* bannerPath() {
    static std::string path;
    return mediaFile("dialogBanner.png", &path);
}

const char* iconPath() {
    static std::string path;
    return mediaFile("zarn-screensaver.png", &path);
}

[[maybe_unused]] const bool linked = ZarnAddDialogResource(&configTemplate) &&
                    ZarnAddImageResource({IDB_BANNER, false, bannerPath}) &&
                    ZarnAddImageResource({IDI_SAVER, true, iconPath}) &&
                    ZarnAddStringResource(IDS_SAVER_NAME, "Zarn Screensaver");

}  // namespace
