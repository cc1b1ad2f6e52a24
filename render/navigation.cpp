#include "navigation.h"

#include "camera.h"
#include "frame_renderer.h"

#include <algorithm>
#include <array>
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
// The nearest the eye comes to what it frames: a model of a single point
// is framed as a small one.
constexpr double SmallestFitDistance = 0.02;

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

// Calls `visit` with each vertex the strips of the parts name, either of
// the parts a frame draws under `controls` or of all it could; parts the
// renderer never sends and points that are not finite are left out.
template <typename Visit>
void forEachShownPoint(const ProgramState& state, const FrameControls* controls, Visit&& visit) {
    const PartList& list = state.partList;
    const std::size_t count = drawablePartCount(list);
    for (std::size_t part = 0; part < count; ++part) {
        if ((controls != nullptr && !partIsDrawn(state, part, *controls)) || !list.Parts[part].IndicesInRange) continue;
        const VertexArray& vertices = list.PartVertices[part];
        for (const uint16_t index : list.PartIndices[part]) {
            const float* p = vertices[index].Position;
            if (std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2])) visit(p);
        }
    }
}

Box boxOfPoints(const ProgramState& state, const FrameControls* controls) {
    Box box;
    forEachShownPoint(state, controls, [&box](const float* p) { box.add(p); });
    return box;
}

// Where the eye must aim and how far back it must stand for the shown
// points, turned as `view` turns them, to fill FitShare of the view the way
// they bind. A point at (x, z) in eye space about Centre (z > 0 towards the
// eye) lies within the share s of one half-angle, aimed at c from distance
// d, when |x - c| <= s (d - z): when c >= (x + s z) - s d and
// c <= (x - s z) + s d. With A the greatest x + s z and B the least x - s z
// of all points, the nearest d is (A - B) / 2s and the aim (A + B) / 2, a
// point whose window of aims is equally wide on either side at any d
// beyond. So it goes across and up the view; the farther of the two wins.
struct Framing {
    std::array<double, 2> aim{};  // across and up the view, from Centre
    double distance = 0.0;
};

Framing framingOf(const ProgramState& state, const FrameControls* controls, const ViewState& view) {
    ViewState turned = view;
    turned.PanX = turned.PanY = turned.ZoomZ = 0.0f;
    const Matrix4 m = modelViewOf(turned);
    const double aspect = view.ViewportWidth > 0 && view.ViewportHeight > 0
                              ? static_cast<double>(view.ViewportWidth) / static_cast<double>(view.ViewportHeight)
                              : 1.0;
    const double share[2] = {FitShare * halfHeightAtUnitDistance() * aspect, FitShare * halfHeightAtUnitDistance()};
    double highest[2] = {std::numeric_limits<double>::lowest(), std::numeric_limits<double>::lowest()};
    double lowest[2] = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
    double nearest = std::numeric_limits<double>::lowest();
    forEachShownPoint(state, controls, [&](const float* p) {
        double eye[3];
        for (std::size_t row = 0; row < 3; ++row)
            eye[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row];
        for (int axis = 0; axis < 2; ++axis) {
            highest[axis] = std::max(highest[axis], eye[axis] + share[axis] * eye[2]);
            lowest[axis] = std::min(lowest[axis], eye[axis] - share[axis] * eye[2]);
        }
        nearest = std::max(nearest, eye[2]);
    });
    Framing framing;
    framing.distance = std::max(SmallestFitDistance, nearest + NearPlane);
    for (int axis = 0; axis < 2; ++axis) {
        framing.aim[static_cast<std::size_t>(axis)] = (highest[axis] + lowest[axis]) / 2.0;
        framing.distance = std::max(framing.distance, (highest[axis] - lowest[axis]) / (2.0 * share[axis]));
    }
    return framing;
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

ViewState fittedStandardView(ProgramState& state, StandardView standard, int width, int height,
                             const FrameControls& controls) {
    const ViewState shown = state.view;
    setStandardView(state.view, standard);
    state.view.ZoomZ = StartZoomZ;
    state.view.ViewportWidth = width;
    state.view.ViewportHeight = height;
    fitView(state, controls);
    const ViewState framed = state.view;
    state.view = shown;
    return framed;
}

void fitView(ProgramState& state, const FrameControls& controls) {
    if (!state.ModelLoaded) return;
    const FrameControls* shown = &controls;
    Box box = boxOfPoints(state, shown);
    if (box.empty) {
        shown = nullptr;
        box = boxOfPoints(state, shown);
    }
    if (box.empty) return;

    ViewState& view = state.view;
    for (int axis = 0; axis < 3; ++axis) view.Centre[axis] = (box.low[axis] + box.high[axis]) / 2.0f;
    view.PanX = view.PanY = 0.0f;
    // Seen in perspective from an angle, the box's centre need not be the
    // middle of the picture: the eye aims where the picture is centred, and
    // the model turns about that point.
    const Framing framing = framingOf(state, shown, view);
    // The turn's rows are the eye's axes in model space.
    const Matrix4 turn = modelViewOf(view);
    for (std::size_t axis = 0; axis < 3; ++axis)
        view.Centre[axis] += static_cast<float>(turn[axis * 4] * framing.aim[0] + turn[axis * 4 + 1] * framing.aim[1]);
    view.ZoomZ = static_cast<float>(-framing.distance);
}

void resetView(ViewState& view) {
    view.RotationY = 0.0f;
    view.RotationX = StartRotationX;
    view.ZoomZ = StartZoomZ;
    view.PanX = view.PanY = 0.0f;
    for (float& c : view.Centre) c = 0.0f;
}

}  // namespace korvex
