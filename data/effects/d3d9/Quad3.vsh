// The screen quad: its positions are already in clip space (shifted half a pixel by the
// saver); the texture coordinate passes through.
vs_3_0
dcl_position v0
dcl_texcoord v1
dcl_position o0
dcl_texcoord o1.xy
mov o0, v0
mov o1.xy, v1
