// The binary .strip reader: ready-made 56-byte vertices and 16-bit triangle list, strip or
// fan groups. Every count is checked against the bytes left in the file before anything
// is allocated, and every index against the vertex count, so a damaged file is rejected
// (leaving an empty mesh) instead of being read past its end or drawn out of bounds.
#include "assets/Mesh.h"

#include "shell/Diagnostics.h"

#include <cstdio>
#include <vector>

namespace {

// Little-endian reads from a byte range that refuse to run past its end.
class StripBytes {
public:
    StripBytes(const unsigned char* bytes, size_t size) : data(bytes), left(size) {}

    bool int32(int32_t& out) {
        if (left < 4) return false;
        uint32_t v = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24;
        out = static_cast<int32_t>(v);
        advance(4);
        return true;
    }
    bool uint16(uint16_t& out) {
        if (left < 2) return false;
        out = static_cast<uint16_t>(data[0] | data[1] << 8);
        advance(2);
        return true;
    }
    bool float32(float& out) {
        int32_t bits;
        if (!int32(bits)) return false;
        std::memcpy(&out, &bits, 4);
        return true;
    }
    size_t remaining() const { return left; }

private:
    void advance(size_t n) {
        data += n;
        left -= n;
    }
    const unsigned char* data;
    size_t left;
};

}  // namespace

bool Mesh::loadStrip(const char* fileName) {
    std::FILE* file = std::fopen(fileName, "rb");
    if (!file) {
        debugPrintf("Error opening \"%s\"\n", fileName);
        return false;
    }
    clearData();
    std::vector<unsigned char> bytes;
    unsigned char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    bool readOk = !std::ferror(file);
    std::fclose(file);

    auto reject = [&](const char* why) {
        debugPrintf("Error in .strip file %s: %s\n", fileName, why);
        clearData();
        return false;
    };
    if (!readOk) return reject("the file could not be read");

    StripBytes in(bytes.data(), bytes.size());
    int32_t vertexCount, groupCount;
    if (!in.int32(vertexCount) || !in.int32(groupCount)) return reject("the file ends inside its header");
    // 16-bit indices reach 65536 vertices at most.
    if (vertexCount < 0 || vertexCount > 65536) return reject("vertex count out of range");
    if (static_cast<uint64_t>(vertexCount) * sizeof(MeshVertex) > in.remaining())
        return reject("the file ends inside its vertices");

    auto vertices = std::unique_ptr<MeshVertex[]>(new (std::nothrow) MeshVertex[vertexCount]);
    if (!vertices) return reject("out of memory");
    for (int32_t v = 0; v < vertexCount; ++v) {
        float f[14];
        for (float& x : f) in.float32(x);
        std::memcpy(&vertices[v], f, sizeof f);
    }

    // Each group needs at least its type and count: 8 bytes.
    if (groupCount < 0 || static_cast<uint64_t>(groupCount) * 8 > in.remaining())
        return reject("group count out of range");
    auto groups = std::unique_ptr<MeshPrimGroup[]>(new (std::nothrow) MeshPrimGroup[groupCount]);
    if (!groups) return reject("out of memory");
    for (int32_t g = 0; g < groupCount; ++g) {
        int32_t type, indexCount;
        if (!in.int32(type) || !in.int32(indexCount)) return reject("the file ends inside a group header");
        groups[g].type = type == 0 ? D3DPT_TRIANGLELIST : type == 2 ? D3DPT_TRIANGLEFAN : D3DPT_TRIANGLESTRIP;
        if (indexCount < 0 || static_cast<uint64_t>(indexCount) * 2 > in.remaining())
            return reject("the file ends inside a group's indices");
        groups[g].indexCount = indexCount;
        groups[g].indices.reset(new (std::nothrow) uint16_t[indexCount]);
        if (!groups[g].indices) return reject("out of memory");
        for (int32_t i = 0; i < indexCount; ++i) {
            in.uint16(groups[g].indices[i]);
            if (groups[g].indices[i] >= vertexCount) return reject("a group index is beyond the vertex count");
        }
    }

    stripVertexCount = vertexCount;
    stripVertices = std::move(vertices);
    primGroupCount = groupCount;
    primGroups = std::move(groups);
    return true;
}
