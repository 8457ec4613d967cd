// The widget tree: what reaches the device in each pass, what a hidden or collapsed frame
// still does, frame animations, and picking through nested placements.
#include "scene/UIWidgetCounterBasic.h"
#include "scene/UIWidgetFrame.h"
#include "scene/UIWidgetMesh.h"

#include "assets/Animation.h"
#include "assets/Material.h"
#include "assets/Mesh.h"
#include "support/TempDir.h"

#include <ZarnRecordingDevice.h>
#include <gtest/gtest.h>

#include <sstream>

namespace {

const char* quadObj =
    "v -1 -1 0\nv -1 1 0\nv 1 1 0\nv 1 -1 0\n"
    "vt 0 1\nvt 0 0\nvt 1 0\nvt 1 1\n"
    "vn 0 0 -1\n"
    "f 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\n";

class WidgetDraw : public testing::Test {
protected:
    void SetUp() override {
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 64;
        device = new ZarnRecordingDevice(nullptr, pp, ZarnRecordingHalCaps(), std::make_shared<ZarnRecordingLog>());
        ASSERT_TRUE(mesh.loadObj(dir.write("quad.obj", quadObj).c_str()));
        ASSERT_TRUE(SUCCEEDED(mesh.createDeviceObjects(device)));
        D3DXMatrixIdentity(&identity);
        device->log().clear();
    }
    void TearDown() override {
        mesh.releaseDeviceObjects();
        device->Release();
    }
    int draws() { return device->log().countCalls("DrawPrimitive") + device->log().countCalls("DrawIndexedPrimitive"); }
    // The translation row of the world matrix set before the n-th draw.
    D3DXVECTOR3 worldTranslation(int n) {
        std::vector<std::string> worlds;
        for (const std::string& line : device->log().calls("SetTransform"))
            if (line.rfind("SetTransform(D3DTS_WORLD", 0) == 0) worlds.push_back(line);
        EXPECT_LT(size_t(n), worlds.size());
        if (size_t(n) >= worlds.size()) return {};
        std::istringstream in(worlds[size_t(n)].substr(worlds[size_t(n)].find('[') + 1));
        float m[16] = {};
        for (float& f : m) in >> f;
        return {m[12], m[13], m[14]};
    }

