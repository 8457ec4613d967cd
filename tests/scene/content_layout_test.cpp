// The clock's content fitted to the scene that places it: each counter texture gives the
// window a counter reads the proportions of the drum face it is drawn on, the wheels that
// the clock turns against each other really mesh where it puts them, and the clock stays
// in view with a margin all round the camera's orbit at the common screen shapes.
#include "assets/AssetLibrary.h"
#include "scene/ClockScene.h"

#include <ZarnTimeOverride.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <complex>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using V3 = std::array<double, 3>;

const std::string kMedia = std::string(ZARN_BINARY_DIR) + "/data/media/";

struct ObjVertex {
    V3 p;
    double u, v;
};

// Face corners of a generated .obj (positions with their texture coordinates).
std::vector<ObjVertex> readCorners(const std::string& file) {
    std::ifstream in(kMedia + "meshes/" + file);
    std::vector<V3> v;
    std::vector<std::array<double, 2>> t;
    std::vector<ObjVertex> corners;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream s(line);
        std::string k;
        s >> k;
        if (k == "v") {
            V3 p;
            s >> p[0] >> p[1] >> p[2];
            v.push_back(p);
        } else if (k == "vt") {
            std::array<double, 2> uv;
            s >> uv[0] >> uv[1];
            t.push_back(uv);
        } else if (k == "f") {
            for (int c = 0; c < 3; ++c) {
                std::string corner;
                s >> corner;
                long pi = 0, ti = 0, ni = 0;
                if (sscanf(corner.c_str(), "%ld/%ld/%ld", &pi, &ti, &ni) == 3 && pi >= 1 && pi <= long(v.size()) &&
                    ti >= 1 && ti <= long(t.size()))
                    corners.push_back({v[pi - 1], t[ti - 1][0], t[ti - 1][1]});
            }
        }
    }
    return corners;
}

bool pngSize(const std::string& file, uint32_t& w, uint32_t& h) {
    std::ifstream in(kMedia + "textures/" + file, std::ios::binary);
    unsigned char b[24] = {};
    if (!in.read(reinterpret_cast<char*>(b), 24) || b[1] != 'P' || b[2] != 'N' || b[3] != 'G') return false;
    w = (b[16] << 24) | (b[17] << 16) | (b[18] << 8) | b[19];
    h = (b[20] << 24) | (b[21] << 16) | (b[22] << 8) | b[23];
    return true;
}

class ContentLayout : public testing::Test {
protected:
    void SetUp() override {
#ifndef ZARN_CONTENT_GENERATED
        GTEST_SKIP() << "this build does not generate the clock's content";
#endif
    }
};

// Width of a drum face and the length of its curve from v = 0 to v = 1 (what the window
// spans vertically), and whether v = 0 is its top.
struct Face {
    double width = 0, arc = 0;
    bool vDownwards = false;
};

Face measureFace(const std::string& file) {
    std::vector<ObjVertex> corners = readCorners(file);
    Face f;
    if (corners.empty()) return f;
    double x0 = 1e9, x1 = -1e9;
    for (const auto& c : corners) x0 = std::min(x0, c.p[0]), x1 = std::max(x1, c.p[0]);
    f.width = x1 - x0;
    std::vector<ObjVertex> edge;
    for (const auto& c : corners)
        if (std::fabs(c.p[0] - x0) < 1e-6) edge.push_back(c);
    std::sort(edge.begin(), edge.end(), [](const ObjVertex& a, const ObjVertex& b) { return a.v < b.v; });
    for (size_t i = 1; i < edge.size(); ++i)
        f.arc += std::hypot(edge[i].p[1] - edge[i - 1].p[1], edge[i].p[2] - edge[i - 1].p[2]);
    f.vDownwards = edge.front().p[1] > edge.back().p[1] && edge.front().v < 1e-6 && edge.back().v > 1 - 1e-6;
    return f;
}

