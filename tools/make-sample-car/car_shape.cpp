#include "car_shape.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <numbers>
#include <optional>
#include <span>
#include <stdexcept>
#include <utility>

namespace korvex::samplecar {

namespace {

constexpr float Pi = std::numbers::pi_v<float>;

// ---------------------------------------------------------------------------
// Small vector arithmetic

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 operator*(Vec3 a, float k) {
    return {a.x * k, a.y * k, a.z * k};
}
Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float length(Vec3 a) {
    return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
}
Vec3 normalised(Vec3 a) {
    return a * (1.0f / length(a));
}
float lerp(float a, float b, float t) {
    return a + (b - a) * t;
}
Vec3 lerp(Vec3 a, Vec3 b, float t) {
    return a + (b - a) * t;
}
float clamp01(float t) {
    return std::clamp(t, 0.0f, 1.0f);
}
float smoothStep(float t) {
    t = clamp01(t);
    return t * t * (3 - 2 * t);
}

// A sign-keeping power of a cosine or sine: the superellipse family, from a
// circle (power 1) towards a box (power near 0). Values within rounding of
// zero are taken as zero so that poles and seams close exactly.
float signedPower(float value, float power) {
    if (std::abs(value) < 1e-6f) return 0.0f;
    return std::copysign(std::pow(std::abs(value), power), value);
}
float powCos(float angle, float power) {
    return signedPower(std::cos(angle), power);
}
float powSin(float angle, float power) {
    return signedPower(std::sin(angle), power);
}

// An origin with right-handed unit axes, for placing shapes built about their own centre.
struct Frame {
    Vec3 origin;
    Vec3 ex{1, 0, 0}, ey{0, 1, 0}, ez{0, 0, 1};

    Vec3 at(float x, float y, float z) const { return origin + ex * x + ey * y + ez * z; }
};

// At `origin`, with the car's own axes.
Frame upright(Vec3 origin) {
    return Frame{origin};
}

// Turned about z by `angle`; a positive angle leans the y axis back towards -x.
Frame pitched(Vec3 origin, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    return Frame{origin, {c, s, 0}, {-s, c, 0}, {0, 0, 1}};
}

// Turned about its own z axis by `angle`.
Frame turned(const Frame& frame, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    return Frame{frame.origin, frame.ex * c + frame.ey * s, frame.ey * c - frame.ex * s, frame.ez};
}

// ---------------------------------------------------------------------------
// Grids of surface points and the strips made from them

// A patch of surface sampled rows x cols, stored row by row. The side that
// (next row - this row) x (next column - this column) points to is the
// outside: normals and triangle winding both face it.
struct Grid {
    int rows = 0;
    int cols = 0;
    std::vector<Vec3> points;
    bool closedRows = false;  // the last row lies on the first: a closed loop
    bool closedCols = false;  // the last column lies on the first

