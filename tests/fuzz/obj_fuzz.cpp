// Feeds arbitrary bytes to the .obj reader as a mesh file, then builds the buffers on a
// recording device, draws, picks and edits the texture coordinates: whatever the file
// holds, nothing may read or write outside the mesh's arrays and buffers.
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
        char dir[] = "/tmp/zarn-obj-fuzz-XXXXXX";
        if (!mkdtemp(dir) || chdir(dir) != 0) std::abort();
        closeLog();
        return std::string(dir) + "/input.obj";
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
    std::FILE* quiet = std::freopen("/dev/null", "w", stdout);
    (void)quiet;
    mesh.loadObj(path);
    mesh.applyTexTransform(0.5f, 0.25f, -1.0f, 1.0f);

    auto log = std::make_shared<ZarnRecordingLog>();
    auto* device = new ZarnRecordingDevice(nullptr, D3DPRESENT_PARAMETERS{}, ZarnRecordingHalCaps(), log);
    mesh.isStatic = false;
    mesh.createDeviceObjects(device);
    mesh.draw(device);
    D3DXVECTOR2 tex(0, 0);
    mesh.intersectRay(D3DXVECTOR3(0, 0, -10), D3DXVECTOR3(0.01f, 0.02f, 1), &tex);
    mesh.intersectRay(D3DXVECTOR3(0.5f, 0.5f, 0.5f), D3DXVECTOR3(0, -1, 0), &tex);
    mesh.customTexAnim(0.1f);
    mesh.transformTexCoords(1, 0.5f, 1, 0);
    mesh.releaseDeviceObjects();
    device->Release();
    return 0;
}
