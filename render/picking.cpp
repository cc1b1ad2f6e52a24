#include "picking.h"

#include "camera.h"

#include <cstddef>

namespace korvex {

namespace {

struct Vec3 {
    float x, y, z;
};

Vec3 operator-(const Vec3& a, const Vec3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
float dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3 positionOf(const ModelVertex& v) {
    return {v.Position[0], v.Position[1], v.Position[2]};
}

// In model space. A step of 1 along `direction` goes one unit deeper into
// the view, so the distance along the ray is the depth the near and far
// planes cut at.
struct Ray {
    Vec3 origin, direction;
};

// The camera is a turn and a shift: its inverse turns back by the transpose.
Ray rayThroughPixel(const ViewState& drawn, int32_t x, int32_t y) {
    const double width = drawn.ViewportWidth, height = drawn.ViewportHeight;
    const double halfHeight = halfHeightAtUnitDistance();
    const double acrossNdc = 2.0 * (x + 0.5) / width - 1.0;
    const double upNdc = 1.0 - 2.0 * (y + 0.5) / height;
    const float eye[3] = {static_cast<float>(acrossNdc * halfHeight * width / height),
                          static_cast<float>(upNdc * halfHeight), -1.0f};
    const Matrix4 m = modelViewOf(drawn);
    const float shift[3] = {m[12], m[13], m[14]};
    float origin[3], direction[3];
    for (int axis = 0; axis < 3; ++axis) {
        const float* column = &m[static_cast<std::size_t>(axis) * 4];
        origin[axis] = -(column[0] * shift[0] + column[1] * shift[1] + column[2] * shift[2]);
        direction[axis] = column[0] * eye[0] + column[1] * eye[1] + column[2] * eye[2];
    }
    return {{origin[0], origin[1], origin[2]}, {direction[0], direction[1], direction[2]}};
}

// How far along the ray it meets triangle abc, from either side; anything
// below the near plane (a negative value, or NaN for bad vertices) for a
// miss. The hit point is a + u (b - a) + v (c - a).
float hitDepth(const Ray& ray, const Vec3& a, const Vec3& b, const Vec3& c, float& u, float& v) {
    const Vec3 ab = b - a, ac = c - a;
    const Vec3 p = cross(ray.direction, ac);
    const float det = dot(ab, p);
    if (det == 0.0f) return -1.0f;  // the ray runs in the triangle's plane
    const float inverse = 1.0f / det;
    const Vec3 s = ray.origin - a;
    u = dot(s, p) * inverse;
    if (u < 0.0f || u > 1.0f) return -1.0f;
    const Vec3 q = cross(s, ab);
    v = dot(ray.direction, q) * inverse;
    if (v < 0.0f || u + v > 1.0f) return -1.0f;
    return dot(ac, q) * inverse;
}

// The nearest hit so far: its depth, and the texture coordinates there.
struct NearestHit {
    float depth = static_cast<float>(FarPlane);
    float texCoord[2] = {0.0f, 0.0f};
};

// Walks the strip as OpenGL does, each index closing a triangle with the two
// before it; triangles with a repeated index join pieces of the strip and
// cover nothing. Answers whether it came nearer than `nearest`.
bool nearestHitInStrip(const Ray& ray, const VertexArray& vertices, const TriArray& indices, NearestHit& nearest) {
    bool hit = false;
    for (std::size_t i = 2; i < indices.size(); ++i) {
        const uint16_t a = indices[i - 2], b = indices[i - 1], c = indices[i];
        if (a == b || b == c || a == c) continue;
        float u = 0.0f, v = 0.0f;
        const float depth =
            hitDepth(ray, positionOf(vertices[a]), positionOf(vertices[b]), positionOf(vertices[c]), u, v);
        if (depth >= static_cast<float>(NearPlane) && depth < nearest.depth) {
            nearest.depth = depth;
            for (int k = 0; k < 2; ++k)
                nearest.texCoord[k] = (1.0f - u - v) * vertices[a].TexCoord[k] + u * vertices[b].TexCoord[k] +
                                      v * vertices[c].TexCoord[k];
            hit = true;
        }
    }
    return hit;
}

}  // namespace

SurfacePoint pickSurface(const ProgramState& state, const ViewState& drawn, const FrameControls& controls, int32_t x,
                         int32_t y) {
    SurfacePoint picked;
    if (!state.ModelLoaded || x < 0 || y < 0 || x >= drawn.ViewportWidth || y >= drawn.ViewportHeight) return picked;
    const Ray ray = rayThroughPixel(drawn, x, y);
    NearestHit nearest;
    const PartList& list = state.partList;
    const std::size_t count = drawablePartCount(list);
    for (std::size_t part = 0; part < count; ++part) {
        if (!partIsDrawn(state, part, controls)) continue;
        if (nearestHitInStrip(ray, list.PartVertices[part], list.PartIndices[part], nearest))
            picked.part = static_cast<int32_t>(part);
    }
    picked.texCoord[0] = nearest.texCoord[0];
    picked.texCoord[1] = nearest.texCoord[1];
    return picked;
}

int32_t pickPart(const ProgramState& state, const ViewState& drawn, const FrameControls& controls, int32_t x,
                 int32_t y) {
    return pickSurface(state, drawn, controls, x, y).part;
}

}  // namespace korvex