    std::size_t index(int r, int c) const { return static_cast<std::size_t>(r) * cols + c; }
    Vec3 at(int r, int c) const { return points[index(r, c)]; }
};

Grid makeGrid(int rows, int cols, const std::function<Vec3(int, int)>& pointAt) {
    Grid grid;
    grid.rows = rows;
    grid.cols = cols;
    grid.points.reserve(static_cast<std::size_t>(rows) * cols);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) grid.points.push_back(pointAt(r, c));
    return grid;
}

// Samples surface(s, t) with s and t each running evenly over 0..1.
Grid sampleGrid(int rows, int cols, const std::function<Vec3(float, float)>& surface) {
    return makeGrid(rows, cols, [&](int r, int c) {
        return surface(static_cast<float>(r) / (rows - 1), static_cast<float>(c) / (cols - 1));
    });
}

// The grid turned half a turn about the vertical axis (a rotation keeps the outside outside).
Grid turnedAboutY(Grid grid) {
    for (Vec3& p : grid.points) p = {-p.x, p.y, -p.z};
    return grid;
}

// The mirror image across the centre plane z = 0. A mirror turns a surface
// inside out, so the columns are reversed to keep its outside outside.
Grid mirroredZ(const Grid& grid) {
    Grid mirror = grid;
    for (int r = 0; r < grid.rows; ++r) {
        for (int c = 0; c < grid.cols; ++c) {
            const Vec3 p = grid.at(r, grid.cols - 1 - c);
            mirror.points[grid.index(r, c)] = {p.x, p.y, -p.z};
        }
    }
    return mirror;
}

constexpr float NoArea = 1e-10f;

// Each quad adds its area vector (the cross product of its diagonals) to its
// four corners, so big faces weigh more and collapsed quads add nothing.
std::vector<Vec3> areaSums(const Grid& grid) {
    std::vector<Vec3> sums(grid.points.size());
    for (int r = 0; r + 1 < grid.rows; ++r) {
        for (int c = 0; c + 1 < grid.cols; ++c) {
            const Vec3 area = cross(grid.at(r + 1, c + 1) - grid.at(r, c), grid.at(r, c + 1) - grid.at(r + 1, c));
            for (const auto& [dr, dc] : {std::pair{0, 0}, std::pair{0, 1}, std::pair{1, 0}, std::pair{1, 1}})
                sums[grid.index(r + dr, c + dc)] = sums[grid.index(r + dr, c + dc)] + area;
        }
    }
    return sums;
}

// On a closed loop the first and last rows (or columns) are the same points
// and must share one normal, or the seam would show.
void joinSeams(const Grid& grid, std::vector<Vec3>& sums) {
    if (grid.closedCols) {
        for (int r = 0; r < grid.rows; ++r) {
            const Vec3 both = sums[grid.index(r, 0)] + sums[grid.index(r, grid.cols - 1)];
            sums[grid.index(r, 0)] = sums[grid.index(r, grid.cols - 1)] = both;
        }
    }
    if (grid.closedRows) {
        for (int c = 0; c < grid.cols; ++c) {
            const Vec3 both = sums[grid.index(0, c)] + sums[grid.index(grid.rows - 1, c)];
            sums[grid.index(0, c)] = sums[grid.index(grid.rows - 1, c)] = both;
        }
    }
}

// Where a surface collapses to a line or a point (glass of no height over the
// hood, a flat row of an end cap), a vertex has no area around it; it takes
// the nearest normal along its row, or failing that along its column.
void borrowCollapsedNormals(const Grid& grid, std::vector<Vec3>& sums) {
    const std::vector<Vec3> own = sums;
    const auto usable = [&](int r, int c) {
        return r >= 0 && r < grid.rows && c >= 0 && c < grid.cols && length(own[grid.index(r, c)]) > NoArea;
    };
    const int reach = std::max(grid.rows, grid.cols);
    for (int r = 0; r < grid.rows; ++r) {
        for (int c = 0; c < grid.cols; ++c) {
            if (usable(r, c)) continue;
            std::optional<Vec3> found;
            for (const auto& [dr, dc] : {std::pair{0, 1}, std::pair{1, 0}}) {
                for (int d = 1; d < reach && !found; ++d) {
                    if (usable(r - d * dr, c - d * dc))
                        found = own[grid.index(r - d * dr, c - d * dc)];
                    else if (usable(r + d * dr, c + d * dc))
                        found = own[grid.index(r + d * dr, c + d * dc)];
                }
            }
            if (found) sums[grid.index(r, c)] = *found;
        }
    }
}

std::vector<Vec3> gridNormals(const Grid& grid) {
    std::vector<Vec3> normals = areaSums(grid);
    joinSeams(grid, normals);
    borrowCollapsedNormals(grid, normals);
    for (Vec3& n : normals) n = length(n) > NoArea ? normalised(n) : Vec3{0, 1, 0};
    return normals;
}

constexpr std::size_t MaxPartVertices = 65536;  // strips hold 16-bit indices

// The shapes are drawn in the proportions of a real car about 4.3 units
// long; the file holds them smaller, so the viewer's starting distance
// shows the whole car as it turns.
constexpr float FileScale = 0.6f;

// Where a grid's texture coordinates go: u from `left` across `width`, v
// from `top` down `height`.
struct UvRect {
    float left = 0, top = 0, width = 1, height = 1;
};

// Adds the grid to the part as one strip piece per pair of rows. Pieces are
// joined by repeating the last index of one and the first of the next; the
// triangles this makes have no area, and since every piece has an even length
// each starts on an even position, so every real triangle keeps the winding
// that faces the grid's outside.
void appendGrid(CarPart& part, const Grid& grid, UvRect uv) {
    const std::size_t base = part.vertices.size();
    if (base + grid.points.size() > MaxPartVertices)
        throw std::length_error(part.code + " has more vertices than 16-bit indices can reach");
    const std::vector<Vec3> normals = gridNormals(grid);
    for (int r = 0; r < grid.rows; ++r) {
        for (int c = 0; c < grid.cols; ++c) {
            const Vec3 p = grid.at(r, c), n = normals[grid.index(r, c)];
            const float u = uv.left + uv.width * static_cast<float>(c) / (grid.cols - 1);
            const float v = uv.top + uv.height * static_cast<float>(r) / (grid.rows - 1);
            part.vertices.push_back(
                ModelVertex{{p.x * FileScale, p.y * FileScale, p.z * FileScale}, 0, {n.x, n.y, n.z}, 0, {u, v}});
        }
    }
    const auto index = [&](int r, int c) { return static_cast<uint16_t>(base + grid.index(r, c)); };
    for (int r = 0; r + 1 < grid.rows; ++r) {
        if (!part.strip.empty()) {
            part.strip.push_back(part.strip.back());
            part.strip.push_back(index(r, 0));
        }
        for (int c = 0; c < grid.cols; ++c) {
            part.strip.push_back(index(r, c));
            part.strip.push_back(index(r + 1, c));
        }
    }
}

// ---------------------------------------------------------------------------
// Shapes of revolution and rounded boxes

struct RadialPoint {
    float radius = 0;
    float along = 0;  // along the axis
};
using RadialProfile = std::function<RadialPoint(float)>;

RadialProfile segment(RadialPoint from, RadialPoint to) {
    return [=](float s) { return RadialPoint{lerp(from.radius, to.radius, s), lerp(from.along, to.along, s)}; };
}

// A surface of revolution about the frame's z axis: rows follow the profile,
// columns turn through the given angles. A profile running clockwise in the
// (radius, along) plane - outwards over a face that looks along +z - has its
// outside facing out.
Grid lathe(const Frame& axis, int rows, int cols, float fromAngle, float toAngle, const RadialProfile& profile) {
    Grid grid = sampleGrid(rows, cols, [&](float s, float t) {
        const RadialPoint p = profile(s);
        const float angle = lerp(fromAngle, toAngle, t);
        return axis.at(p.radius * std::cos(angle), p.radius * std::sin(angle), p.along);
    });
    grid.closedCols = toAngle - fromAngle > 2 * Pi - 1e-4f;
    return grid;
}

Grid fullLathe(const Frame& axis, int rows, int cols, const RadialProfile& profile) {
    return lathe(axis, rows, cols, 0, 2 * Pi, profile);
}

// A closed ring whose section is a superellipse about (radius, along) with
// the given half sizes; power 1 makes a round tube, smaller powers a squarer one.
Grid ring(const Frame& axis, int rows, int cols, RadialPoint centre, RadialPoint half, float power) {
    Grid ring = fullLathe(axis, rows, cols, [=](float s) {
        const float angle = -2 * Pi * s;  // clockwise, so the outside faces out
        return RadialPoint{centre.radius + half.radius * powCos(angle, power),
                           centre.along + half.along * powSin(angle, power)};
    });
    ring.closedRows = true;
    return ring;
}

// A box with rounded edges (a superellipsoid) of the given half sizes.
Grid roundedBox(const Frame& frame, Vec3 half) {
    constexpr float Power = 0.4f;
    Grid box = sampleGrid(9, 13, [&](float s, float t) {
        const float latitude = lerp(-Pi / 2, Pi / 2, s), longitude = lerp(-Pi, Pi, t);
        const float ring = powCos(latitude, Power);
        return frame.at(half.x * ring * powCos(longitude, Power), half.y * powSin(latitude, Power),
                        half.z * ring * powSin(longitude, Power));
    });
    box.closedCols = true;
    return box;
}

// ---------------------------------------------------------------------------
// Smooth profiles along the car

// A smooth curve through (x, value) keys. Tangents are the harmonic mean of
// the slopes on either side and flat where the keys turn, so the curve never
// overshoots them; outside the keys it holds the end values.
class Profile {
public:
    struct Key {
        float x;
        float value;
    };

