// Writing a mesh's .obj data back out as a .obj file (a development aid). Without loaded
// texture coordinates a planar x/z mapping is written so that the file still has them.
#include "assets/Mesh.h"

#include "shell/Diagnostics.h"

#include <cstdio>

bool Mesh::writeObj(const char* fileName) {
    std::FILE* file = std::fopen(fileName, "w");
    if (!file) {
        debugPrintf("Error opening file %s for writing\n", fileName);
        return false;
    }
    for (int32_t i = 0; i < positions.count; ++i)
        std::fprintf(file, "v %f %f %f\n", positions[i].x, positions[i].y, positions[i].z);
    if (hasTexCoords) {
        for (int32_t i = 0; i < texCoords.count; ++i) std::fprintf(file, "vt %f %f\n", texCoords[i].x, texCoords[i].y);
    } else {
        for (int32_t i = 0; i < positions.count; ++i) std::fprintf(file, "vt %f %f\n", positions[i].x, positions[i].z);
    }
    if (hasNormals)
        for (int32_t i = 0; i < normals.count; ++i)
            std::fprintf(file, "n %f %f %f\n", normals[i].x, normals[i].y, normals[i].z);
    for (int32_t f = 0; f < faces.count; ++f) {
        const MeshFace& face = faces[f];
        int32_t t[3];
        for (int c = 0; c < 3; ++c) t[c] = (hasTexCoords ? face.texCoord[c] : face.position[c]) + 1;
        if (hasNormals)
            std::fprintf(file, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", face.position[0] + 1, t[0], face.normal[0] + 1,
                         face.position[1] + 1, t[1], face.normal[1] + 1, face.position[2] + 1, t[2],
                         face.normal[2] + 1);
        else
            std::fprintf(file, "f %d/%d %d/%d %d/%d\n", face.position[0] + 1, t[0], face.position[1] + 1, t[1],
                         face.position[2] + 1, t[2]);
    }
    bool ok = std::fclose(file) == 0;
    return ok;
}
