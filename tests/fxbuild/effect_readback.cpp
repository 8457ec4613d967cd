// zarn-effect-readback: loads every compiled effect with the real D3DX (under Wine), checks the
// handle and type of every parameter the saver looks up, draws with each one and compares the
// read-back pixels with what the Linux effects compute for the same inputs.
//   zarn-effect-readback <effects-folder>     prints one line per effect; exit 0 when all pass
#include "ReadbackDevice.h"
#include "ReadbackCases.h"
#include "ReadbackModel.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

// A full frame of 32 x 24 and its quarter.
const int kW = 32, kH = 24;

float copyCase(ReadbackDevice& d, ID3DXEffect* e) {
    Image source = model::pattern(kW, kH, 1);
    IDirect3DTexture9* tex = d.texture(source);
    IDirect3DTexture9* out = d.target(kW, kH, 0.0f);
    set(e, "texMain_Tex", tex);
    bool drawn = d.drawQuad(e, kW, kH);
    Image got = d.read(out);
    tex->Release();
    out->Release();
    return drawn ? maxError(got, source, 4) : -1.0f;
}

float downFilterCase(ReadbackDevice& d, ID3DXEffect* e) {
    Image source = model::pattern(kW, kH, 2);
    IDirect3DTexture9* tex = d.texture(source);
    IDirect3DTexture9* out = d.target(kW / 4, kH / 4, 0.0f);
    set(e, "texMain_Tex", tex);
    set(e, "texelSize", D3DXVECTOR4(1.0f / kW, 1.0f / kH, 0, 0));
    bool drawn = d.drawQuad(e, kW, kH);
    Image got = d.read(out);
    tex->Release();
    out->Release();
    return drawn ? maxError(got, model::downFilter(source)) : -1.0f;
}

float blurCase(ReadbackDevice& d, ID3DXEffect* e, bool horizontal) {
    Image source = model::pattern(kW / 4, kH / 4, 3);
    IDirect3DTexture9* tex = d.texture(source);
    IDirect3DTexture9* out = d.target(kW / 4, kH / 4, 0.0f);
    set(e, "texMain_Tex", tex);
    set(e, "texelSize", D3DXVECTOR4(4.0f / kW, 4.0f / kH, 0, 0));
    bool drawn = d.drawQuad(e, kW, kH);
    Image got = d.read(out);
    tex->Release();
    out->Release();
    return drawn ? maxError(got, model::blur(source, horizontal)) : -1.0f;
}

float combineCase(ReadbackDevice& d, ID3DXEffect* e) {
    Image sharp = model::pattern(kW, kH, 4);
    Image glow = model::pattern(kW / 4, kH / 4, 5);
    IDirect3DTexture9* sharpTex = d.texture(sharp);
    IDirect3DTexture9* glowTex = d.texture(glow);
    IDirect3DTexture9* out = d.target(kW, kH, 0.0f);
    set(e, "texMain_Tex", sharpTex);
    set(e, "texOverlay_Tex", glowTex);
    bool drawn = d.drawQuad(e, kW, kH);
    Image got = d.read(out);
    sharpTex->Release();
    glowTex->Release();
    out->Release();
    return drawn ? maxError(got, model::combine(sharp, glow)) : -1.0f;
}

std::vector<Case> cases() {
    auto pp = shapes({{"texMain_Tex", 't'}});
    auto filter = shapes({{"texMain_Tex", 't'}, {"texelSize", 'v'}});
    std::vector<Case> list = {
        {"PP_Copy", pp, copyCase},
        {"PP_DownFilter4", filter, downFilterCase},
        {"PP_BlurHorizontal", filter, [](ReadbackDevice& d, ID3DXEffect* e) { return blurCase(d, e, true); }},
        {"PP_BlurVertical", filter, [](ReadbackDevice& d, ID3DXEffect* e) { return blurCase(d, e, false); }},
        {"PP_Combine", shapes({{"texMain_Tex", 't'}, {"texOverlay_Tex", 't'}}), combineCase},
    };
    for (Case& c : meshCases()) list.push_back(c);
    return list;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: zarn-effect-readback <effects-folder>\n");
        return 2;
    }
    ReadbackDevice device;
    if (!device.create()) {
        std::printf("no Direct3D 9 device\n");
        return 1;
    }
    int failures = 0;
    for (const Case& c : cases()) {
        for (const char* suffix : {"", "Fallback"}) {
            std::string name = c.file + suffix;
            ID3DXEffect* effect = device.loadEffect(std::string(argv[1]) + "/" + name + ".fxo");
            D3DXHANDLE technique = nullptr;
            bool ok = effect && SUCCEEDED(effect->FindNextValidTechnique(nullptr, &technique)) && technique;
            ok = ok && parametersPresent(effect, c.parameters);
            float error = ok ? c.draw(device, effect) : -1.0f;
            // 8-bit inputs and bilinear weights leave a little over one step of 1/255.
            bool pass = ok && error >= 0.0f && error <= 2.5f / 255.0f;
            std::printf("%-36s %s  max error %.5f\n", name.c_str(), pass ? "ok  " : "FAIL", error);
            if (!pass) ++failures;
            if (effect) effect->Release();
        }
    }
    return failures ? 1 : 0;
}