TEST_F(ContentLayout, CounterWindowsHaveTheProportionsOfTheirFaces) {
    // (face, texture, share of the width read, share of the height read) as the counters
    // set up their texture transforms: odometer digit and separator, then the drums.
    const struct {
        const char* mesh;
        double widthScale;
        const char* texture;
        double readU, readV;
    } windows[] = {
        {"counterDigit.obj", 1.0, "counterDigits.png", 0.3, 0.2},
        {"counterDigit.obj", 1.0 / 3, "counterDigits.png", 0.1, 0.2},  // the separator
        {"counterDouble.obj", 1.0, "counter12.png", 0.6, 2 * 0.05},
        {"counterDouble.obj", 1.0, "counter24.png", 0.6, 2 * 0.025},
        {"counterDouble.obj", 1.0, "counter31.png", 0.6, 2 * 0.025},
        {"counterTriple.obj", 1.0, "counterDay.png", 1.0, 2 * 0.1},
        {"counterTriple.obj", 1.0, "counterMonth.png", 1.0, 2 * 0.05},
    };
    for (const auto& w : windows) {
        Face f = measureFace(w.mesh);
        ASSERT_GT(f.width, 0) << w.mesh;
        EXPECT_TRUE(f.vDownwards) << w.mesh << ": v must run from the top of the face to its bottom";
        uint32_t tw = 0, th = 0;
        ASSERT_TRUE(pngSize(w.texture, tw, th)) << w.texture;
        const double window = (w.readU * tw) / (w.readV * th);
        const double face = f.width * w.widthScale / f.arc;
        EXPECT_NEAR(window / face, 1.0, 0.01) << w.texture << " on " << w.mesh;
    }
    // The normal maps must line up texel for texel with their base maps.
    for (const char* stem : {"counterDigits", "counter12", "counter24", "counter31", "counterDay", "counterMonth"}) {
        uint32_t w0, h0, w1, h1;
        ASSERT_TRUE(pngSize(std::string(stem) + ".png", w0, h0));
        ASSERT_TRUE(pngSize(std::string(stem) + "Normal.png", w1, h1));
        EXPECT_EQ(w0, w1) << stem;
        EXPECT_EQ(h0, h1) << stem;
    }
}

// The toothed outline of the part of a gear lying between z0 and z1 (local coordinates):
// the tip radius and the number of teeth (tip corners, two per tooth, on the unchamfered
// walls). Standard proportions then give the pitch radius (tip = pitch + one module,
// module = 2 pitch / teeth) and the root (1.25 modules inside the pitch circle).
struct Teeth {
    double tip = 0, z = 0;
    int count = 0;
    double pitch() const { return tip * count / (count + 2.0); }
    double module() const { return 2 * pitch() / count; }
    double root() const { return pitch() - 1.25 * module(); }
};

Teeth measureTeeth(const std::string& file, double z0, double z1) {
    std::vector<ObjVertex> corners = readCorners(file);
    Teeth t;
    double zSum = 0;
    int n = 0;
    for (const auto& c : corners) {
        if (c.p[2] < z0 || c.p[2] > z1) continue;
        t.tip = std::max(t.tip, std::hypot(c.p[0], c.p[1]));
        zSum += c.p[2];
        ++n;
    }
    std::vector<long> angles;
    for (const auto& c : corners)
        if (c.p[2] >= z0 && c.p[2] <= z1 && std::hypot(c.p[0], c.p[1]) > t.tip - 1e-4)
            angles.push_back(std::lround(std::atan2(c.p[1], c.p[0]) * 2000));
    std::sort(angles.begin(), angles.end());
    angles.erase(std::unique(angles.begin(), angles.end()), angles.end());
    t.count = static_cast<int>(angles.size() / 2);
    t.z = n ? zSum / n : 0;
    return t;
}

void expectMesh(const Teeth& a, const Teeth& b, double centreDistance, const char* what) {
    EXPECT_NEAR(a.pitch() + b.pitch(), centreDistance, 0.004) << what;
    // Teeth reach into each other's gaps without striking the roots.
    EXPECT_LT(a.tip + b.root(), centreDistance) << what;
    EXPECT_LT(b.tip + a.root(), centreDistance) << what;
    EXPECT_GT(a.tip + b.tip, centreDistance + 0.5 * (a.tip - a.root())) << what;
    // Meshing wheels share one tooth size.
    EXPECT_NEAR(a.module(), b.module(), 1e-3) << what;
}

