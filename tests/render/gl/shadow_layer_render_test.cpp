// The shadow map's stationary layer on the real GL back end: frames that copy the kept layer
// back must come out bit for bit as frames that draw every caster, and a stationary part that
// moves after all (or hides) must have the layer drawn again.
#include "GLRenderFixture.h"

#include "render/ShadowCasterCache.h"
#include "scene/UIWidgetMesh.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A square of half-size 4 at z = 4 facing the camera, and a cube of half-size 0.375 at the
// origin, faces clockwise seen from outside.
std::string planeObj() { return "v -4 4 4\nv 4 4 4\nv 4 -4 4\nv -4 -4 4\nf 1 2 3\nf 1 3 4\n"; }

std::string cubeObj() {
    const float h = 0.375f;
    char text[512];
    std::snprintf(text, sizeof text,
                  "v %g %g %g\nv %g %g %g\nv %g %g %g\nv %g %g %g\nv %g %g %g\nv %g %g %g\nv %g %g %g\nv %g %g %g\n",
                  -h, -h, -h, -h, h, -h, h, h, -h, h, -h, -h, -h, -h, h, -h, h, h, h, h, h, h, -h, h);
    return std::string(text) +
           "f 1 2 3\nf 1 3 4\nf 8 7 6\nf 8 6 5\nf 5 6 2\nf 5 2 1\nf 4 3 7\nf 4 7 8\nf 5 1 4\nf 5 4 8\nf 2 6 7\n"
           "f 2 7 3\n";
}

void drawCasters(void* parts, IDirect3DDevice9* device) {
    for (UIWidget* part : *static_cast<std::vector<UIWidget*>*>(parts)) part->draw(renderPassShadowMap, nullptr, device);
}

class ShadowLayer : public GLRenderFixture {
protected:
    void TearDown() override {
        plane.releaseDeviceObjects();
        cube.releaseDeviceObjects();
        GLRenderFixture::TearDown();
    }

    // The plane and a cube stand still; a second cube, straight behind the first as the light
    // sees it (so partly in its shadow), turns a little more every frame.
    bool build() {
        if (!open(160, 120)) return false;
        saverState.settings.EnableFilters = false;
        saverState.settings.EnableShadows = true;
        makeMaterial();
        if (!plane.loadObj(dir.write("plane.obj", planeObj()).c_str()) ||
            !cube.loadObj(dir.write("cube.obj", cubeObj()).c_str()) || plane.createDeviceObjects(device) != S_OK ||
            cube.createDeviceObjects(device) != S_OK || !initShadowMaps(device))
            return false;
        selectShadowMap(true);
        for (UIWidgetMesh* part : {&wall, &front, &behind}) part->material = &material;
        wall.mesh = &plane;
        front.mesh = behind.mesh = &cube;
        wall.stationary = front.stationary = true;
        parts = {&front, &behind, &wall};
        return true;
    }

    Picture frame(int index) {
        D3DXMATRIX spin, place;
        // A turn of 0.3 radians a frame about the axis (2, 2, 1) / 3.
        const float half = 0.15f * float(index), s = std::sin(half) / 3.0f;
        D3DXQUATERNION turn;
        turn.x = 2.0f * s;
        turn.y = 2.0f * s;
        turn.z = s;
        turn.w = std::cos(half);
        D3DXMatrixRotationQuaternion(&spin, &turn);
        // 2.5 units on from the front cube along the light's direction, (4, -5, 12) / 13.6.
        D3DXMatrixTranslation(&place, 0.735f, -0.92f, 2.2f);
        D3DXMATRIX world;
        D3DXMatrixMultiply(&world, &spin, &place);
        behind.transform.setMatrix(world);
        return renderFrame([&] { drawShadowCasters(device, drawCasters, &parts); },
                           [&] {
                               for (UIWidget* part : parts) part->draw(renderPassColour, nullptr, device);
                           });
    }

    // Frames 0 to count - 1, with `change` applied before the frame it names.
    std::vector<Picture> frames(int count, int changeAt = -1, const std::function<void()>& change = nullptr) {
        std::vector<Picture> pictures;
        for (int i = 0; i < count; ++i) {
            if (i == changeAt) change();
            pictures.push_back(frame(i));
        }
        return pictures;
    }

    Mesh plane, cube;
    UIWidgetMesh wall, front, behind;
    std::vector<UIWidget*> parts;
};

}  // namespace

TEST_F(ShadowLayer, FramesFromTheKeptLayerMatchFramesThatDrawEveryCaster) {
    ASSERT_TRUE(build());
    std::vector<Picture> kept = frames(4);
    EXPECT_EQ(shadowLayerRedraws(), 1u) << "drawn once, then copied back";

    releaseShadowCasterCache();
    std::vector<Picture> drawn = frames(4);
    for (size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(drawn[i].differingFrom(kept[i]), 0) << "frame " << i;

    // Frames that could not tell the layer from a blank one prove nothing: the front cube
    // shades the cube behind it and the plane, and the turning cube changes the picture.
    const D3DXVECTOR3 inFrontCubesShadow{0.6f, -0.8f, 1.8f}, openPlane{-2.5f, 2.5f, 4.0f};
    EXPECT_LT(brightnessAt(kept[3], inFrontCubesShadow), brightnessAt(kept[3], openPlane) * 0.6);
    EXPECT_GT(kept[0].differingFrom(kept[3]), 0);
    if (HasFailure() || std::getenv("ZARN_SAVE_PICTURES")) {
        savePicture(kept[3], "shadow_layer_kept");
        savePicture(drawn[3], "shadow_layer_drawn");
    }
}

TEST_F(ShadowLayer, AStationaryPartThatMovesOrHidesHasTheLayerDrawnAgain) {
    ASSERT_TRUE(build());
    auto moveFront = [&] {
        D3DXMATRIX moved;
        D3DXMatrixTranslation(&moved, -0.5f, 0.25f, 0.0f);
        front.transform.setMatrix(moved);
    };
    std::vector<Picture> kept = frames(4, 2, moveFront);
    EXPECT_EQ(shadowLayerRedraws(), 2u);
    wall.hidden = true;
    frame(4);
    EXPECT_EQ(shadowLayerRedraws(), 3u);
    wall.hidden = false;

    releaseShadowCasterCache();
    front.transform.setMatrix(D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
    std::vector<Picture> drawn = frames(4, 2, moveFront);
    for (size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(drawn[i].differingFrom(kept[i]), 0) << "frame " << i;
    EXPECT_GT(kept[1].differingFrom(kept[2]), 0);
}
