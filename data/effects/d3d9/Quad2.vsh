// The screen quad for shader model 2: positions already in clip space, coordinates through.
vs_2_0
dcl_position v0
dcl_texcoord v1
mov oPos, v0
mov oT0.xy, v1
