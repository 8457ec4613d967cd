// The shadow pass drawing .obj meshes from their caster copy (shared corners, indexed) on the
// real GL back end: the frame must come out bit for bit as when the casters draw their full
// vertex buffers, with the box's shadow on the plane behind it.
#include "GLRenderFixture.h"

#include <cstdlib>
#include <string>

namespace {

// A plane of half-size 4 at z = 2 facing the camera, and a box of half-size 0.75 at the
// origin, each face clockwise seen from outside, corners shared between faces.
std::string planeAndBoxObj() {
    std::string s = "v -4 4 2\nv 4 4 2\nv 4 -4 2\nv -4 -4 2\nf 1 2 3\nf 1 3 4\n";
    const float corners[8][3] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0},
                                 {0, 0, 1}, {0, 1, 1}, {1, 1, 1}, {1, 0, 1}};
    const int quads[6][4] = {{0, 1, 2, 3}, {7, 6, 5, 4}, {4, 5, 1, 0}, {3, 2, 6, 7}, {4, 0, 3, 7}, {1, 5, 6, 2}};
    char line[128];
    for (const auto& c : corners) {
        std::snprintf(line, sizeof line, "v %g %g %g\n", (c[0] - 0.5f) * 1.5f, (c[1] - 0.5f) * 1.5f,
                      (c[2] - 0.5f) * 1.5f);
        s += line;
    }
    for (const auto& q : quads) {
        std::snprintf(line, sizeof line, "f %d %d %d\nf %d %d %d\n", q[0] + 5, q[1] + 5, q[2] + 5, q[0] + 5,
                      q[2] + 5, q[3] + 5);
        s += line;
    }
    return s;
}

class ShadowCasterCopy : public GLRenderFixture {
protected:
    void TearDown() override {
        mesh.releaseDeviceObjects();
        GLRenderFixture::TearDown();
    }

    Picture frame(bool fromCasterCopy) {
        screenFX.redirectFrame();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        beginShadowPass(device, 0.56099874f, 1.3f, 5.0f, 25.0f, D3DXVECTOR3(-4, 5, -12), D3DXVECTOR3(-0.6f, 0.3f, 0));
        device->SetTransform(D3DTS_WORLD, &identity);
        material.bindShadowEffect(device);
        if (fromCasterCopy)
            mesh.drawShadowCaster(device);
        else
            mesh.draw(device);
        material.endShadowDraw();
        endShadowPass(device);

        device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        setEyePosition(0, 0, -10, 1);
        setCamera();
        device->SetTransform(D3DTS_WORLD, &identity);
        ID3DXEffect* effect = nullptr;
        if (material.bindEffect(&effect, device) && effect) {
            UINT passes = 0;
            effect->Begin(&passes, 0);
            effect->BeginPass(passes - 1);
            mesh.draw(device);
            effect->EndPass();
            effect->End();
        } else {
            ADD_FAILURE() << "the material fell back to fixed function";
        }
        device->EndScene();
        screenFX.applyEffects();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        return presented();
    }

    Mesh mesh;
};

}  // namespace

TEST_F(ShadowCasterCopy, CastsExactlyTheShadowOfTheFullVertices) {
    ASSERT_TRUE(open(160, 120));
    saverState.settings.EnableFilters = false;
    saverState.settings.EnableShadows = true;
    makeMaterial();
    std::string path = dir.write("scene.obj", planeAndBoxObj());
    ASSERT_TRUE(mesh.loadObj(path.c_str()));
    ASSERT_EQ(mesh.createDeviceObjects(device), S_OK);
    ASSERT_NE(mesh.casterIndexBuffer, nullptr);
    EXPECT_EQ(mesh.casterCornerCount, 12u);
    ASSERT_TRUE(initShadowMaps(device));
    selectShadowMap(true);

    Picture full = frame(false);
    Picture copy = frame(true);
    ASSERT_EQ(full.pixels.size(), copy.pixels.size());
    int differing = 0;
    for (size_t i = 0; i < full.pixels.size(); ++i) differing += full.pixels[i] != copy.pixels[i];
    EXPECT_EQ(differing, 0);

    // Not two frames without a shadow: the box darkens the plane below and to its right.
    const D3DXVECTOR3 shadowed{1.2f, -1.2f, 2.0f}, lit{1.2f, -2.9f, 2.0f};
    EXPECT_GT(brightnessAt(copy, lit), 40.0);
    EXPECT_LT(brightnessAt(copy, shadowed), brightnessAt(copy, lit) * 0.6);
    if (HasFailure() || std::getenv("ZARN_SAVE_PICTURES")) {
        savePicture(full, "shadow_caster_full");
        savePicture(copy, "shadow_caster_copy");
    }
}
