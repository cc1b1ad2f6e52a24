// Panning, the wheel, the standard views and framing the model.

#include "render/navigation.h"

#include "render/camera.h"
#include "render/frame_renderer.h"
#include "render/headless_target.h"
#include "render/scene.h"
#include "tests/support/scene_builder.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <numbers>

using namespace korvex;

namespace {

using Point = std::array<double, 3>;

Point eyeOf(const ViewState& view, const Point& p) {
    const Matrix4 m = modelViewOf(view);
    Point eye{};
    for (std::size_t row = 0; row < 3; ++row)
        eye[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row];
    return eye;
}

// Where a model point lands in the view, in pixels from the top left, by the
// 60-degree perspective of the view.
std::array<double, 2> pixelOf(const ViewState& view, const Point& p) {
    const Point eye = eyeOf(view, p);
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
    view.Centre[2] = 0.1f;
    view.PanX = 0.4f;
    view.ViewportWidth = 200;
    view.ViewportHeight = 100;
    return view;
}

TEST(Navigation, PanningKeepsThePointUnderThePointerAndDoesNotTurn) {
    struct Press {
        MouseButton button;
        bool shift;
    };
    for (const Press press :
         {Press{MouseButton::Middle, false}, Press{MouseButton::Middle, true}, Press{MouseButton::Left, true}}) {
        ViewState view = turnedView();
        const Point centre{view.Centre[0], view.Centre[1], view.Centre[2]};
        const auto before = pixelOf(view, centre);
        viewMousePress(view, press.button, 50, 60, press.shift);
        EXPECT_TRUE(view.Panning);
        viewMouseMove(view, 62, 55);
        viewMouseMove(view, 67, 51);
        const auto after = pixelOf(view, centre);
        EXPECT_NEAR(after[0] - before[0], 17.0, 1e-3);
        EXPECT_NEAR(after[1] - before[1], -9.0, 1e-3);
        EXPECT_EQ(view.RotationY, 30.0f);
        EXPECT_EQ(view.RotationX, 25.0f);
        EXPECT_EQ(view.ZoomZ, -5.0f);
    }

    ViewState unsized = turnedView();
    unsized.ViewportWidth = unsized.ViewportHeight = 0;
    viewMousePress(unsized, MouseButton::Middle, 0, 0);
    viewMouseMove(unsized, 10, 0);
    EXPECT_TRUE(std::isfinite(unsized.PanX));
    EXPECT_GT(unsized.PanX, 0.4f) << "a view of unknown size still pans";
}

TEST(Navigation, OnlyTheMiddleButtonOrShiftWithTheLeftPans) {
    ViewState view = turnedView();
    viewMousePress(view, MouseButton::Left, 0, 0, true);
    viewMousePress(view, MouseButton::Left, 0, 0);  // a plain press restarts the drag as a turn
    EXPECT_FALSE(view.Panning);
    viewMouseMove(view, -3, 7);
    EXPECT_EQ(view.RotationY, 28.5f);
    EXPECT_EQ(view.RotationX, 26.4f);
    EXPECT_EQ(view.PanX, 0.4f);
    EXPECT_EQ(view.PanY, 0.0f);

    viewMousePress(view, MouseButton::Right, 0, 0, true);
    EXPECT_FALSE(view.Panning) << "Shift changes only the left button";
    viewMouseMove(view, 0, 20);
    EXPECT_EQ(view.ZoomZ, -4.0f);
    EXPECT_EQ(view.PanY, 0.0f);
}

TEST(Navigation, WheelZoomsByATenthOfTheDistanceNeverPastTheEye) {
    struct Case {
        float zoom;
        int delta;
        float expected;
    };
    const Case cases[] = {
        {-4.0f, 120, -3.6f},  {-4.0f, 240, -3.24f},  {-4.0f, -120, -4.0f / 0.9f}, {-4.0f, 0, -4.0f},
        {-0.1f, 120, -0.05f}, {-0.02f, 120, 0.0f},   {0.0f, 120, 0.0f},           {0.0f, -120, -0.05f},
        {0.0f, -360, -0.15f}, {-4.0f, 120000, 0.0f},
    };
    for (const Case& c : cases) {
        ViewState view;
        view.ZoomZ = c.zoom;
        viewWheel(view, c.delta);
        EXPECT_NEAR(view.ZoomZ, c.expected, 1e-5f) << c.zoom << " by " << c.delta;
        EXPECT_LE(view.ZoomZ, 0.0f);
    }
}

// Where the eye is, seen from the model: the model's axes x (nose), y (roof)
// and z (right flank) measured along the direction to the eye.
Point eyeDirectionInModel(const ViewState& view) {
    const Matrix4 m = modelViewOf(view);
    return {m[2], m[6], m[10]};
}

double degrees(double radians) {
    return radians * 180.0 / std::numbers::pi;
}

TEST(Navigation, StandardViewsLookAtTheNoseTheFlankTheRoofAndTheThreeQuarter) {
    ViewState view = turnedView();
    const auto look = [&view](StandardView standard) {
        setStandardView(view, standard);
        return eyeDirectionInModel(view);
    };
    const Point front = look(StandardView::Front);
    EXPECT_NEAR(front[0], 1.0, 1e-6);
    const Point side = look(StandardView::Side);
    EXPECT_NEAR(side[2], 1.0, 1e-6);
    const Point top = look(StandardView::Top);
    EXPECT_NEAR(top[1], 1.0, 1e-6);
    EXPECT_GT(eyeOf(view, {1, 0, 0})[0], eyeOf(view, {-1, 0, 0})[0]) << "seen from above, the nose points right";
    const Point quarter = look(StandardView::ThreeQuarter);
    EXPECT_GT(quarter[0], 0.0);
    EXPECT_GT(quarter[2], 0.0);
    const double aboveTheGround = degrees(std::asin(quarter[1]));
    const double offTheNose = degrees(std::atan2(quarter[2], quarter[0]));
    EXPECT_TRUE(aboveTheGround >= 20.0 && aboveTheGround <= 25.0) << aboveTheGround;
    EXPECT_TRUE(offTheNose >= 30.0 && offTheNose <= 35.0) << offTheNose;

    EXPECT_EQ(view.ZoomZ, -5.0f);
    EXPECT_EQ(view.PanX, 0.4f);
    EXPECT_EQ(view.Centre[0], 0.3f);
    resetView(view);
    EXPECT_EQ(modelViewOf(view), modelViewOf(ViewState{})) << "back to the starting camera";
}

class FitViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string whyNot;
        target = HeadlessTarget::create(200, 200, whyNot);
        if (!target) {
            // The continuous-integration machine always has Mesa.
            if (std::getenv("CI") != nullptr) FAIL() << "no OpenGL: " << whyNot;
            GTEST_SKIP() << "no OpenGL without a window: " << whyNot;
        }
    }

    // The box's corners through the matrices the renderer leaves behind, in
    // pixels of a `width` x `height` view.
    std::array<std::array<double, 2>, 8> drawnCorners(int width, int height) {
        resizeView(width, height);
        RenderFrame(state, FrameControls{false, true, 100});
        GLdouble modelView[16], projection[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        const GLint viewport[4] = {0, 0, width, height};
        std::array<std::array<double, 2>, 8> corners{};
        for (std::size_t i = 0; i < corners.size(); ++i) {
            GLdouble x = 0, y = 0, z = 0;
            gluProject(i & 1 ? 4.0 : 0.5, i & 2 ? 2.5 : 0.0, i & 4 ? 0.5 : -1.0, modelView, projection, viewport, &x,
                       &y, &z);
            corners[i] = {x, height - y};
        }
        return corners;
    }

    std::unique_ptr<HeadlessTarget> target;
    ProgramState state;
};

