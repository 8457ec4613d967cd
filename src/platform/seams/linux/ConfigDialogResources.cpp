// Linux side of the program's resources (Windows links them from a resource script): the
// settings dialog's template 2003 in dialog units, which the build reads from that resource
// script, the banner bitmap (108), the saver's icon (100) and the string table (1: the saver's
// name), registered with the window stand-in. Both pictures are made by the content generator
// into the data folder, where they are looked for when they are first used.
#include "shell/ConfigDialog.h"
#include "shell/SaverSettings.h"

#include <ZarnResources.h>

#include <filesystem>
#include <string>
#include <system_error>

const char* const productWebSite = ZARN_PRODUCT_WEB_SITE;

namespace {

// configTemplate: the dialog as the resource script writes it (made from there at build time).
#include "ConfigDialogTemplate.h"

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
