// Feeds arbitrary bytes to the .strip reader, then builds the buffers on a recording
// device, draws and picks: counts and indices from the file must never lead outside the
// arrays, the buffers or the vertex range the draw calls name.
#include "assets/Mesh.h"
#include "shell/Diagnostics.h"

#include <ZarnRecordingDevice.h>

#include "FuzzInputFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = writeFuzzInput("input.strip", data, size);

    Mesh mesh;
    if (mesh.loadStrip(path)) {
        // Everything the draw calls will name must lie inside what was read.
        for (int32_t g = 0; g < mesh.primGroupCount; ++g)
            for (int32_t i = 0; i < mesh.primGroups[g].indexCount; ++i)
                if (mesh.primGroups[g].indices[i] >= mesh.stripVertexCount) std::abort();
    }
    auto log = std::make_shared<ZarnRecordingLog>();
    auto* device = new ZarnRecordingDevice(nullptr, D3DPRESENT_PARAMETERS{}, ZarnRecordingHalCaps(), log);
    mesh.createDeviceObjects(device);
    mesh.draw(device);
    D3DXVECTOR2 tex(0, 0);
    mesh.intersectRay(D3DXVECTOR3(0, 0, -10), D3DXVECTOR3(0.01f, 0.02f, 1), &tex);
    mesh.intersectRay(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1), &tex);
    mesh.releaseDeviceObjects();
    device->Release();
    return 0;
}
