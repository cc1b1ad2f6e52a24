// Panning, the wheel, the standard views and framing the model, seen
// through the renderer's model-view matrix and the view's 60-degree perspective.

#include "render/navigation.h"

#include "render/camera.h"
#include "tests/support/scene_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

using namespace korvex;

namespace {

using Point = std::array<double, 3>;

// Where a model point lands in the view, in pixels from the top left.
std::array<double, 2> pixelOf(const ViewState& view, const Point& p) {
    const Matrix4 m = modelViewOf(view);
    Point eye{};
    for (std::size_t row = 0; row < 3; ++row)
        eye[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row];
    const double focal = 1.0 / std::tan(std::numbers::pi / 6.0);
    const double aspect = static_cast<double>(view.ViewportWidth) / view.ViewportHeight;
    const double x = focal / aspect * eye[0] / -eye[2], y = focal * eye[1] / -eye[2];
    return {(x + 1.0) / 2.0 * view.ViewportWidth, (1.0 - y) / 2.0 * view.ViewportHeight};
}

ViewState turnedView() {
    ViewState view;
    view.RotationY = 30.0f;
    view.RotationX = 25.0f;
    view.ZoomZ = -5.0f;
    view.Centre[0] = 0.3f;
    view.Centre[1] = -0.2f;
    view.PanX = 0.4f;
    view.ViewportWidth = 200;
    view.ViewportHeight = 100;
    return view;
}

TEST(Navigation, PanningKeepsThePointUnderThePointerAndOtherDragsTurnAndZoom) {
    for (const auto& [button, shift] : {std::pair{MouseButton::Middle, false}, {MouseButton::Left, true}}) {
        ViewState view = turnedView();
        const Point centre{0.3, -0.2, 0.0};
        const auto before = pixelOf(view, centre);
        viewMousePress(view, button, 50, 60, shift);
        viewMouseMove(view, 62, 55);
        viewMouseMove(view, 67, 51);
        const auto after = pixelOf(view, centre);
        EXPECT_NEAR(after[0] - before[0], 17.0, 1e-3);
        EXPECT_NEAR(after[1] - before[1], -9.0, 1e-3);
        EXPECT_EQ(std::make_pair(view.RotationY, view.RotationX), std::make_pair(30.0f, 25.0f)) << "no turn";
        EXPECT_EQ(view.ZoomZ, -5.0f);
    }

    ViewState view = turnedView();
    view.ViewportHeight = 0;
    viewMousePress(view, MouseButton::Middle, 0, 0);
    viewMouseMove(view, 10, 0);
    EXPECT_TRUE(std::isfinite(view.PanX) && view.PanX > 0.4f) << "a view of unknown size still pans";

    viewMousePress(view, MouseButton::Left, 0, 0);  // a plain press restarts the drag as a turn
    viewMouseMove(view, -3, 7);
    EXPECT_EQ(std::make_pair(view.RotationY, view.RotationX), std::make_pair(28.5f, 26.4f));
    viewMousePress(view, MouseButton::Right, 0, 0, true);  // Shift changes only the left button
    viewMouseMove(view, 0, 20);
    EXPECT_EQ(view.ZoomZ, -4.0f);
    EXPECT_EQ(view.PanY, 0.0f);
}

TEST(Navigation, WheelZoomsByATenthOfTheDistanceNeverPastTheEye) {
    const std::array<float, 3> cases[] = {
        {-4.0f, 120, -3.6f}, {-4.0f, 240, -3.24f}, {-4.0f, -120, -4.0f / 0.9f},
        {-4.0f, 0, -4.0f},   {-0.1f, 120, -0.05f}, {-0.02f, 120, 0.0f},
        {0.0f, 120, 0.0f},   {0.0f, -360, -0.15f}, {-4.0f, 120000, 0.0f},
    };
    for (const auto& [zoom, delta, expected] : cases) {
        ViewState view;
        view.ZoomZ = zoom;
        viewWheel(view, static_cast<int>(delta));
        EXPECT_NEAR(view.ZoomZ, expected, 1e-5f) << zoom << " by " << delta;
        EXPECT_LE(view.ZoomZ, 0.0f);
    }
}

TEST(Navigation, StandardViewsLookAtTheNoseTheFlankTheRoofAndTheThreeQuarter) {
    ViewState view = turnedView();
    // The direction to the eye in the model's axes: x the nose, y the roof, z the right flank.
    const auto eyeFrom = [&view](StandardView standard) {
        setStandardView(view, standard);
        const Matrix4 m = modelViewOf(view);
        return Point{m[2], m[6], m[10]};
    };
    EXPECT_NEAR(eyeFrom(StandardView::Front)[0], 1.0, 1e-6);
    EXPECT_NEAR(eyeFrom(StandardView::Side)[2], 1.0, 1e-6);
    EXPECT_NEAR(eyeFrom(StandardView::Top)[1], 1.0, 1e-6);
    EXPECT_GT(modelViewOf(view)[0], 0.9f) << "seen from above, the nose points right";
    const Point quarter = eyeFrom(StandardView::ThreeQuarter);
    const double degrees = 180.0 / std::numbers::pi;
    const double above = std::asin(quarter[1]) * degrees, offTheNose = std::atan2(quarter[2], quarter[0]) * degrees;
    EXPECT_TRUE(above >= 20.0 && above <= 25.0) << above;
    EXPECT_TRUE(offTheNose >= 30.0 && offTheNose <= 35.0) << offTheNose;
    EXPECT_EQ(std::make_pair(view.ZoomZ, view.PanX), std::make_pair(-5.0f, 0.4f)) << "only the angles change";

    resetView(view);
    EXPECT_EQ(modelViewOf(view), modelViewOf(ViewState{})) << "back to the starting camera";
}

TEST(Navigation, FitViewFillsNineTenthsOfTheViewWithTheShownPartsSeenFromWhereTheEyeIs) {
    // Two squares shown, their corners making up a box from (0.5, 0, -1) to
    // (4, 2.5, 0.5); far away, a hidden and an undrawable square.
    ProgramState state;
    state.ModelLoaded = true;
    fixtures::addSquare(state, 1, 2, -1, 1);
    fixtures::addSquare(state, 3, 1, 0.5f, 2);
    state.partList.PartVisible[static_cast<std::size_t>(fixtures::addSquare(state, 50, 50, 50, 1))] = 0;
    state.partList.Parts[static_cast<std::size_t>(fixtures::addSquare(state, -50, 0, 0, 1))].IndicesInRange = false;
    const std::vector<Point> shown = {{0.5, 1.5, -1}, {1.5, 1.5, -1}, {0.5, 2.5, -1}, {1.5, 2.5, -1},
                                      {2, 0, 0.5},    {4, 0, 0.5},    {2, 2, 0.5},    {4, 2, 0.5}};
    // The share of the view's width and height the points' picture takes,
    // and how far its middle lies off the view's, in pixels.
    const auto framing = [](const ViewState& view, const std::vector<Point>& points) {
        double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
        for (const Point& p : points) {
            const auto [x, y] = pixelOf(view, p);
            left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
        }
        return std::array{(right - left) / view.ViewportWidth, (bottom - top) / view.ViewportHeight,
                          (left + right - view.ViewportWidth) / 2.0, (top + bottom - view.ViewportHeight) / 2.0};
    };

    // A view of unknown size is framed as a square one.
    for (const auto& [width, height, yaw, tilt] :
         {std::array{200, 100, 30, 25}, {100, 200, -70, 10}, {0, 0, 180, 60}, {300, 300, -90, 0}}) {
        state.view = turnedView();
        state.view.RotationY = static_cast<float>(yaw);
        state.view.RotationX = static_cast<float>(tilt);
        state.view.ViewportWidth = width;
        state.view.ViewportHeight = height;
        fitView(state, FrameControls{});
        EXPECT_EQ(std::make_pair(state.view.RotationY, state.view.RotationX),
                  std::make_pair(static_cast<float>(yaw), static_cast<float>(tilt)));
        EXPECT_EQ(std::make_pair(state.view.PanX, state.view.PanY), std::make_pair(0.0f, 0.0f));

        state.view.ViewportWidth = width > 0 ? width : 150;
        state.view.ViewportHeight = height > 0 ? height : 150;
        const auto [across, up, offX, offY] = framing(state.view, shown);
        SCOPED_TRACE(std::to_string(yaw) + " degrees: " + std::to_string(across) + " x " + std::to_string(up));
        // The way the picture binds it fills 90%, centred; the other way it fits.
        const bool wide = across >= up;
        EXPECT_NEAR(std::max(across, up), 0.9, 0.005);
        EXPECT_LT(std::abs(wide ? offX : offY), 1.0);
        const double otherShare = wide ? up : across, otherOff = wide ? offY : offX;
        const double otherSize = wide ? state.view.ViewportHeight : state.view.ViewportWidth;
        EXPECT_LE(otherShare / 2.0 + std::abs(otherOff) / otherSize, 0.5);
    }

    // With nothing shown, every drawable part counts: the hidden far square too.
    state.partList.PartVisible.assign(4, 0);
    fitView(state, FrameControls{});
    std::vector<Point> drawable = shown;
    for (const Point& corner : std::vector<Point>{{49.5, 49.5, 50}, {50.5, 50.5, 50}}) drawable.push_back(corner);
    const auto all = framing(state.view, drawable);
    EXPECT_NEAR(std::max(all[0], all[1]), 0.9, 0.005);

    ProgramState closed;
    closed.view = turnedView();
    fitView(closed, FrameControls{});
    EXPECT_EQ(modelViewOf(closed.view), modelViewOf(turnedView())) << "no model: nothing changes";
}

}  // namespace
