// The camera's lens and orbit, and where the far wall must stand so that a picture of any
// shape shows the whole clock and never the room's edge. Portrait and 5:4 monitors get a
// taller field so the clock's width still fits; very wide ones (up to 32:9 and beyond) see
// past the wall's sides and the far plane unless the wall comes nearer and grows.
#pragma once

#include <d3dx9.h>

// The camera circles the clock's axis in the plane z = kEyeZ, looking at kCameraTarget.
constexpr float kOrbitRadius = 2.0f;
constexpr float kEyeZ = -10.0f;
constexpr float kCameraTargetY = -0.2f;
constexpr float kNearPlane = 3.0f;
constexpr float kFarPlane = 20.0f;

// The far wall as the content generator builds it: a flat rectangle facing the camera.
constexpr float kFarWallHalfWidth = 26.0f;
constexpr float kFarWallHalfHeight = 18.0f;
constexpr float kFarWallZ = 6.0f;

// Vertical field of view in radians for a back buffer of this shape (width / height). From 4:3
// on it is a quarter of a half turn; narrower shapes widen it so the horizontal field stays
// the one 4:3 has, and nothing of the clock's width is cut.
float clockFieldOfViewY(float aspect);

// The far wall's world matrix for a view with these tangents of the half fields. Where the
// wall as built fills every view the orbiting camera takes, before the far plane, this is
// the identity. Otherwise the wall moves towards the camera (keeping its look from the orbit)
// until every view ends on it before the far plane, and widens until its edges are out of
// view; it stays flat and facing the camera, so it lights as before.
D3DXMATRIX farWallPlacement(float tanHalfFovX, float tanHalfFovY);
