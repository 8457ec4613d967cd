// Vertex and index buffers let their copy in memory go after the first upload; a later lock
// must still see exactly what GL holds, and edits after it must reach GL.
#include "GLTestDevice.h"

#include "d3d9/gl/GLResources.h"

#include <cstring>

namespace {

std::vector<uint8_t> pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = uint8_t(seed + i * 7);
    return bytes;
}

std::vector<uint8_t> contents(IDirect3DVertexBuffer9* buffer, UINT size) {
    void* data = nullptr;
    std::vector<uint8_t> out;
    if (FAILED(buffer->Lock(0, 0, &data, 0)) || !data) return out;
    out.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    buffer->Unlock();
    return out;
}

}  // namespace

TEST_F(GLDeviceTest, ABufferWrittenOnceKeepsNoCopyYetALaterLockSeesItsContents) {
    ASSERT_TRUE(open(8, 8));
    const UINT size = 96;
    IDirect3DVertexBuffer9* buffer = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateVertexBuffer(size, 0, 0, D3DPOOL_DEFAULT, &buffer, nullptr));
    owned.push_back(buffer);
    auto* gl = static_cast<GLVertexBuffer*>(buffer);
    EXPECT_FALSE(gl->holdsCopy());
    EXPECT_EQ(contents(buffer, size), std::vector<uint8_t>(size, 0)) << "a buffer never written reads as zeros";

    IDirect3DVertexBuffer9* once = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateVertexBuffer(size, 0, 0, D3DPOOL_DEFAULT, &once, nullptr));
    owned.push_back(once);
    void* data = nullptr;
    ASSERT_EQ(D3D_OK, once->Lock(0, 0, &data, 0));
    const std::vector<uint8_t> first = pattern(size, 3);
    std::memcpy(data, first.data(), size);
    ASSERT_EQ(D3D_OK, once->Unlock());
    auto* onceGL = static_cast<GLVertexBuffer*>(once);
    EXPECT_FALSE(onceGL->holdsCopy()) << "written once: the copy goes";

    // Locked again: the contents come back from GL, a part is edited, the edit reaches GL.
    ASSERT_EQ(D3D_OK, once->Lock(16, 32, &data, 0));
    EXPECT_EQ(0, std::memcmp(data, first.data() + 16, 32));
    std::memset(data, 0xAB, 32);
    ASSERT_EQ(D3D_OK, once->Unlock());
    EXPECT_TRUE(onceGL->holdsCopy()) << "locked twice: the copy stays for the next edit";
    std::vector<uint8_t> edited = first;
    std::memset(edited.data() + 16, 0xAB, 32);
    EXPECT_EQ(contents(once, size), edited);

    IDirect3DVertexBuffer9* dynamic = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateVertexBuffer(size, D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, &dynamic, nullptr));
    owned.push_back(dynamic);
    ASSERT_EQ(D3D_OK, dynamic->Lock(0, 0, &data, D3DLOCK_DISCARD));
    std::memcpy(data, first.data(), size);
    ASSERT_EQ(D3D_OK, dynamic->Unlock());
    EXPECT_TRUE(static_cast<GLVertexBuffer*>(dynamic)->holdsCopy());
    EXPECT_EQ(contents(dynamic, size), first);
}
