// zarn-meshbench [triangles] [folder]: writes the same grid mesh of about that many
// triangles (default 50,000) as .obj, .strip and .x into the folder (default: a temp
// folder), then for each format reads it into a fresh Mesh and builds its buffers on a
// recording device, reporting the time of each stage and the growth of the process's
// resident memory. Each format runs in its own child process when given "--one FORMAT", so
// that one format's freed memory does not hide the next one's cost.
#include "assets/Mesh.h"
#include "shell/Diagnostics.h"

#include <ZarnRecordingDevice.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

long statusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    size_t n = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, n, field) == 0) return std::atol(line.c_str() + n + 1);
    return -1;
}

struct Grid {
    int columns, rows;
    float x(int c) const { return c / float(columns); }
    float y(int r) const { return r / float(rows); }
    float z(int c, int r) const { return 0.1f * std::sin(c * 0.3f) * std::cos(r * 0.2f); }
    int vertex(int c, int r) const { return r * (columns + 1) + c; }
};

void writeObj(const Grid& g, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    for (int r = 0; r <= g.rows; ++r)
        for (int c = 0; c <= g.columns; ++c) std::fprintf(f, "v %f %f %f\n", g.x(c), g.y(r), g.z(c, r));
    for (int r = 0; r <= g.rows; ++r)
        for (int c = 0; c <= g.columns; ++c) std::fprintf(f, "vt %f %f\n", g.x(c), 1 - g.y(r));
    for (int r = 0; r <= g.rows; ++r)
        for (int c = 0; c <= g.columns; ++c) std::fprintf(f, "vn 0 0 -1\n");
    for (int r = 0; r < g.rows; ++r)
        for (int c = 0; c < g.columns; ++c) {
            int a = g.vertex(c, r) + 1, b = g.vertex(c, r + 1) + 1, d = g.vertex(c + 1, r + 1) + 1,
                e = g.vertex(c + 1, r) + 1;
            std::fprintf(f, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, d, d, d);
            std::fprintf(f, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, d, d, d, e, e, e);
        }
    std::fclose(f);
}

void writeStrip(const Grid& g, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    int32_t header[2] = {(g.columns + 1) * (g.rows + 1), g.rows};
    std::fwrite(header, 4, 2, f);
    for (int r = 0; r <= g.rows; ++r)
        for (int c = 0; c <= g.columns; ++c) {
            MeshVertex v = {{g.x(c), g.y(r), g.z(c, r)}, {0, 0, -1}, {g.x(c), 1 - g.y(r)}, {0, 1, 0}, {1, 0, 0}};
            std::fwrite(&v, sizeof v, 1, f);
        }
    // One strip per row of quads.
    for (int r = 0; r < g.rows; ++r) {
        int32_t group[2] = {1, 2 * (g.columns + 1)};
        std::fwrite(group, 4, 2, f);
        for (int c = 0; c <= g.columns; ++c) {
            uint16_t pair[2] = {static_cast<uint16_t>(g.vertex(c, r + 1)), static_cast<uint16_t>(g.vertex(c, r))};
            std::fwrite(pair, 2, 2, f);
        }
    }
    std::fclose(f);
}

void writeX(const Grid& g, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    int vertices = (g.columns + 1) * (g.rows + 1);
    std::fprintf(f, "xof 0303txt 0032\nMesh Grid {\n%d;\n", vertices);
    for (int r = 0; r <= g.rows; ++r)
        for (int c = 0; c <= g.columns; ++c)
            std::fprintf(f, "%f;%f;%f;%s\n", g.x(c), g.y(r), g.z(c, r), r == g.rows && c == g.columns ? ";" : ",");
    std::fprintf(f, "%d;\n", g.rows * g.columns * 2);
    for (int r = 0; r < g.rows; ++r)
        for (int c = 0; c < g.columns; ++c) {
            bool last = r == g.rows - 1 && c == g.columns - 1;
            std::fprintf(f, "3;%d,%d,%d;,\n3;%d,%d,%d;%s\n", g.vertex(c, r), g.vertex(c, r + 1),
                         g.vertex(c + 1, r + 1), g.vertex(c, r), g.vertex(c + 1, r + 1), g.vertex(c + 1, r),
                         last ? ";" : ",");
        }
    std::fprintf(f, "MeshTextureCoords {\n%d;\n", vertices);
    for (int r = 0; r <= g.rows; ++r)
        for (int c = 0; c <= g.columns; ++c)
            std::fprintf(f, "%f;%f;%s\n", g.x(c), 1 - g.y(r), r == g.rows && c == g.columns ? ";" : ",");
    std::fprintf(f, "}\nMeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 10; 1;1;1;; 0;0;0;; } }\n}\n");
    std::fclose(f);
}

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

int runOne(const std::string& format, const std::string& folder) {
    std::string path = folder + "/grid." + format;
    long rssBefore = statusKiB("VmRSS");
    Mesh* mesh = new Mesh;
    auto log = std::make_shared<ZarnRecordingLog>();
    auto* device = new ZarnRecordingDevice(nullptr, D3DPRESENT_PARAMETERS{}, ZarnRecordingHalCaps(), log);
    auto start = std::chrono::steady_clock::now();
    bool ok = format == "obj" ? mesh->loadObj(path.c_str())
              : format == "x" ? mesh->loadX(path.c_str(), device)
                              : mesh->loadStrip(path.c_str());
    double loadMs = msSince(start);
    long rssLoaded = statusKiB("VmRSS");

    start = std::chrono::steady_clock::now();
    HRESULT hr = mesh->createDeviceObjects(device);
    double buildMs = msSince(start);
    long rssBuilt = statusKiB("VmRSS");
    std::fprintf(stderr, "%-5s file %8.1f KiB  load %s %8.1f ms  +%6ld KiB   buffers %s %8.1f ms  +%6ld KiB"
                         "   peak RSS %ld KiB\n",
                 format.c_str(), std::filesystem::file_size(path) / 1024.0, ok ? "ok  " : "FAIL", loadMs,
                 rssLoaded - rssBefore, SUCCEEDED(hr) ? "ok  " : "FAIL", buildMs, rssBuilt - rssLoaded,
                 statusKiB("VmHWM"));
    mesh->releaseDeviceObjects();
    delete mesh;
    device->Release();
    return ok && SUCCEEDED(hr) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--one") {
        std::FILE* quiet = std::freopen("/dev/null", "w", stdout);  // the .obj reader's progress line
        (void)quiet;
        return runOne(argv[2], argv[3]);
    }
    int triangles = argc > 1 ? std::atoi(argv[1]) : 50000;
    std::string folder = argc > 2 ? argv[2] : (std::filesystem::temp_directory_path() / "zarn-meshbench").string();
    std::filesystem::create_directories(folder);
    // A grid of 125 x 200 quads is exactly 50,000 triangles.
    int columns = 125;
    int rows = std::max(1, triangles / (2 * columns));
    Grid grid{columns, rows};
    writeObj(grid, folder + "/grid.obj");
    writeStrip(grid, folder + "/grid.strip");
    writeX(grid, folder + "/grid.x");
    std::fprintf(stderr, "%d triangles, %d vertices in %s\n", 2 * rows * columns, (rows + 1) * (columns + 1),
                 folder.c_str());
    int failures = 0;
    for (const char* format : {"obj", "strip", "x"}) {
        std::string command = std::string("\"") + argv[0] + "\" --one " + format + " \"" + folder + "\"";
        failures += std::system(command.c_str()) != 0;
    }
    return failures ? 1 : 0;
}
