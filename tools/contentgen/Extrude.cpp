// Caps, bands and extrusions of flat outlines (see Extrude.h).
#include "Extrude.h"

#include "MeshDetail.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <deque>

namespace contentgen {

namespace {
// Slabs at most this thick cast their shadow from their two faces at caster detail.
constexpr double kThinSlab = 0.1;
}  // namespace

double signedArea(const Contour& c) {
    double a = 0;
    for (size_t i = 0; i < c.size(); ++i) a += cross(c[i], c[(i + 1) % c.size()]);
    return a * 0.5;
}

Contour circleContour(Vec2 centre, double radius, int segments) {
    if (meshDetail() != MeshDetail::full && segments > 16) segments /= 2;
    Contour c;
    for (int i = 0; i < segments; ++i) c.push_back(centre + polar(radius, 2 * kPi * i / segments));
    return c;
}

Contour roundedRect(double x0, double y0, double x1, double y1, double r, int n) {
    Contour c;
    const Vec2 centres[4] = {{x1 - r, y0 + r}, {x1 - r, y1 - r}, {x0 + r, y1 - r}, {x0 + r, y0 + r}};
    for (int k = 0; k < 4; ++k)
        for (int i = 0; i <= n; ++i) c.push_back(centres[k] + polar(r, kPi * (-0.5 + 0.5 * k) + 0.5 * kPi * i / n));
    return c;
}

Contour reversed(Contour c) {
    std::reverse(c.begin(), c.end());
    return c;
}

namespace {

bool insidePolygon(Vec2 p, const Contour& c) {
    bool in = false;
    for (size_t i = 0, j = c.size() - 1; i < c.size(); j = i++) {
        if ((c[i].y > p.y) != (c[j].y > p.y) &&
            p.x < (c[j].x - c[i].x) * (p.y - c[i].y) / (c[j].y - c[i].y) + c[i].x)
            in = !in;
    }
    return in;
}

// The tessellator hands back corners by pointer; it keeps them in a deque so that the
// points it creates at crossings never move the earlier ones.
struct TessState {
    std::deque<Vec2> points;
    std::vector<const Vec2*> corners;
};

void GLAPIENTRY tessVertex(void* data, void* user) {
    static_cast<TessState*>(user)->corners.push_back(static_cast<const Vec2*>(data));
}
void GLAPIENTRY tessCombine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* user) {
    auto* s = static_cast<TessState*>(user);
    s->points.push_back({coords[0], coords[1]});
    *out = &s->points.back();
}
// Registering an edge-flag callback makes the tessellator emit plain triangles only.
void GLAPIENTRY tessEdgeFlag(GLboolean, void*) {}
void GLAPIENTRY tessBegin(GLenum, void*) {}
void GLAPIENTRY tessEnd(void*) {}

}  // namespace

void orientContours(std::vector<Contour>& contours) {
    for (size_t i = 0; i < contours.size(); ++i) {
        if (contours[i].empty()) continue;
        int depth = 0;
        for (size_t j = 0; j < contours.size(); ++j)
            if (j != i && !contours[j].empty() && insidePolygon(contours[i][0], contours[j])) ++depth;
        bool hole = depth % 2 == 1;
        double a = signedArea(contours[i]);
        if ((hole && a > 0) || (!hole && a < 0)) std::reverse(contours[i].begin(), contours[i].end());
    }
}

Contour insetContour(const Contour& c, double d) {
    Contour out(c.size());
    for (size_t i = 0; i < c.size(); ++i) {
        Vec2 prev = c[(i + c.size() - 1) % c.size()], cur = c[i], next = c[(i + 1) % c.size()];
        Vec2 e1 = normalized(cur - prev), e2 = normalized(next - cur);
        Vec2 n1{-e1.y, e1.x}, n2{-e2.y, e2.x};  // left normals point into the material
        Vec2 m = normalized(n1 + n2);
        double cosHalf = dot(m, n1);
        double k = cosHalf > 0.4 ? 1.0 / cosHalf : 2.5;
        if (length(n1 + n2) < 1e-9) m = n1, k = 1;
        out[i] = cur + m * (d * k);
    }
    return out;
}

