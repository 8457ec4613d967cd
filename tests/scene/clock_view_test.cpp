// The camera's view for every monitor shape: the clock's width always fits (portrait and 5:4
// keep the horizontal field of 4:3), 4:3 and 16:9 keep the lens and the wall they always had,
// and from every point of the orbit each corner of the picture ends on the far wall, inside
// its edges and before the far plane.
#include "scene/ClockView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

struct ShapeCase {
    const char* name;
    float width, height;
    bool wallAsBuilt;  // the wall stays where the content generator put it
};

const ShapeCase shapes[] = {
    {"portrait 9:16", 720, 1280, false},
    {"5:4", 1280, 1024, true},
    {"4:3", 1024, 768, true},
    {"16:9", 1920, 1080, true},
    {"32:9", 2560, 720, false},
};

TEST(ClockViewTest, EveryShapeShowsTheWholeClockAgainstTheWall) {
    const double tanHalfX43 = std::tan(3.141592653589793 / 8) * 4 / 3;
    for (const ShapeCase& shape : shapes) {
        SCOPED_TRACE(shape.name);
        const float aspect = shape.width / shape.height;
        const float fovY = clockFieldOfViewY(aspect);
        const float tanHalfY = std::tan(fovY / 2);
        if (aspect >= 4.0f / 3.0f)
            EXPECT_EQ(fovY, 0.7853982f);
        else
            EXPECT_NEAR(tanHalfY * aspect, tanHalfX43, 1e-5);

        const D3DXMATRIX wall = farWallPlacement(tanHalfY * aspect, tanHalfY);
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        EXPECT_EQ(std::memcmp(&wall, &identity, sizeof wall) == 0, shape.wallAsBuilt);

        D3DXMATRIX projection;
        D3DXMatrixPerspectiveFovLH(&projection, fovY, aspect, kNearPlane, kFarPlane);
        const float wallZ = kFarWallZ + wall._43;
        const float halfWidth = kFarWallHalfWidth * wall._11, halfHeight = kFarWallHalfHeight * wall._22;
        for (int degrees = 3; degrees < 360; degrees += 7) {
            const float phi = degrees * 3.1415927f / 180;
            const D3DXVECTOR3 eye(kOrbitRadius * std::cos(phi), kOrbitRadius * std::sin(phi), kEyeZ);
            const D3DXVECTOR3 at(0, kCameraTargetY, 0), up(0, 1, 0);
            D3DXMATRIX view, viewProjection, unproject;
            D3DXMatrixLookAtLH(&view, &eye, &at, &up);
            D3DXMatrixMultiply(&viewProjection, &view, &projection);
            ASSERT_NE(D3DXMatrixInverse(&unproject, nullptr, &viewProjection), nullptr);
            for (float x : {-1.0f, 1.0f})
                for (float y : {-1.0f, 1.0f}) {
                    // The picture's corner on the far plane, and where the ray to it meets the wall.
                    D3DXVECTOR3 onFarPlane;
                    const D3DXVECTOR3 corner(x, y, 1.0f);
                    D3DXVec3TransformCoord(&onFarPlane, &corner, &unproject);
                    const float along = (wallZ - eye.z) / (onFarPlane.z - eye.z);
                    EXPECT_LT(along, 1.0f) << "beyond the far plane at " << degrees << " degrees";
                    EXPECT_LE(std::fabs(eye.x + along * (onFarPlane.x - eye.x)), halfWidth) << degrees;
                    EXPECT_LE(std::fabs(eye.y + along * (onFarPlane.y - eye.y)), halfHeight) << degrees;
                }
        }
    }
}

}  // namespace
