// Feeds arbitrary bytes to the .x reader through the Mesh asset, then does what the first
// frame does with a loaded mesh (clone onto a recording device, adjacency, tangent frame)
// and draws it: no file may make D3DX read or write outside its arrays.
#include "assets/Mesh.h"
#include "shell/Diagnostics.h"

#include <ZarnRecordingDevice.h>

#include "FuzzInputFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = writeFuzzInput("input.x", data, size);

    Mesh mesh;
    auto log = std::make_shared<ZarnRecordingLog>();
    auto* device = new ZarnRecordingDevice(nullptr, D3DPRESENT_PARAMETERS{}, ZarnRecordingHalCaps(), log);
    if (!mesh.loadX(path, device)) {
        device->Release();
        return 0;
    }
    mesh.createDeviceObjects(device);
    mesh.draw(device);
    mesh.releaseDeviceObjects();
    device->Release();
    return 0;
}
