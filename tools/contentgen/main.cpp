// zarn-contentgen: writes every mesh and picture the clock reads, into <output>/meshes and
// <output>/textures (the build passes its data/media folder). Deterministic: the same
// generator always writes the same files. Prints what it made and how long it took.
#include "CounterTextures.h"
#include "Gears.h"
#include "Hands.h"
#include "Layout.h"
#include "Logo.h"
#include "MeshDetail.h"
#include "Parts.h"
#include "SaverArtwork.h"
#include "Textures.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

using namespace contentgen;

namespace {

struct MeshJob {
    const char* file;
    std::function<MeshBuilder()> make;
};

bool writeMesh(const MeshBuilder& m, const std::string& path) {
    if (path.ends_with(".strip")) return m.writeStrip(path);
    if (path.ends_with(".x")) return m.writeX(path);
    return m.writeObj(path);
}

bool writeCounterTextures(const std::string& dir) {
    for (const LabelStrip& s : drumStrips()) {
        Image base(stripWidth(s), s.height), height(stripWidth(s), s.height);
        drawDrumStrip(s, base, height);
        if (!base.writePng(dir + "/" + s.name + ".png") ||
            !normalMapFromHeight(height, 3.0).writePng(dir + "/" + s.name + "Normal.png"))
            return false;
    }
    const int h = 1024;
    Image base(odometerWidth(h), h), height(odometerWidth(h), h);
    drawOdometerDigits(base, height);
    return base.writePng(dir + "/counterDigits.png") &&
           normalMapFromHeight(height, 3.0).writePng(dir + "/counterDigitsNormal.png");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: zarn-contentgen <media output folder>\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const std::filesystem::path root = argv[1];
    const std::string meshDir = (root / "meshes").string(), textureDir = (root / "textures").string();
    std::error_code ec;
    std::filesystem::create_directories(meshDir, ec);
    std::filesystem::create_directories(textureDir, ec);

    using namespace layout;
    const MeshJob meshes[] = {
        {"frame.obj", makeFrame},
        {"minuteHand.obj", makeMinuteHand},
        {"hourHand.obj", makeHourHand},
        {"counterDigit.obj", [] { return makeDrumFace(kDigitWidth); }},
        {"counterDouble.obj", [] { return makeDrumFace(kDoubleWidth); }},
        {"counterTriple.obj", [] { return makeDrumFace(kTripleWidth); }},
        {"logoZ.obj", [] { return makeLogoLetter('Z'); }},
        {"logoA.obj", [] { return makeLogoLetter('A'); }},
        {"logoR.obj", [] { return makeLogoLetter('R'); }},
        {"logoN.obj", [] { return makeLogoLetter('N'); }},
        {"globe.obj", [] { return makeSphere(kGlobeRadius, 40, 20); }},
        {"moon.obj", [] { return makeSphere(kMoonRadius, 36, 18); }},
        {"toothyGear.obj", makeToothyGear},
        {"fancyGear.obj", makeFancyGear},
        {"fancySecondary.obj", makeFancySecondary},
        {"extraGearA.obj", makeExtraGearA},
        {"extraGearB.obj", makeExtraGearB},
        {"sideDriver.x", makeSideDriver},
        {"sideGear.obj", makeSideGear},
        {"sideMini.obj", makeSideMini},
        {"pendulum.strip", makePendulum},
        {"backdropNear.obj", makeBackdropNear},
        {"backdropFar.obj", makeBackdropFar},
    };
    bool ok = true;
    size_t triangles = 0;
    for (const MeshJob& job : meshes) {
        setMeshDetail(MeshDetail::full);
        MeshBuilder m = job.make();
        const std::string path = meshDir + "/" + job.file;
        if (m.triangleCount() == 0 || !writeMesh(m, path)) {
            fprintf(stderr, "zarn-contentgen: could not make %s\n", path.c_str());
            ok = false;
            continue;
        }
        triangles += m.triangleCount();
        printf("  %-20s %6zu triangles", job.file, m.triangleCount());
        // The software renderer's twins, where the coarser detail changes the part; the saver
        // reads them in place of the full mesh there and draws the full one elsewhere.
        const std::string_view file = job.file;
        for (const auto& [detail, folder] : {std::pair{MeshDetail::software, "software"},
                                             std::pair{MeshDetail::caster, "casters"}}) {
            if (!file.ends_with(".obj")) continue;
            setMeshDetail(detail);
            MeshBuilder twin = job.make();
            if (twin.triangleCount() == 0 || twin.triangleCount() == m.triangleCount()) continue;
            std::filesystem::create_directories(meshDir + "/" + folder, ec);
            const std::string twinPath = meshDir + "/" + folder + "/" + job.file;
            if (!writeMesh(twin, twinPath)) {
                fprintf(stderr, "zarn-contentgen: could not make %s\n", twinPath.c_str());
                ok = false;
            }
            printf(", %s %zu", folder, twin.triangleCount());
        }
        printf("\n");
    }
    setMeshDetail(MeshDetail::full);
    const struct {
        const char* what;
        std::function<bool()> write;
    } pictures[] = {
        {"metals", [&] { return writeMetalTextures(textureDir); }},
        {"hands", [&] { return writeHandTextures(textureDir); }},
        {"environment", [&] { return writeEnvironmentMap(textureDir + "/environment.dds"); }},
        {"counters", [&] { return writeCounterTextures(textureDir); }},
        {"moon and world", [&] { return writeMoonWorldAtlas(textureDir); }},
        {"logo", [&] { return writeLogoTextures(textureDir); }},
        {"backdrops", [&] { return writeBackdropTextures(textureDir); }},
        {"icon and banner", [&] { return writeSaverArtwork(root.string()); }},
    };
    for (const auto& p : pictures)
        if (!p.write()) {
            fprintf(stderr, "zarn-contentgen: could not write the %s textures into %s\n", p.what, textureDir.c_str());
            ok = false;
        }
    uintmax_t bytes = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root, ec))
        if (e.is_regular_file()) bytes += e.file_size();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printf("zarn-contentgen: %zu triangles in %zu mesh files, %.1f MB in %s, %.2f s\n", triangles,
           std::size(meshes), bytes / 1048576.0, root.string().c_str(), seconds);
    return ok ? 0 : 1;
}
