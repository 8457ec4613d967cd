// Lit meshes: world position and tangent frame, the transformed texture coordinate and the
// position in the light's clip space for the shadow lookup.
// c0-c3 matWorldViewProj, c4-c7 matWorld, c8-c11 matLightWorldViewProj (one column a
// register), c12 texTransform (scaleU, offsetU, scaleV, offsetV)
vs_3_0
def c13, 0, 1, 0, 0
dcl_position v0
dcl_normal v1
dcl_texcoord v2
dcl_binormal v3
dcl_tangent v4
dcl_position o0
dcl_texcoord0 o1
dcl_texcoord1 o2.xyz
dcl_texcoord2 o3.xyz
dcl_texcoord3 o4.xyz
dcl_texcoord4 o5
dcl_texcoord5 o6
m4x4 o0, v0, c0
m4x4 o1, v0, c4
m3x3 o2.xyz, v1, c4
m3x3 o3.xyz, v4, c4
m3x3 o4.xyz, v3, c4
mov r0, c13.xxxy
mad r0.x, c12.x, v2.x, c12.y
mad r0.y, c12.z, v2.y, c12.w
mov o5, r0
m4x4 o6, v0, c8
