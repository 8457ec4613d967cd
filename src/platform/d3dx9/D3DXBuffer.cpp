// ID3DXBuffer: a reference-counted block of bytes (compile logs, material lists).
#include <d3dx9.h>

#include <cstdlib>
#include <new>

namespace {

class Buffer final : public ID3DXBuffer {
public:
    explicit Buffer(DWORD size) : bytes(size ? std::calloc(size, 1) : nullptr), size(size) {}
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override {
        ULONG left = --refs;
        if (left == 0) delete this;
        return left;
    }
    void* GetBufferPointer() override { return bytes; }
    DWORD GetBufferSize() override { return size; }
    bool valid() const { return bytes || size == 0; }

private:
    ~Buffer() override { std::free(bytes); }
    void* bytes;
    DWORD size;
    ULONG refs = 1;
};

}  // namespace

HRESULT D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer) {
    if (!ppBuffer) return D3DERR_INVALIDCALL;
    *ppBuffer = nullptr;
    auto* buffer = new (std::nothrow) Buffer(NumBytes);
    if (!buffer || !buffer->valid()) {
        if (buffer) buffer->Release();
        return E_OUTOFMEMORY;
    }
    *ppBuffer = buffer;
    return S_OK;
}
