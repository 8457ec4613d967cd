// The shadow pass drawing .obj meshes from their caster copy (shared corners, indexed, a closed
// mesh without its faces turned from the light) on the real GL back end: the frame must come
// out bit for bit as when the casters draw their full vertex buffers, with the box's shadow on
// the plane behind it.
#include "GLRenderFixture.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A plane of half-size 4 at z = 2 facing the camera, and a box of half-size 0.75 at the
// origin, each face clockwise seen from outside, corners shared between faces.
std::string planeObj() { return "v -4 4 2\nv 4 4 2\nv 4 -4 2\nv -4 -4 2\nf 1 2 3\nf 1 3 4\n"; }

std::string planeAndBoxObj(bool withPlane = true) {
    std::string s = withPlane ? planeObj() : "";
    const int first = withPlane ? 5 : 1;
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
        std::snprintf(line, sizeof line, "f %d %d %d\nf %d %d %d\n", q[0] + first, q[1] + first, q[2] + first,
                      q[0] + first, q[2] + first, q[3] + first);
        s += line;
    }
    return s;
}

class ShadowCasterCopy : public GLRenderFixture {
protected:
    void TearDown() override {
        mesh.releaseDeviceObjects();
        plane.releaseDeviceObjects();
        box.releaseDeviceObjects();
        GLRenderFixture::TearDown();
    }

    struct Caster {
        Mesh* mesh;
        D3DXMATRIX world;
    };

    Picture frame(bool fromCasterCopy) {
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        return frame(fromCasterCopy, {{&mesh, identity}});
    }

    Picture frame(bool fromCasterCopy, const std::vector<Caster>& casters) {
        return renderFrame(
            casters.size(), true, [&](size_t part) { return casters[part].world; },
            [&](size_t part, bool shadowPass) {
                const Caster& caster = casters[part];
                if (shadowPass && fromCasterCopy)
                    caster.mesh->drawShadowCaster(device, &caster.world);
                else
                    caster.mesh->draw(device);
            });
    }

    Mesh mesh, plane, box;
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
    EXPECT_EQ(full.differingFrom(copy), 0);

    // Not two frames without a shadow: the box darkens the plane below and to its right.
    const D3DXVECTOR3 shadowed{1.2f, -1.2f, 2.0f}, lit{1.2f, -2.9f, 2.0f};
    EXPECT_GT(brightnessAt(copy, lit), 40.0);
    EXPECT_LT(brightnessAt(copy, shadowed), brightnessAt(copy, lit) * 0.6);
    if (HasFailure() || std::getenv("ZARN_SAVE_PICTURES")) {
        savePicture(full, "shadow_caster_full");
        savePicture(copy, "shadow_caster_copy");
    }
}

// The box is closed, so its shadow draw leaves out the faces turned from the light; turned
// inside out by a mirroring world transform it must leave out the other winding.
TEST_F(ShadowCasterCopy, AClosedBoxCastsTheSameShadowFromItsFacesTowardTheLight) {
    ASSERT_TRUE(open(160, 120));
    saverState.settings.EnableFilters = false;
    saverState.settings.EnableShadows = true;
    makeMaterial();
    ASSERT_TRUE(plane.loadObj(dir.write("plane.obj", planeObj()).c_str()));
    ASSERT_TRUE(box.loadObj(dir.write("box.obj", planeAndBoxObj(false)).c_str()));
    ASSERT_EQ(plane.createDeviceObjects(device), S_OK);
    ASSERT_EQ(box.createDeviceObjects(device), S_OK);
    EXPECT_EQ(plane.casterCulling, DWORD(D3DCULL_NONE));
    ASSERT_EQ(box.casterCulling, DWORD(D3DCULL_CCW));
    ASSERT_TRUE(initShadowMaps(device));
    selectShadowMap(true);

    D3DXMATRIX identity, turned, mirrored;
    D3DXMatrixIdentity(&identity);
    D3DXMatrixRotationZ(&turned, 0.5f);
    D3DXMATRIX flipX;
    D3DXMatrixScaling(&flipX, -1.0f, 1.0f, 1.0f);
    D3DXMatrixMultiply(&mirrored, &flipX, &turned);
    for (const D3DXMATRIX* world : {&turned, &mirrored}) {
        Picture full = frame(false, {{&plane, identity}, {&box, *world}});
        Picture culled = frame(true, {{&plane, identity}, {&box, *world}});
        EXPECT_EQ(full.differingFrom(culled), 0) << (world == &mirrored ? "mirrored" : "turned");
        const D3DXVECTOR3 shadowed{1.2f, -1.2f, 2.0f}, lit{1.2f, -2.9f, 2.0f};
        EXPECT_LT(brightnessAt(culled, shadowed), brightnessAt(culled, lit) * 0.6);
        if (HasFailure() || std::getenv("ZARN_SAVE_PICTURES")) {
            savePicture(full, world == &mirrored ? "closed_caster_mirrored_full" : "closed_caster_full");
            savePicture(culled, world == &mirrored ? "closed_caster_mirrored_culled" : "closed_caster_culled");
        }
    }
}
