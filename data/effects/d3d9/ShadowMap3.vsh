// Shadow-map casters: the light's clip position, and the world position for the distance.
// c0-c3 matLightWorldViewProj, c4-c7 matWorld (one column a register)
vs_3_0
dcl_position v0
dcl_position o0
dcl_texcoord o1.xyz
m4x4 o0, v0, c0
m4x4 r0, v0, c4
mov o1.xyz, r0
