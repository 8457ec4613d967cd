// The hands read at a glance. zarn-snapshot renders the real clock three times for one
// pinned time and camera angle: with its own library, with a copy of it that lacks the two
// hands, and with the hands alone in plain white on black, which gives exactly the pixels
// they cover. Over those pixels the hands must cover a promised area and differ in
// luminance from what lies behind them by a promised mean contrast, at a full screen and
// at a host's preview thumbnail.
#include "support/TempDir.h"

#include <gtest/gtest.h>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kBuildData = fs::path(ZARN_BINARY_DIR) / "data";

std::string readText(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The library without the MODEL blocks of the named meshes (their widgets then draw
// nothing, as a lookup that fails leaves them without a mesh).
std::string withoutModels(std::string text, const std::vector<std::string>& names) {
    int removed = 0;
    for (const std::string& name : names) {
        const size_t at = text.find("NAME " + name + "\n");
        if (at == std::string::npos) continue;
        const size_t open = text.rfind("MODEL {", at), close = text.find("}\n", at);
        if (open == std::string::npos || close == std::string::npos) continue;
        text.erase(open, close + 2 - open);
        ++removed;
    }
    const size_t count = text.find("MODELCOUNT ");
    if (count != std::string::npos) {
        const int n = std::atoi(text.c_str() + count + 11);
        const size_t end = text.find('\n', count);
        text.replace(count, end - count, "MODELCOUNT " + std::to_string(n - removed));
    }
    return text;
}

// Only the two hands, in a flat white that the fixed-function path lights brightly.
const char* handsAlone =
    "MODELCOUNT 2\n"
    "MODEL {\n MESH data/media/meshes/minuteHand.obj\n NAME meshMinutes\n}\n"
    "MODEL {\n MESH data/media/meshes/hourHand.obj\n NAME meshHours\n}\n"
    "TEXTURECOUNT 0\n"
    "MATERIALCOUNT 1\nMATERIAL {\n NAME matHands\n AMBIENT 1 1 1 1\n DIFFUSE 1 1 1 1\n}\n"
    "ANIMATIONCOUNT 0\n";

struct Picture {
    std::vector<double> luminance;  // 0 to 1, Rec. 709 weights on the stored values
    int width = 0, height = 0;
};

class HandsContrastGL : public testing::Test {
protected:
    void SetUp() override {
#ifndef ZARN_CONTENT_GENERATED
        GTEST_SKIP() << "this build does not generate the clock's content";
#endif
        setenv("TZ", "UTC", 1);
    }

    // An install folder holding the given library next to the build's media and effects.
    std::string installFolder(const std::string& name, const std::string& library) {
        const fs::path root = fs::path(dir.path()) / name;
        dir.write(name + "/data/assetLibrary.txt", library);
        std::error_code ec;
        fs::create_directory_symlink(kBuildData / "media", root / "data" / "media", ec);
        fs::create_directory_symlink(kBuildData / "effects", root / "data" / "effects", ec);
        return root.string();
    }

    bool render(const std::string& install, const std::string& size, int orbitDegrees, bool effects,
                Picture* out) {
        const std::string png = install + "/picture.png";
        std::ostringstream cmd;
        cmd << "'" << ZARN_SNAPSHOT_PATH << "' --data '" << install << "' --time 2026-12-08T10:09:30.250 --size "
            << size << " --orbit " << orbitDegrees << (effects ? "" : " --post off --shadows off") << " --output '"
            << png << "' > '" << install << "/snapshot.log' 2>&1";
        if (std::system(cmd.str().c_str()) != 0) return false;
        int channels = 0;
        unsigned char* rgb = stbi_load(png.c_str(), &out->width, &out->height, &channels, 3);
        if (!rgb) return false;
        out->luminance.resize(size_t(out->width) * out->height);
        for (size_t i = 0; i < out->luminance.size(); ++i)
            out->luminance[i] = (0.2126 * rgb[3 * i] + 0.7152 * rgb[3 * i + 1] + 0.0722 * rgb[3 * i + 2]) / 255.0;
        stbi_image_free(rgb);
        return true;
    }

    struct Reading {
        int area = 0;
        double meanContrast = 0;
    };

    // Renders the three pictures and measures the hands over the pixels they cover (at
    // least half covered, by the white picture).
    Reading measure(const std::string& size, int orbitDegrees) {
        const std::string library = readText(kBuildData / "assetLibrary.txt");
        Picture clock, bare, mask;
        Reading r;
        EXPECT_TRUE(render(installFolder("clock-" + size, library), size, orbitDegrees, true, &clock));
        EXPECT_TRUE(render(installFolder("bare-" + size, withoutModels(library, {"meshMinutes", "meshHours"})), size,
                           orbitDegrees, true, &bare));
        EXPECT_TRUE(render(installFolder("mask-" + size, handsAlone), size, orbitDegrees, false, &mask));
        if (clock.luminance.empty() || clock.luminance.size() != bare.luminance.size() ||
            clock.luminance.size() != mask.luminance.size())
            return r;
        double sum = 0;
        for (size_t i = 0; i < mask.luminance.size(); ++i) {
            if (mask.luminance[i] < 0.45) continue;
            ++r.area;
            sum += std::fabs(clock.luminance[i] - bare.luminance[i]);
        }
        r.meanContrast = r.area ? sum / r.area : 0;
        std::printf("%s, orbit %d degrees: hands cover %d pixels, mean luminance contrast %.3f\n", size.c_str(),
                    orbitDegrees, r.area, r.meanContrast);
        return r;
    }

    TempDir dir;
};

// The thresholds sit between hands that read and hands that do not. Thin dark steel hands,
// which vanish over the dark gaps of the movement and are hard to tell from the brass
// spokes, measure about 620 pixels and a mean contrast of 0.26 at 1280 x 720 (16 pixels and
// 0.16 in the thumbnail); the enamel hands about 1170 pixels and 0.58 (31 pixels and 0.38).
// A mean of 0.3 on the 0 to 1 scale asks that, along their whole length, the hands stand
// about a third of the way from black to white apart from what is behind them: over brass
// as well as over the gaps, which only a two-tone hand manages. The areas leave a sixth
// or more for other times and camera angles.

TEST_F(HandsContrastGL, HandsStandOutOnAFullScreen) {
    const Reading r = measure("1280x720", 30);
    EXPECT_GE(r.area, 1000);
    EXPECT_GE(r.meanContrast, 0.3);
}

TEST_F(HandsContrastGL, HandsStillShowInAPreviewThumbnail) {
    // 152 x 112 shows the dial about 27 pixels across: what counts is that the hands are
    // there at all and apart from the wheels; blending with the edge lowers the contrast.
    const Reading r = measure("152x112", 210);
    EXPECT_GE(r.area, 24);
    EXPECT_GE(r.meanContrast, 0.25);
}

}  // namespace
