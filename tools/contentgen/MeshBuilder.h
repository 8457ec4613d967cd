// A triangle mesh under construction, and the three files the saver reads meshes from:
// Wavefront .obj (position/texture/normal per corner), the binary .strip layout (56-byte
// vertices with tangent frames, 16-bit indices) and DirectX text .x files.
//
// Winding: the saver culls counter-clockwise triangles, so a front face must run clockwise
// as the camera sees it. Every triangle is added together with the side it faces (the
// corners' normals); addTriangle swaps two corners when the order disagrees, so the part
// builders never have to think about it.
#pragma once

#include "Vec.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace contentgen {

struct Vertex {
    Vec3 position;
    Vec3 normal;
    Vec2 uv;
};

class MeshBuilder {
public:
    uint32_t addVertex(const Vertex& v);
    // Orders the corners so that the triangle faces the way its corner normals point.
    void addTriangle(uint32_t a, uint32_t b, uint32_t c);
    // A quad a-b-c-d around its rim, split into two triangles.
    void addQuad(uint32_t a, uint32_t b, uint32_t c, uint32_t d);
    void append(const MeshBuilder& other);
    void append(const MeshBuilder& other, const Affine& transform);
    void transform(const Affine& transform);
    // Replaces every vertex's texture coordinate, for parts whose picture is an atlas.
    void mapUv(const std::function<Vec2(const Vertex&)>& uvOf);

    const std::vector<Vertex>& vertices() const { return verts; }
    const std::vector<uint32_t>& indices() const { return tris; }
    size_t triangleCount() const { return tris.size() / 3; }
    void boundsOf(Vec3& lo, Vec3& hi) const;

    bool writeObj(const std::string& path) const;
    bool writeStrip(const std::string& path) const;
    bool writeX(const std::string& path) const;

private:
    std::vector<Vertex> verts;
    std::vector<uint32_t> tris;
};

}  // namespace contentgen
