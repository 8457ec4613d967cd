// Feeds arbitrary bytes to the .obj reader as a mesh file, then builds the buffers on a
// recording device, draws, picks and edits the texture coordinates: whatever the file
// holds, nothing may read or write outside the mesh's arrays and buffers.
#include "assets/Mesh.h"
#include "shell/Diagnostics.h"

#include <ZarnRecordingDevice.h>

#include "FuzzInputFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = writeFuzzInput("input.obj", data, size);

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