    explicit Profile(std::vector<Key> keys) : keys_(std::move(keys)), tangents_(keys_.size()) {
        std::vector<float> slopes;
        for (std::size_t i = 0; i + 1 < keys_.size(); ++i)
            slopes.push_back((keys_[i + 1].value - keys_[i].value) / (keys_[i + 1].x - keys_[i].x));
        tangents_.front() = slopes.front();
        tangents_.back() = slopes.back();
        for (std::size_t i = 1; i + 1 < keys_.size(); ++i) {
            const float a = slopes[i - 1], b = slopes[i];
            tangents_[i] = a * b > 0 ? 2 * a * b / (a + b) : 0.0f;
        }
    }

    float operator()(float x) const {
        if (x <= keys_.front().x) return keys_.front().value;
        if (x >= keys_.back().x) return keys_.back().value;
        const auto after =
            std::upper_bound(keys_.begin(), keys_.end(), x, [](float v, const Key& k) { return v < k.x; });
        const std::size_t i = static_cast<std::size_t>(after - keys_.begin()) - 1;
        const float h = keys_[i + 1].x - keys_[i].x, t = (x - keys_[i].x) / h;
        const float t2 = t * t, t3 = t2 * t;
        return (2 * t3 - 3 * t2 + 1) * keys_[i].value + (t3 - 2 * t2 + t) * h * tangents_[i] +
               (3 * t2 - 2 * t3) * keys_[i + 1].value + (t3 - t2) * h * tangents_[i + 1];
    }

private:
    std::vector<Key> keys_;
    std::vector<float> tangents_;
};

// ---------------------------------------------------------------------------
// The body shell

constexpr float AxleX = 1.35f;          // front axle at +AxleX, rear at -AxleX
constexpr float WheelCentreY = -0.37f;  // tyres touch the ground at y = -0.70
constexpr float WheelCentreZ = 0.76f;
constexpr float ArchRadius = 0.46f;
constexpr float ArchCentreY = -0.45f;  // below the axle, so the arch meets the sill almost flush
constexpr float ShoulderRadius = 0.07f;
constexpr float RoofHalfWidth = 0.62f;

// Stations along x (front at +x): where the panels meet and the wheel arches end.
enum Station {
    RearEnd,
    TrunkStart,
    RearArchBack,
    BackGlassStart,
    RearGlassEnd,
    RoofStart,
    RearArchFront,
    BPillarBack,
    BPillarFront,
    RoofEnd,
    Cowl,
    FrontArchBack,
    FrontArchFront,
    NoseStart,
    FrontEnd,
    StationCount
};
constexpr std::array<float, StationCount> StationX = {
    -2.12f,               // RearEnd
    -1.97f,               // TrunkStart
    -AxleX - ArchRadius,  // RearArchBack
    -1.52f,               // BackGlassStart
    -1.15f,               // RearGlassEnd
    -0.95f,               // RoofStart
    -AxleX + ArchRadius,  // RearArchFront
    -0.42f,               // BPillarBack
    -0.34f,               // BPillarFront
    0.02f,                // RoofEnd
    0.80f,                // Cowl
    AxleX - ArchRadius,   // FrontArchBack
    AxleX + ArchRadius,   // FrontArchFront
    1.95f,                // NoseStart
    2.12f,                // FrontEnd
};
static_assert(std::ranges::is_sorted(StationX), "stations run from the rear to the front");

// Marks along the left half of a cross-section, from the sill (0) up the
// flank, over the shoulder and the deck, up the side glass to the roof edge
// and across the top to the crown (1). The right half mirrors it.
enum SectionMark { Sill, Shoulder, DeckEdge, GlassBase, Rail, RoofEdge, PillarInner, Crown, SectionMarkCount };
constexpr std::array<float, SectionMarkCount> SectionSigma = {0.0f, 0.3f, 0.36f, 0.42f, 0.57f, 0.6f, 0.64f, 1.0f};
static_assert(std::ranges::is_sorted(SectionSigma), "section marks run from the sill to the crown");

class BodyShape {
public:
    BodyShape()
        : sill_(
              {{-2.12f, -0.36f}, {-1.96f, -0.45f}, {-1.8f, -0.48f}, {1.8f, -0.48f}, {1.96f, -0.45f}, {2.12f, -0.36f}}),
          deck_({{-2.12f, 0.12f},
                 {-2.05f, 0.22f},
                 {-1.97f, 0.26f},
                 {-1.52f, 0.27f},
                 {0.8f, 0.21f},
                 {1.35f, 0.15f},
                 {1.95f, 0.07f},
                 {2.06f, 0.02f},
                 {2.12f, -0.06f}}),
          halfWidth_({{-2.12f, 0.76f},
                      {-2.05f, 0.84f},
                      {-1.9f, 0.88f},
                      {-1.3f, 0.9f},
                      {1.3f, 0.9f},
                      {1.9f, 0.87f},
                      {2.05f, 0.82f},
                      {2.12f, 0.72f}}),
          roofLine_({{StationX[BackGlassStart], deck_(StationX[BackGlassStart])},
                     {-1.25f, 0.44f},
                     {StationX[RoofStart], 0.57f},
                     {-0.45f, 0.61f},
                     {StationX[RoofEnd], 0.58f},
                     {0.42f, 0.4f},
                     {StationX[Cowl], deck_(StationX[Cowl])}}) {}