    TempDir dir;
    ZarnRecordingDevice* device = nullptr;
    Mesh mesh;
    Material material;
    D3DXMATRIX identity;
};

TEST_F(WidgetDraw, MissingMeshOrMaterialLeavesTheDeviceAlone) {
    UIWidgetMesh noMaterial;
    noMaterial.mesh = &mesh;
    UIWidgetMesh noMesh;
    noMesh.material = &material;
    for (RenderPass pass : {renderPassShadowMap, renderPassColour}) {
        noMaterial.draw(pass, &identity, device);
        noMesh.draw(pass, &identity, device);
    }
    EXPECT_EQ(device->log().size(), 0u) << device->log().text();
}

TEST_F(WidgetDraw, OnlyTheTwoKnownPassesDraw) {
    UIWidgetMesh w;
    w.mesh = &mesh;
    w.material = &material;
    w.draw(renderPassShadowMap, &identity, device);
    EXPECT_EQ(draws(), 1);
    w.draw(renderPassColour, &identity, device);
    EXPECT_EQ(draws(), 2);
    for (RenderPass other : {RenderPass(2), RenderPass(7), RenderPass(255)}) w.draw(other, &identity, device);
    EXPECT_EQ(draws(), 2);
    // The colour pass without an effect goes through the fixed-function material.
    EXPECT_GE(device->log().countCalls("SetMaterial"), 1);
}

TEST_F(WidgetDraw, ChildrenDrawUnderTheFramesPlacementInSlotOrder) {
    UIWidgetFrame frame;
    frame.collapsed = false;
    frame.transform.setPosition(1.0f, 0.0f, 0.0f);
    frame.frameTransform.setPosition(0.0f, 2.0f, 0.0f);
    UIWidgetMesh a, b;
    a.mesh = b.mesh = &mesh;
    a.material = b.material = &material;
    a.transform.setPosition(0.0f, 0.0f, 3.0f);
    b.transform.setPosition(0.0f, 0.0f, 5.0f);
    frame.setNumChildren(2);
    frame.setChild(0, &b);
    frame.setChild(1, &a);
    frame.draw(renderPassColour, &identity, device);
    EXPECT_EQ(draws(), 2);  // the frame itself has no mesh
    D3DXVECTOR3 first = worldTranslation(0), second = worldTranslation(1);
    EXPECT_FLOAT_EQ(first.x, 1.0f);
    EXPECT_FLOAT_EQ(first.y, 2.0f);
    EXPECT_FLOAT_EQ(first.z, 5.0f);  // slot 0 first
    EXPECT_FLOAT_EQ(second.z, 3.0f);
}

TEST_F(WidgetDraw, ADrawOrderDrawsEveryPartOnceInItsOrderInBothPasses) {
    UIWidgetFrame frame;
    frame.collapsed = false;
    frame.mesh = &mesh;
    frame.material = &material;
    UIWidgetMesh a, b;
    a.mesh = b.mesh = &mesh;
    a.material = b.material = &material;
    a.transform.setPosition(0.0f, 0.0f, 3.0f);
    b.transform.setPosition(0.0f, 0.0f, 5.0f);
    frame.setNumChildren(2);
    frame.setChild(0, &a);
    frame.setChild(1, &b);

    // Incomplete lists, repeats and unknown slots would lose or double a part: refused.
    const int32_t own = UIWidgetFrame::kOwnMesh;
    const int32_t shortList[] = {1, 0}, repeated[] = {1, 1, own}, unknown[] = {2, 0, own}, below[] = {-2, 0, 1};
    EXPECT_FALSE(frame.setDrawOrder(shortList, 2));
    EXPECT_FALSE(frame.setDrawOrder(repeated, 3));
    EXPECT_FALSE(frame.setDrawOrder(unknown, 3));
    EXPECT_FALSE(frame.setDrawOrder(below, 3));
    EXPECT_FALSE(frame.setDrawOrder(nullptr, 3));

    const int32_t backToFront[] = {1, 0, own};
    ASSERT_TRUE(frame.setDrawOrder(backToFront, 3));
    frame.draw(renderPassColour, &identity, device);
    ASSERT_EQ(draws(), 3);
    EXPECT_FLOAT_EQ(worldTranslation(0).z, 5.0f);
    EXPECT_FLOAT_EQ(worldTranslation(1).z, 3.0f);
    EXPECT_FLOAT_EQ(worldTranslation(2).z, 0.0f);  // the frame's own mesh last

    // The shadow pass follows the same order, and leaves out a part that casts no shadow.
    b.castsShadow = false;
    frame.draw(renderPassShadowMap, &identity, device);
    ASSERT_EQ(draws(), 5);
    EXPECT_FLOAT_EQ(worldTranslation(3).z, 3.0f);
    EXPECT_FLOAT_EQ(worldTranslation(4).z, 0.0f);
    frame.draw(renderPassColour, &identity, device);
    ASSERT_EQ(draws(), 8);  // it is still drawn in colour
    b.castsShadow = true;

    // A new child list forgets the order, which no longer fits it.
    frame.setNumChildren(1);
    frame.setChild(0, &b);
    frame.draw(renderPassColour, &identity, device);
    ASSERT_EQ(draws(), 10);
    EXPECT_FLOAT_EQ(worldTranslation(8).z, 0.0f);
    EXPECT_FLOAT_EQ(worldTranslation(9).z, 5.0f);
}

TEST_F(WidgetDraw, HiddenOrCollapsedFrameSkipsItsSubtreeButKeepsItTicking) {
    UIWidgetFrame frame;
    frame.collapsed = false;
    frame.mesh = &mesh;
    frame.material = &material;
    UIWidgetCounterBasic drum;
    drum.mesh = &mesh;
    drum.material = &material;
    drum.setDigitWrap(1.0f, 0.1f, 10);
    drum.setTarget(5);
    frame.setNumChildren(1);
    frame.setChild(0, &drum);

    frame.hide();
    frame.update(1000, false);
    EXPECT_EQ(drum.value, 1.0f);  // the child still rolled
    frame.draw(renderPassColour, &identity, device);
    EXPECT_EQ(draws(), 0);

    frame.show();
    frame.collapsed = true;
    frame.draw(renderPassColour, &identity, device);
    EXPECT_EQ(draws(), 0);
    frame.collapsed = false;
    frame.draw(renderPassColour, &identity, device);
    EXPECT_EQ(draws(), 2);  // its own mesh, then the drum
}

TEST_F(WidgetDraw, EmptyOrShortChildListsAreSafe) {
    UIWidgetFrame frame;
    frame.collapsed = false;
    frame.update(10, false);
    frame.draw(renderPassColour, &identity, device);
    frame.setNumChildren(3);  // slots left empty are skipped, never followed
    frame.setChild(3, &frame);
    frame.setChild(-1, &frame);
    frame.update(10, false);
    frame.draw(renderPassColour, &identity, device);
    EXPECT_EQ(draws(), 0);
    EXPECT_EQ(frame.getChild(3), nullptr);
    EXPECT_EQ(frame.getType(), widgetTypeFrame);
}

// A two-key animation from the origin to (0, 10, 0) over a second.
void slide(Animation& a) {
    ASSERT_TRUE(a.allocateKeys(2, 1));
    a.setPosKey(0, 0, 0.0f, 0.0f, 0.0f);
    a.setPosKey(1, 1000, 0.0f, 10.0f, 0.0f);
    a.setRotKey(0, 0, 1.0f, 0.0f, 0.0f, 0.0f);
    a.lastKeyTime = 1000;
    a.blockTime = 1000;  // holds its caller until the last key, as a loaded block does
}

TEST(WidgetFrameStates, OpenAndCloseRunTheirAnimations) {
    UIWidgetFrame frame;
    Animation opening, closing;
    slide(opening);
    slide(closing);
    frame.open(false);  // no animation yet: inert
    EXPECT_EQ(frame.getState(), UIWidgetFrame::stateClosed);
    EXPECT_TRUE(frame.collapsed);

    frame.openAnimation = &opening;
    frame.closeAnimation = &closing;
    frame.close(false);  // already closed
    EXPECT_EQ(frame.getState(), UIWidgetFrame::stateClosed);
    frame.open(false);
    EXPECT_EQ(frame.getState(), UIWidgetFrame::stateOpening);
    EXPECT_FALSE(frame.collapsed);
    EXPECT_EQ(currentFrame, &frame);
    EXPECT_TRUE(frame.isAnimating());
    frame.update(400, true);  // frozen: no progress
    EXPECT_EQ(frame.getState(), UIWidgetFrame::stateOpening);
    frame.update(2000, false);
    EXPECT_EQ(frame.getState(), UIWidgetFrame::stateOpen);
    EXPECT_NEAR(frame.transform.matrix._42, 10.0f, 1e-3f);  // the pose was copied in

    frame.close(false);
    EXPECT_EQ(frame.getState(), UIWidgetFrame::stateClosing);
    frame.update(2000, false);
    EXPECT_EQ(frame.getState(), UIWidgetFrame::stateClosed);
    EXPECT_TRUE(frame.collapsed);

    frame.playCustom(&opening, false, 100);
    EXPECT_EQ(frame.getState(), UIWidgetFrame::statePlayingCustom);
    frame.update(3000, false);
    EXPECT_EQ(frame.getState(), UIWidgetFrame::stateCustomFinished);
    frame.resetPose();
    EXPECT_EQ(frame.getState(), UIWidgetFrame::stateClosed);
    EXPECT_EQ(frame.transform.matrix._42, 0.0f);
}

TEST_F(WidgetDraw, PickingFollowsNestedPlacementsAndIgnoresMeshWidgets) {
    UIWidgetFrame frame;
    frame.collapsed = false;
    frame.transform.setPosition(5.0f, 0.0f, 0.0f);
    UIWidgetMesh scenery;
    scenery.mesh = &mesh;
    frame.setNumChildren(1);
    frame.setChild(0, &scenery);

    UIWidget* hit = nullptr;
    float uv[2] = {-1, -1};
    // A frame without a mesh is not hit itself (its children are still asked).
    float best = frame.pick(Vec3(5.0f, 0.0f, -4.0f), Vec3(0.0f, 0.0f, 1.0f), -1.0f, &hit, uv);
    EXPECT_EQ(best, -1.0f);
    frame.pickMesh = &mesh;  // the frame's own quad, at z = 0 under the placement
    best = frame.pick(Vec3(5.0f, 0.0f, -4.0f), Vec3(0.0f, 0.0f, 1.0f), -1.0f, &hit, uv);
    EXPECT_NEAR(best, 4.0f, 1e-4f);
    EXPECT_EQ(hit, &frame);
    EXPECT_NEAR(uv[0], 0.5f, 1e-3f);

    hit = nullptr;
    best = frame.pick(Vec3(0.0f, 0.0f, -4.0f), Vec3(0.0f, 0.0f, 1.0f), -1.0f, &hit, nullptr);  // misses
    EXPECT_EQ(best, -1.0f);
    EXPECT_EQ(hit, nullptr);
    EXPECT_EQ(scenery.pick(Vec3(0, 0, -4), Vec3(0, 0, 1), 7.0f, &hit, nullptr), 7.0f);

    frame.transform.setPosition(5.0f, 0.0f, 0.0f);
    best = frame.pick(Vec3(5.0f, 0.0f, -4.0f), Vec3(0.0f, 0.0f, 1.0f), 2.0f, &hit, nullptr);
    EXPECT_EQ(best, 2.0f);  // a nearer hit already found stands
}

}  // namespace
