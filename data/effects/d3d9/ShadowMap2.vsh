// ShadowMap3.vsh for shader model 2.
// c0-c3 matLightWorldViewProj, c4-c7 matWorld
vs_2_0
dcl_position v0
m4x4 oPos, v0, c0
m4x4 r0, v0, c4
mov oT0.xyz, r0
