// The picture is the saver's icon resource (a PNG the content generator makes), decoded by the
// saver's own image decoder.
#include "HackIcon.h"

#include "d3dx9/D3DXTextureImage.h"

#include <X11/Xatom.h>

#include <vector>

void hackSetSaverIcon(Display* display, Window window, const std::string& saver) {
    const std::string folder = saver.substr(0, saver.find_last_of('/') + 1);
    const char* const places[] = {"data/media/zarn-screensaver.png",
                                  "../share/zarn-screensaver/data/media/zarn-screensaver.png"};
    for (const char* place : places) {
        std::vector<uint8_t> file;
        d3dxtexture::Image image;
        std::string reason;
        if (!d3dxtexture::readFile((folder + place).c_str(), &file) ||
            !d3dxtexture::decodeImage(file.data(), file.size(), &image, &reason))
            continue;
        // _NET_WM_ICON: width, height, then ARGB pixels, each a CARDINAL (a long to Xlib). The
        // decoder keeps Direct3D's byte order, B, G, R, A.
        std::vector<unsigned long> data;
        data.reserve(2 + size_t(image.width) * image.height);
        data.push_back(image.width);
        data.push_back(image.height);
        for (size_t i = 0; i < size_t(image.width) * image.height; ++i) {
            const uint8_t* p = &image.bgra[4 * i];
            data.push_back((unsigned long)p[3] << 24 | (unsigned long)p[2] << 16 | (unsigned long)p[1] << 8 | p[0]);
        }
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(data.data()), int(data.size()));
        return;
    }
}