TEST_F(ContentLayout, WheelsTurnedAgainstEachOtherMeshWhereTheClockPlacesThem) {
    // The two toothed wheels at (-0.955, 0) and (0.955, 0) turn at one rate in opposite senses.
    Teeth toothy = measureTeeth("toothyGear.obj", -0.03, 0.03);
    ASSERT_GT(toothy.count, 0);
    // An odd count sets a gap of one wheel against a tooth of the other when both are drawn
    // from one mesh turning in opposite senses.
    EXPECT_EQ(toothy.count % 2, 1);
    expectMesh(toothy, toothy, 1.91, "toothed wheels");
    // Extra gear A: the lower copy's wheel (one turn in two minutes) drives the upper copy's
    // pinion (one turn in thirty seconds), 4 to 1, between (2.416, 1.356, 0.468) and
    // (2.275, 2.161, 0.363).
    Teeth wheel = measureTeeth("extraGearA.obj", -0.03, 0.03);
    Teeth pinion = measureTeeth("extraGearA.obj", 0.07, 0.14);
    ASSERT_GT(pinion.count, 0);
    expectMesh(wheel, pinion, std::hypot(2.416 - 2.275, 1.356 - 2.161), "extra gear A wheel and pinion");
    EXPECT_EQ(wheel.count, 4 * pinion.count);
    EXPECT_NEAR(0.363 + pinion.z, 0.468 + wheel.z, 0.01) << "the pinion must lie in the driving wheel's plane";
}

// ---- tooth phases -------------------------------------------------------------------------------

// Vertex positions of a generated text .x mesh (its Mesh template's list).
std::vector<V3> readXPositions(const std::string& file) {
    std::ifstream in(kMedia + "meshes/" + file);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string body = ss.str();
    const size_t at = body.find("Mesh {");
    if (at == std::string::npos) return {};
    body = body.substr(at + 6);
    for (char& c : body)
        if (c == ';' || c == ',') c = ' ';
    std::istringstream s(body);
    size_t n = 0;
    s >> n;
    std::vector<V3> v(n);
    for (V3& p : v) s >> p[0] >> p[1] >> p[2];
    return s.fail() ? std::vector<V3>{} : v;
}