TEST_F(FitViewTest, ShownPartsFillTheViewAroundTheCentreOfTheirBox) {
    // Together a box from (0.5, 0, -1) to (4, 2.5, 0.5).
    fixtures::addSquare(state, 1, 2, -1, 1);
    fixtures::addSquare(state, 3, 1, 0.5f, 2);
    const int32_t hidden = fixtures::addSquare(state, 50, 50, 50, 1);
    state.partList.PartVisible[static_cast<std::size_t>(hidden)] = 0;
    const int32_t undrawable = fixtures::addSquare(state, -50, 0, 0, 1);
    state.partList.Parts[static_cast<std::size_t>(undrawable)].IndicesInRange = false;

    struct Case {
        int width, height;
        float yaw, tilt;
    };
    // A view of unknown size is framed as a square one.
    for (const Case& c : {Case{200, 100, 30, 20}, Case{100, 200, -70, 40}, Case{0, 0, 180, -10}}) {
        state.view = ViewState{};
        state.view.RotationY = c.yaw;
        state.view.RotationX = c.tilt;
        state.view.PanX = 3.0f;
        state.view.ViewportWidth = c.width;
        state.view.ViewportHeight = c.height;
        fitView(state);
        EXPECT_EQ(state.view.Centre[0], 2.25f);
        EXPECT_EQ(state.view.Centre[1], 1.25f);
        EXPECT_EQ(state.view.Centre[2], -0.25f);
        EXPECT_EQ(state.view.PanX, 0.0f);
        EXPECT_EQ(state.view.RotationY, c.yaw);

        const int width = c.width > 0 ? c.width : 150, height = c.height > 0 ? c.height : 150;
        double left = width, right = 0, top = height, bottom = 0;
        for (const auto& [x, y] : drawnCorners(width, height)) {
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
        EXPECT_TRUE(left > 0 && right < width && top > 0 && bottom < height)
            << left << ".." << right << " x " << top << ".." << bottom << " in " << width << "x" << height;
        EXPECT_GT(std::max(right - left, bottom - top), 0.5 * std::min(width, height)) << "not lost in the middle";
    }
}

TEST_F(FitViewTest, WithNothingShownEveryPartCountsAndWithoutAModelNothingChanges) {
    fixtures::addSquare(state, 1, 0, 0, 2);
    fixtures::addSquare(state, 5, 0, 0, 2);
    state.partList.PartVisible.assign(2, 0);
    fitView(state);
    EXPECT_EQ(state.view.Centre[0], 3.0f);
    // A sphere of radius sqrt(10) fits a 60-degree view only beyond twice that.
    EXPECT_LT(state.view.ZoomZ, -2.0f * std::sqrt(10.0f));

    ProgramState closed;
    closed.view = turnedView();
    fitView(closed);
    EXPECT_EQ(modelViewOf(closed.view), modelViewOf(turnedView()));
}

}  // namespace
