// Material binding: the eye position that the colour pass hands to the shadow-receiving
// effects. Material::bindEffect itself is declared with the material (assets/Material.h).
#pragma once

void setEyePosition(float x, float y, float z, float w);
