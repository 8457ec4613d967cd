// Feeds arbitrary bytes to the .x reader through the Mesh asset, then does what the first
// frame does with a loaded mesh (clone onto a recording device, adjacency, tangent frame)
// and draws it: no file may make D3DX read or write outside its arrays.
#include "assets/Mesh.h"
#include "shell/Diagnostics.h"

#include <ZarnRecordingDevice.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace {

const char* inputFile() {
    static const std::string path = [] {
        char dir[] = "/tmp/zarn-xfile-fuzz-XXXXXX";
        if (!mkdtemp(dir) || chdir(dir) != 0) std::abort();
        closeLog();
        return std::string(dir) + "/input.x";
    }();
    return path.c_str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = inputFile();
    FILE* file = std::fopen(path, "wb");
    if (!file) std::abort();
    if (size && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);

    Mesh mesh;
    if (!mesh.loadX(path)) return 0;
    auto log = std::make_shared<ZarnRecordingLog>();
    auto* device = new ZarnRecordingDevice(nullptr, D3DPRESENT_PARAMETERS{}, ZarnRecordingHalCaps(), log);
    mesh.createDeviceObjects(device);
    mesh.draw(device);
    mesh.releaseDeviceObjects();
    device->Release();
    return 0;
}
