// Vertex and index buffers. Uploads go through GL_COPY_WRITE_BUFFER so that they never
// disturb the array and element bindings the draw path has cached.
#include "d3d9/gl/GLDevice.h"
#include "d3d9/gl/GLResources.h"

GLBufferBase::GLBufferBase(GLDevice* d, UINT size, DWORD usage)
    : GLDeviceChild(d), usageFlags(usage), byteCount(size), keepCopy((usage & D3DUSAGE_DYNAMIC) != 0) {
    std::vector<uint8_t> zeros(size, 0);
    device->makeCurrent();
    glGenBuffers(1, &glName);
    glBindBuffer(GL_COPY_WRITE_BUFFER, glName);
    glBufferData(GL_COPY_WRITE_BUFFER, GLsizeiptr(size), zeros.data(),
                 (usage & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    if (keepCopy) bytes.swap(zeros);
}

GLBufferBase::~GLBufferBase() {
    if (device) device->forgetBuffer(this);
    releaseGL();
}

void GLBufferBase::releaseGL() {
    if (device && glName) {
        device->makeCurrent();
        device->state().forgetBuffer(glName);
        glDeleteBuffers(1, &glName);
    }
    glName = 0;
    detachFromDevice();
}

HRESULT GLBufferBase::lock(UINT offset, UINT size, void** data, DWORD flags) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = nullptr;
    if (!device || locked) return D3DERR_INVALIDCALL;
    const UINT total = byteCount;
    if (offset > total) return D3DERR_INVALIDCALL;
    if (size == 0) size = total - offset;
    if (size > total - offset) return D3DERR_INVALIDCALL;
    if (bytes.size() != total) {
        bytes.assign(total, 0);
        if (!onlyZeros) {
            // Locked again after an upload: bring the contents back and keep them.
            keepCopy = true;
            if (glName && device->makeCurrent()) {
                glBindBuffer(GL_COPY_READ_BUFFER, glName);
                glGetBufferSubData(GL_COPY_READ_BUFFER, 0, GLsizeiptr(total), bytes.data());
            }
        }
    }
    locked = true;
    lockOffset = offset;
    lockSize = size;
    lockDiscard = (flags & D3DLOCK_DISCARD) != 0;
    *data = bytes.data() + offset;
    return D3D_OK;
}

HRESULT GLBufferBase::unlock() {
    if (!device || !locked) return D3DERR_INVALIDCALL;
    locked = false;
    if (lockSize == 0) return D3D_OK;
    device->makeCurrent();
    glBindBuffer(GL_COPY_WRITE_BUFFER, glName);
    onlyZeros = false;
    if (lockDiscard || lockSize == bytes.size()) {
        // Fresh storage lets the driver keep drawing from the old one without a stall.
        glBufferData(GL_COPY_WRITE_BUFFER, GLsizeiptr(bytes.size()), bytes.data(),
                     (usageFlags & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    } else {
        glBufferSubData(GL_COPY_WRITE_BUFFER, GLintptr(lockOffset), GLsizeiptr(lockSize), bytes.data() + lockOffset);
    }
    if (!keepCopy) std::vector<uint8_t>().swap(bytes);
    return D3D_OK;
}

GLVertexBuffer::GLVertexBuffer(GLDevice* d, UINT size, DWORD usage, DWORD f, D3DPOOL p)
    : GLBufferBase(d, size, usage), fvf(f), pool(p) {}

ULONG GLVertexBuffer::AddRef() { return ++refs; }

ULONG GLVertexBuffer::Release() {
    const ULONG left = --refs;
    if (left == 0) delete this;
    return left;
}

HRESULT GLVertexBuffer::GetDevice(IDirect3DDevice9** ppDevice) {
    if (!ppDevice || !device) return D3DERR_INVALIDCALL;
    device->AddRef();
    *ppDevice = device;
    return D3D_OK;
}

HRESULT GLVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* pDesc) {
    if (!pDesc) return D3DERR_INVALIDCALL;
    pDesc->Format = D3DFMT_VERTEXDATA;
    pDesc->Type = D3DRTYPE_VERTEXBUFFER;
    pDesc->Usage = usageFlags;
    pDesc->Pool = pool;
    pDesc->Size = size();
    pDesc->FVF = fvf;
    return D3D_OK;
}

GLIndexBuffer::GLIndexBuffer(GLDevice* d, UINT size, DWORD usage, D3DFORMAT format, D3DPOOL p)
    : GLBufferBase(d, size, usage), fmt(format), pool(p) {}

ULONG GLIndexBuffer::AddRef() { return ++refs; }

ULONG GLIndexBuffer::Release() {
    const ULONG left = --refs;
    if (left == 0) delete this;
    return left;
}

HRESULT GLIndexBuffer::GetDevice(IDirect3DDevice9** ppDevice) {
    if (!ppDevice || !device) return D3DERR_INVALIDCALL;
    device->AddRef();
    *ppDevice = device;
    return D3D_OK;
}

HRESULT GLIndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* pDesc) {
    if (!pDesc) return D3DERR_INVALIDCALL;
    pDesc->Format = fmt;
    pDesc->Type = D3DRTYPE_INDEXBUFFER;
    pDesc->Usage = usageFlags;
    pDesc->Pool = pool;
    pDesc->Size = size();
    return D3D_OK;
}