    // A point of the section loop at x; tau runs from the left sill (0) over
    // the crown (1) to the right sill (2). Left is -z: the car faces +x with y up.
    Vec3 loopPoint(float x, float tau) const {
        if (tau <= 1) return halfSection(x, tau);
        const Vec3 p = halfSection(x, 2 - tau);
        return {p.x, p.y, -p.z};
    }

    // The lower edge of the left flank, which runs round the wheel arches.
    Vec3 leftSillEdge(float x) const { return halfSection(x, 0); }

private:
    float bottomEdge(float x) const {
        float y = sill_(x);
        for (const float axle : {-AxleX, AxleX}) {
            const float dx = x - axle;
            if (std::abs(dx) < ArchRadius) y = std::max(y, ArchCentreY + std::sqrt(ArchRadius * ArchRadius - dx * dx));
        }
        return y;
    }

    // A lip standing out from the flank along each arch's edge, fading over a hand's width.
    static float archFlare(float x, float y) {
        float flare = 0;
        for (const float axle : {-AxleX, AxleX}) {
            const float fromEdge = std::hypot(x - axle, y - ArchCentreY) - ArchRadius;
            const float fade = clamp01(1 - fromEdge / 0.1f);
            flare = std::max(flare, 0.025f * fade * fade);
        }
        return flare;
    }

    // The glasshouse stands only between the back window's foot and the cowl.
    float roofEdgeHeight(float x) const {
        const float deck = deck_(x);
        if (x <= StationX[BackGlassStart] || x >= StationX[Cowl]) return deck;
        return std::max(deck, roofLine_(x));
    }

