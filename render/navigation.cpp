#include "navigation.h"

#include "camera.h"
#include "frame_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numbers>

namespace korvex {

namespace {

constexpr float WheelNotch = 120.0f;       // angleDelta of one notch
constexpr double WheelShare = 0.9;         // of the distance kept per notch nearer
constexpr float WheelMinimumStep = 0.05f;  // as far as a pixel of zooming drag
// A view not yet sized pans as a picture of this height would.
constexpr int32_t UnsizedViewHeight = 480;
// The fitted model fills this share of the view the way it binds.
constexpr double FitShare = 0.9;
// A model of a single point is framed as a box this big across.
constexpr double SmallestFitSize = 0.01;

// Scene units per pixel at the depth of Centre, which the camera always
// places ZoomZ straight ahead of the eye.
float panStep(const ViewState& view) {
    const int32_t height = view.ViewportHeight > 0 ? view.ViewportHeight : UnsizedViewHeight;
    return static_cast<float>(2.0 * std::abs(static_cast<double>(view.ZoomZ)) * halfHeightAtUnitDistance() /
                              static_cast<double>(height));
}

struct Box {
    float low[3] = {std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
                    std::numeric_limits<float>::max()};
    float high[3] = {std::numeric_limits<float>::lowest(), std::numeric_limits<float>::lowest(),
                     std::numeric_limits<float>::lowest()};
    bool empty = true;

