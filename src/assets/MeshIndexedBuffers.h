// The vertex and index buffers of a mesh drawn indexed from its distinct corners: the corners
// as given, and the indices 16 bits wide where every corner's number fits.
#pragma once

#include <d3d9.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// Releases a device object and forgets it; nothing for none.
template <typename T>
void releaseObject(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

// Creates and fills both buffers (static, default pool). On failure neither is left behind
// and E_FAIL is returned.
HRESULT createIndexedBuffers(IDirect3DDevice9* device, const void* corners, size_t cornerCount, size_t cornerSize,
                             const std::vector<uint32_t>& indices, IDirect3DVertexBuffer9** vertexBuffer,
                             IDirect3DIndexBuffer9** indexBuffer);