void addCap(MeshBuilder& mesh, const std::vector<Contour>& contours, double z, bool front, const CapUv& uv) {
    TessState state;
    GLUtesselator* tess = gluNewTess();
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(tessVertex));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<_GLUfuncptr>(tessCombine));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<_GLUfuncptr>(tessEdgeFlag));
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<_GLUfuncptr>(tessBegin));
    gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<_GLUfuncptr>(tessEnd));
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);
    gluTessNormal(tess, 0, 0, 1);
    gluTessBeginPolygon(tess, &state);
    for (const Contour& c : contours) {
        gluTessBeginContour(tess);
        for (const Vec2& p : c) {
            state.points.push_back(p);
            GLdouble coords[3] = {p.x, p.y, 0};
            gluTessVertex(tess, coords, &state.points.back());
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);

    Vec3 n{0, 0, front ? -1.0 : 1.0};
    for (size_t i = 0; i + 2 < state.corners.size(); i += 3) {
        uint32_t idx[3];
        for (int k = 0; k < 3; ++k) {
            const Vec2& p = *state.corners[i + k];
            idx[k] = mesh.addVertex({{p.x, p.y, z}, n, {p.x * uv.scale + uv.offset.x, -p.y * uv.scale + uv.offset.y}});
        }
        mesh.addTriangle(idx[0], idx[1], idx[2]);
    }
}

void addBand(MeshBuilder& mesh, const Contour& a, double za, const Contour& b, double zb, double uvScale,
             double smoothDegrees) {
    const size_t n = a.size();
    if (n < 3 || b.size() != n) return;
    // Face normal of each segment, turned to the outline's outward (right) side.
    std::vector<Vec3> fn(n);
    for (size_t i = 0; i < n; ++i) {
        size_t j = (i + 1) % n;
        Vec3 pa{a[i].x, a[i].y, za}, pb{a[j].x, a[j].y, za}, qa{b[i].x, b[i].y, zb}, qb{b[j].x, b[j].y, zb};
        Vec3 nrm = normalized(cross(pb - pa + (qb - qa), (qa - pa) + (qb - pb)));
        Vec2 e = (a[j] - a[i]) + (b[j] - b[i]);
        Vec2 right{e.y, -e.x};
        if (nrm.x * right.x + nrm.y * right.y < 0) nrm = -nrm;
        fn[i] = nrm;
    }
    const double cosSmooth = std::cos(smoothDegrees * kPi / 180);
    auto cornerNormal = [&](size_t corner, size_t segment) {
        size_t prev = (corner + n - 1) % n;
        if (dot(fn[prev], fn[corner]) >= cosSmooth) return normalized(fn[prev] + fn[corner]);
        return fn[segment];
    };
    double run = 0;
    for (size_t i = 0; i < n; ++i) {
        size_t j = (i + 1) % n;
        double len = length(a[j] - a[i]);
        Vec3 ni = cornerNormal(i, i), nj = cornerNormal(j, i);
        double u0 = run * uvScale, u1 = (run + len) * uvScale;
        uint32_t v0 = mesh.addVertex({{a[i].x, a[i].y, za}, ni, {u0, za * uvScale}});
        uint32_t v1 = mesh.addVertex({{a[j].x, a[j].y, za}, nj, {u1, za * uvScale}});
        uint32_t v2 = mesh.addVertex({{b[j].x, b[j].y, zb}, nj, {u1, zb * uvScale + 0.02}});
        uint32_t v3 = mesh.addVertex({{b[i].x, b[i].y, zb}, ni, {u0, zb * uvScale + 0.02}});
        mesh.addQuad(v0, v1, v2, v3);
        run += len;
    }
}

MeshBuilder extrude(std::vector<Contour> contours, const ExtrudeParams& params) {
    ExtrudeParams p = params;
    // A thin slab casts the shadow of its two faces: its chamfers and walls are thinner than
    // the shadow's softened edge. A long one (an arbor) keeps its walls, which are its shadow.
    const bool facesOnly = meshDetail() == MeshDetail::caster && p.zBack - p.zFront <= kThinSlab;
    if (facesOnly) {
        p.bevelFront = p.bevelBack = 0;
        p.backCap = true;
    }
    orientContours(contours);
    MeshBuilder mesh;
    std::vector<Contour> front = contours, back = contours;
    if (p.bevelFront > 0)
        for (Contour& c : front) c = insetContour(c, p.bevelFront);
    if (p.bevelBack > 0)
        for (Contour& c : back) c = insetContour(c, p.bevelBack);
    addCap(mesh, front, p.zFront, true, p.uv);
    if (p.backCap) addCap(mesh, back, p.zBack, false, p.uv);
    const double uvScale = p.uv.scale;
    for (size_t k = 0; k < contours.size(); ++k) {
        double z0 = p.zFront + p.bevelFront, z1 = p.zBack - p.bevelBack;
        if (p.bevelFront > 0) addBand(mesh, front[k], p.zFront, contours[k], z0, uvScale, p.smoothDegrees);
        if (!facesOnly) addBand(mesh, contours[k], z0, contours[k], z1, uvScale, p.smoothDegrees);
        if (p.bevelBack > 0) addBand(mesh, contours[k], z1, back[k], p.zBack, uvScale, p.smoothDegrees);
    }
    return mesh;
}

}  // namespace contentgen