    void add(const float point[3]) {
        for (int axis = 0; axis < 3; ++axis) {
            low[axis] = std::min(low[axis], point[axis]);
            high[axis] = std::max(high[axis], point[axis]);
        }
        empty = false;
    }
};

// The box around the vertices the strips of the parts name, either of the
// parts a frame draws under `controls` or of all it could; parts the
// renderer never sends are left out.
Box boxOfParts(const ProgramState& state, const FrameControls* controls) {
    const PartList& list = state.partList;
    Box box;
    const std::size_t count = drawablePartCount(list);
    for (std::size_t part = 0; part < count; ++part) {
        if ((controls != nullptr && !partIsDrawn(state, part, *controls)) || !list.Parts[part].IndicesInRange)
            continue;
        const VertexArray& vertices = list.PartVertices[part];
        for (const uint16_t index : list.PartIndices[part]) {
            if (std::isfinite(vertices[index].Position[0]) && std::isfinite(vertices[index].Position[1]) &&
                std::isfinite(vertices[index].Position[2]))
                box.add(vertices[index].Position);
        }
    }
    return box;
}

// The eye's distance from Centre at which every corner of `box`, turned as
// `view` turns it, lies within FitShare of the view's half-width and
// half-height: for a corner at (x, y, z) in eye space about Centre, the
// distance d must give |x| / (d - z) <= FitShare * tan(half-angle across),
// and likewise up the view.
double fittingDistance(const ViewState& view, const Box& box) {
    ViewState turned = view;
    turned.PanX = turned.PanY = turned.ZoomZ = 0.0f;
    const Matrix4 m = modelViewOf(turned);
    const double aspect = view.ViewportWidth > 0 && view.ViewportHeight > 0
                              ? static_cast<double>(view.ViewportWidth) / static_cast<double>(view.ViewportHeight)
                              : 1.0;
    const double upward = FitShare * halfHeightAtUnitDistance();
    const double across = upward * aspect;
    double distance = 0.0;
    for (int corner = 0; corner < 8; ++corner) {
        const double p[3] = {corner & 1 ? box.high[0] : box.low[0], corner & 2 ? box.high[1] : box.low[1],
                             corner & 4 ? box.high[2] : box.low[2]};
        double eye[3];
        for (int row = 0; row < 3; ++row)
            eye[row] = m[static_cast<std::size_t>(row)] * p[0] + m[static_cast<std::size_t>(4 + row)] * p[1] +
                       m[static_cast<std::size_t>(8 + row)] * p[2] + m[static_cast<std::size_t>(12 + row)];
        // Eye space looks down -z: a corner towards the eye has z > 0.
        distance = std::max({distance, eye[2] + std::abs(eye[0]) / across, eye[2] + std::abs(eye[1]) / upward,
                             eye[2] + NearPlane});
    }
    return distance;
}

struct Angles {
    float yaw, tilt;
};

// A turn of -90 degrees brings +x, the nose, round to face the eye; no turn
// faces it with +z, the right flank. The three-quarter view is 32.5 degrees
// off the nose towards the right flank, 22.5 degrees above the ground.
Angles anglesOf(StandardView standard) {
    switch (standard) {
        case StandardView::Side:
            return {0.0f, 0.0f};
        case StandardView::Top:
            return {0.0f, 90.0f};
        case StandardView::ThreeQuarter:
            return {-57.5f, 22.5f};
        case StandardView::Front:
            break;
    }
    return {-90.0f, 0.0f};
}

}  // namespace

void viewMousePress(ViewState& view, MouseButton button, int32_t x, int32_t y, bool shift) {
    view.Dragging = true;
    view.Panning = button == MouseButton::Middle || (button == MouseButton::Left && shift);
    view.LastMouseX = x;
    view.LastMouseY = y;
    view.DragButton = button;
}

void viewMouseMove(ViewState& view, int32_t x, int32_t y) {
    if (!view.Dragging) return;
    // Whole pixels first, then the division.
    const int32_t across = view.LastMouseX - x;
    const int32_t down = view.LastMouseY - y;
    if (view.Panning) {
        // Pixel rows count downwards, eye space upwards.
        const float step = panStep(view);
        view.PanX -= static_cast<float>(across) * step;
        view.PanY += static_cast<float>(down) * step;
    } else {
        view.RotationY -= static_cast<float>(across) / 2.0f;
        if (view.DragButton == MouseButton::Left) {
            view.RotationX -= static_cast<float>(down) / 5.0f;
        } else if (view.DragButton == MouseButton::Right) {
            view.ZoomZ -= static_cast<float>(down) / 20.0f;
            if (view.ZoomZ >= 0.0f) view.ZoomZ = 0.0f;
        }
    }
    view.LastMouseX = x;
    view.LastMouseY = y;
}

void viewMouseRelease(ViewState& view) {
    view.Dragging = false;
}

void viewWheel(ViewState& view, int angleDelta) {
    if (angleDelta == 0) return;
    const float notches = static_cast<float>(angleDelta) / WheelNotch;
    const float distance = -view.ZoomZ;
    float nearer = distance * static_cast<float>(std::pow(WheelShare, static_cast<double>(notches)));
    // Close to the eye a tenth of the distance is next to nothing.
    if (std::abs(nearer - distance) < WheelMinimumStep * std::abs(notches))
        nearer = distance - WheelMinimumStep * notches;
    view.ZoomZ = std::min(-nearer, 0.0f);
}

void setStandardView(ViewState& view, StandardView standard) {
    const auto [yaw, tilt] = anglesOf(standard);
    view.RotationY = yaw;
    view.RotationX = tilt;
}

void fitView(ProgramState& state, const FrameControls& controls) {
    if (!state.ModelLoaded) return;
    Box box = boxOfParts(state, &controls);
    if (box.empty) box = boxOfParts(state, nullptr);
    if (box.empty) return;

    ViewState& view = state.view;
    for (int axis = 0; axis < 3; ++axis) {
        view.Centre[axis] = (box.low[axis] + box.high[axis]) / 2.0f;
        // A flat or single-point model still gets a size to frame.
        const double half = std::max(SmallestFitSize, static_cast<double>(box.high[axis]) - box.low[axis]) / 2.0;
        box.low[axis] = static_cast<float>(view.Centre[axis] - half);
        box.high[axis] = static_cast<float>(view.Centre[axis] + half);
    }
    view.ZoomZ = static_cast<float>(-fittingDistance(view, box));
    view.PanX = view.PanY = 0.0f;
}

void resetView(ViewState& view) {
    view.RotationY = 0.0f;
    view.RotationX = StartRotationX;
    view.ZoomZ = StartZoomZ;
    view.PanX = view.PanY = 0.0f;
    for (float& c : view.Centre) c = 0.0f;
}

}  // namespace korvex
