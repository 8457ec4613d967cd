// How finely the generator makes its meshes. The clock's own meshes are made at full detail.
// A software renderer (the saver's software tier) draws coarser twins of the parts whose
// outlines carry many points, and casts shadows from simpler ones still: the generator makes
// those too, into meshes/software/ and meshes/casters/, only for the parts where they differ.
#pragma once

namespace contentgen {

enum class MeshDetail {
    full,      // the clock as designed
    software,  // circles of more than 16 points at half their points, teeth of four points
    caster,    // as software, spoke windows at half their points, and thin slabs as their
               // two faces alone (no chamfers or walls: the shadow's soft edge hides them)
};

MeshDetail meshDetail();
void setMeshDetail(MeshDetail detail);

}  // namespace contentgen
