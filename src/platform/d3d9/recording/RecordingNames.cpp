// Spelling of Direct3D values in the recording log (see ZarnRecordingDevice.h).
#include "d3d9/recording/RecordingNames.h"

#include <cstdio>

namespace recording {

namespace {

struct Named {
    DWORD value;
    const char* name;
};

template <size_t N>
std::string lookup(const Named (&table)[N], DWORD value) {
    for (const Named& entry : table)
        if (entry.value == value) return entry.name;
    return std::to_string(value);
}

#define ZARN_NAMED(x) {(DWORD)(x), #x}

const Named formats[] = {
    ZARN_NAMED(D3DFMT_UNKNOWN),      ZARN_NAMED(D3DFMT_R8G8B8),         ZARN_NAMED(D3DFMT_A8R8G8B8),
    ZARN_NAMED(D3DFMT_X8R8G8B8),     ZARN_NAMED(D3DFMT_R5G6B5),         ZARN_NAMED(D3DFMT_X1R5G5B5),
    ZARN_NAMED(D3DFMT_A1R5G5B5),     ZARN_NAMED(D3DFMT_A4R4G4B4),       ZARN_NAMED(D3DFMT_R3G3B2),
    ZARN_NAMED(D3DFMT_A8),           ZARN_NAMED(D3DFMT_A8R3G3B2),       ZARN_NAMED(D3DFMT_X4R4G4B4),
    ZARN_NAMED(D3DFMT_A2B10G10R10),  ZARN_NAMED(D3DFMT_A8B8G8R8),       ZARN_NAMED(D3DFMT_X8B8G8R8),
    ZARN_NAMED(D3DFMT_G16R16),       ZARN_NAMED(D3DFMT_A2R10G10B10),    ZARN_NAMED(D3DFMT_A16B16G16R16),
    ZARN_NAMED(D3DFMT_D16_LOCKABLE), ZARN_NAMED(D3DFMT_D32),            ZARN_NAMED(D3DFMT_D15S1),
    ZARN_NAMED(D3DFMT_D24S8),        ZARN_NAMED(D3DFMT_D24X8),          ZARN_NAMED(D3DFMT_D24X4S4),
    ZARN_NAMED(D3DFMT_D16),          ZARN_NAMED(D3DFMT_D32F_LOCKABLE),  ZARN_NAMED(D3DFMT_D24FS8),
    ZARN_NAMED(D3DFMT_VERTEXDATA),   ZARN_NAMED(D3DFMT_INDEX16),        ZARN_NAMED(D3DFMT_INDEX32),
    ZARN_NAMED(D3DFMT_R16F),         ZARN_NAMED(D3DFMT_G16R16F),        ZARN_NAMED(D3DFMT_A16B16G16R16F),
    ZARN_NAMED(D3DFMT_R32F),
};

const Named pools[] = {ZARN_NAMED(D3DPOOL_DEFAULT), ZARN_NAMED(D3DPOOL_MANAGED), ZARN_NAMED(D3DPOOL_SYSTEMMEM),
                       ZARN_NAMED(D3DPOOL_SCRATCH)};

const Named renderStates[] = {
    ZARN_NAMED(D3DRS_ZENABLE),          ZARN_NAMED(D3DRS_FILLMODE),         ZARN_NAMED(D3DRS_SHADEMODE),
    ZARN_NAMED(D3DRS_ZWRITEENABLE),     ZARN_NAMED(D3DRS_ALPHATESTENABLE),  ZARN_NAMED(D3DRS_LASTPIXEL),
    ZARN_NAMED(D3DRS_SRCBLEND),         ZARN_NAMED(D3DRS_DESTBLEND),        ZARN_NAMED(D3DRS_CULLMODE),
    ZARN_NAMED(D3DRS_ZFUNC),            ZARN_NAMED(D3DRS_ALPHAREF),         ZARN_NAMED(D3DRS_ALPHAFUNC),
    ZARN_NAMED(D3DRS_DITHERENABLE),     ZARN_NAMED(D3DRS_ALPHABLENDENABLE), ZARN_NAMED(D3DRS_FOGENABLE),
    ZARN_NAMED(D3DRS_SPECULARENABLE),   ZARN_NAMED(D3DRS_LIGHTING),         ZARN_NAMED(D3DRS_AMBIENT),
    ZARN_NAMED(D3DRS_NORMALIZENORMALS), ZARN_NAMED(D3DRS_COLORWRITEENABLE),
};

const Named samplerStates[] = {
    ZARN_NAMED(D3DSAMP_ADDRESSU),  ZARN_NAMED(D3DSAMP_ADDRESSV),  ZARN_NAMED(D3DSAMP_ADDRESSW),
    ZARN_NAMED(D3DSAMP_BORDERCOLOR), ZARN_NAMED(D3DSAMP_MAGFILTER), ZARN_NAMED(D3DSAMP_MINFILTER),
    ZARN_NAMED(D3DSAMP_MIPFILTER),
};

const Named stageStates[] = {ZARN_NAMED(D3DTSS_COLOROP), ZARN_NAMED(D3DTSS_TEXTURETRANSFORMFLAGS)};

const Named transforms[] = {ZARN_NAMED(D3DTS_VIEW), ZARN_NAMED(D3DTS_PROJECTION), ZARN_NAMED(D3DTS_TEXTURE0),
                            ZARN_NAMED(D3DTS_TEXTURE1), {256, "D3DTS_WORLD"}};

const Named primitives[] = {ZARN_NAMED(D3DPT_POINTLIST),     ZARN_NAMED(D3DPT_LINELIST),
                            ZARN_NAMED(D3DPT_LINESTRIP),     ZARN_NAMED(D3DPT_TRIANGLELIST),
                            ZARN_NAMED(D3DPT_TRIANGLESTRIP), ZARN_NAMED(D3DPT_TRIANGLEFAN)};

const Named multiSamples[] = {ZARN_NAMED(D3DMULTISAMPLE_NONE), ZARN_NAMED(D3DMULTISAMPLE_NONMASKABLE),
                              ZARN_NAMED(D3DMULTISAMPLE_2_SAMPLES), ZARN_NAMED(D3DMULTISAMPLE_3_SAMPLES),
                              ZARN_NAMED(D3DMULTISAMPLE_4_SAMPLES), ZARN_NAMED(D3DMULTISAMPLE_8_SAMPLES)};

const Named deviceTypes[] = {ZARN_NAMED(D3DDEVTYPE_HAL), ZARN_NAMED(D3DDEVTYPE_REF), ZARN_NAMED(D3DDEVTYPE_SW),
                             ZARN_NAMED(D3DDEVTYPE_NULLREF)};

const Named cubeFaces[] = {ZARN_NAMED(D3DCUBEMAP_FACE_POSITIVE_X), ZARN_NAMED(D3DCUBEMAP_FACE_NEGATIVE_X),
                           ZARN_NAMED(D3DCUBEMAP_FACE_POSITIVE_Y), ZARN_NAMED(D3DCUBEMAP_FACE_NEGATIVE_Y),
                           ZARN_NAMED(D3DCUBEMAP_FACE_POSITIVE_Z), ZARN_NAMED(D3DCUBEMAP_FACE_NEGATIVE_Z)};

const Named filters[] = {ZARN_NAMED(D3DTEXF_NONE), ZARN_NAMED(D3DTEXF_POINT), ZARN_NAMED(D3DTEXF_LINEAR),
                         ZARN_NAMED(D3DTEXF_ANISOTROPIC)};

#undef ZARN_NAMED

}  // namespace

std::string formatName(D3DFORMAT format) { return lookup(formats, format); }
std::string poolName(D3DPOOL pool) { return lookup(pools, pool); }
std::string renderStateName(D3DRENDERSTATETYPE state) { return lookup(renderStates, state); }
std::string samplerStateName(D3DSAMPLERSTATETYPE type) { return lookup(samplerStates, type); }
std::string stageStateName(D3DTEXTURESTAGESTATETYPE type) { return lookup(stageStates, type); }
std::string primitiveName(D3DPRIMITIVETYPE type) { return lookup(primitives, type); }
std::string multiSampleName(D3DMULTISAMPLE_TYPE type) { return lookup(multiSamples, type); }
std::string deviceTypeName(D3DDEVTYPE type) { return lookup(deviceTypes, type); }
std::string cubeFaceName(D3DCUBEMAP_FACES face) { return lookup(cubeFaces, face); }
std::string filterName(D3DTEXTUREFILTERTYPE filter) { return lookup(filters, filter); }

std::string transformName(D3DTRANSFORMSTATETYPE state) {
    DWORD value = state;
    if (value > 256 && value < 512) return "D3DTS_WORLDMATRIX(" + std::to_string(value - 256) + ")";
    return lookup(transforms, value);
}

std::string hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

std::string num(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string floats(const float* values, int count) {
    if (!values) return "null";
    std::string text = "[";
    for (int i = 0; i < count; ++i) {
        if (i) text += ' ';
        text += num(values[i]);
    }
    return text + "]";
}

std::string rect(const RECT* r) {
    if (!r) return "null";
    return "{" + std::to_string(r->left) + " " + std::to_string(r->top) + " " + std::to_string(r->right) + " " +
           std::to_string(r->bottom) + "}";
}

std::string matrix(const D3DMATRIX* m) { return m ? floats(&m->m[0][0], 16) : "null"; }

std::string color(const D3DCOLORVALUE& c) { return floats(&c.r, 4); }

UINT bytesPerPixel(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8:
        case D3DFMT_R3G3B2:
            return 1;
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_A8R3G3B2:
        case D3DFMT_X4R4G4B4:
        case D3DFMT_D16:
        case D3DFMT_D16_LOCKABLE:
        case D3DFMT_D15S1:
        case D3DFMT_R16F:
        case D3DFMT_INDEX16:
            return 2;
        case D3DFMT_R8G8B8:
            return 3;
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_A2B10G10R10:
        case D3DFMT_A8B8G8R8:
        case D3DFMT_X8B8G8R8:
        case D3DFMT_G16R16:
        case D3DFMT_A2R10G10B10:
        case D3DFMT_D32:
        case D3DFMT_D24S8:
        case D3DFMT_D24X8:
        case D3DFMT_D24X4S4:
        case D3DFMT_D32F_LOCKABLE:
        case D3DFMT_D24FS8:
        case D3DFMT_G16R16F:
        case D3DFMT_R32F:
        case D3DFMT_INDEX32:
            return 4;
        case D3DFMT_A16B16G16R16:
        case D3DFMT_A16B16G16R16F:
            return 8;
        default:
            return 0;
    }
}

}  // namespace recording
