#include "camera.h"

#include <cmath>
#include <numbers>

namespace korvex {

namespace {

constexpr Matrix4 Identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// m = m * translation(x, y, z)
void translate(Matrix4& m, float x, float y, float z) {
    for (int row = 0; row < 4; ++row) m[12 + row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
}

// m = m * r
void multiply(Matrix4& m, const Matrix4& r) {
    const Matrix4 a = m;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            m[col * 4 + row] = a[row] * r[col * 4] + a[4 + row] * r[col * 4 + 1] + a[8 + row] * r[col * 4 + 2] +
                               a[12 + row] * r[col * 4 + 3];
        }
    }
}

struct SineCosine {
    float s, c;
};

SineCosine ofDegrees(float degrees) {
    const auto radians = static_cast<float>(static_cast<double>(degrees) * std::numbers::pi / 180.0);
    return {std::sin(radians), std::cos(radians)};
}

void rotateAboutX(Matrix4& m, float degrees) {
    const auto [s, c] = ofDegrees(degrees);
    Matrix4 r = Identity;
    r[5] = c;
    r[6] = s;
    r[9] = -s;
    r[10] = c;
    multiply(m, r);
}

void rotateAboutY(Matrix4& m, float degrees) {
    const auto [s, c] = ofDegrees(degrees);
    Matrix4 r = Identity;
    r[0] = c;
    r[2] = -s;
    r[8] = s;
    r[10] = c;
    multiply(m, r);
}

}  // namespace

double halfHeightAtUnitDistance() {
    return std::tan(FieldOfViewY / 2.0 * std::numbers::pi / 180.0);
}

Matrix4 modelViewOf(const ViewState& view) {
    Matrix4 m = Identity;
    translate(m, view.PanX, view.PanY, view.ZoomZ);
    rotateAboutX(m, view.RotationX);
    rotateAboutY(m, view.RotationY);
    translate(m, -view.Centre[0], -view.Centre[1], -view.Centre[2]);
    return m;
}

}  // namespace korvex
