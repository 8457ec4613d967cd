// The picture is the saver's icon resource (a PNG the content generator makes); stb decodes it
// here, in this file alone and with static linkage, as the hack links nothing of the saver.
#include "HackIcon.h"

#include <X11/Xatom.h>

#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_MAX_DIMENSIONS 1024
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

void hackSetSaverIcon(Display* display, Window window, const std::string& saver) {
    const std::string folder = saver.substr(0, saver.find_last_of('/') + 1);
    const char* const places[] = {"data/media/zarn-screensaver.png",
                                  "../share/zarn-screensaver/data/media/zarn-screensaver.png"};
    for (const char* place : places) {
        int width = 0, height = 0, channels = 0;
        stbi_uc* rgba = stbi_load((folder + place).c_str(), &width, &height, &channels, 4);
        if (!rgba) continue;
        // _NET_WM_ICON: width, height, then ARGB pixels, each a CARDINAL (a long to Xlib).
        std::vector<unsigned long> data;
        data.reserve(2 + size_t(width) * size_t(height));
        data.push_back((unsigned long)width);
        data.push_back((unsigned long)height);
        for (int i = 0; i < width * height; ++i) {
            const stbi_uc* p = rgba + 4 * i;
            data.push_back((unsigned long)p[3] << 24 | (unsigned long)p[0] << 16 | (unsigned long)p[1] << 8 | p[2]);
        }
        stbi_image_free(rgba);
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(data.data()), int(data.size()));
        return;
    }
}
