// The detail the generator is making its meshes at (MeshDetail.h).
#include "MeshDetail.h"

namespace contentgen {

namespace {
MeshDetail current = MeshDetail::full;
}

MeshDetail meshDetail() { return current; }
void setMeshDetail(MeshDetail detail) { current = detail; }

}  // namespace contentgen