    Vec3 halfSection(float x, float sigma) const {
        const float bottom = bottomEdge(x), deck = deck_(x), roof = roofEdgeHeight(x), width = halfWidth_(x);
        const float glassBaseWidth = width - 0.15f;
        // How far the glasshouse has risen: 0 over the hood and trunk, 1 under the roof.
        const float cabin = smoothStep((roof - deck) / 0.3f);
        const float roofWidth = lerp(glassBaseWidth, RoofHalfWidth, cabin);
        const auto part = [sigma](SectionMark from, SectionMark to) {
            return (sigma - SectionSigma[from]) / (SectionSigma[to] - SectionSigma[from]);
        };
        const auto point = [x](float halfWidth, float y) { return Vec3{x, y, -halfWidth}; };

        if (sigma <= SectionSigma[Shoulder]) {
            // The flank tucks in towards the sill and flares out round the arches.
            const float y = lerp(bottom, deck - ShoulderRadius, part(Sill, Shoulder));
            const float tuck = clamp01((deck - ShoulderRadius - y) / 0.6f);
            return point(width - 0.07f * tuck * tuck + archFlare(x, y), y);
        }
        if (sigma <= SectionSigma[DeckEdge]) {
            const float angle = part(Shoulder, DeckEdge) * Pi / 2;
            return point(width - ShoulderRadius * (1 - std::cos(angle)), deck - ShoulderRadius * (1 - std::sin(angle)));
        }
        if (sigma <= SectionSigma[GlassBase])
            return point(lerp(width - ShoulderRadius, glassBaseWidth, part(DeckEdge, GlassBase)), deck);
        if (sigma <= SectionSigma[RoofEdge]) {
            // The side glass leans in towards the roof and bows out a little.
            const float s = part(GlassBase, RoofEdge);
            return point(lerp(glassBaseWidth, roofWidth, s) + 0.015f * cabin * std::sin(Pi * s), lerp(deck, roof, s));
        }
        const float s = part(RoofEdge, Crown);
        const float crown = lerp(0.025f, 0.045f, cabin);
        return point(roofWidth * (1 - s), roof + crown * s * (2 - s));
    }

    // roofLine_ starts and ends on deck_, so it is declared (and built) after it.
    Profile sill_, deck_, halfWidth_, roofLine_;
};

// Parameter values through fixed marks: the gap after mark k is cut into
// steps[k] equal parts, and markIndex[k] is the sample lying on mark k.
struct Samples {
    std::vector<float> values;
    std::vector<int> markIndex;
};

Samples subdivide(std::span<const float> marks, std::span<const int> steps) {
    Samples samples;
    for (std::size_t k = 0; k < marks.size(); ++k) {
        samples.markIndex.push_back(static_cast<int>(samples.values.size()));
        if (k + 1 == marks.size()) break;
        for (int i = 0; i < steps[k]; ++i)
            samples.values.push_back(lerp(marks[k], marks[k + 1], static_cast<float>(i) / steps[k]));
    }
    samples.values.push_back(marks.back());
    return samples;
}

// Steps of at most about `spacing`, at least one per gap.
std::vector<int> stepsForSpacing(std::span<const float> marks, float spacing) {
    std::vector<int> steps;
    for (std::size_t k = 0; k + 1 < marks.size(); ++k)
        steps.push_back(std::max(1, static_cast<int>(std::ceil((marks[k + 1] - marks[k]) / spacing - 0.01f))));
    return steps;
}

// Where the body is sampled: stations along x and columns around the loop.
// Column c < half size lies on the left half, its mirror 2m - c on the right.
struct BodySampling {
    Samples stations;
    Samples half;  // sigma values from the left sill to the crown

    BodySampling(float stationSpacing, const std::array<int, SectionMarkCount - 1>& sectionSteps)
        : stations(subdivide(StationX, stepsForSpacing(StationX, stationSpacing))),
          half(subdivide(SectionSigma, sectionSteps)) {}

