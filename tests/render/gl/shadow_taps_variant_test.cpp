// The receivers' variant without shadow taps, on the real GL back end: a run that starts with
// shadows off builds it, it must draw exactly what the tapping shaders draw from the map of
// 1.0, and asking for shadows later must bring the taps back.
#include "GLRenderFixture.h"

#include <cstdlib>

namespace {

class ShadowTapsVariant : public GLRenderFixture {
protected:
    Picture startAndDraw(bool shadowsSetting, bool selectShadows) {
        releaseShadowMaps();
        saverState.settings.EnableShadows = shadowsSetting;
        EXPECT_TRUE(initShadowMaps(device));
        selectShadowMap(selectShadows);
        return renderFrame(scene, selectShadows);
    }

    std::vector<DrawItem> scene;
};

}  // namespace

TEST_F(ShadowTapsVariant, DrawsTheSamePixelsAsTheTapsReadingTheMapOfOne) {
    ASSERT_TRUE(open(160, 120));
    saverState.settings.EnableFilters = false;
    makeMaterial();
    scene = planeAndBox();

    Picture tapped = startAndDraw(true, false);   // shadows on at start, then switched off
    Picture untapped = startAndDraw(false, false);
    ASSERT_EQ(tapped.pixels.size(), untapped.pixels.size());
    int lit = 0;
    for (uint32_t pixel : untapped.pixels) lit += (pixel & 0xFFFFFF) != 0;
    EXPECT_EQ(tapped.differingFrom(untapped), 0);
    // Not two black frames: the plane and the box are drawn and lit.
    EXPECT_GT(lit, int(tapped.pixels.size()) / 4);
    if (HasFailure() || std::getenv("ZARN_SAVE_PICTURES")) {
        savePicture(tapped, "shadow_variant_tapped");
        savePicture(untapped, "shadow_variant_untapped");
    }
}

TEST_F(ShadowTapsVariant, ShadowsAskedForAfterAStartWithoutThemCastShadowsAgain) {
    ASSERT_TRUE(open(160, 120));
    saverState.settings.EnableFilters = false;
    makeMaterial();
    scene = planeAndBox();

    const D3DXVECTOR3 shadowed{1.2f, -1.2f, 2.0f}, lit{1.2f, -2.9f, 2.0f};
    Picture reselected = startAndDraw(false, true);
    EXPECT_GT(brightnessAt(reselected, lit), 40.0);
    EXPECT_LT(brightnessAt(reselected, shadowed), brightnessAt(reselected, lit) * 0.6)
        << "the receivers still draw without their shadow taps";
    // And the rebuilt receivers draw as those of a run that started with shadows.
    Picture started = startAndDraw(true, true);
    EXPECT_EQ(brightnessAt(reselected, shadowed), brightnessAt(started, shadowed));
    if (HasFailure() || std::getenv("ZARN_SAVE_PICTURES")) savePicture(reselected, "shadow_variant_reselected");
}
