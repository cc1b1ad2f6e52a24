// Picking parts under pixels, checked against what the renderer draws there.

#include "render/picking.h"

#include "model/recording_io.h"
#include "render/headless_target.h"
#include "render/navigation.h"
#include "render/scene.h"
#include "tests/support/scene_builder.h"
#include "tests/support/test_model.h"
#include "textures/opengl_textures.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

using namespace korvex;

namespace {

TEST(Picking, SampleCarPartsArePickedWhereTheRendererDrawsThem) {
    constexpr int Width = 160, Height = 120;
    std::string whyNot;
    const auto target = HeadlessTarget::create(Width, Height, whyNot);
    if (!target) {
        // The continuous-integration machine always has Mesa.
        if (std::getenv("CI") != nullptr) FAIL() << "no OpenGL: " << whyNot;
        GTEST_SKIP() << "no OpenGL without a window: " << whyNot;
    }
    fixtures::LoadOutcome car;
    fixtures::openInto(car, KORVEX_SAMPLE_CAR);
    ProgramState& state = car.state;
    OpenGlTextures textures;
    SetupScene(state, "no-such.jpg", car.prompts, textures);
    glDisable(GL_LIGHTING);
    resizeView(Width, Height);
    // Each part in a flat colour of its own: red says which, full green that it is a part.
    for (std::size_t i = 0; i < state.partList.Parts.size(); ++i) {
        GeometryPart& part = state.partList.Parts[i];
        part.Colour[0] = static_cast<float>(10 * (i + 1)) / 255.0f;
        part.Colour[1] = 1.0f;
        part.Colour[2] = 0.0f;
        part.Transparent = part.EnvironmentMapped = 0;
        part.TextureIndex = 0;
    }
    // Off the centre, turned, tilted and shifted: every piece of the camera counts.
    state.view.RotationY = 30.0f;
    state.view.ViewportWidth = Width;
    state.view.ViewportHeight = Height;
    fitView(state);
    state.view.ZoomZ *= 0.9f;
    state.view.PanX = 0.2f;
    state.view.PanY = -0.1f;
    state.view.Centre[2] += 0.2f;

    // At the lowest detail only the wheels and the low-detail part (22) are drawn.
    for (const int32_t slider : {100, 20}) {
        const FrameControls controls{false, true, slider};
        RenderFrame(state, controls);
        const auto rgb = target->readRgb();
        int covered = 0, differing = 0;
        std::set<int32_t> seen;
        for (int y = 1; y < Height; y += 3) {
            for (int x = 1; x < Width; x += 3) {
                const uint8_t* pixel = &rgb[(static_cast<std::size_t>(y) * Width + x) * 3];
                const int32_t drawn = pixel[1] == 255 && pixel[0] % 10 == 0 ? pixel[0] / 10 - 1 : -1;
                covered += drawn >= 0 ? 1 : 0;
                differing += drawn != pickPart(state, state.view, controls, x, y) ? 1 : 0;
                if (drawn >= 0) seen.insert(drawn);
            }
        }
        EXPECT_GT(covered, 400) << "slider " << slider;
        EXPECT_GE(seen.size(), slider == 100 ? 10u : 3u);
        EXPECT_EQ(seen.count(22), slider == 100 ? 0u : 1u);
        // Where an edge passes within rounding of a pixel's centre, either answer is right.
        EXPECT_LE(differing, covered / 100) << "slider " << slider;
        for (const auto& [x, y] : {std::pair{0, 0}, {Width - 1, 0}, {0, Height - 1}, {Width - 1, Height - 1}})
            EXPECT_EQ(pickPart(state, state.view, controls, x, y), -1) << x << ", " << y;
    }
}

TEST(Picking, TheNearestShownPartInFrontOfTheEyeAndInsideTheViewIsPicked) {
    // The eye is at z = 4 looking down -z: a square over the right half in
    // front of a wide one, a big one behind the eye, and a wall far behind.
    for (const bool nearFirst : {false, true}) {
        ProgramState state;
        const auto addNear = [&state] { return fixtures::addSquare(state, 0.5f, 0, 1, 1); };
        const int32_t nearer = nearFirst ? addNear() : -1;
        const int32_t wide = fixtures::addSquare(state, 0, 0, 0, 2);
        const int32_t front = nearFirst ? nearer : addNear();
        fixtures::addSquare(state, 0, 0, 5, 4);
        const int32_t wall = fixtures::addSquare(state, 0, 0, -100, 1000);
        ViewState drawn;
        fixtures::lookHeadOn(drawn);
        drawn.ViewportWidth = drawn.ViewportHeight = 64;
        const FrameControls controls{false, true, 100};

        EXPECT_EQ(pickPart(state, drawn, controls, 40, 32), front);
        EXPECT_EQ(pickPart(state, drawn, controls, 24, 32), wide);
        EXPECT_EQ(pickPart(state, drawn, controls, 0, 0), wall) << "the square behind the eye is not seen";
        for (const auto& [x, y] : {std::pair{64, 20}, {-1, 20}, {20, 64}, {20, -1}})
            EXPECT_EQ(pickPart(state, drawn, controls, x, y), -1) << "outside the view: " << x << ", " << y;

        drawn.RotationY = 180.0f;  // from behind the squares: their back faces count too
        EXPECT_EQ(pickPart(state, drawn, controls, 24, 32), wide);
        drawn.RotationY = 0.0f;
        state.partList.PartVisible[static_cast<std::size_t>(front)] = 0;
        EXPECT_EQ(pickPart(state, drawn, controls, 40, 32), wide) << "hidden";
        state.partList.PartVisible[static_cast<std::size_t>(wide)] = 0;
        state.partList.PartVisible[static_cast<std::size_t>(wall)] = 0;
        EXPECT_EQ(pickPart(state, drawn, controls, 40, 32), -1) << "empty space";
    }
}

}  // namespace