    int middle() const { return static_cast<int>(half.values.size()) - 1; }
    int leftColumn(SectionMark mark) const { return half.markIndex[mark]; }
    int rightColumn(SectionMark mark) const { return 2 * middle() - half.markIndex[mark]; }
    float tau(int column) const {
        return column <= middle() ? half.values[column] : 2 - half.values[2 * middle() - column];
    }
    float stationX(Station station) const { return stations.values[stations.markIndex[station]]; }
};

// The body between two stations and two loop columns. Rows run around the
// loop and columns along x, which puts the outside outside.
Grid bodyPatch(const BodyShape& body, const BodySampling& sampling, Station from, Station to, int fromColumn,
               int toColumn) {
    const int first = sampling.stations.markIndex[from], last = sampling.stations.markIndex[to];
    return makeGrid(toColumn - fromColumn + 1, last - first + 1, [&](int r, int c) {
        return body.loopPoint(sampling.stations.values[first + c], sampling.tau(fromColumn + r));
    });
}

// Closes an end of the body: each row is a level line across the section
// from a point of the left half to its mirror image.
Grid endCap(const BodyShape& body, const BodySampling& sampling, Station end, int columns) {
    const bool front = end == FrontEnd;
    const float x = sampling.stationX(end);
    return makeGrid(sampling.middle() + 1, columns, [&](int r, int c) {
        const Vec3 left = body.loopPoint(x, sampling.half.values[r]);
        const Vec3 right{left.x, left.y, -left.z};
        const float t = static_cast<float>(c) / (columns - 1);
        return front ? lerp(left, right, t) : lerp(right, left, t);
    });
}

enum class Span { Left, Right, BothSides, Across };

// A panel of the body: stations `from`..`to`, section marks `low`..`high` on
// one or both sides, or from `low` on the left over the crown to `low` on the right.
struct PanelRegion {
    const char* code;
    Station from, to;
    SectionMark low, high;
    Span span;
};

constexpr PanelRegion PanelRegions[] = {
    {"FRNShape", NoseStart, FrontEnd, Sill, Crown, Span::Across},
    {"REARShape", RearEnd, TrunkStart, Sill, Crown, Span::Across},
    {"HOODShape", Cowl, NoseStart, Shoulder, Crown, Span::Across},
    {"TRNKShape", TrunkStart, BackGlassStart, Shoulder, Crown, Span::Across},
    {"TOPShape", RoofStart, RoofEnd, RoofEdge, Crown, Span::Across},
    {"TOPShape", RoofEnd, Cowl, RoofEdge, PillarInner, Span::BothSides},               // A-pillars
    {"TOPShape", BackGlassStart, RoofStart, RoofEdge, PillarInner, Span::BothSides},   // C-pillars
    {"TOPShape", BackGlassStart, RearGlassEnd, GlassBase, RoofEdge, Span::BothSides},  // behind the side glass
    {"TOPShape", RearGlassEnd, Cowl, Rail, RoofEdge, Span::BothSides},                 // above the side glass
    {"TOPShape", BPillarBack, BPillarFront, GlassBase, Rail, Span::BothSides},         // B-pillars
    {"DSShape", TrunkStart, NoseStart, Sill, Shoulder, Span::Left},
    {"DSShape", BackGlassStart, Cowl, Shoulder, GlassBase, Span::Left},
    {"PSShape", TrunkStart, NoseStart, Sill, Shoulder, Span::Right},
    {"PSShape", BackGlassStart, Cowl, Shoulder, GlassBase, Span::Right},
    {"WINShape", RoofEnd, Cowl, PillarInner, Crown, Span::Across},
    {"BWShape", BackGlassStart, RoofStart, PillarInner, Crown, Span::Across},
    {"DWShape", RearGlassEnd, BPillarBack, GlassBase, Rail, Span::Left},
    {"DWShape", BPillarFront, Cowl, GlassBase, Rail, Span::Left},
    {"PWShape", RearGlassEnd, BPillarBack, GlassBase, Rail, Span::Right},
    {"PWShape", BPillarFront, Cowl, GlassBase, Rail, Span::Right},
};

std::vector<Grid> regionGrids(const BodyShape& body, const BodySampling& sampling, const PanelRegion& region) {
    const auto patch = [&](int fromColumn, int toColumn) {
        return bodyPatch(body, sampling, region.from, region.to, fromColumn, toColumn);
    };
    const auto left = [&] { return patch(sampling.leftColumn(region.low), sampling.leftColumn(region.high)); };
    const auto right = [&] { return patch(sampling.rightColumn(region.high), sampling.rightColumn(region.low)); };
    switch (region.span) {
        case Span::Left:
            return {left()};
        case Span::Right:
            return {right()};
        case Span::BothSides:
            return {left(), right()};
        case Span::Across:
            return {patch(sampling.leftColumn(region.low), sampling.rightColumn(region.low))};
    }
    return {};
}

// The lower-detail hull: the whole loop on a coarse sampling, with its ends closed.
std::vector<Grid> hullGrids(const BodyShape& body) {
    const BodySampling coarse(0.45f, {1, 1, 1, 1, 1, 1, 1});
    return {bodyPatch(body, coarse, RearEnd, FrontEnd, 0, 2 * coarse.middle()), endCap(body, coarse, FrontEnd, 5),
            endCap(body, coarse, RearEnd, 5)};
}

// ---------------------------------------------------------------------------
// Bumpers, wheels, brakes and arch liners

// The front bumper: a rounded bar that hugs the nose in plan and wraps back
// round the corners, thinning to nothing at its ends. Rows run round the bar
// and columns along it from left to right, so its outside faces out.
Grid frontBumper() {
    Grid bumper = sampleGrid(13, 41, [](float s, float t) {
        const float along = std::sin(Pi * (t - 0.5f));  // -1..1, crowded towards the wrapped ends
        const float bend = 0.28f * std::pow(std::abs(along), 14.0f);
        const float slope = -14 * bend / (0.9f * along + std::copysign(1e-6f, along));  // dx/dz of the plan curve
        const Vec3 centre{2.14f - bend, -0.31f, 0.9f * along};
        const Vec3 outward = normalised({1, 0, -slope});
        const float thickness = std::pow(1 - std::pow(std::abs(along), 10.0f), 0.3f);
        const float angle = 2 * Pi * s;
        return centre + outward * (0.07f * thickness * powCos(angle, 0.5f)) +
               Vec3{0, 0.085f * thickness * powSin(angle, 0.5f), 0};
    });
    bumper.closedRows = true;
    return bumper;
}

// Wheels are built on the right, their axis pointing out of the car (+z);
// the left ones are mirror images.
Frame rightWheelFrame(float axleX) {
    return upright({axleX, WheelCentreY, WheelCentreZ});
}

// Five spokes of even width between the hub and the rim, dished inwards.
std::vector<Grid> spokes(const Frame& wheel) {
    std::vector<Grid> spokes;
    for (int k = 0; k < 5; ++k) {
        const float direction = 2 * Pi * k / 5 + Pi / 2;
        spokes.push_back(sampleGrid(5, 4, [&](float s, float t) {
            const float radius = lerp(0.06f, 0.2f, s);
            const float angle = direction + (t - 0.5f) * 0.06f / radius;
            return wheel.at(radius * std::cos(angle), radius * std::sin(angle), lerp(0.072f, 0.05f, s));
        }));
    }
    return spokes;
}

// A tyre (a squarish torus), the rim's lip, five spokes and a domed hub.
std::vector<Grid> wheelGrids(const Frame& wheel) {
    std::vector<Grid> grids{ring(wheel, 17, 49, {0.275f, 0}, {0.055f, 0.1f}, 0.5f),
                            fullLathe(wheel, 2, 49, segment({0.19f, 0.065f}, {0.226f, 0.065f}))};
    for (Grid& spoke : spokes(wheel)) grids.push_back(std::move(spoke));
    grids.push_back(fullLathe(wheel, 4, 25, [](float s) { return RadialPoint{0.065f * s, 0.08f - 0.012f * s * s}; }));
    return grids;
}

// A brake disc just inboard of the spokes, and its calliper towards the car's middle.
std::vector<Grid> brakeGrids(const Frame& wheel) {
    constexpr RadialPoint FrontCentre{0, -0.02f}, FrontEdge{0.19f, -0.02f}, BackEdge{0.19f, -0.045f},
        BackCentre{0, -0.045f};
    const float calliperAngle = wheel.origin.x > 0 ? 2.5f : 0.64f;
    const Frame calliper = turned(
        Frame{wheel.at(0.175f * std::cos(calliperAngle), 0.175f * std::sin(calliperAngle), -0.0325f)}, calliperAngle);
    return {fullLathe(wheel, 3, 41, segment(FrontCentre, FrontEdge)),
            fullLathe(wheel, 2, 41, segment(FrontEdge, BackEdge)),
            fullLathe(wheel, 3, 41, segment(BackEdge, BackCentre)), roundedBox(calliper, {0.035f, 0.07f, 0.03f})};
}

constexpr float ArchInnerZ = 0.62f;

// The well of a right-hand wheel arch, so that the arch shows no daylight or
// seats: part of a tube over the wheel from the body's lower edge inwards
// (stopping short of the arch's feet, where the bumpers would not hide its
// back) and a wall closing it on the inside. Rows run over the arch from
// front to back, columns inwards and then towards the arch's centre, so the
// visible sides face the wheel.
std::vector<Grid> archWell(const BodyShape& body, float axleX) {
    const auto arch = [axleX](float angle, float radius) {
        return Vec3{axleX + radius * std::cos(angle), ArchCentreY + radius * std::sin(angle), ArchInnerZ};
    };
    return {sampleGrid(21, 4,
                       [&](float s, float t) {
                           Vec3 p = arch(lerp(0.12f, 0.88f, s) * Pi, ArchRadius);
                           p.z = lerp(-body.leftSillEdge(p.x).z, ArchInnerZ, t);
                           return p;
                       }),
            sampleGrid(21, 3, [&](float s, float t) { return arch(Pi * s, ArchRadius * (1 - t)); })};
}

struct Corner {
    const char* wheelCode;
    const char* brakeCode;
    float axleX;
    bool left;
};

constexpr Corner Corners[] = {
    {"WFLShape", "BRAKE_FLShape", AxleX, true},
    {"WFRShape", "BRAKE_FRShape", AxleX, false},
    {"WRLShape", "BRAKE_RLShape", -AxleX, true},
    {"WRRShape", "BRAKE_RRShape", -AxleX, false},
};

// ---------------------------------------------------------------------------
// Interior

// Cushion, backrest and headrest of a front seat centred at z.
std::vector<Grid> frontSeat(float z) {
    constexpr float Recline = 0.25f;
    return {roundedBox(upright({-0.38f, -0.27f, z}), {0.25f, 0.07f, 0.22f}),
            roundedBox(pitched({-0.66f, 0.05f, z}, Recline), {0.07f, 0.3f, 0.22f}),
            roundedBox(pitched({-0.76f, 0.44f, z}, Recline), {0.05f, 0.08f, 0.13f})};
}

// A steering wheel in front of the left seat, tipped back towards the driver.
std::vector<Grid> steeringWheel() {
    constexpr float Tilt = 0.4f;
    const Vec3 towardsDriver{-std::cos(Tilt), std::sin(Tilt), 0};
    const Frame wheel{{0.2f, 0.12f, -0.37f}, {0, 0, 1}, cross(towardsDriver, {0, 0, 1}), towardsDriver};
    return {ring(wheel, 9, 33, {0.17f, 0}, {0.022f, 0.022f}, 1.0f), roundedBox(wheel, {0.16f, 0.02f, 0.012f}),
            roundedBox(wheel, {0.05f, 0.05f, 0.03f})};
}

std::vector<Grid> interiorGrids() {
    // The floor: rows across the car and columns along it, facing up.
    std::vector<Grid> grids{sampleGrid(5, 9, [](float s, float t) {
        return Vec3{lerp(-1.6f, 0.85f, t), -0.4f, lerp(-0.6f, 0.6f, s)};
    })};
    for (const float z : {-0.37f, 0.37f})
        for (Grid& piece : frontSeat(z)) grids.push_back(std::move(piece));
    grids.push_back(roundedBox(upright({-1.12f, -0.24f, 0}), {0.22f, 0.07f, 0.62f}));       // rear bench
    grids.push_back(roundedBox(pitched({-1.36f, 0.0f, 0}, 0.32f), {0.07f, 0.24f, 0.62f}));  // its backrest
    grids.push_back(roundedBox(upright({0.52f, 0.1f, 0}), {0.16f, 0.1f, 0.7f}));            // dashboard
    grids.push_back(roundedBox(upright({0.0f, -0.33f, 0}), {0.45f, 0.08f, 0.1f}));          // centre console
    for (Grid& piece : steeringWheel()) grids.push_back(std::move(piece));
    return grids;
}

// ---------------------------------------------------------------------------
// Assembly

// Settings rows follow this order.
constexpr std::array PartOrder = {
    "FRNShape", "REARShape",     "HOODShape",     "TRNKShape",     "TOPShape",      "DSShape",  "PSShape",  "FBShape",
    "RBShape",  "WINShape",      "BWShape",       "DWShape",       "PWShape",       "WFLShape", "WFRShape", "WRLShape",
    "WRRShape", "BRAKE_FLShape", "BRAKE_FRShape", "BRAKE_RLShape", "BRAKE_RRShape", "INTShape", "LODShape"};

// The body's panels share one painted picture: each has a cell of a three
// by three layout of it, its main panel the cell's upper three quarters and
// any other pieces side by side below. Every other part covers the whole
// of its picture with each piece.
constexpr std::size_t PaintedParts = 9;

UvRect paintedPiece(std::size_t part, std::size_t piece, std::size_t pieces) {
    constexpr float Cell = 1.0f / 3, Margin = 1.0f / 64;
    const float left = Cell * static_cast<float>(part % 3) + Margin, top = Cell * static_cast<float>(part / 3) + Margin;
    const float inner = Cell - 2 * Margin;
    if (pieces == 1) return {left, top, inner, inner};
    const float mainHeight = inner * 0.75f - Margin;
    if (piece == 0) return {left, top, inner, mainHeight};
    const float width = (inner - Margin * static_cast<float>(pieces - 2)) / static_cast<float>(pieces - 1);
    return {left + (width + Margin) * static_cast<float>(piece - 1), top + mainHeight + Margin, width,
            inner - mainHeight - Margin};
}

using GridsByPart = std::map<std::string, std::vector<Grid>>;

void add(GridsByPart& grids, const std::string& code, std::vector<Grid> more) {
    std::vector<Grid>& part = grids[code];
    for (Grid& grid : more) part.push_back(std::move(grid));
}

void addBody(GridsByPart& grids, const BodyShape& body) {
    const BodySampling fine(0.05f, {10, 4, 2, 7, 2, 2, 8});
    for (const PanelRegion& region : PanelRegions) add(grids, region.code, regionGrids(body, fine, region));
    add(grids, "FRNShape", {endCap(body, fine, FrontEnd, 17)});
    add(grids, "REARShape", {endCap(body, fine, RearEnd, 17)});
    add(grids, "FBShape", {frontBumper()});
    add(grids, "RBShape", {turnedAboutY(frontBumper())});
    add(grids, "LODShape", hullGrids(body));
}

void addCorners(GridsByPart& grids, const BodyShape& body) {
    for (const Corner& corner : Corners) {
        const auto placed = [&](std::vector<Grid> right) {
            if (corner.left)
                for (Grid& grid : right) grid = mirroredZ(grid);
            return right;
        };
        const Frame wheel = rightWheelFrame(corner.axleX);
        add(grids, corner.wheelCode, placed(wheelGrids(wheel)));
        add(grids, corner.brakeCode, placed(brakeGrids(wheel)));
        add(grids, corner.left ? "DSShape" : "PSShape", placed(archWell(body, corner.axleX)));
    }
}

}  // namespace

std::vector<CarPart> buildSampleCar() {
    const BodyShape body;
    GridsByPart grids;
    addBody(grids, body);
    addCorners(grids, body);
    add(grids, "INTShape", interiorGrids());
    if (grids.size() != PartOrder.size()) throw std::logic_error("a part was built that has no place in the order");

    std::vector<CarPart> parts;
    for (const char* code : PartOrder) {
        CarPart part{code, {}, {}};
        const std::vector<Grid>& pieces = grids.at(code);
        for (std::size_t k = 0; k < pieces.size(); ++k)
            appendGrid(part, pieces[k], parts.size() < PaintedParts ? paintedPiece(parts.size(), k, pieces.size()) : UvRect{});
        parts.push_back(std::move(part));
    }
    return parts;
}

}  // namespace korvex::samplecar
