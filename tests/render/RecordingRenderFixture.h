// A fixture for the rendering unit tests: a fresh working folder holding the saver's effect
// files (or test-made ones), a recording device whose presentation parameters are also the
// saver's, and a teardown that returns every process-wide rendering object to its start state
// and checks that nothing the test made outlives it.
#pragma once

#include "assets/Mesh.h"
#include "render/ScreenFX.h"
#include "render/ShadowMapping.h"
#include "shell/Diagnostics.h"
#include "shell/SaverState.h"
#include "support/TempDir.h"

#include <ZarnRecordingDevice.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

class RecordingRenderFixture : public ::testing::Test {
protected:
    void TearDown() override {
        releaseShadowMaps();
        if (Mesh::screenQuadDecl) {
            Mesh::screenQuadDecl->Release();
            Mesh::screenQuadDecl = nullptr;
        }
        if (device) device->Release();
        device = nullptr;
        saverState.presentParams = {};
        saverState.settings = SaverSettings();
        closeLog();
        EXPECT_EQ(ZarnRecordingLiveObjects(), 0) << "a device object outlived its test";
    }

    void makeDevice(UINT width, UINT height, D3DMULTISAMPLE_TYPE multiSample = D3DMULTISAMPLE_NONE,
                    ZarnRecordingScript script = {}) {
        D3DPRESENT_PARAMETERS pp = {};
        pp.BackBufferWidth = width;
        pp.BackBufferHeight = height;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.MultiSampleType = multiSample;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        saverState.presentParams = pp;
        device = new ZarnRecordingDevice(nullptr, pp, ZarnRecordingHalCaps(), nullptr, std::move(script));
        const D3DVERTEXELEMENT9 quad[] = {{0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
                                          {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
                                          D3DDECL_END()};
        device->CreateVertexDeclaration(quad, &Mesh::screenQuadDecl);
    }

    // The saver's own effect files, as the build ships them.
    void copySaverEffects() {
        namespace fs = std::filesystem;
        fs::path source = fs::path(ZARN_SOURCE_DIR) / "data" / "effects";
        for (const auto& entry : fs::directory_iterator(source)) {
            if (entry.path().extension() != ".fxo") continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream text;
            text << in.rdbuf();
            dir.write("data/effects/" + entry.path().filename().string(), text.str());
        }
    }

    void removeFile(const std::string& relativePath) { std::filesystem::remove(dir.path() + "/" + relativePath); }

    // What logPrintf and debugPrintf wrote so far.
    std::string logText() {
        closeLog();
        return dir.read("screensaver_log.txt");
    }

    ZarnRecordingLog& calls() { return device->log(); }
    static std::string name(IUnknown* object) { return ZarnRecordingDevice::nameOf(object); }

    TempDir dir;
    ZarnRecordingDevice* device = nullptr;
};

// A one-pass effect file with the given parameters (one "type name" per line) and optional
// technique requirement; the shaders are placeholders, which the recording device accepts.
inline std::string testEffect(const std::string& params, const std::string& requirement = "", int passes = 1) {
    std::string text = params + "technique T\n";
    if (!requirement.empty()) text += "requires " + requirement + "\n";
    for (int i = 0; i < passes; ++i) {
        text += "pass P" + std::to_string(i) + "\n";
        text += "glsl vertex\nvoid main() { gl_Position = vec4(0.0); }\nendglsl\n";
        text += "glsl fragment\nout vec4 c;\n// pass " + std::to_string(i) + "\nvoid main() { c = vec4(1.0); }\nendglsl\n";
    }
    return text;
}
