// Bump3.vsh for shader model 2, without the tangent frame (the fallback reads no bump map).
// c0-c3 matWorldViewProj, c4-c7 matWorld, c8-c11 matLightWorldViewProj, c12 texTransform
vs_2_0
def c13, 0, 1, 0, 0
dcl_position v0
dcl_normal v1
dcl_texcoord v2
m4x4 oPos, v0, c0
m4x4 oT0, v0, c4
m3x3 r1.xyz, v1, c4
mov r1.w, c13.x
mov oT1, r1
mov r0, c13.xxxy
mad r0.x, c12.x, v2.x, c12.y
mad r0.y, c12.z, v2.y, c12.w
mov oT2, r0
m4x4 oT3, v0, c8
