// Helpers shared by the mesh tests: a recording device of their own, and .strip bytes.
#pragma once

#include "assets/Mesh.h"

#include <ZarnRecordingDevice.h>

#include <cstring>
#include <string>
#include <vector>

class MeshTestDevice {
public:
    MeshTestDevice()
        : log(std::make_shared<ZarnRecordingLog>()),
          device(new ZarnRecordingDevice(nullptr, D3DPRESENT_PARAMETERS{}, ZarnRecordingHalCaps(), log)) {}
    ~MeshTestDevice() { device->Release(); }
    MeshTestDevice(const MeshTestDevice&) = delete;
    MeshTestDevice& operator=(const MeshTestDevice&) = delete;

    std::shared_ptr<ZarnRecordingLog> log;
    ZarnRecordingDevice* device;
};

// The vertices an .obj or strip mesh wrote into its vertex buffer.
inline std::vector<MeshVertex> meshBufferVertices(IDirect3DVertexBuffer9* buffer) {
    std::vector<MeshVertex> out;
    D3DVERTEXBUFFER_DESC desc{};
    void* bytes = nullptr;
    if (!buffer || FAILED(buffer->GetDesc(&desc)) || FAILED(buffer->Lock(0, 0, &bytes, 0))) return out;
    out.resize(desc.Size / sizeof(MeshVertex));
    std::memcpy(out.data(), bytes, out.size() * sizeof(MeshVertex));
    buffer->Unlock();
    return out;
}

class StripBuilder {
public:
    StripBuilder& header(int32_t vertices, int32_t groups) {
        put(vertices);
        put(groups);
        return *this;
    }
    StripBuilder& vertex(float x, float y, float z, float u = 0, float v = 0) {
        float f[14] = {x, y, z, 0, 0, -1, u, v, 0, 1, 0, 1, 0, 0};
        for (float value : f) put(value);
        return *this;
    }
    StripBuilder& group(int32_t type, std::vector<uint16_t> indices) {
        put(type);
        put(static_cast<int32_t>(indices.size()));
        for (uint16_t i : indices) bytes.append(reinterpret_cast<const char*>(&i), 2);
        return *this;
    }
    template <typename T>
    StripBuilder& put(T value) {
        bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
        return *this;
    }
    std::string bytes;
};
