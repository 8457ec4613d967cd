// The DirectX .x reader. D3DX reads a .x file only with a device, and the saver's library is
// parsed before the device exists: the library names the file (deferX) and createDeviceObjects
// loads it with its device, then clones it into the drawn layout.
#include "assets/Mesh.h"

#include "shell/Diagnostics.h"

bool Mesh::loadX(const char* fileName, IDirect3DDevice9* device) {
    clearData();
    ID3DXBuffer* materials = nullptr;
    DWORD materialCount = 0;
    ID3DXMesh* loaded = nullptr;
    HRESULT hr =
        D3DXLoadMeshFromXA(fileName, D3DXMESH_SYSTEMMEM, device, nullptr, &materials, nullptr, &materialCount, &loaded);
    if (FAILED(hr) || !loaded) {
        if (hr == E_NOTIMPL)
            debugPrintf("DirectX mesh %s is a binary or compressed .x file, which is not supported\n", fileName);
        else if (hr == D3DXERR_INVALIDDATA)
            debugPrintf("DirectX mesh %s is malformed\n", fileName);
        debugPrintf("Error while loading %s\n", fileName);
        if (materials) materials->Release();
        return false;
    }
    xMesh = loaded;
    xMaterialCount = materialCount;
    if (xMaterialCount != 1) debugPrintf("Warning: DirectX mesh %s contains more than 1 material\n", fileName);
    if (materials) materials->Release();
    return true;
}

void Mesh::deferX(const char* fileName) {
    clearData();
    deferredXFile = fileName;
}
