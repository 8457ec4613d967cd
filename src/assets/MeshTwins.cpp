// A software renderer's twins of an .obj mesh (SoftwareTier.h). Where a coarser outline
// changes a part, the content generator writes a copy with fewer points into software/
// beside the mesh's file, and a shadow caster simpler still into casters/; on a software
// renderer the saver draws the first and casts shadows from the second. A mesh without a
// twin, or changed since it was read, is drawn as it is.
#include "assets/Mesh.h"

#include <cstdio>

bool Mesh::readTwin(const char* folder, Mesh* twin) const {
    if (objFile.empty() || editedSinceLoad) return false;
    const size_t slash = objFile.find_last_of("/\\");
    const std::string dir = slash == std::string::npos ? std::string() : objFile.substr(0, slash + 1);
    const std::string path = dir + folder + "/" + objFile.substr(slash == std::string::npos ? 0 : slash + 1);
    // Most meshes have none: look before reading, so that a missing twin says nothing.
    std::FILE* probe = std::fopen(path.c_str(), "rb");
    if (!probe) return false;
    std::fclose(probe);
    return twin->loadObj(path.c_str()) && twin->faces.count > 0 && twin->objIndicesValid();
}

void Mesh::adoptData(Mesh& twin) {
    positions.swap(twin.positions);
    faces.swap(twin.faces);
    texCoords.swap(twin.texCoords);
    normals.swap(twin.normals);
    hasTexCoords = twin.hasTexCoords;
    hasNormals = twin.hasNormals;
    boundsMin = twin.boundsMin;
    boundsMax = twin.boundsMax;
}