double dot3(V3 a, V3 b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
V3 cross3(V3 a, V3 b) { return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]}; }
V3 sub3(V3 a, V3 b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
V3 unit3(V3 a) {
    const double l = std::sqrt(dot3(a, a));
    return {a[0] / l, a[1] / l, a[2] / l};
}

// One toothed ring of a part: the tip corners of its teeth (for a bevel ring, those of its
// big end), found as the points farthest from the part's axis within a band along it.
struct ToothRing {
    std::vector<V3> tips;
    int teeth = 0;
};

ToothRing ringOf(const std::string& file, int axis, double from, double to) {
    std::vector<V3> points;
    if (file.ends_with(".x")) {
        points = readXPositions(file);
    } else {
        for (const auto& c : readCorners(file)) points.push_back(c.p);
    }
    auto radial = [axis](const V3& p) { return std::hypot(p[(axis + 1) % 3], p[(axis + 2) % 3]); };
    double tip = 0;
    for (const V3& p : points)
        if (p[axis] >= from && p[axis] <= to) tip = std::max(tip, radial(p));
    ToothRing ring;
    std::vector<long> angles;
    for (const V3& p : points)
        if (p[axis] >= from && p[axis] <= to && radial(p) > tip - 1e-4) {
            const long a = std::lround(std::atan2(p[(axis + 2) % 3], p[(axis + 1) % 3]) * 2000);
            if (std::find(angles.begin(), angles.end(), a) != angles.end()) continue;
            angles.push_back(a);
            ring.tips.push_back(p);
        }
    ring.teeth = int(ring.tips.size() / 2);
    return ring;
}

V3 transformPoint(const D3DXMATRIX& m, const V3& p) {
    return {p[0] * m._11 + p[1] * m._21 + p[2] * m._31 + m._41, p[0] * m._12 + p[1] * m._22 + p[2] * m._32 + m._42,
            p[0] * m._13 + p[1] * m._23 + p[2] * m._33 + m._43};
}

// A ring as the clock poses it: its tips in the world, its axis and the centre of its tips.
struct PosedRing {
    std::vector<V3> tips;
    V3 axis, centre;
    int teeth;
};

PosedRing pose(const ToothRing& ring, int localAxis, const D3DXMATRIX& m) {
    PosedRing p{{}, {}, {0, 0, 0}, ring.teeth};
    for (const V3& t : ring.tips) {
        p.tips.push_back(transformPoint(m, t));
        for (int i = 0; i < 3; ++i) p.centre[i] += p.tips.back()[i] / double(ring.tips.size());
    }
    V3 a{0, 0, 0};
    a[localAxis] = 1;
    const V3 o = transformPoint(m, {0, 0, 0}), e = transformPoint(m, a);
    p.axis = unit3(sub3(e, o));
    return p;
}

// Where the nearest tooth stands against a point of contact, in tooth pitches along the
// ring's turning direction (0: a tooth centred on it, 0.5: a gap), and that direction.
double toothOffset(const PosedRing& r, const V3& contact, V3* tangent) {
    V3 d = sub3(contact, r.centre);
    const double along = dot3(d, r.axis);
    const V3 u = unit3({d[0] - along * r.axis[0], d[1] - along * r.axis[1], d[2] - along * r.axis[2]});
    const V3 v = cross3(r.axis, u);
    *tangent = v;
    std::complex<double> sum;
    for (const V3& t : r.tips) {
        const V3 q = sub3(t, r.centre);
        sum += std::polar(1.0, r.teeth * std::atan2(dot3(q, v), dot3(q, u)));
    }
    const double f = std::arg(sum) / (2 * M_PI);
    return f - std::floor(f);
}

// The point of a's tip circle nearest to the centre of b's: where the two rings meet.
V3 contactPoint(const PosedRing& a, const PosedRing& b) {
    const V3 any = std::fabs(a.axis[0]) < 0.9 ? V3{1, 0, 0} : V3{0, 1, 0};
    const V3 u = unit3(cross3(a.axis, any)), v = cross3(a.axis, u);
    const double radius = std::sqrt(dot3(sub3(a.tips[0], a.centre), sub3(a.tips[0], a.centre)));
    V3 best{};
    double bestDistance = 1e9;
    for (int k = 0; k < 3600; ++k) {
        const double t = k * 2 * M_PI / 3600;
        V3 p;
        for (int i = 0; i < 3; ++i) p[i] = a.centre[i] + radius * (std::cos(t) * u[i] + std::sin(t) * v[i]);
        const V3 q = sub3(p, b.centre);
        const double distance = dot3(q, q);
        if (distance < bestDistance) bestDistance = distance, best = p;
    }
    return best;
}

// How far from tooth-in-gap a pair stands at its point of contact, in tooth pitches: 0
// when a tooth of one sits centred in a gap of the other, 0.5 when tooth meets tooth.
double meshError(const PosedRing& a, const PosedRing& b) {
    const V3 contact = contactPoint(a, b);
    V3 ta, tb;
    const double fa = toothOffset(a, contact, &ta), fb = toothOffset(b, contact, &tb);
    // Rolling together, the two rings' teeth move the same way through the contact.
    const double d = dot3(ta, tb) > 0 ? fa - fb : fa + fb;
    const double e = std::fabs(d - std::floor(d) - 0.5);
    return e;
}

TEST_F(ContentLayout, EveryPairOfWheelsMeetsToothInGapAllRoundTheTurn) {
    // Axis and band (local coordinates) of each toothed ring the clock turns against another.
    const ToothRing toothy = ringOf("toothyGear.obj", 2, -0.03, 0.03);
    const ToothRing extraWheel = ringOf("extraGearA.obj", 2, -0.03, 0.03);
    const ToothRing extraPinion = ringOf("extraGearA.obj", 2, 0.07, 0.14);
    const ToothRing driver = ringOf("sideDriver.x", 2, -0.2, 0.01);
    const ToothRing sideMiter = ringOf("sideGear.obj", 0, -1.45, -1.2);
    const ToothRing sideWheel = ringOf("sideGear.obj", 0, 0.1, 0.3);
    const ToothRing mini = ringOf("sideMini.obj", 0, -0.8, -0.6);
    for (const ToothRing* r : {&toothy, &extraWheel, &extraPinion, &driver, &sideMiter, &sideWheel, &mini})
        ASSERT_GT(r->teeth, 5);
    EXPECT_EQ(sideMiter.teeth, driver.teeth);
    EXPECT_EQ(sideWheel.teeth, 2 * mini.teeth);

    setenv("TZ", "UTC", 1);
    tzset();
    AssetLibrary library;
    testing::internal::CaptureStderr();  // an empty library: every lookup warns
    ClockScene scene(library);
    testing::internal::GetCapturedStderr();
    // Instants spread over the day, the hour and the lunar month.
    const struct {
        int mday, hour, minute, second, ms;
    } instants[] = {{1, 0, 0, 0, 0}, {4, 3, 17, 11, 250}, {9, 7, 45, 0, 500}, {13, 13, 2, 30, 0},
                    {18, 16, 31, 7, 750}, {22, 19, 59, 59, 900}, {27, 22, 8, 42, 125}};
    for (const auto& at : instants) {
        struct tm t {};
        t.tm_year = 126;
        t.tm_mon = 11;
        t.tm_mday = at.mday;
        t.tm_hour = at.hour;
        t.tm_min = at.minute;
        t.tm_sec = at.second;
        ZarnPinLocalTime(_mktime64(&t), unsigned(at.ms), false);
        scene.update(40);
        const struct {
            const char* what;
            PosedRing a, b;
        } pairs[] = {
            {"toothed wheels", pose(toothy, 2, scene.toothedGearLeft.transform.matrix),
             pose(toothy, 2, scene.toothedGearRight.transform.matrix)},
            {"extra gear A", pose(extraWheel, 2, scene.extraGearALower.transform.matrix),
             pose(extraPinion, 2, scene.extraGearAUpper.transform.matrix)},
            {"right driver and side gear", pose(driver, 2, scene.sideDriverRight.transform.matrix),
             pose(sideMiter, 0, scene.sideGearRight.transform.matrix)},
            {"right side gear and mini gear", pose(sideWheel, 0, scene.sideGearRight.transform.matrix),
             pose(mini, 0, scene.sideMiniGearRight.transform.matrix)},
            {"left driver and side gear", pose(driver, 2, scene.sideDriverLeft.transform.matrix),
             pose(sideMiter, 0, scene.sideGearLeft.transform.matrix)},
            {"left side gear and mini gear", pose(sideWheel, 0, scene.sideGearLeft.transform.matrix),
             pose(mini, 0, scene.sideMiniGearLeft.transform.matrix)},
        };
        for (const auto& p : pairs)
            EXPECT_LT(meshError(p.a, p.b), 0.08) << p.what << " on day " << at.mday << " at " << at.hour << ":"
                                                 << at.minute << ":" << at.second;
    }
    ZarnUnpinLocalTime();
}

// ---- the camera's orbit -----------------------------------------------------------------------

struct Sphere {
    V3 c;
    double r;
};

// Bounding spheres of a part's mesh at a scene position; a part that spins about an axis
// through its position is bounded by the farthest point from that position.
Sphere bound(const std::string& file, V3 at) {
    double r = 0;
    V3 lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
    for (const auto& c : readCorners(file)) {
        r = std::max(r, std::sqrt(c.p[0] * c.p[0] + c.p[1] * c.p[1] + c.p[2] * c.p[2]));
        for (int i = 0; i < 3; ++i) lo[i] = std::min(lo[i], c.p[i]), hi[i] = std::max(hi[i], c.p[i]);
    }
    (void)lo, (void)hi;
    return {at, r};
}

TEST_F(ContentLayout, ClockStaysInViewAllRoundTheOrbit) {
    std::vector<Sphere> parts;
    // The frame does not move: its box corners, each as a point.
    {
        V3 lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
        for (const auto& c : readCorners("frame.obj"))
            for (int i = 0; i < 3; ++i) lo[i] = std::min(lo[i], c.p[i]), hi[i] = std::max(hi[i], c.p[i]);
        for (int k = 0; k < 8; ++k) parts.push_back({{k & 1 ? hi[0] : lo[0], k & 2 ? hi[1] : lo[1], k & 4 ? hi[2] : lo[2]}, 0});
    }
    const struct {
        const char* mesh;
        V3 at;
    } placed[] = {
        {"minuteHand.obj", {0, 0, 0}},          {"hourHand.obj", {0, 0, 0}},
        {"logoZ.obj", {-1.293, 1.342, 0}},      {"logoN.obj", {1.281, 1.342, 0}},
        {"globe.obj", {4.28, 0, 0.404}},        {"moon.obj", {-4.28, 0, 0.404}},
        {"fancyGear.obj", {0, -2.174, 0}},      {"fancySecondary.obj", {-1.839, -1.846, 0}},
        {"toothyGear.obj", {-0.955, 0, 0.139}}, {"toothyGear.obj", {0.955, 0, 0.139}},
        {"extraGearA.obj", {2.275, 2.161, 0.363}},
        {"extraGearA.obj", {2.416, 1.356, 0.468}}, {"extraGearB.obj", {2.275, 2.161, 0.777}},
        {"fancyGear.obj", {2.012, -1.44, 0.496}}, {"fancyGear.obj", {-1.748, 1.505, 0.526}},
        {"pendulum.strip", {0, -1.62, 0.30}},
    };
    for (const auto& p : placed) {
        if (std::string(p.mesh).ends_with(".obj")) {
            parts.push_back(bound(p.mesh, p.at));
            ASSERT_GT(parts.back().r, 0) << p.mesh;
        }
    }
    // The pendulum (a strip mesh) at both ends of its swing of up to 7 degrees: the bob 1.75
    // below the pivot (radius under 0.3) and the regulating nut 2.12 below it.
    for (double side : {-1.0, 1.0}) {
        const double a = side * 7 * M_PI / 180;
        parts.push_back({{1.75 * std::sin(a), -1.62 - 1.75 * std::cos(a), 0.30}, 0.3});
        parts.push_back({{2.12 * std::sin(a), -1.62 - 2.12 * std::cos(a), 0.30}, 0.06});
    }
    // The side trains turn about tilted axes; bound them as they stand: each side gear by
    // its two bevel rings (0.42 round the x axis at its ends), each mini gear by its pinion
    // on the side of the globe towards the clock, each driver (a .x mesh) by its ring.
    for (double s : {-1.0, 1.0}) {
        parts.push_back({{s * (3.46 - 1.36), 0, 0.404}, 0.45});
        parts.push_back({{s * (3.46 + 0.2), 0, 0.404}, 0.45});
        parts.push_back({{s * (4.28 - 0.513), s * 0.513, 0.404}, 0.25});
    }
    parts.push_back({{2.507, 0, 0.791}, 0.45});
    parts.push_back({{-2.507, 0, 0.791}, 0.45});

    const double tanHalfFov = std::tan(0.7853982 / 2);
    for (double aspect : {16.0 / 9, 16.0 / 10, 4.0 / 3})
        for (int k = 0; k < 8; ++k) {
            const double phi = k * M_PI / 4;
            const V3 eye{2 * std::cos(phi), 2 * std::sin(phi), -10}, target{0, -0.2, 0};
            V3 z{target[0] - eye[0], target[1] - eye[1], target[2] - eye[2]};
            double zl = std::sqrt(z[0] * z[0] + z[1] * z[1] + z[2] * z[2]);
            for (double& c : z) c /= zl;
            V3 x{z[2], 0, -z[0]};  // up × z for up = (0, 1, 0)
            double xl = std::hypot(x[0], x[2]);
            x[0] /= xl, x[2] /= xl;
            V3 y{z[1] * x[2] - z[2] * x[1], z[2] * x[0] - z[0] * x[2], z[0] * x[1] - z[1] * x[0]};
            double worstX = 0, worstY = 0;
            for (const Sphere& s : parts) {
                V3 d{s.c[0] - eye[0], s.c[1] - eye[1], s.c[2] - eye[2]};
                double vx = d[0] * x[0] + d[1] * x[1] + d[2] * x[2];
                double vy = d[0] * y[0] + d[1] * y[1] + d[2] * y[2];
                double vz = d[0] * z[0] + d[1] * z[1] + d[2] * z[2];
                ASSERT_GT(vz - s.r, 3.0) << "inside the near plane";
                ASSERT_LT(vz + s.r, 20.0) << "beyond the far plane";
                worstX = std::max(worstX, (std::fabs(vx) + s.r) / ((vz - s.r) * tanHalfFov * aspect));
                worstY = std::max(worstY, (std::fabs(vy) + s.r) / ((vz - s.r) * tanHalfFov));
            }
            EXPECT_LT(worstX, 0.97) << "aspect " << aspect << ", orbit step " << k << " reaches " << worstX;
            EXPECT_LT(worstY, 0.97) << "aspect " << aspect << ", orbit step " << k << " reaches " << worstY;
        }
}

}  // namespace
